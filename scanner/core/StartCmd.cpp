#include "scanner/core/FormCommands.h"

namespace TsScanner {

void StartCmd::Parse(const Ptr<StrTokenizer>& tokens)
{
    TsScannerFormCmd::Parse(tokens);
    RequireItemsAtLeast(5);
    first = Items().Number(2);
    second = Items().Number(4);
}

std::string StartCmd::Evaluate(char, char, const TsScannerData&) const { return {}; }

}  // namespace TsScanner
