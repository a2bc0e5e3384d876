// Feeds arbitrary definitions and sheets through the form library's core:
// definition loading, sheet evaluation, the fixed 25-answer form, the grid
// walks and the sheet-file escapes. Besides memory and undefined-behaviour
// faults it checks that a failing sheet leaves the field table unchanged.
//
// Input: one byte choosing the column count, then the definition, then any
// number of sheets, each part introduced by the line "%%".
#include "scanner/core/Form25SFields.h"
#include "scanner/core/FormInterpreter.h"
#include "scanner/core/ScannerText.h"
#include "scanner/core/TsScannerData.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace TsScanner;

int32_t ColumnCount(uint8_t choice)
{
    static const int32_t kSpecial[] = {-1, INT_MIN, INT_MAX, 4096, 0, 1, 13, 14, 15, 16, 63, 64, 1000, 12, 12, 12};
    return choice < 0xF0 ? choice % 32 : kSpecial[choice - 0xF0];
}

std::vector<std::string_view> Parts(std::string_view text)
{
    static constexpr std::string_view kMarker = "\n%%\n";
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = text.find(kMarker);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        text.remove_prefix(at + kMarker.size());
    }
}

std::map<std::string, std::string> Snapshot(const FormInterpreter& form)
{
    return {form.Fields().Entries().begin(), form.Fields().Entries().end()};
}

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void ExerciseGrid(std::string_view sheet, int32_t nCols)
{
    TsScannerData grid;
    try {
        grid.LoadFromText(sheet, nCols);
    } catch (const std::runtime_error&) {
        return;
    }
    const int32_t lines = grid.LineCount();
    const int32_t cols = grid.ColCount();
    try {
        grid.FindSingleMarkOnLine(1, 1, cols, 1 + static_cast<int32_t>(sheet.size() % 3));
        grid.FindSingleMarkInColumn(cols, lines, 1, 1);
        grid.LabelsAlongLine(lines, cols, 1, 2, "ABCDEFG", 2, ' ');
    } catch (const std::runtime_error&) {
    }
    if (cols > 0 && cols <= 12 && lines > 0) {
        // Coding the grid again gives a text that decodes to the same marks.
        TsScannerData again;
        again.LoadFromText(EncodeScannerText(grid), cols);
        for (int32_t l = 1; l <= lines; ++l)
            for (int32_t c = 1; c <= cols; ++c)
                Check(again.GetMark(l, c) == grid.GetMark(l, c));
    }
    // Counts written past the storage are refused on access, never read.
    grid.SetLineCount(lines + 1);
    grid.SetColCount(cols + 1);
    try {
        grid.Flip();
        grid.GetMark(lines + 1, cols + 1);
    } catch (const std::runtime_error&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int32_t nCols = ColumnCount(data[0]);
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::vector<std::string_view> parts = Parts(input);

    FormInterpreter form;
    try {
        form.LoadDefinition(parts[0]);
    } catch (const std::runtime_error&) {
        // The commands before the failing line stay loaded and are evaluated.
    }

    Form25SFields fixed;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const auto before = Snapshot(form);
        try {
            form.ProcessGrid(parts[i], nCols);
        } catch (const std::runtime_error&) {
            Check(Snapshot(form) == before);
        }
        form.LastCompletedAnswer();
        try {
            fixed.DecodeSheet(parts[i]);
        } catch (const std::runtime_error&) {
        }
        fixed.LastCompletedAnswer();
        ExerciseGrid(parts[i], nCols);
        try {
            Check(DecodeSheetLine(EscapeSheetLine(parts[i])) == parts[i]);
            DecodeSheetLine(parts[i]);
        } catch (const std::runtime_error&) {
        }
    }
    ReadSheetText(input);
    return 0;
}
