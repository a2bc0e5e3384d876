#include "scanner/core/FormCommands.h"

#include "scanner/core/Text.h"
#include "scanner/core/Walk.h"

namespace TsScanner {

void CorvaneCmd::Parse(const Ptr<StrTokenizer>& tokens)
{
    TsScannerFormCmd::Parse(tokens);
    RequireItemsExactly(10);
    number = Items().Number(2);
    region.Parse(Items(), 3);
}

std::string CorvaneCmd::Evaluate(char, char, const TsScannerData& grid) const
{
    region.CheckOrientation();
    const bool partialLast = (Distance(region.ChoiceStart(), region.ChoiceEnd()) + 1) % 6 != 0;
    std::string out;
    WalkPositions(region.ItemStart(), region.ItemEnd(), region.itemStep, [&](int32_t i) {
        unsigned code = 64;
        unsigned bit = 1;
        WalkPositions(region.ChoiceStart(), region.ChoiceEnd(), region.choiceStep, [&](int32_t j) {
            if (region.IsMarked(grid, i, j))
                code |= bit;
            bit <<= 1;
            if (bit == 64) {
                AppendRepeated(out, 1, static_cast<char>(code));
                code = 64;
                bit = 1;
            }
            return true;
        });
        // The pending character goes out when the span's position count is not
        // a multiple of 6, and also whenever it holds visited choices: with a
        // choice step above 1 the visited count can differ from the position
        // count, and those marks must not be dropped.
        if (partialLast || bit != 1)
            AppendRepeated(out, 1, static_cast<char>(code));
        return true;
    });
    return out;
}

}  // namespace TsScanner
