// VBScript's rules for plain values held in VARIANTs: the operators with
// their type promotion, and the conversions to text, numbers and booleans.
// Objects are resolved to their default value before they get here.
#pragma once

#include "host/script/Operators.h"
#include "platform/Variant.h"

#include <string>
#include <string_view>

namespace script {

Variant MakeEmpty();
Variant MakeNull();
Variant MakeInteger(int16_t value); // VBScript Integer (VT_I2)
Variant MakeLong(LONG value);
Variant MakeDouble(double value);   // Overflow error when not finite
Variant MakeBool(bool value);
Variant MakeString(std::u16string_view text);

bool IsObjectValue(const VARIANT& value); // VT_DISPATCH or VT_UNKNOWN, Nothing included

// Every binary operator but `Is` (which compares object identities).
Variant ApplyBinary(BinaryOp op, const VARIANT& left, const VARIANT& right);
Variant ApplyUnary(UnaryOp op, const VARIANT& operand);

// CStr: Empty is "", booleans True/False, numbers as VBScript prints them;
// Null is an error (Invalid use of Null).
std::u16string ToText(const VARIANT& value);
// As WScript.Echo shows a value: like ToText, but Null shows as "Null".
std::u16string ToDisplayText(const VARIANT& value);
double ToDouble(const VARIANT& value);
// Rounded half to even, Overflow outside the 32-bit range.
LONG ToLong(const VARIANT& value);
bool ToBool(const VARIANT& value);

// A double as VBScript prints it: up to `digits` significant digits,
// exponent form below 1E-4 and from 1E15 ("1E+20", "1.5E-07").
std::u16string FormatDouble(double value, int digits = 15);

// VBScript's name of a value's type ("Integer", "String", "Object", ...).
std::u16string TypeNameOf(const VARIANT& value);

} // namespace script
