#include "host/script/SourceText.h"

#include "platform/CodePage.h"

namespace script {

namespace {

bool IsValidUtf8(std::string_view bytes)
{
    size_t i = 0;
    while (i < bytes.size()) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        size_t extra;
        uint32_t min;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if ((c & 0xE0) == 0xC0) {
            extra = 1;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            min = 0x10000;
        } else {
            return false;
        }
        if (i + extra >= bytes.size())
            return false;
        uint32_t code = c & (0x3F >> extra);
        for (size_t k = 1; k <= extra; ++k) {
            unsigned char follow = static_cast<unsigned char>(bytes[i + k]);
            if ((follow & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (follow & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian)
{
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        auto lo = static_cast<unsigned char>(bytes[i + (bigEndian ? 1 : 0)]);
        auto hi = static_cast<unsigned char>(bytes[i + (bigEndian ? 0 : 1)]);
        text += static_cast<char16_t>(lo | (hi << 8));
    }
    return text;
}

} // namespace

std::u16string DecodeScriptText(std::string_view bytes)
{
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        return Utf8ToWide(bytes.substr(3));
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE")
        return DecodeUtf16(bytes.substr(2), false);
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF")
        return DecodeUtf16(bytes.substr(2), true);
    if (IsValidUtf8(bytes))
        return Utf8ToWide(bytes);
    return AnsiToWide(bytes);
}

} // namespace script
