// Windows-1252 and UTF-8 to and from UTF-16. Each direction is one template
// over an output sink, run once to count and once to write.
#include "platform/CodePage.h"

#include <climits>

namespace {
constexpr char16_t kReplacement = u'\uFFFD';

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves
// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 controls of the
// same number, both ways; every other byte is its own Latin-1 code point.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t Ansi1252ToUnit(unsigned char byte)
{
    return byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : static_cast<char16_t>(byte);
}

// The byte for a code point, or -1 when Windows-1252 cannot hold it.
int UnitToAnsi1252(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<int>(c);
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] == c)
            return 0x80 + i;
    return -1;
}

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Calls `emit` for each code point; a lone surrogate comes out as itself
// (0xD800..0xDFFF) for the encoder to replace.
template <typename Emit>
void ForEachCodePoint(std::u16string_view text, Emit&& emit)
{
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t u = text[i];
        if (IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            emit(0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else {
            emit(static_cast<char32_t>(u));
        }
    }
}

template <typename Sink>
void Decode1252(std::string_view text, Sink&& put)
{
    for (char c : text)
        put(Ansi1252ToUnit(static_cast<unsigned char>(c)));
}

// One default character per code point that does not fit: a surrogate pair
// is one character. Returns whether the default was used.
template <typename Sink>
bool Encode1252(std::u16string_view text, char defaultChar, Sink&& put)
{
    bool usedDefault = false;
    ForEachCodePoint(text, [&](char32_t c) {
        int byte = UnitToAnsi1252(c);
        if (byte < 0) {
            usedDefault = true;
            put(defaultChar);
        } else {
            put(static_cast<char>(byte));
        }
    });
    return usedDefault;
}

// Well-formed UTF-8 by the Unicode standard's table; every maximal ill-formed
// subsequence becomes one U+FFFD.
template <typename Sink>
void DecodeUtf8(std::string_view text, Sink&& put)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        unsigned char b = p[i];
        if (b < 0x80) {
            put(static_cast<char16_t>(b));
            ++i;
            continue;
        }
        int trailing;
        char32_t c;
        unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            trailing = 1;
            c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            trailing = 2;
            c = b & 0x0F;
            if (b == 0xE0)
                low = 0xA0; // no overlong forms
            else if (b == 0xED)
                high = 0x9F; // no surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            trailing = 3;
            c = b & 0x07;
            if (b == 0xF0)
                low = 0x90;
            else if (b == 0xF4)
                high = 0x8F; // nothing above U+10FFFF
        } else {
            put(kReplacement);
            ++i;
            continue;
        }
        size_t j = i + 1;
        bool complete = true;
        for (int k = 0; k < trailing; ++k, ++j) {
            unsigned char lo = k == 0 ? low : 0x80, hi = k == 0 ? high : 0xBF;
            if (j >= n || p[j] < lo || p[j] > hi) {
                complete = false;
                break;
            }
            c = (c << 6) | (p[j] & 0x3F);
        }
        if (!complete) {
            put(kReplacement);
            i = j; // resume at the byte that broke the sequence
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            put(static_cast<char16_t>(0xD800 + (c >> 10)));
            put(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            put(static_cast<char16_t>(c));
        }
        i = j;
    }
}

