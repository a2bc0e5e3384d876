#include "host/script/Values.h"

#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"
#include "platform/Interfaces.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace script {

Variant MakeEmpty() { return Variant(); }

Variant MakeNull() { return Variant::Null(); }

Variant MakeInteger(int16_t value)
{
    Variant v;
    v.vt = VT_I2;
    v.iVal = value;
    return v;
}

Variant MakeLong(LONG value) { return Variant::FromLong(value); }

Variant MakeDouble(double value)
{
    if (!std::isfinite(value))
        throw ScriptError::Engine(EngineError::Overflow);
    return Variant::FromDouble(value);
}

Variant MakeBool(bool value) { return Variant::FromBool(value); }

Variant MakeString(std::u16string_view text) { return Variant::FromString(text); }

bool IsObjectValue(const VARIANT& value) { return value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN; }

namespace {

// VBScript's numeric subtypes as far as promotion goes: Integer (16 bits,
// also Boolean and Byte), Long (32 bits), Double (everything else).
enum class NumberClass { Integer, Long, Double };

struct Number {
    NumberClass cls;
    int64_t integer; // when cls is not Double
    double real;     // when cls is Double

    double AsDouble() const { return cls == NumberClass::Double ? real : static_cast<double>(integer); }
};

Number IntegerNumber(NumberClass cls, int64_t value) { return {cls, value, 0}; }
Number RealNumber(double value) { return {NumberClass::Double, 0, value}; }

[[noreturn]] void TypeMismatch() { throw ScriptError::Engine(EngineError::TypeMismatch); }
[[noreturn]] void InvalidUseOfNull() { throw ScriptError::Engine(EngineError::InvalidUseOfNull); }

bool IsString(const VARIANT& v) { return v.vt == VT_BSTR; }

std::u16string_view StringOf(const VARIANT& v)
{
    return v.bstrVal ? std::u16string_view(v.bstrVal, SysStringLen(v.bstrVal)) : std::u16string_view();
}

Number Integral(int64_t value)
{
    if (value >= std::numeric_limits<LONG>::min() && value <= std::numeric_limits<LONG>::max())
        return IntegerNumber(NumberClass::Long, value);
    return RealNumber(static_cast<double>(value));
}

// "&H1F" and "&O17" texts, which VBScript reads as numbers too.
bool ParseRadixText(std::u16string_view text, double& out)
{
    size_t start = 0;
    while (start < text.size() && (text[start] == u' ' || text[start] == u'\t'))
        ++start;
    size_t end = text.size();
    while (end > start && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
        --end;
    text = text.substr(start, end - start);
    if (text.size() < 3 || text[0] != u'&')
        return false;
    int radix = (text[1] == u'H' || text[1] == u'h') ? 16 : (text[1] == u'O' || text[1] == u'o') ? 8 : 0;
    if (radix == 0)
        return false;
    uint64_t value = 0;
    for (char16_t c : text.substr(2)) {
        int d = (c >= u'0' && c <= u'9') ? c - u'0'
              : (c >= u'a' && c <= u'f') ? c - u'a' + 10
              : (c >= u'A' && c <= u'F') ? c - u'A' + 10
                                         : 99;
        if (d >= radix)
            return false;
        value = value * static_cast<uint64_t>(radix) + static_cast<uint64_t>(d);
        if (value > 0xFFFFFFFFu)
            return false;
    }
    out = value <= 0xFFFF ? static_cast<int16_t>(static_cast<uint16_t>(value))
                          : static_cast<int32_t>(static_cast<uint32_t>(value));
    return true;
}

// A text read as a number under the platform's en-US rules.
bool TryParseNumber(const VARIANT& text, double& out)
{
    if (ParseRadixText(StringOf(text), out))
        return true;
    Variant converted;
    if (FAILED(VariantChangeTypeEx(&converted, &text, LOCALE_EN_US, 0, VT_R8)))
        return false;
    out = converted.dblVal;
    return std::isfinite(out);
}

double ConvertToDouble(const VARIANT& v)
{
    Variant converted;
    if (FAILED(VariantChangeTypeEx(&converted, &v, LOCALE_EN_US, 0, VT_R8)))
        TypeMismatch();
    return converted.dblVal;
}

// The number in a value; Null must have been handled by the caller.
Number ToNumber(const VARIANT& v)
{
    switch (v.vt) {
    case VT_EMPTY: return IntegerNumber(NumberClass::Integer, 0);
    case VT_BOOL: return IntegerNumber(NumberClass::Integer, v.boolVal ? -1 : 0);
    case VT_UI1: return IntegerNumber(NumberClass::Integer, v.bVal);
    case VT_I1: return IntegerNumber(NumberClass::Integer, v.cVal);
    case VT_I2: return IntegerNumber(NumberClass::Integer, v.iVal);
    case VT_UI2: return IntegerNumber(NumberClass::Long, v.uiVal);
    case VT_I4:
    case VT_INT: return IntegerNumber(NumberClass::Long, v.lVal);
    case VT_UI4:
    case VT_UINT: return Integral(v.ulVal);
    case VT_I8: return Integral(v.llVal);
    case VT_UI8:
        return v.ullVal <= static_cast<ULONGLONG>(std::numeric_limits<LONG>::max())
                   ? Integral(static_cast<int64_t>(v.ullVal))
                   : RealNumber(static_cast<double>(v.ullVal));
    case VT_R4: return RealNumber(v.fltVal);
    case VT_R8: return RealNumber(v.dblVal);
    case VT_CY:
    case VT_DATE:
    case VT_DECIMAL: return RealNumber(ConvertToDouble(v));
    case VT_BSTR: {
        double parsed = 0;
        if (!TryParseNumber(v, parsed))
            TypeMismatch();
        return RealNumber(parsed);
    }
    default: TypeMismatch();
    }
}

// A number as a VARIANT of its class, widened when it does not fit.
Variant FromNumber(const Number& n)
{
    if (n.cls == NumberClass::Double)
        return MakeDouble(n.real);
    if (n.cls == NumberClass::Integer && n.integer >= -32768 && n.integer <= 32767)
        return MakeInteger(static_cast<int16_t>(n.integer));
    if (n.integer >= std::numeric_limits<LONG>::min() && n.integer <= std::numeric_limits<LONG>::max())
        return MakeLong(static_cast<LONG>(n.integer));
    return MakeDouble(static_cast<double>(n.integer));
}

NumberClass Wider(NumberClass a, NumberClass b) { return a > b ? a : b; }

// Rounds half to even into a 32-bit integer (VBScript's CLng).
int64_t RoundToLong(double value)
{
    double rounded = std::nearbyint(value);
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))
        throw ScriptError::Engine(EngineError::Overflow);
    return static_cast<int64_t>(rounded);
}

