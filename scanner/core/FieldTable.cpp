#include "scanner/core/FieldTable.h"

#include "scanner/core/Seps.h"
#include "scanner/core/Text.h"

#include <algorithm>
#include <limits>

namespace TsScanner {

bool NoCaseLess::operator()(std::string_view a, std::string_view b) const { return CompareNoCase(a, b) < 0; }

std::vector<FieldTable::Piece> FieldTable::Pieces(std::string_view text)
{
    static const PszSeps ampersand("&");
    std::vector<Piece> pieces;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && ampersand.IsSeparator(text[i]))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && !ampersand.IsSeparator(text[i]))
            ++i;
        const std::string_view piece = text.substr(start, i - start);
        const std::size_t equals = piece.rfind('=');
        if (!piece.empty() && equals != std::string_view::npos)
            pieces.emplace_back(piece.substr(0, equals), piece.substr(equals + 1));
    }
    return pieces;
}

void FieldTable::Apply(std::string_view resultText)
{
    // Everything that can throw (allocation) happens before the table is
    // touched; the commit only swaps strings and relinks map nodes.
    const std::vector<Piece> pieces = Pieces(resultText);
    std::vector<std::pair<std::string*, std::string>> updates;
    updates.reserve(pieces.size());
    Map added;
    for (const auto& [key, value] : pieces) {
        if (auto it = fields_.find(key); it != fields_.end()) {
            updates.emplace_back(&it->second, std::string(value));
        } else if (auto [at, inserted] = added.try_emplace(std::string(key), value); !inserted) {
            at->second.assign(value);
        }
    }
    for (auto& [target, value] : updates)
        target->swap(value);
    fields_.merge(added);
}

const std::string* FieldTable::Find(std::string_view key) const
{
    auto it = fields_.find(key);
    return it == fields_.end() ? nullptr : &it->second;
}

std::string FieldTable::Get(std::string_view key) const
{
    const std::string* value = Find(key);
    return value ? *value : std::string();
}

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool IsBlankValue(std::string_view value)
{
    return std::all_of(value.begin(), value.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

// The decimal number at the start of text the way the C library reads one:
// leading white space and a sign accepted, stopping at the first non-digit,
// 0 without digits; saturating instead of overflowing.
int64_t LeadingInteger(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    constexpr int64_t kLimit = int64_t{1} << 40;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(kLimit, value * 10 + (text[i] - '0'));
    return negative ? -value : value;
}

}  // namespace

int32_t FieldTable::LastCompletedAnswer() const
{
    int64_t last = 0;
    for (const auto& [key, value] : fields_) {
        if (key.empty() || (key[0] != 'a' && key[0] != 'A') || IsBlankValue(value))
            continue;
        last = std::max(last, LeadingInteger(std::string_view(key).substr(1)));
    }
    return static_cast<int32_t>(std::min<int64_t>(last, std::numeric_limits<int32_t>::max()));
}

}  // namespace TsScanner
