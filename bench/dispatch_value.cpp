// A late-bound indexed property read (IDispatch::Invoke through the generic
// type-information Invoke) against the same read through the C++ interface.
#include "DispatchTestObjects.h"

#include <benchmark/benchmark.h>

namespace {

constexpr WORD kGet = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

struct Fixture {
    Fixture()
    {
        object = MakeTestObject<CTestDispatch>();
        object->put_Cell(1, 2, VARIANT_TRUE);
    }
    ComPtr<ITestDispatch> object;
};

void CellReadThroughCppInterface(benchmark::State& state)
{
    Fixture f;
    VARIANT_BOOL value = VARIANT_FALSE;
    for (auto _ : state) {
        f.object->get_Cell(1, 2, &value);
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(CellReadThroughCppInterface);

void CellReadLateBound(benchmark::State& state)
{
    Fixture f;
    LPOLESTR name = const_cast<LPOLESTR>(u"Cell");
    DISPID id = DISPID_UNKNOWN;
    f.object->GetIDsOfNames(GUID_NULL, &name, 1, LOCALE_EN_US, &id);
    VARIANT args[2];
    VariantInit(&args[0]);
    VariantInit(&args[1]);
    args[0].vt = VT_I4; // column (arguments are in reverse order)
    args[0].lVal = 2;
    args[1].vt = VT_I4;
    args[1].lVal = 1;
    DISPPARAMS params{args, nullptr, 2, 0};
    VARIANT result;
    for (auto _ : state) {
        f.object->Invoke(id, GUID_NULL, LOCALE_EN_US, kGet, &params, &result, nullptr, nullptr);
        benchmark::DoNotOptimize(result.boolVal);
    }
}
BENCHMARK(CellReadLateBound);

// As a script host without an id cache does it: the name every time, and
// arguments that need converting (script numbers are often doubles).
void CellReadLateBoundByNameWithConversion(benchmark::State& state)
{
    Fixture f;
    LPOLESTR name = const_cast<LPOLESTR>(u"cell");
    VARIANT args[2];
    VariantInit(&args[0]);
    VariantInit(&args[1]);
    args[0].vt = VT_R8;
    args[0].dblVal = 2;
    args[1].vt = VT_I2;
    args[1].iVal = 1;
    DISPPARAMS params{args, nullptr, 2, 0};
    VARIANT result;
    for (auto _ : state) {
        DISPID id = DISPID_UNKNOWN;
        f.object->GetIDsOfNames(GUID_NULL, &name, 1, LOCALE_EN_US, &id);
        f.object->Invoke(id, GUID_NULL, LOCALE_EN_US, kGet, &params, &result, nullptr, nullptr);
        benchmark::DoNotOptimize(result.boolVal);
    }
}
BENCHMARK(CellReadLateBoundByNameWithConversion);

// A text property: the result is a new string each time, freed by the caller.
void TextReadLateBound(benchmark::State& state)
{
    Fixture f;
    LPOLESTR name = const_cast<LPOLESTR>(u"Text");
    DISPID id = DISPID_UNKNOWN;
    f.object->GetIDsOfNames(GUID_NULL, &name, 1, LOCALE_EN_US, &id);
    DISPPARAMS params{nullptr, nullptr, 0, 0};
    VARIANT result;
    for (auto _ : state) {
        f.object->Invoke(id, GUID_NULL, LOCALE_EN_US, kGet, &params, &result, nullptr, nullptr);
        VariantClear(&result);
    }
}
BENCHMARK(TextReadLateBound);

} // namespace

BENCHMARK_MAIN();
