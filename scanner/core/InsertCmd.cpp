#include "scanner/core/FormCommands.h"

#include "scanner/core/Text.h"

#include <stdexcept>

namespace TsScanner {

void InsertCmd::Parse(const Ptr<StrTokenizer>& tokens)
{
    TsScannerFormCmd::Parse(tokens);
    RequireItemsAtLeast(3);
    length = Items().Number(2);
    // The text is the raw rest of the line after the length item and exactly
    // one character (normally the blank). The item is located where the
    // tokenizer found it, not by searching its characters in the line, which
    // could match inside the keyword.
    const std::string& line = Line();
    const std::size_t start = Items().ItemOffset(2) + Items().Item(2).size() + 1;
    text = start < line.size() ? line.substr(start) : std::string();
    if (static_cast<std::size_t>(length) != text.size())
        throw std::runtime_error(FormatText("String supplied for Insert command %s doesn't match specified "
                                            "length.Specified length: %d actual length: %d",
                                            line, length, text.size()));
}

std::string InsertCmd::Evaluate(char, char, const TsScannerData&) const { return text; }

}  // namespace TsScanner
