#include "scanner/core/Text.h"

#include <limits>
#include <stdexcept>

namespace TsScanner {
namespace Detail {

std::string ArgText(std::string_view text) { return std::string(text); }
std::string ArgText(char character) { return std::string(1, character); }
std::string ArgText(long long number) { return std::to_string(number); }
std::string ArgText(unsigned long long number) { return std::to_string(number); }

std::string Substitute(std::string_view format, const std::vector<std::string>& args)
{
    std::string out;
    out.reserve(format.size() + 32);
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%' || i + 1 == format.size()) {
            out += c;
            continue;
        }
        if (format[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        // Skip length modifiers (l, z) up to the conversion letter.
        std::size_t j = i + 1;
        while (j < format.size() && (format[j] == 'l' || format[j] == 'z'))
            ++j;
        if (j < format.size() && next < args.size())
            out += args[next++];
        i = j;
    }
    return out;
}

}  // namespace Detail

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ToUpperAscii(a[i]) != ToUpperAscii(b[i]))
            return false;
    return true;
}

int CompareNoCase(std::string_view a, std::string_view b)
{
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (a[i] == b[i])
            continue;
        auto x = static_cast<unsigned char>(ToUpperAscii(a[i]));
        auto y = static_cast<unsigned char>(ToUpperAscii(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int32_t LeadingNumber(std::string_view item)
{
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    int64_t value = 0;
    for (char c : item) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value > kMax)
            value = kMax;
    }
    return static_cast<int32_t>(value);
}

namespace {
void CheckRoom(const std::string& out, std::size_t more)
{
    if (more > kMaxTextLength || out.size() > kMaxTextLength - more)
        throw std::runtime_error(FormatText("Result text exceeds the limit of %zu characters", kMaxTextLength));
}
}  // namespace

void AppendBounded(std::string& out, std::string_view piece)
{
    CheckRoom(out, piece.size());
    out.append(piece);
}

void AppendRepeated(std::string& out, std::size_t count, char character)
{
    CheckRoom(out, count);
    out.append(count, character);
}

}  // namespace TsScanner
