#include "scanner/core/TsScannerData.h"

#include "scanner/core/Text.h"
#include "scanner/core/Walk.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace TsScanner {

TsScannerData::TsScannerData(const TsScannerData& other)
    : lines_(other.lines_), cols_(other.cols_), cellCount_(other.cellCount_)
{
    if (other.cells_) {
        cells_ = std::make_unique<uint8_t[]>(cellCount_);
        std::copy_n(other.cells_.get(), cellCount_, cells_.get());
    }
}

TsScannerData::TsScannerData(TsScannerData&& other) noexcept
    : lines_(std::exchange(other.lines_, 0)), cols_(std::exchange(other.cols_, 0)), cells_(std::move(other.cells_)),
      cellCount_(std::exchange(other.cellCount_, 0))
{
}

TsScannerData& TsScannerData::operator=(TsScannerData other) noexcept
{
    std::swap(lines_, other.lines_);
    std::swap(cols_, other.cols_);
    std::swap(cells_, other.cells_);
    std::swap(cellCount_, other.cellCount_);
    return *this;
}

void TsScannerData::LoadFromText(std::string_view text, int32_t nCols)
{
    if (nCols < 0)
        throw std::runtime_error(FormatText("Invalid column count: %d", nCols));
    if (!text.empty() && text.front() == '\n')
        text.remove_prefix(1);

    const std::size_t length = text.size();
    const std::size_t lineCount = length / 2;
    const int32_t colCount = length < 2 ? 0 : nCols;
    if (lineCount > kMaxCells || (colCount > 0 && lineCount > kMaxCells / static_cast<std::size_t>(colCount)))
        throw std::runtime_error(FormatText("Scanner data too large: %zu lines of %d columns", lineCount, colCount));

    // The new storage starts unmarked, so every cell the text does not reach
    // has a defined value. It replaces the old one only once decoded.
    const std::size_t count = lineCount * static_cast<std::size_t>(colCount);
    auto cells = std::make_unique<uint8_t[]>(count);

    const int32_t half = colCount / 2;
    const unsigned mask = half == 6 ? 0x3Fu : 0x7Fu;
    // Only bits 0 to 6 survive the mask: later columns of a half get no data.
    const int32_t bits = std::min(half, 7);
    if (half > 0) {
        // The last pair of the text is line 1; an odd first character is unused.
        for (std::size_t line = 0; line < lineCount; ++line) {
            const std::size_t p = length - 2 * (line + 1);
            const auto a = static_cast<unsigned char>(text[p]);
            const auto b = static_cast<unsigned char>(text[p + 1]);
            if (a == 0 || b == 0)
                break;
            uint8_t* row = cells.get() + line * static_cast<std::size_t>(colCount);
            for (int32_t k = 0; k < bits; ++k) {
                row[k] = static_cast<uint8_t>(((a & mask) >> k) & 1u);
                row[half + k] = static_cast<uint8_t>(((b & mask) >> k) & 1u);
            }
        }
    }

    lines_ = static_cast<int32_t>(lineCount);
    cols_ = colCount;
    cells_ = std::move(cells);
    cellCount_ = count;
}

void TsScannerData::ThrowCellError(int32_t line, int32_t column) const
{
    if (line < 1 || line > lines_)
        throw std::runtime_error(FormatText("Line index out of bounds: max=%d index=%d", lines_, line));
    if (column < 1 || column > cols_)
        throw std::runtime_error(FormatText("Column index out of bounds: max=%d index=%d", cols_, column));
    if (!cells_)
        throw std::runtime_error("Data not initialized");
    throw std::runtime_error(FormatText(
        "Cell (%d, %d) lies outside the loaded data of %zu cells: line and column counts exceed the data", line,
        column, cellCount_));
}

void TsScannerData::Flip()
{
    if (lines_ < 2 || cols_ < 1)
        return;
    // Checking the last cell checks the whole rectangle, before anything moves.
    CellIndex(lines_, cols_);
    const auto width = static_cast<std::size_t>(cols_);
    for (int32_t top = 1, bottom = lines_; top < bottom; ++top, --bottom)
        std::swap_ranges(cells_.get() + (top - 1) * width, cells_.get() + top * width,
                         cells_.get() + (bottom - 1) * width);
}

int32_t TsScannerData::FindSingleMark(bool alongLine, int32_t fixed, int32_t from, int32_t to, int64_t step) const
{
    int32_t found = -1;
    WalkPositions(from, to, step, [&](int32_t p) {
        if (!(alongLine ? GetMark(fixed, p) : GetMark(p, fixed)))
            return true;
        if (found != -1) {
            found = -2;
            return false;
        }
        found = static_cast<int32_t>(Distance(p, from));
        return true;
    });
    return found;
}

int32_t TsScannerData::FindSingleMarkOnLine(int32_t line, int32_t from, int32_t to, int64_t step) const
{
    return FindSingleMark(true, line, from, to, step);
}

int32_t TsScannerData::FindSingleMarkInColumn(int32_t column, int32_t from, int32_t to, int64_t step) const
{
    return FindSingleMark(false, column, from, to, step);
}

std::string TsScannerData::LabelsAlong(bool alongLine, int32_t fixed, int32_t from, int32_t to, int64_t step,
                                       std::string_view labels, int32_t width, char blank) const
{
    if (width < 0)
        throw std::runtime_error(FormatText("Invalid label width: %d", width));
    if (step < 1)
        step = 1;
    const auto w = static_cast<std::size_t>(width);
    std::string out;
    WalkPositions(from, to, step, [&](int32_t p) {
        if (alongLine ? GetMark(fixed, p) : GetMark(p, fixed)) {
            const auto ordinal = static_cast<std::size_t>(Distance(p, from) / step);
            if (w > 0 && (ordinal >= labels.size() / w))
                throw std::runtime_error(FormatText("Label list %s has no label %zu of width %d", labels,
                                                    ordinal + 1, width));
            AppendBounded(out, labels.substr(ordinal * w, w));
        } else {
            AppendRepeated(out, w, blank);
        }
        return true;
    });
    return out;
}

std::string TsScannerData::LabelsAlongLine(int32_t line, int32_t from, int32_t to, int64_t step,
                                           std::string_view labels, int32_t width, char blank) const
{
    return LabelsAlong(true, line, from, to, step, labels, width, blank);
}

std::string TsScannerData::LabelsAlongColumn(int32_t column, int32_t from, int32_t to, int64_t step,
                                             std::string_view labels, int32_t width, char blank) const
{
    return LabelsAlong(false, column, from, to, step, labels, width, blank);
}

void CheckGridIndex(int32_t index, int32_t count)
{
    if (count < 0)
        throw std::runtime_error(FormatText("Index %ld is not in the list. The list is empty", index));
    CheckListIndex(index, 0, count);
}

void CheckListIndex(int32_t index, int32_t first, int32_t last)
{
    if (index < first || index > last)
        throw std::runtime_error(FormatText("Index %ld is not in the list's range [%ld to %ld].", index, first, last));
}

}  // namespace TsScanner
