#include "scanner/core/Region.h"

#include "scanner/core/Text.h"
#include "scanner/core/Walk.h"

#include <stdexcept>

namespace TsScanner {

void Region::Parse(const StrTokenizer& items, std::size_t first)
{
    startLine = items.Number(first);
    startCol = items.Number(first + 1);
    endLine = items.Number(first + 2);
    endCol = items.Number(first + 3);
    orientation = items.Orientation(first + 4);
    itemCount = items.Number(first + 5);
    choiceCount = items.Number(first + 6);
    if (itemCount < 1)
        throw std::runtime_error(FormatText("Item count must be at least 1 in cmd: %s", items.Text()));

    itemStep = 1;
    choiceStep = 1;
    if (!Valid())
        return;
    itemStep = Distance(ItemStart(), ItemEnd()) / itemCount + 1;
    if (choiceCount > 1) {
        choiceStep = Distance(ChoiceStart(), ChoiceEnd()) / (choiceCount - 1);
        if (choiceStep == 0)
            choiceStep = 1;
    }
}

void Region::CheckOrientation() const
{
    if (!Valid())
        throw std::runtime_error(FormatText("Unknown orientation: %c", orientation));
}

}  // namespace TsScanner