template <typename Sink>
void EncodeUtf8(std::u16string_view text, Sink&& put)
{
    ForEachCodePoint(text, [&](char32_t c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            c = kReplacement;
        if (c < 0x80) {
            put(static_cast<char>(c));
        } else if (c < 0x800) {
            put(static_cast<char>(0xC0 | (c >> 6)));
            put(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            put(static_cast<char>(0xE0 | (c >> 12)));
            put(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            put(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            put(static_cast<char>(0xF0 | (c >> 18)));
            put(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            put(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            put(static_cast<char>(0x80 | (c & 0x3F)));
        }
    });
}

enum class Encoding { Ansi1252, Utf8, Unknown };

Encoding EncodingOf(UINT codePage)
{
    switch (codePage) {
    case CP_ACP:
    case CP_1252:
        return Encoding::Ansi1252;
    case CP_UTF8:
        return Encoding::Utf8;
    default:
        return Encoding::Unknown;
    }
}

// Counts first; writes only when everything fits, so a short buffer is never
// written past and a failed call leaves no half result behind.
template <typename Unit, typename Run>
int CountThenWrite(Unit* target, int capacity, Run&& run)
{
    size_t needed = 0;
    run([&](Unit) { ++needed; });
    if (needed > static_cast<size_t>(INT_MAX))
        return 0;
    if (capacity == 0)
        return static_cast<int>(needed);
    if (needed > static_cast<size_t>(capacity))
        return 0;
    size_t written = 0;
    run([&](Unit u) { target[written++] = u; });
    return static_cast<int>(needed);
}

template <typename Unit>
bool ResolveLength(const Unit* source, int& sourceLength)
{
    if (!source || sourceLength == 0)
        return false;
    if (sourceLength < 0) {
        size_t n = 0;
        while (source[n])
            ++n;
        if (n >= static_cast<size_t>(INT_MAX))
            return false;
        sourceLength = static_cast<int>(n) + 1; // the terminator is converted too
    }
    return true;
}
} // namespace

int MultiByteToWideChar(UINT codePage, DWORD, const char* source, int sourceLength, OLECHAR* target, int capacity)
{
    Encoding encoding = EncodingOf(codePage);
    if (encoding == Encoding::Unknown || capacity < 0 || (capacity > 0 && !target) ||
        !ResolveLength(source, sourceLength))
        return 0;
    std::string_view text(source, static_cast<size_t>(sourceLength));
    return CountThenWrite<OLECHAR>(target, capacity, [&](auto&& put) {
        if (encoding == Encoding::Utf8)
            DecodeUtf8(text, put);
        else
            Decode1252(text, put);
    });
}

int WideCharToMultiByte(UINT codePage, DWORD, const OLECHAR* source, int sourceLength, char* target, int capacity,
                        const char* defaultChar, BOOL* usedDefaultChar)
{
    Encoding encoding = EncodingOf(codePage);
    if (encoding == Encoding::Unknown || capacity < 0 || (capacity > 0 && !target) ||
        !ResolveLength(source, sourceLength))
        return 0;
    // UTF-8 holds every character: a default character makes no sense there.
    if (encoding == Encoding::Utf8 && (defaultChar || usedDefaultChar))
        return 0;
    std::u16string_view text(source, static_cast<size_t>(sourceLength));
    const char replacement = defaultChar ? *defaultChar : '?';
    bool usedDefault = false;
    int result = CountThenWrite<char>(target, capacity, [&](auto&& put) {
        if (encoding == Encoding::Utf8)
            EncodeUtf8(text, put);
        else
            usedDefault = Encode1252(text, replacement, put);
    });
    if (usedDefaultChar)
        *usedDefaultChar = usedDefault ? 1 : 0;
    return result;
}

std::u16string AnsiToWide(std::string_view text)
{
    std::u16string result;
    result.reserve(text.size());
    Decode1252(text, [&](char16_t u) { result.push_back(u); });
    return result;
}

std::string WideToAnsi(std::u16string_view text)
{
    std::string result;
    result.reserve(text.size());
    Encode1252(text, '?', [&](char c) { result.push_back(c); });
    return result;
}

std::u16string Utf8ToWide(std::string_view text)
{
    std::u16string result;
    result.reserve(text.size());
    DecodeUtf8(text, [&](char16_t u) { result.push_back(u); });
    return result;
}

std::string WideToUtf8(std::u16string_view text)
{
    std::string result;
    result.reserve(text.size());
    EncodeUtf8(text, [&](char c) { result.push_back(c); });
    return result;
}

std::string AnsiToUtf8(std::string_view text) { return WideToUtf8(AnsiToWide(text)); }

std::string Utf8ToAnsi(std::string_view text) { return WideToAnsi(Utf8ToWide(text)); }
