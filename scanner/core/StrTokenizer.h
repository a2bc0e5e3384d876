// One line cut into items: maximal runs of characters that are not separators.
#pragma once

#include "scanner/core/Seps.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace TsScanner {

class StrTokenizer {
public:
    // A copy of the whole line, quoted in messages.
    const std::string& Text() const { return text_; }
    const Seps* Separators() const { return seps_; }
    const std::deque<std::string>& Items() const { return items_; }
    int32_t ItemCount() const { return static_cast<int32_t>(items_.size()); }

    // Item i, or an empty text past the last item.
    std::string_view Item(std::size_t i) const { return i < items_.size() ? std::string_view(items_[i]) : ""; }
    // Where item i starts in Text().
    std::size_t ItemOffset(std::size_t i) const { return offsets_.at(i); }

    // Typed readers of item i (which the caller has checked exists).
    int32_t Number(std::size_t i) const;       // leading digits, 0 without any
    bool Flag(std::size_t i) const;            // "Y" in any case
    char Orientation(std::size_t i) const;     // first character, case kept

    friend void Tokenize(StrTokenizer& tokens, std::string_view text, const Seps& seps);

private:
    std::string text_;
    const Seps* seps_ = nullptr;
    std::deque<std::string> items_;
    std::deque<std::size_t> offsets_;
};

// Fills tokens from text; the separator set must outlive the tokenizer.
void Tokenize(StrTokenizer& tokens, std::string_view text, const Seps& seps);

}  // namespace TsScanner
