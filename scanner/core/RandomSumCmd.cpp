#include "scanner/core/FormCommands.h"

#include "scanner/core/Text.h"

#include <stdexcept>

namespace TsScanner {

void RandomSumCmd::Parse(const Ptr<StrTokenizer>& tokens)
{
    TsScannerFormCmd::Parse(tokens);
    RequireItemsAtLeast(7);
    const StrTokenizer& items = Items();
    const std::string_view keyword = items.Item(1);
    kind = EqualsNoCase(keyword, "RSB") ? Kind::RSB : EqualsNoCase(keyword, "RSE") ? Kind::RSE : Kind::RS;

    flag = items.Flag(2);
    std::size_t first = 4;
    numbers = {items.Number(3)};
    if (kind != Kind::RS) {
        numbers.push_back(items.Number(4));
        numbers.push_back(items.Number(5));
        first = 6;
    }
    const std::size_t group = kind == Kind::RSB ? 3 : 4;
    const auto count = static_cast<std::size_t>(items.ItemCount());
    const std::size_t groups = count > first ? (count - first) / group : 0;
    if (kind == Kind::RSB && groups > static_cast<std::size_t>(kMaxBitEntries))
        throw std::runtime_error(FormatText("Too many cell entries in cmd: %s\nFound %zu expected at most %d", Line(),
                                            groups, kMaxBitEntries));

    entries.clear();
    entries.reserve(groups);
    for (std::size_t g = 0; g < groups; ++g) {
        const std::size_t at = first + g * group;
        Entry entry;
        entry.itemNumber = items.Number(at);
        entry.line = items.Number(at + 1);
        entry.column = items.Number(at + 2);
        if (kind != Kind::RSB)
            entry.value = items.Number(at + 3);
        entries.push_back(entry);
    }
}

std::string RandomSumCmd::Evaluate(char, char, const TsScannerData& grid) const
{
    int64_t sum = 0;
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const Entry& entry = entries[k];
        if (grid.GetMark(entry.line, entry.column))
            sum += kind == Kind::RSB ? (int64_t{1} << k) : entry.value;
    }
    return std::to_string(sum);
}

}  // namespace TsScanner