// An operand of \, Mod and the logical operators: an integer and its class.
Number ToIntegerOperand(const VARIANT& v)
{
    Number n = ToNumber(v);
    if (n.cls == NumberClass::Double)
        return IntegerNumber(NumberClass::Long, RoundToLong(n.real));
    return n;
}

Variant Arithmetic(BinaryOp op, const VARIANT& left, const VARIANT& right)
{
    Number a = ToNumber(left);
    Number b = ToNumber(right);
    // Strings in arithmetic count as Double, even when they hold integers.
    if (IsString(left) || IsString(right) || a.cls == NumberClass::Double || b.cls == NumberClass::Double) {
        double x = a.AsDouble(), y = b.AsDouble();
        switch (op) {
        case BinaryOp::Add: return MakeDouble(x + y);
        case BinaryOp::Subtract: return MakeDouble(x - y);
        default: return MakeDouble(x * y);
        }
    }
    NumberClass cls = Wider(a.cls, b.cls);
    switch (op) {
    case BinaryOp::Add: return FromNumber(IntegerNumber(cls, a.integer + b.integer));
    case BinaryOp::Subtract: return FromNumber(IntegerNumber(cls, a.integer - b.integer));
    default: return FromNumber(IntegerNumber(cls, a.integer * b.integer));
    }
}

Variant Divide(const VARIANT& left, const VARIANT& right)
{
    double x = ToNumber(left).AsDouble();
    double y = ToNumber(right).AsDouble();
    if (y == 0)
        throw ScriptError::Engine(x == 0 ? EngineError::Overflow : EngineError::DivisionByZero);
    return MakeDouble(x / y);
}

Variant IntegerDivision(BinaryOp op, const VARIANT& left, const VARIANT& right)
{
    Number a = ToIntegerOperand(left);
    Number b = ToIntegerOperand(right);
    if (b.integer == 0)
        throw ScriptError::Engine(EngineError::DivisionByZero);
    int64_t value = op == BinaryOp::IntegerDivide ? a.integer / b.integer : a.integer % b.integer;
    return FromNumber(IntegerNumber(Wider(a.cls, b.cls), value));
}

Variant Power(const VARIANT& left, const VARIANT& right)
{
    double value = std::pow(ToNumber(left).AsDouble(), ToNumber(right).AsDouble());
    if (std::isnan(value))
        throw ScriptError::Engine(EngineError::InvalidCall);
    return MakeDouble(value);
}

Variant Concatenate(const VARIANT& left, const VARIANT& right)
{
    if (left.vt == VT_NULL && right.vt == VT_NULL)
        return MakeNull();
    std::u16string text = left.vt == VT_NULL ? std::u16string() : ToText(left);
    text += right.vt == VT_NULL ? std::u16string() : ToText(right);
    return MakeString(text);
}

