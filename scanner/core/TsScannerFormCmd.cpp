#include "scanner/core/TsScannerFormCmd.h"

#include "scanner/core/Text.h"

#include <stdexcept>

namespace TsScanner {

void TsScannerFormCmd::Parse(const Ptr<StrTokenizer>& tokens)
{
    if (!tokens)
        throw std::invalid_argument("Form command parsed without a tokenizer");
    tokens_ = tokens;
}

const std::string& TsScannerFormCmd::Line() const
{
    static const std::string none;
    return tokens_ ? tokens_->Text() : none;
}

void TsScannerFormCmd::RequireItemsAtLeast(int32_t minimum) const
{
    if (Items().ItemCount() < minimum)
        throw std::runtime_error(FormatText("Insufficient items in cmd: %s\nFound %d expected at least %d", Line(),
                                            Items().ItemCount(), minimum));
}

// "ID" and "ST" word their short count without "at least".
void TsScannerFormCmd::RequireItemsExactly(int32_t minimum) const
{
    if (Items().ItemCount() < minimum)
        throw std::runtime_error(FormatText("Insufficient items in cmd: %s\nFound %d expected %d", Line(),
                                            Items().ItemCount(), minimum));
}

}  // namespace TsScanner
