// Throughput of the form library's core: grid decode, the fixed 25-answer
// form, a 50-question definition and the cost of loading a definition.
#include "scanner/core/Form25SFields.h"
#include "scanner/core/FormInterpreter.h"
#include "scanner/core/ScannerText.h"
#include "scanner/core/TsScannerData.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace TsScanner;

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Example(const std::string& name) { return ReadFile(std::string(TS_SOURCE_DIR) + "/examples/forms/" + name); }

// The decodable sheets of a sample sheet file.
std::vector<std::string> Sheets(const std::string& name, std::size_t lines)
{
    std::vector<std::string> sheets;
    for (const SheetRecord& record : ReadSheetText(Example(name))) {
        std::string data = record.data;
        if (!data.empty() && data.front() == '\n')
            data.erase(0, 1);
        if (record.error.empty() && data.size() == lines * 2 && data.find('\0') == std::string::npos)
            sheets.push_back(record.data);
    }
    return sheets;
}

void GridDecode(benchmark::State& state)
{
    const auto sheets = Sheets("sheets25.txt", 45);
    TsScannerData grid;
    std::size_t i = 0;
    for (auto _ : state) {
        grid.LoadFromText(sheets[i++ % sheets.size()], 12);
        benchmark::DoNotOptimize(grid);
    }
    state.counters["sheets/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(GridDecode);

void Fixed25Decode(benchmark::State& state)
{
    const auto sheets = Sheets("sheets25.txt", 45);
    Form25SFields form;
    std::size_t i = 0;
    for (auto _ : state) {
        form.DecodeSheet(sheets[i++ % sheets.size()]);
        benchmark::DoNotOptimize(form);
    }
    state.counters["sheets/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(Fixed25Decode);

void Form50ProcessGrid(benchmark::State& state)
{
    FormInterpreter form;
    form.LoadDefinition(Example("exam50.form"));
    std::vector<std::string> sheets;
    for (const std::string& sheet : Sheets("sheets50.txt", 49)) {
        try {
            form.ProcessGrid(sheet, 12);
            sheets.push_back(sheet);
        } catch (const std::runtime_error&) {
            // Sheets that fail (the wrong form) are not part of the measure.
        }
    }
    std::size_t i = 0;
    for (auto _ : state) {
        std::string result = form.ProcessGrid(sheets[i++ % sheets.size()], 12);
        benchmark::DoNotOptimize(result);
    }
    state.counters["sheets/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(Form50ProcessGrid);

void Form50LoadDefinition(benchmark::State& state)
{
    const std::string definition = Example("exam50.form");
    FormInterpreter form;
    for (auto _ : state) {
        form.LoadDefinition(definition);
        benchmark::DoNotOptimize(form);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * definition.size()));
}
BENCHMARK(Form50LoadDefinition);

}  // namespace

BENCHMARK_MAIN();
