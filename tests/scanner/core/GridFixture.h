// Grids and scanner data texts drawn as small pictures for the tests.
#pragma once

#include "scanner/core/ScannerText.h"
#include "scanner/core/TsScannerData.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace TsScannerTest {

using Cell = std::pair<int, int>;  // (line, column)

// An unmarked grid of the given size with the listed cells marked.
inline TsScanner::TsScannerData MakeGrid(int lines, int cols, const std::vector<Cell>& marks = {})
{
    TsScanner::TsScannerData grid;
    // 0x80 has no mark bit for any column count and is not the end-of-data zero.
    grid.LoadFromText(std::string(static_cast<std::size_t>(lines) * 2, '\x80'), cols);
    for (auto [line, column] : marks)
        grid.SetMark(line, column, true);
    return grid;
}

// The scanner data text of a 12-column sheet with the listed cells marked.
inline std::string SheetText(int lines, const std::vector<Cell>& marks = {})
{
    return TsScanner::EncodeScannerText(MakeGrid(lines, 12, marks));
}

// The marked cells of a grid, line by line.
inline std::vector<Cell> MarkedCells(const TsScanner::TsScannerData& grid)
{
    std::vector<Cell> cells;
    for (int line = 1; line <= grid.LineCount(); ++line)
        for (int column = 1; column <= grid.ColCount(); ++column)
            if (grid.GetMark(line, column))
                cells.emplace_back(line, column);
    return cells;
}

// Runs f and returns the message of the std::runtime_error it throws, or
// "(no error)".
template <typename F>
std::string ErrorOf(F&& f)
{
    try {
        f();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace TsScannerTest
