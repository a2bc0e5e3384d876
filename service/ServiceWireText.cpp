#include "service/ServiceWireText.h"

#include "platform/CodePage.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace Tessaly {

namespace {

constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";

std::string Lower(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// The encoding named by an XML declaration at the very start of the text,
// lower-cased, or empty text when there is none.
std::string DeclaredEncoding(std::string_view text)
{
    if (text.substr(0, 5) != "<?xml")
        return {};
    const auto end = text.find("?>");
    if (end == std::string_view::npos)
        return {};
    const std::string_view declaration = text.substr(0, end);
    const auto name = declaration.find("encoding");
    if (name == std::string_view::npos)
        return {};
    auto pos = name + 8;
    while (pos < declaration.size() && (declaration[pos] == ' ' || declaration[pos] == '=' ||
                                        declaration[pos] == '\t' || declaration[pos] == '\r' ||
                                        declaration[pos] == '\n'))
        ++pos;
    if (pos >= declaration.size() || (declaration[pos] != '"' && declaration[pos] != '\''))
        return {};
    const char quote = declaration[pos];
    const auto close = declaration.find(quote, pos + 1);
    if (close == std::string_view::npos)
        return {};
    return Lower(declaration.substr(pos + 1, close - pos - 1));
}

bool IsSingleByteLatin(const std::string& encoding)
{
    static constexpr std::array<std::string_view, 10> names = {
        "iso-8859-1", "iso8859-1", "latin1", "latin-1", "l1",
        "windows-1252", "cp1252", "us-ascii", "ascii", "iso_8859-1"};
    return std::find(names.begin(), names.end(), encoding) != names.end();
}

} // namespace

std::string BodyToWire(std::string_view ansiBody)
{
    return AnsiToUtf8(ansiBody);
}

bool IsWellFormedUtf8(std::string_view bytes)
{
    size_t i = 0;
    const size_t n = bytes.size();
    while (i < n) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        size_t length;
        char32_t code;
        char32_t minimum;
        if ((lead & 0xE0) == 0xC0) {
            length = 2, code = lead & 0x1F, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, code = lead & 0x0F, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, code = lead & 0x07, minimum = 0x10000;
        } else {
            return false;
        }
        if (n - i < length)
            return false;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

std::string ReplyFromWire(std::string_view replyBytes)
{
    if (replyBytes.substr(0, Utf8ByteOrderMark.size()) == Utf8ByteOrderMark)
        return Utf8ToAnsi(replyBytes.substr(Utf8ByteOrderMark.size()));
    if (IsSingleByteLatin(DeclaredEncoding(replyBytes)) || !IsWellFormedUtf8(replyBytes))
        return std::string(replyBytes);
    return Utf8ToAnsi(replyBytes);
}

} // namespace Tessaly
