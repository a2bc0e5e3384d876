#include "scanner/core/FormCommands.h"

#include "scanner/core/Text.h"
#include "scanner/core/Walk.h"

#include <stdexcept>

namespace TsScanner {

void SumCmd::Parse(const Ptr<StrTokenizer>& tokens)
{
    TsScannerFormCmd::Parse(tokens);
    const StrTokenizer& items = Items();
    const std::string_view keyword = items.Item(1);
    kind = EqualsNoCase(keyword, "SUB") ? Kind::SUB : EqualsNoCase(keyword, "SUE") ? Kind::SUE : Kind::SU;
    RequireItemsAtLeast(kind == Kind::SU ? 12 : 14);

    const std::size_t b = kind == Kind::SU ? 4 : 6;
    flag = items.Flag(2);
    numbers = {items.Number(3)};
    if (kind != Kind::SU) {
        numbers.push_back(items.Number(4));
        numbers.push_back(items.Number(5));
    }
    number = items.Number(b);
    region.Parse(items, b + 1);
    firstValueIndex = b + 8;

    if (kind == Kind::SUB && region.Valid()) {
        const int64_t positions = Distance(region.ChoiceStart(), region.ChoiceEnd()) + 1;
        if (positions > kMaxBitPositions)
            throw std::runtime_error(FormatText("Choice span too wide in cmd: %s\nFound %ld positions expected at "
                                                "most %ld",
                                                Line(), static_cast<long>(positions),
                                                static_cast<long>(kMaxBitPositions)));
    }
    values.clear();
    if (kind != Kind::SUB)
        for (std::size_t i = firstValueIndex; i < static_cast<std::size_t>(items.ItemCount()); ++i)
            values.push_back(items.Number(i));
}

std::string SumCmd::Evaluate(char, char, const TsScannerData& grid) const
{
    region.CheckOrientation();
    const int32_t itemStart = region.ItemStart();
    const int32_t choiceStart = region.ChoiceStart();
    // The value items form a table with one entry per grid position of the
    // region's rectangle, choices varying fastest, whatever the steps are.
    const int64_t rowLength = Distance(choiceStart, region.ChoiceEnd()) + 1;
    std::string out;
    WalkPositions(itemStart, region.ItemEnd(), region.itemStep, [&](int32_t i) {
        int64_t sum = 0;
        WalkPositions(choiceStart, region.ChoiceEnd(), region.choiceStep, [&](int32_t j) {
            if (!region.IsMarked(grid, i, j))
                return true;
            const int64_t distance = Distance(j, choiceStart);
            if (kind == Kind::SUB) {
                sum += int64_t{1} << distance;
                return true;
            }
            // A marked cell whose value item the line lacks is a definition
            // error: reported, never read past the line nor counted as 0.
            const int64_t index = rowLength * Distance(i, itemStart) + distance;
            if (index >= static_cast<int64_t>(values.size())) {
                const int32_t line = region.orientation == 'C' ? j : i;
                const int32_t column = region.orientation == 'C' ? i : j;
                throw std::runtime_error(FormatText("No value item for line %d column %d in cmd: %s", line, column,
                                                    Line()));
            }
            sum += values[static_cast<std::size_t>(index)];
            return true;
        });
        AppendBounded(out, std::to_string(sum));
        return true;
    });
    return out;
}

}  // namespace TsScanner
