#include "scanner/core/FormCommands.h"

#include "scanner/core/Text.h"

#include <limits>
#include <stdexcept>

namespace TsScanner {

void IdCmd::Parse(const Ptr<StrTokenizer>& tokens)
{
    TsScannerFormCmd::Parse(tokens);
    RequireItemsExactly(6);
    const StrTokenizer& items = Items();
    number = items.Number(2);
    orientation = items.Orientation(3);
    position = items.Number(4);
    pattern = std::string(items.Item(5));
}

std::string IdCmd::Evaluate(char, char, const TsScannerData& grid) const
{
    if (orientation != 'C' && orientation != 'L')
        throw std::runtime_error(FormatText("Unknown orientation: %c", orientation));
    // The pattern's last character takes part in no check.
    const std::size_t checked = pattern.empty() ? 0 : pattern.size() - 1;
    for (std::size_t k = 1; k <= checked; ++k) {
        const char c = pattern[k - 1];
        if (c != '0' && c != '1')
            continue;
        // Positions past the 32-bit range cannot be cells; the grid refuses them.
        const int32_t i = k > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())
                              ? std::numeric_limits<int32_t>::max()
                              : static_cast<int32_t>(k);
        const bool marked = orientation == 'C' ? grid.GetMark(i, position) : grid.GetMark(position, i);
        if (marked != (c == '1'))
            throw std::runtime_error(orientation == 'C' ? FormatText("Id check failed at Line: %d", i)
                                                        : FormatText("Id check failed at Col: %d", i));
    }
    return {};
}

}  // namespace TsScanner
