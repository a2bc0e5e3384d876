// The mark grid of one answer sheet: lines down the sheet, columns across it,
// both counted from 1, one byte per cell (1 marked, 0 not).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace TsScanner {

class TsScannerData {
public:
    // Largest grid a load builds; a longer text or a wider column count is
    // refused before anything changes. Real sheets have a few hundred cells.
    static constexpr std::size_t kMaxCells = std::size_t{1} << 24;

    TsScannerData() = default;
    TsScannerData(const TsScannerData& other);
    TsScannerData(TsScannerData&& other) noexcept;
    TsScannerData& operator=(TsScannerData other) noexcept;
    virtual ~TsScannerData() = default;

    // Replaces counts and cells by decoding a scanner data text read with nCols
    // columns. A negative nCols or a grid beyond kMaxCells is refused and leaves
    // the grid as it was. Cells that the text gives no data (column n of an odd
    // n, the eighth and later columns of a half-line, the lines after a zero
    // character) are unmarked.
    void LoadFromText(std::string_view text, int32_t nCols);

    bool GetMark(int32_t line, int32_t column) const { return cells_[CellIndex(line, column)] != 0; }
    void SetMark(int32_t line, int32_t column, bool marked) { cells_[CellIndex(line, column)] = marked ? 1 : 0; }
    // Reverses the line order; columns keep theirs.
    void Flip();

    int32_t LineCount() const { return lines_; }
    int32_t ColCount() const { return cols_; }
    // Writing a count changes only the count: the cells stay where they are and
    // are read with the new width as row stride. A cell that then lies beyond
    // the loaded storage is refused on access (see CellIndex), never read.
    void SetLineCount(int32_t count) { lines_ = count; }
    void SetColCount(int32_t count) { cols_ = count; }
    bool HasStorage() const { return cells_ != nullptr; }

    // Offset |p - from| of the only marked cell of the walk, -1 for none and
    // -2 as soon as a second marked cell is seen.
    int32_t FindSingleMarkOnLine(int32_t line, int32_t from, int32_t to, int64_t step) const;
    int32_t FindSingleMarkInColumn(int32_t column, int32_t from, int32_t to, int64_t step) const;

    // For every position of the walk: its label (width characters of labels at
    // ordinal × width) when marked, width blanks when not. A marked position
    // whose label lies (partly) beyond the end of the list is an error naming
    // the list, never a read past its end.
    std::string LabelsAlongLine(int32_t line, int32_t from, int32_t to, int64_t step, std::string_view labels,
                                int32_t width, char blank) const;
    std::string LabelsAlongColumn(int32_t column, int32_t from, int32_t to, int64_t step, std::string_view labels,
                                  int32_t width, char blank) const;

private:
    // Checks line, column and storage in that order and returns the cell's
    // byte index; throws std::runtime_error with the cell messages. Inline,
    // because every command reads its cells through it.
    std::size_t CellIndex(int32_t line, int32_t column) const
    {
        if (line >= 1 && line <= lines_ && column >= 1 && column <= cols_ && cells_) {
            const std::size_t index = static_cast<std::size_t>(line - 1) * static_cast<std::size_t>(cols_) +
                                      static_cast<std::size_t>(column - 1);
            if (index < cellCount_)
                return index;
        }
        ThrowCellError(line, column);
    }
    [[noreturn]] void ThrowCellError(int32_t line, int32_t column) const;
    int32_t FindSingleMark(bool alongLine, int32_t fixed, int32_t from, int32_t to, int64_t step) const;
    std::string LabelsAlong(bool alongLine, int32_t fixed, int32_t from, int32_t to, int64_t step,
                            std::string_view labels, int32_t width, char blank) const;

    int32_t lines_ = 0;
    int32_t cols_ = 0;
    std::unique_ptr<uint8_t[]> cells_;
    std::size_t cellCount_ = 0;
};

// The index checks of the automation members, with their messages.
// Value(line, col): each index against 0 to count inclusive.
void CheckGridIndex(int32_t index, int32_t count);
// Answer(n) and similar: index against first to last inclusive.
void CheckListIndex(int32_t index, int32_t first, int32_t last);

}  // namespace TsScanner
