#include "scanner/core/FormCommands.h"

#include "scanner/core/Text.h"
#include "scanner/core/Walk.h"

#include <stdexcept>

namespace TsScanner {

void MultipleChoiceCmd::Parse(const Ptr<StrTokenizer>& tokens)
{
    TsScannerFormCmd::Parse(tokens);
    RequireItemsAtLeast(14);
    const StrTokenizer& items = Items();
    allMarks = items.Flag(2);
    flag = items.Flag(3);
    labelWidth = items.Number(4);
    number = items.Number(5);
    region.Parse(items, 6);
    labels = std::string(items.Item(13));
}

std::string MultipleChoiceCmd::Evaluate(char blank, char multipleMark, const TsScannerData& grid) const
{
    region.CheckOrientation();
    const bool byColumn = region.orientation == 'C';
    const int32_t from = region.ChoiceStart();
    const int32_t to = region.ChoiceEnd();
    const auto width = static_cast<std::size_t>(labelWidth);
    std::string out;
    WalkPositions(region.ItemStart(), region.ItemEnd(), region.itemStep, [&](int32_t i) {
        if (allMarks) {
            AppendBounded(out, byColumn ? grid.LabelsAlongColumn(i, from, to, region.choiceStep, labels, labelWidth, blank)
                                        : grid.LabelsAlongLine(i, from, to, region.choiceStep, labels, labelWidth, blank));
            return true;
        }
        const int32_t r = byColumn ? grid.FindSingleMarkInColumn(i, from, to, region.choiceStep)
                                   : grid.FindSingleMarkOnLine(i, from, to, region.choiceStep);
        if (r == -1) {
            AppendRepeated(out, width, blank);
        } else if (r == -2) {
            AppendRepeated(out, width, multipleMark);
        } else {
            // A marked choice without a (complete) label is reported rather
            // than read past the list or shown as unmarked.
            const auto ordinal = static_cast<std::size_t>(r / region.choiceStep);
            if (width > 0 && ordinal >= labels.size() / width)
                throw std::runtime_error(FormatText("Label list %s has no label %zu of width %d", labels, ordinal + 1,
                                                    labelWidth));
            AppendBounded(out, std::string_view(labels).substr(ordinal * width, width));
        }
        return true;
    });
    return out;
}

}  // namespace TsScanner
