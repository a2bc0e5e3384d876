#include "platform/VariantNumber.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {
// Exponents beyond this already make every target overflow or vanish; the
// cap keeps the arithmetic on them from overflowing.
constexpr int64_t kExponentCap = 100000;
// More integer digits than this overflow every target (2^64 has 20 digits).
constexpr int64_t kMaxIntegerDigits = 36;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

std::u16string_view Trim(std::u16string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

int DigitValue(char16_t c, int base)
{
    int d = -1;
    if (c >= u'0' && c <= u'9')
        d = c - u'0';
    else if (c >= u'a' && c <= u'f')
        d = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
        d = c - u'A' + 10;
    return d < base ? d : -1;
}

// "&H1F", "&O17": the digits after the prefix, nothing else.
HRESULT ParseBitPattern(std::u16string_view text, TextNumber& number)
{
    if (text.size() < 3)
        return DISP_E_TYPEMISMATCH;
    int base;
    switch (text[1]) {
    case u'H':
    case u'h':
        base = 16;
        break;
    case u'O':
    case u'o':
        base = 8;
        break;
    default:
        return DISP_E_TYPEMISMATCH;
    }
    uint64_t value = 0;
    bool overflow = false;
    for (char16_t c : text.substr(2)) {
        int d = DigitValue(c, base);
        if (d < 0)
            return DISP_E_TYPEMISMATCH;
        if (value > (UINT64_MAX - static_cast<uint64_t>(d)) / static_cast<uint64_t>(base))
            overflow = true;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
    }
    if (overflow)
        return DISP_E_OVERFLOW;
    number = TextNumber{};
    number.isBitPattern = true;
    number.bits = value;
    return S_OK;
}

std::u16string Widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }
} // namespace

HRESULT ParseNumberText(std::u16string_view text, TextNumber& number)
{
    text = Trim(text);
    if (text.empty())
        return DISP_E_TYPEMISMATCH;
    if (text.front() == u'&')
        return ParseBitPattern(text, number);

    bool negative = false;
    bool signed_ = false;
    if (text.size() >= 2 && text.front() == u'(' && text.back() == u')') {
        negative = signed_ = true;
        text = text.substr(1, text.size() - 2);
    }
    if (!signed_ && !text.empty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        signed_ = true;
        text.remove_prefix(1);
    }
    if (!text.empty() && text.front() == u'$')
        text.remove_prefix(1);
    if (!signed_ && !text.empty() && (text.back() == u'+' || text.back() == u'-')) {
        negative = text.back() == u'-';
        text.remove_suffix(1);
    }

    std::string digits;
    int64_t fractionDigits = 0;
    bool seenDigit = false;
    bool inFraction = false;
    size_t pos = 0;
    for (; pos < text.size(); ++pos) {
        char16_t c = text[pos];
        if (IsDigit(c)) {
            seenDigit = true;
            // Leading zeros carry no value; in the fraction they still count as places.
            if (!(digits.empty() && c == u'0'))
                digits.push_back(static_cast<char>(c));
            if (inFraction)
                ++fractionDigits;
        } else if (c == u',' && !inFraction && seenDigit) {
            continue;
        } else if (c == u'.' && !inFraction) {
            inFraction = true;
        } else {
            break;
        }
    }
    if (!seenDigit)
        return DISP_E_TYPEMISMATCH;

    int64_t exponent = 0;
    if (pos < text.size() && (text[pos] == u'e' || text[pos] == u'E')) {
        ++pos;
        bool negativeExponent = false;
        if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-'))
            negativeExponent = text[pos++] == u'-';
        if (pos == text.size() || !IsDigit(text[pos]))
            return DISP_E_TYPEMISMATCH;
        for (; pos < text.size() && IsDigit(text[pos]); ++pos)
            exponent = std::min(exponent * 10 + (text[pos] - u'0'), kExponentCap);
        if (negativeExponent)
            exponent = -exponent;
    }
    if (pos != text.size())
        return DISP_E_TYPEMISMATCH;

    // Only a leading zero run was dropped; remove the trailing one too.
    size_t last = digits.find_last_not_of('0');
    size_t trailingZeros = last == std::string::npos ? digits.size() : digits.size() - last - 1;
    digits.resize(digits.size() - trailingZeros);

    number = TextNumber{};
    number.negative = negative && !digits.empty();
    number.exponent = digits.empty() ? 0 : exponent - fractionDigits + static_cast<int64_t>(trailingZeros);
    number.digits = std::move(digits);
    return S_OK;
}

