// The scanner objects as hosts use them, created through the registry: each
// path measured through the C++ interface and through late-bound Invoke with
// BSTR conversion, side by side.
#include "platform/Activation.h"
#include "platform/CodePage.h"
#include "platform/ComPtr.h"
#include "scanner/core/ScannerText.h"
#include "typelib/TsScannerLib.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string Example(const std::string& name)
{
    std::ifstream in(std::string(TS_SOURCE_DIR) + "/examples/forms/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Sheets of the sample file with exactly `lines` sheet lines, as BSTRs.
std::vector<BStr> Sheets(const std::string& name, size_t lines)
{
    std::vector<BStr> sheets;
    for (const auto& record : TsScanner::ReadSheetText(Example(name))) {
        std::string data = record.data;
        if (!data.empty() && data.front() == '\n')
            data.erase(0, 1);
        if (record.error.empty() && data.size() == lines * 2 && data.find('\0') == std::string::npos)
            sheets.emplace_back(AnsiToWide(record.data));
    }
    return sheets;
}

template <typename Interface>
ComPtr<Interface> Create(const char16_t* progId)
{
    CLSID clsid{};
    ComPtr<Interface> object;
    if (FAILED(CLSIDFromProgID(progId, &clsid)) ||
        FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, Interface::iid, object.OutVoid())))
        throw std::runtime_error("cannot create the object; is the module registered?");
    return object;
}

DISPID IdOf(IDispatch* object, const char16_t* name)
{
    std::u16string text(name);
    LPOLESTR names[] = {text.data()};
    DISPID id = DISPID_UNKNOWN;
    object->GetIDsOfNames(GUID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

// Arguments in reverse order, as DISPPARAMS holds them.
HRESULT Invoke(IDispatch* object, DISPID id, std::vector<Variant>& reversed, Variant& result)
{
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    return object->Invoke(id, GUID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params,
                          result.Out(), nullptr, nullptr);
}

void Rate(benchmark::State& state)
{
    state.counters["calls/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void ValueDirect(benchmark::State& state)
{
    auto grid = Create<ITsScannerData>(u"TsScannerLib.TsScannerData");
    BStr sheet(u"@AB@");
    grid->InitFromScannerData(sheet.Get(), 12);
    VARIANT_BOOL mark = 0;
    for (auto _ : state) {
        grid->get_Value(1, 2, &mark);
        benchmark::DoNotOptimize(mark);
    }
    Rate(state);
}
BENCHMARK(ValueDirect);

void ValueLateBound(benchmark::State& state)
{
    auto grid = Create<IDispatch>(u"TsScannerLib.TsScannerData");
    auto typed = grid.As<ITsScannerData>();
    BStr sheet(u"@AB@");
    typed->InitFromScannerData(sheet.Get(), 12);
    const DISPID id = IdOf(grid.Get(), u"Value");
    std::vector<Variant> arguments{Variant::FromLong(2), Variant::FromLong(1)};
    Variant result;
    for (auto _ : state) {
        Invoke(grid.Get(), id, arguments, result);
        benchmark::DoNotOptimize(result.boolVal);
    }
    Rate(state);
}
BENCHMARK(ValueLateBound);

void Form50Direct(benchmark::State& state)
{
    auto form = Create<ITsScannerForm>(u"Tsscannerlib.TsScannerForm");
    BStr definition(AnsiToWide(Example("exam50.form")));
    form->InitFromFormDefinition(definition.Get());
    const auto sheets = Sheets("sheets50.txt", 49);
    size_t i = 0;
    for (auto _ : state) {
        BStr result;
        form->ProcessScannerData(sheets[i++ % sheets.size()].Get(), 12, result.Out());
        benchmark::DoNotOptimize(result.Get());
    }
    Rate(state);
}
BENCHMARK(Form50Direct);

void Form50LateBound(benchmark::State& state)
{
    auto form = Create<IDispatch>(u"Tsscannerlib.TsScannerForm");
    BStr definition(AnsiToWide(Example("exam50.form")));
    form.As<ITsScannerForm>()->InitFromFormDefinition(definition.Get());
    const DISPID id = IdOf(form.Get(), u"ProcessScannerData");
    std::vector<Variant> sheets;
    for (const BStr& sheet : Sheets("sheets50.txt", 49))
        sheets.push_back(Variant::FromString(sheet.View()));
    std::vector<Variant> arguments(2);
    arguments[0] = Variant::FromLong(12);
    Variant result;
    size_t i = 0;
    for (auto _ : state) {
        arguments[1] = sheets[i++ % sheets.size()];
        Invoke(form.Get(), id, arguments, result);
        benchmark::DoNotOptimize(result.bstrVal);
    }
    Rate(state);
}
BENCHMARK(Form50LateBound);

void Fixed25Direct(benchmark::State& state)
{
    auto form = Create<ITsScannerForm25S>(u"TsScannerLib.TsScannerForm25S");
    const auto sheets = Sheets("sheets25.txt", 45);
    size_t i = 0;
    for (auto _ : state)
        form->InitFromScannerData(sheets[i++ % sheets.size()].Get());
    Rate(state);
}
BENCHMARK(Fixed25Direct);

void Fixed25LateBound(benchmark::State& state)
{
    auto form = Create<IDispatch>(u"TsScannerLib.TsScannerForm25S");
    const DISPID id = IdOf(form.Get(), u"InitFromScannerData");
    std::vector<Variant> sheets;
    for (const BStr& sheet : Sheets("sheets25.txt", 45))
        sheets.push_back(Variant::FromString(sheet.View()));
    std::vector<Variant> arguments(1);
    Variant result;
    size_t i = 0;
    for (auto _ : state) {
        arguments[0] = sheets[i++ % sheets.size()];
        Invoke(form.Get(), id, arguments, result);
    }
    Rate(state);
}
BENCHMARK(Fixed25LateBound);

} // namespace

int main(int argc, char** argv)
{
    // A registry of the benchmark's own, holding just this module.
    std::string registry = "/tmp/ts-bench-registry-" + std::to_string(getpid()) + ".reg";
    setenv("TESSALY_REGISTRY", registry.c_str(), 1);
    if (FAILED(RegisterServerModule(TS_SCANNER_MODULE, false)))
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(registry.c_str());
    std::remove((registry + ".lock").c_str());
    return 0;
}
