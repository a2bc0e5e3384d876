// The region of a SumCmd, MultipleChoiceCmd or CorvaneCmd: a rectangle of the
// grid read as items (columns for "C", lines for "L"), each holding choices.
#pragma once

#include "scanner/core/StrTokenizer.h"
#include "scanner/core/TsScannerData.h"

#include <cstddef>
#include <cstdint>

namespace TsScanner {

struct Region {
    int32_t startLine = 0;
    int32_t startCol = 0;
    int32_t endLine = 0;
    int32_t endCol = 0;
    char orientation = '\0';
    int32_t itemCount = 0;
    int32_t choiceCount = 0;
    // Computed once at parse time; 64 bits because a span near the 32-bit limit
    // over one item gives a step of 2^31.
    int64_t itemStep = 1;
    int64_t choiceStep = 1;

    // Reads start line, start column, end line, end column, orientation, item
    // count and choice count from items first to first + 6 and computes the
    // steps. An item count of 0 would divide by zero in the step rule and is
    // refused here, naming the line.
    void Parse(const StrTokenizer& items, std::size_t first);

    bool Valid() const { return orientation == 'C' || orientation == 'L'; }
    // Throws "Unknown orientation" for anything but "C" and "L".
    void CheckOrientation() const;

    int32_t ItemStart() const { return orientation == 'C' ? startCol : startLine; }
    int32_t ItemEnd() const { return orientation == 'C' ? endCol : endLine; }
    int32_t ChoiceStart() const { return orientation == 'C' ? startLine : startCol; }
    int32_t ChoiceEnd() const { return orientation == 'C' ? endLine : endCol; }

    // The cell of item position i and choice position j.
    bool IsMarked(const TsScannerData& grid, int32_t item, int32_t choice) const
    {
        return orientation == 'C' ? grid.GetMark(choice, item) : grid.GetMark(item, choice);
    }
};

}  // namespace TsScanner
