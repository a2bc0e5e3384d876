// Internal: numbers as text under the fixed en-US rules of the variant
// conversions, and the rounding they share.
#pragma once

#include "platform/Types.h"

#include <cstdint>
#include <string>
#include <string_view>

// Wide enough for every integer target (64 bits signed or unsigned) plus the
// headroom that range checks need.
using WideInt = __int128;

// A number read from text: digits × 10^exponent, or for "&H"/"&O" literals
// a bit pattern.
struct TextNumber {
    bool negative = false;
    std::string digits;    // decimal digits without leading or trailing zeros; empty for zero
    int64_t exponent = 0;
    bool isBitPattern = false;
    uint64_t bits = 0;
};

// Blanks around the text, a sign in front or behind (or parentheses for a
// negative number), a leading '$', ',' between the digits of the integer
// part, a '.' and an exponent are accepted, as are "&H" hexadecimal and "&O"
// octal literals. DISP_E_TYPEMISMATCH for anything else, DISP_E_OVERFLOW for
// a literal beyond 64 bits.
HRESULT ParseNumberText(std::u16string_view text, TextNumber& number);

// The value × 10^scale rounded half to even; false when it is too large for
// any integer target (the caller reports an overflow).
bool RoundTextNumber(const TextNumber& number, int scale, WideInt& result);

// The nearest double; DISP_E_OVERFLOW when the magnitude is beyond doubles
// (values too small for a double become 0).
HRESULT TextNumberToDouble(const TextNumber& number, double& result);

// Rounds half to even: 0.5 → 0, 1.5 → 2, 2.5 → 2, -1.5 → -2.
double RoundHalfEven(double value);

// Reals the way this platform prints them: at most `significantDigits`
// significant digits, no trailing zeros, an exponent ("1E+20", "1E-05") when
// the decimal exponent is below -4 or not below the digit count.
std::u16string FormatReal(double value, int significantDigits);
std::u16string FormatSigned(int64_t value);
std::u16string FormatUnsigned(uint64_t value);
// A currency amount (value scaled by 10000): up to four decimals, no trailing zeros.
std::u16string FormatCurrency(int64_t scaled);

// True when `text`, blanks around it ignored, equals `word` ignoring ASCII case.
bool EqualsWordNoCase(std::u16string_view text, std::string_view word);
