#include "scanner/core/StrTokenizer.h"

#include "scanner/core/Text.h"

namespace TsScanner {

void Tokenize(StrTokenizer& tokens, std::string_view text, const Seps& seps)
{
    tokens.text_.assign(text);
    tokens.seps_ = &seps;
    tokens.items_.clear();
    tokens.offsets_.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && seps.IsSeparator(text[i]))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && !seps.IsSeparator(text[i]))
            ++i;
        if (i > start) {
            tokens.items_.emplace_back(text.substr(start, i - start));
            tokens.offsets_.push_back(start);
        }
    }
}

int32_t StrTokenizer::Number(std::size_t i) const { return LeadingNumber(Item(i)); }

bool StrTokenizer::Flag(std::size_t i) const { return EqualsNoCase(Item(i), "Y"); }

char StrTokenizer::Orientation(std::size_t i) const
{
    std::string_view item = Item(i);
    return item.empty() ? '\0' : item.front();
}

}  // namespace TsScanner
