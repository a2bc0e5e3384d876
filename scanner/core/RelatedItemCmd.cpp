#include "scanner/core/FormCommands.h"

#include "scanner/core/Text.h"

#include <stdexcept>

namespace TsScanner {

void RelatedItemCmd::Parse(const Ptr<StrTokenizer>& tokens)
{
    TsScannerFormCmd::Parse(tokens);
    RequireItemsAtLeast(5);
    const StrTokenizer& items = Items();
    severalMarks = items.Flag(2);
    flag = items.Flag(3);
    blankWidth = items.Number(4);
    const auto count = static_cast<std::size_t>(items.ItemCount());
    const std::size_t groups = (count - 5) / 4;
    entries.clear();
    entries.reserve(groups);
    for (std::size_t g = 0; g < groups; ++g) {
        const std::size_t at = 5 + g * 4;
        entries.push_back({items.Number(at), items.Number(at + 1), items.Number(at + 2), std::string(items.Item(at + 3))});
    }
}

std::string RelatedItemCmd::Evaluate(char blank, char, const TsScannerData& grid) const
{
    std::string out;
    for (const Entry& entry : entries) {
        if (grid.GetMark(entry.line, entry.column)) {
            if (!severalMarks && !out.empty())
                throw std::runtime_error(FormatText("Multiple Mark not allowed for %s", Line()));
            AppendBounded(out, entry.label);
        } else if (severalMarks) {
            AppendRepeated(out, static_cast<std::size_t>(blankWidth), blank);
        }
    }
    return out;
}

}  // namespace TsScanner