int Sign(double d) { return d < 0 ? -1 : d > 0 ? 1 : 0; }

int CompareNumbers(const Number& a, const Number& b)
{
    if (a.cls != NumberClass::Double && b.cls != NumberClass::Double)
        return a.integer < b.integer ? -1 : a.integer > b.integer ? 1 : 0;
    return Sign(a.AsDouble() - b.AsDouble());
}

// Strings compare by code unit. A string against a number compares as a
// number when it reads as one; otherwise the number is the smaller.
int Compare(const VARIANT& left, const VARIANT& right)
{
    bool leftText = IsString(left), rightText = IsString(right);
    if (leftText && rightText)
        return StringOf(left).compare(StringOf(right)) < 0 ? -1 : StringOf(left) == StringOf(right) ? 0 : 1;
    if (leftText || rightText) {
        const VARIANT& text = leftText ? left : right;
        const VARIANT& other = leftText ? right : left;
        int orientation = leftText ? 1 : -1; // result as seen from `left`
        if (other.vt == VT_EMPTY)
            return StringOf(text).empty() ? 0 : orientation;
        double parsed = 0;
        if (!TryParseNumber(text, parsed))
            return orientation;
        int c = CompareNumbers(RealNumber(parsed), ToNumber(other));
        return orientation * c;
    }
    return CompareNumbers(ToNumber(left), ToNumber(right));
}

Variant Comparison(BinaryOp op, const VARIANT& left, const VARIANT& right)
{
    int c = Compare(left, right);
    switch (op) {
    case BinaryOp::Equal: return MakeBool(c == 0);
    case BinaryOp::NotEqual: return MakeBool(c != 0);
    case BinaryOp::Less: return MakeBool(c < 0);
    case BinaryOp::Greater: return MakeBool(c > 0);
    case BinaryOp::LessEqual: return MakeBool(c <= 0);
    default: return MakeBool(c >= 0);
    }
}

int64_t LogicalBits(BinaryOp op, int64_t a, int64_t b)
{
    switch (op) {
    case BinaryOp::And: return a & b;
    case BinaryOp::Or: return a | b;
    case BinaryOp::Xor: return a ^ b;
    case BinaryOp::Eqv: return ~(a ^ b);
    default: return ~a | b; // Imp
    }
}

bool IsZero(const VARIANT& v)
{
    Number n = ToIntegerOperand(v);
    return n.integer == 0;
}

Variant Logical(BinaryOp op, const VARIANT& left, const VARIANT& right)
{
    if (left.vt == VT_NULL || right.vt == VT_NULL) {
        const VARIANT& other = left.vt == VT_NULL ? right : left;
        if (other.vt == VT_NULL)
            return MakeNull();
        // Null And False is False; Null Or True is True; the rest stay unknown.
        if (op == BinaryOp::And && IsZero(other))
            return other.vt == VT_BOOL ? MakeBool(false) : FromNumber(IntegerNumber(ToIntegerOperand(other).cls, 0));
        if (op == BinaryOp::Or && other.vt == VT_BOOL && other.boolVal)
            return MakeBool(true);
        return MakeNull();
    }
    Number a = ToIntegerOperand(left);
    Number b = ToIntegerOperand(right);
    int64_t bits = static_cast<int32_t>(LogicalBits(op, a.integer, b.integer));
    if (left.vt == VT_BOOL && right.vt == VT_BOOL)
        return MakeBool(bits != 0);
    NumberClass cls = Wider(a.cls, b.cls);
    if (cls == NumberClass::Integer)
        bits = static_cast<int16_t>(bits);
    return FromNumber(IntegerNumber(cls, bits));
}

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

} // namespace

Variant ApplyBinary(BinaryOp op, const VARIANT& left, const VARIANT& right)
{
    if (IsObjectValue(left) || IsObjectValue(right))
        TypeMismatch();
    switch (op) {
    case BinaryOp::Concatenate: return Concatenate(left, right);
    case BinaryOp::And:
    case BinaryOp::Or:
    case BinaryOp::Xor:
    case BinaryOp::Eqv:
    case BinaryOp::Imp: return Logical(op, left, right);
    case BinaryOp::Is: TypeMismatch();
    default: break;
    }
    if (left.vt == VT_NULL || right.vt == VT_NULL)
        return MakeNull();
    switch (op) {
    case BinaryOp::Add:
        if (IsString(left) && (IsString(right) || right.vt == VT_EMPTY))
            return MakeString(std::u16string(StringOf(left)) + std::u16string(StringOf(right)));
        if (left.vt == VT_EMPTY && IsString(right))
            return MakeString(StringOf(right));
        return Arithmetic(op, left, right);
    case BinaryOp::Subtract:
    case BinaryOp::Multiply: return Arithmetic(op, left, right);
    case BinaryOp::Divide: return Divide(left, right);
    case BinaryOp::IntegerDivide:
    case BinaryOp::Modulo: return IntegerDivision(op, left, right);
    case BinaryOp::Power: return Power(left, right);
    default: return Comparison(op, left, right);
    }
}