bool RoundTextNumber(const TextNumber& number, int scale, WideInt& result)
{
    result = 0;
    const std::string& digits = number.digits;
    if (digits.empty())
        return true;
    const int64_t count = static_cast<int64_t>(digits.size());
    const int64_t exponent = number.exponent + scale;
    const int64_t integerDigits = count + exponent;
    if (integerDigits > kMaxIntegerDigits)
        return false;

    WideInt value = 0;
    for (int64_t i = 0; i < std::min(integerDigits, count); ++i)
        value = value * 10 + (digits[static_cast<size_t>(i)] - '0');
    for (int64_t i = count; i < integerDigits; ++i)
        value *= 10;

    // The first dropped digit decides; the digits carry no trailing zeros, so
    // any digit after it means "more than half".
    if (integerDigits >= 0 && integerDigits < count) {
        char first = digits[static_cast<size_t>(integerDigits)];
        bool more = integerDigits + 1 < count;
        if (first > '5' || (first == '5' && (more || (value & 1) != 0)))
            ++value;
    }
    result = number.negative ? -value : value;
    return true;
}

HRESULT TextNumberToDouble(const TextNumber& number, double& result)
{
    result = 0;
    if (number.isBitPattern) {
        result = static_cast<double>(number.bits);
        return S_OK;
    }
    if (number.digits.empty())
        return S_OK;
    std::string text = number.digits + 'e' + std::to_string(number.exponent);
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Too large overflows; too small is zero.
        if (static_cast<int64_t>(number.digits.size()) + number.exponent > 0)
            return DISP_E_OVERFLOW;
        value = 0;
    } else if (error != std::errc() || end != text.data() + text.size()) {
        return DISP_E_TYPEMISMATCH;
    }
    result = number.negative ? -value : value;
    return S_OK;
}

double RoundHalfEven(double value)
{
    double floor = std::floor(value);
    double fraction = value - floor; // exact for every finite double
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0))
        floor += 1;
    return floor;
}

std::u16string FormatReal(double value, int significantDigits)
{
    if (std::isnan(value))
        return u"NaN";
    if (std::isinf(value))
        return value < 0 ? u"-Infinity" : u"Infinity";
    if (value == 0)
        return u"0"; // also for -0
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general,
                                      significantDigits);
    if (error != std::errc())
        return u"0";
    std::string text(buffer, end);
    std::replace(text.begin(), text.end(), 'e', 'E');
    return Widen(text);
}

std::u16string FormatSigned(int64_t value)
{
    char buffer[24];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return Widen(std::string_view(buffer, static_cast<size_t>(end - buffer)));
}

std::u16string FormatUnsigned(uint64_t value)
{
    char buffer[24];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return Widen(std::string_view(buffer, static_cast<size_t>(end - buffer)));
}

std::u16string FormatCurrency(int64_t scaled)
{
    const bool negative = scaled < 0;
    // Magnitude in unsigned arithmetic: the most negative amount has no positive twin.
    uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
    std::u16string text = negative ? u"-" : u"";
    text += FormatUnsigned(magnitude / 10000);
    uint64_t fraction = magnitude % 10000;
    if (fraction != 0) {
        std::u16string places = FormatUnsigned(fraction + 10000).substr(1); // four places with leading zeros
        places.erase(places.find_last_not_of(u'0') + 1);
        text += u'.';
        text += places;
    }
    return text;
}

bool EqualsWordNoCase(std::u16string_view text, std::string_view word)
{
    text = Trim(text);
    if (text.size() != word.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i) {
        char16_t c = text[i];
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        char w = word[i];
        if (w >= 'A' && w <= 'Z')
            w = static_cast<char>(w - 'A' + 'a');
        if (c != static_cast<char16_t>(w))
            return false;
    }
    return true;
}