Variant ApplyUnary(UnaryOp op, const VARIANT& operand)
{
    if (IsObjectValue(operand))
        TypeMismatch();
    if (operand.vt == VT_NULL)
        return MakeNull();
    switch (op) {
    case UnaryOp::Identity: return Variant(operand);
    case UnaryOp::Negate: {
        Number n = ToNumber(operand);
        if (n.cls == NumberClass::Double || IsString(operand))
            return MakeDouble(-n.AsDouble());
        return FromNumber(IntegerNumber(n.cls, -n.integer));
    }
    case UnaryOp::Not: {
        if (operand.vt == VT_BOOL)
            return MakeBool(!operand.boolVal);
        Number n = ToIntegerOperand(operand);
        int64_t bits = ~n.integer;
        return FromNumber(IntegerNumber(n.cls, bits));
    }
    }
    TypeMismatch();
}

std::u16string FormatDouble(double value, int digits)
{
    if (value == 0)
        return u"0";
    if (std::isnan(value))
        return u"NaN";
    if (std::isinf(value))
        return value > 0 ? u"Infinity" : u"-Infinity";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*G", digits, value);
    return Ascii(buffer);
}

std::u16string ToText(const VARIANT& value)
{
    switch (value.vt) {
    case VT_EMPTY: return {};
    case VT_NULL: InvalidUseOfNull();
    case VT_BOOL: return value.boolVal ? u"True" : u"False";
    case VT_BSTR: return std::u16string(StringOf(value));
    case VT_R4: return FormatDouble(value.fltVal, 7);
    case VT_R8: return FormatDouble(value.dblVal, 15);
    case VT_UI1:
    case VT_I1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_INT:
    case VT_UI4:
    case VT_UINT:
    case VT_I8: return Ascii(std::to_string(ToNumber(value).integer));
    case VT_UI8: return Ascii(std::to_string(value.ullVal));
    case VT_CY:
    case VT_DATE:
    case VT_DECIMAL: {
        Variant text;
        if (FAILED(VariantChangeTypeEx(&text, &value, LOCALE_EN_US, VARIANT_ALPHABOOL, VT_BSTR)))
            TypeMismatch();
        return std::u16string(StringOf(text));
    }
    default: TypeMismatch();
    }
}

std::u16string ToDisplayText(const VARIANT& value)
{
    if (value.vt == VT_NULL)
        return u"Null";
    return ToText(value);
}

double ToDouble(const VARIANT& value)
{
    if (value.vt == VT_NULL)
        InvalidUseOfNull();
    return ToNumber(value).AsDouble();
}

LONG ToLong(const VARIANT& value)
{
    if (value.vt == VT_NULL)
        InvalidUseOfNull();
    Number n = ToNumber(value);
    int64_t integer = n.cls == NumberClass::Double ? RoundToLong(n.real) : n.integer;
    if (integer < std::numeric_limits<LONG>::min() || integer > std::numeric_limits<LONG>::max())
        throw ScriptError::Engine(EngineError::Overflow);
    return static_cast<LONG>(integer);
}

bool ToBool(const VARIANT& value)
{
    switch (value.vt) {
    case VT_NULL: InvalidUseOfNull();
    case VT_BOOL: return value.boolVal != 0;
    case VT_BSTR:
        if (EqualsNoCase(StringOf(value), u"true"))
            return true;
        if (EqualsNoCase(StringOf(value), u"false"))
            return false;
        return ToNumber(value).AsDouble() != 0;
    default: return ToNumber(value).AsDouble() != 0;
    }
}

std::u16string TypeNameOf(const VARIANT& value)
{
    switch (value.vt) {
    case VT_EMPTY: return u"Empty";
    case VT_NULL: return u"Null";
    case VT_I2: return u"Integer";
    case VT_I4:
    case VT_INT: return u"Long";
    case VT_R4: return u"Single";
    case VT_R8: return u"Double";
    case VT_CY: return u"Currency";
    case VT_DATE: return u"Date";
    case VT_BSTR: return u"String";
    case VT_BOOL: return u"Boolean";
    case VT_UI1: return u"Byte";
    case VT_DECIMAL: return u"Decimal";
    case VT_ERROR: return u"Error";
    case VT_DISPATCH: return value.pdispVal ? u"Object" : u"Nothing";
    case VT_UNKNOWN: return value.punkVal ? u"Unknown" : u"Nothing";
    default: return u"Variant";
    }
}

} // namespace script
