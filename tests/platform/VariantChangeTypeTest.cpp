#include "platform/Interfaces.h"
#include "platform/Variant.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <string>

namespace {
template <typename Set>
Variant Make(VARTYPE vt, Set set)
{
    Variant v;
    v.vt = vt;
    set(v);
    return v;
}
Variant Str(std::u16string_view s) { return Variant::FromString(s); }
Variant I1(signed char x) { return Make(VT_I1, [&](VARIANT& v) { v.cVal = x; }); }
Variant I2(SHORT x) { return Make(VT_I2, [&](VARIANT& v) { v.iVal = x; }); }
Variant I4(LONG x) { return Variant::FromLong(x); }
Variant Int(INT x) { return Make(VT_INT, [&](VARIANT& v) { v.intVal = x; }); }
Variant I8(LONGLONG x) { return Make(VT_I8, [&](VARIANT& v) { v.llVal = x; }); }
Variant UI1(BYTE x) { return Make(VT_UI1, [&](VARIANT& v) { v.bVal = x; }); }
Variant UI2(USHORT x) { return Make(VT_UI2, [&](VARIANT& v) { v.uiVal = x; }); }
Variant UI4(ULONG x) { return Make(VT_UI4, [&](VARIANT& v) { v.ulVal = x; }); }
Variant UI8(ULONGLONG x) { return Make(VT_UI8, [&](VARIANT& v) { v.ullVal = x; }); }
Variant R4(float x) { return Make(VT_R4, [&](VARIANT& v) { v.fltVal = x; }); }
Variant R8(double x) { return Variant::FromDouble(x); }
Variant Date(double x) { return Make(VT_DATE, [&](VARIANT& v) { v.date = x; }); }
Variant Cy(LONGLONG scaled) { return Make(VT_CY, [&](VARIANT& v) { v.cyVal.int64 = scaled; }); }
Variant Bool(bool x) { return Variant::FromBool(x); }
Variant Error(SCODE x) { return Make(VT_ERROR, [&](VARIANT& v) { v.scode = x; }); }
Variant Empty() { return Variant(); }
Variant Null() { return Variant::Null(); }

bool SameValue(const VARIANT& a, const VARIANT& b)
{
    if (a.vt != b.vt)
        return false;
    switch (a.vt) {
    case VT_EMPTY:
    case VT_NULL:
        return true;
    case VT_BSTR:
        return std::u16string_view(a.bstrVal, SysStringLen(a.bstrVal)) ==
               std::u16string_view(b.bstrVal, SysStringLen(b.bstrVal));
    case VT_R4:
        return a.fltVal == b.fltVal;
    case VT_R8:
    case VT_DATE:
        return a.dblVal == b.dblVal;
    case VT_I1:
    case VT_UI1:
        return a.bVal == b.bVal;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        return a.iVal == b.iVal;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_ERROR:
        return a.lVal == b.lVal;
    default:
        return a.llVal == b.llVal;
    }
}

std::string Describe(const VARIANT& v)
{
    std::string text = "vt=" + std::to_string(v.vt) + " ";
    if (v.vt == VT_BSTR) {
        for (char16_t c : std::u16string_view(v.bstrVal, SysStringLen(v.bstrVal)))
            text += c < 0x80 ? static_cast<char>(c) : '?';
        return text;
    }
    if (v.vt == VT_R8 || v.vt == VT_DATE)
        return text + std::to_string(v.dblVal);
    return text + std::to_string(v.llVal);
}

struct Case {
    Variant source;
    VARTYPE target;
    HRESULT expected;
    Variant result; // checked when the conversion succeeds
};

void RunCases(const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        SCOPED_TRACE("from " + Describe(c.source) + " to vt=" + std::to_string(c.target));
        Variant out;
        HRESULT hr = VariantChangeType(&out, &c.source, 0, c.target);
        EXPECT_EQ(c.expected, hr) << std::hex << hr;
        if (SUCCEEDED(c.expected) && SUCCEEDED(hr)) {
            EXPECT_TRUE(SameValue(c.result, out)) << "got " << Describe(out);
        }
    }
}

constexpr HRESULT OK = S_OK;
constexpr HRESULT MISMATCH = DISP_E_TYPEMISMATCH;
constexpr HRESULT OVERFLOW_ = DISP_E_OVERFLOW;
} // namespace

TEST(VariantChangeType, TextToNumbers)
{
    RunCases({
        {Str(u"12"), VT_I4, OK, I4(12)},
        {Str(u"12"), VT_INT, OK, Int(12)},
        {Str(u" \t12  "), VT_I4, OK, I4(12)},
        {Str(u"-7"), VT_I2, OK, I2(-7)},
        {Str(u"+7"), VT_I2, OK, I2(7)},
        {Str(u"7-"), VT_I4, OK, I4(-7)},
        {Str(u"(7)"), VT_I4, OK, I4(-7)},
        {Str(u"$7"), VT_I4, OK, I4(7)},
        {Str(u"1,234,567"), VT_I4, OK, I4(1234567)},
        {Str(u"1.5e3"), VT_I4, OK, I4(1500)},
        {Str(u"15E-1"), VT_I4, OK, I4(2)},
        {Str(u"0.000"), VT_I4, OK, I4(0)},
        {Str(u"&H1F"), VT_I4, OK, I4(31)},
        {Str(u"&h1f"), VT_UI1, OK, UI1(31)},
        {Str(u"&O17"), VT_I4, OK, I4(15)},
        {Str(u"&HFFFF"), VT_I2, OK, I2(-1)},
        {Str(u"&HFFFF"), VT_I4, OK, I4(65535)},
        {Str(u"&HFFFFFFFF"), VT_I4, OK, I4(-1)},
        {Str(u"&H10000"), VT_I2, OVERFLOW_, {}},
        {Str(u"&H1FFFFFFFFFFFFFFFF"), VT_UI8, OVERFLOW_, {}},
        {Str(u"&HFFFFFFFFFFFFFFFF"), VT_UI8, OK, UI8(UINT64_MAX)},
        // Halves go to the even neighbour.
        {Str(u"2.5"), VT_I4, OK, I4(2)},
        {Str(u"3.5"), VT_I4, OK, I4(4)},
        {Str(u"-2.5"), VT_I4, OK, I4(-2)},
        {Str(u"2.5000001"), VT_I4, OK, I4(3)},
        {Str(u"0.5"), VT_I4, OK, I4(0)},
        // Limits of each width.
        {Str(u"2147483647"), VT_I4, OK, I4(INT32_MAX)},
        {Str(u"-2147483648"), VT_I4, OK, I4(INT32_MIN)},
        {Str(u"2147483648"), VT_I4, OVERFLOW_, {}},
        {Str(u"32768"), VT_I2, OVERFLOW_, {}},
        {Str(u"255"), VT_UI1, OK, UI1(255)},
        {Str(u"256"), VT_UI1, OVERFLOW_, {}},
        {Str(u"-1"), VT_UI4, OVERFLOW_, {}},
        {Str(u"-128"), VT_I1, OK, I1(-128)},
        {Str(u"9223372036854775807"), VT_I8, OK, I8(INT64_MAX)},
        {Str(u"9223372036854775808"), VT_I8, OVERFLOW_, {}},
        {Str(u"18446744073709551615"), VT_UI8, OK, UI8(UINT64_MAX)},
        {Str(u"1e40"), VT_I8, OVERFLOW_, {}},
        {Str(u"1e99999999999"), VT_I4, OVERFLOW_, {}},
        // Not numbers at all.
        {Str(u"abc"), VT_I4, MISMATCH, {}},
        {Str(u"12abc"), VT_I4, MISMATCH, {}},
        {Str(u"1 2"), VT_I4, MISMATCH, {}},
        {Str(u""), VT_I4, MISMATCH, {}},
        {Str(u"   "), VT_I4, MISMATCH, {}},
        {Str(u"."), VT_I4, MISMATCH, {}},
        {Str(u"1..2"), VT_I4, MISMATCH, {}},
        {Str(u"1e"), VT_I4, MISMATCH, {}},
        {Str(u",1"), VT_I4, MISMATCH, {}},
        {Str(u"1.5,0"), VT_I4, MISMATCH, {}},
        {Str(u"-7-"), VT_I4, MISMATCH, {}},
        {Str(u"&H"), VT_I4, MISMATCH, {}},
        {Str(u"&HG"), VT_I4, MISMATCH, {}},
        {Str(u"&O8"), VT_I4, MISMATCH, {}},
        {Str(u"&X1"), VT_I4, MISMATCH, {}},
        {Str(u"\uFF11"), VT_I4, MISMATCH, {}}, // a full-width digit
        // Reals and currency.
        {Str(u"1.5e3"), VT_R8, OK, R8(1500)},
        {Str(u"0.1"), VT_R8, OK, R8(0.1)},
        {Str(u"-1,234.5"), VT_R8, OK, R8(-1234.5)},
        {Str(u".5"), VT_R8, OK, R8(0.5)},
        {Str(u"5."), VT_R8, OK, R8(5)},
        {Str(u"1e-400"), VT_R8, OK, R8(0)},
        {Str(u"1e400"), VT_R8, OVERFLOW_, {}},
        {Str(u"1e39"), VT_R4, OVERFLOW_, {}},
        {Str(u"0.1"), VT_R4, OK, R4(0.1f)},
        {Str(u"1.23456"), VT_CY, OK, Cy(12346)},
        {Str(u"0.00005"), VT_CY, OK, Cy(0)},
        {Str(u"0.00015"), VT_CY, OK, Cy(2)},
        {Str(u"2.5"), VT_DATE, OK, Date(2.5)},
        {Str(u"abc"), VT_R8, MISMATCH, {}},
    });
}

TEST(VariantChangeType, NumbersToNumbers)
{
    RunCases({
        // Reals round half to even.
        {R8(1.5), VT_I4, OK, I4(2)},
        {R8(2.5), VT_I4, OK, I4(2)},
        {R8(-1.5), VT_I4, OK, I4(-2)},
        {R8(-0.5), VT_I4, OK, I4(0)},
        {R8(1.6), VT_INT, OK, Int(2)},
        {R8(1.4999999), VT_I4, OK, I4(1)},
        {R4(2.5f), VT_I2, OK, I2(2)},
        {R8(2147483647.4), VT_I4, OK, I4(INT32_MAX)},
        {R8(2147483647.5), VT_I4, OVERFLOW_, {}},
        {R8(-2147483648.5), VT_I4, OK, I4(INT32_MIN)},
        {R8(-0.4), VT_UI4, OK, UI4(0)},
        {R8(-0.6), VT_UI4, OVERFLOW_, {}},
        {R8(1e10), VT_I4, OVERFLOW_, {}},
        {R8(0x1p63), VT_I8, OVERFLOW_, {}},
        {R8(-0x1p63), VT_I8, OK, I8(INT64_MIN)},
        {R8(std::nan("")), VT_I4, OVERFLOW_, {}},
        {R8(1e300), VT_R4, OVERFLOW_, {}},
        {R8(0.5), VT_R4, OK, R4(0.5f)},
        // Integers between widths.
        {I4(40000), VT_I2, OVERFLOW_, {}},
        {I4(-1), VT_UI4, OVERFLOW_, {}},
        {UI4(UINT32_MAX), VT_I4, OVERFLOW_, {}},
        {UI8(UINT64_MAX), VT_I8, OVERFLOW_, {}},
        {I8(INT64_MIN), VT_R8, OK, R8(-0x1p63)},
        {UI2(65535), VT_I4, OK, I4(65535)},
        {I1(-5), VT_I8, OK, I8(-5)},
        {I4(300), VT_UI1, OVERFLOW_, {}},
        // Currency: scaled by 10000, rounded half to even.
        {I4(5), VT_CY, OK, Cy(50000)},
        {Cy(25000), VT_I4, OK, I4(2)},
        {Cy(35000), VT_I4, OK, I4(4)},
        {Cy(-15000), VT_I4, OK, I4(-2)},
        {Cy(12345), VT_R8, OK, R8(1.2345)},
        {R8(-0.25), VT_CY, OK, Cy(-2500)},
        {R8(1e15), VT_CY, OVERFLOW_, {}},
        {I8(INT64_MAX), VT_CY, OVERFLOW_, {}},
        // Dates are day numbers.
        {Date(45000.25), VT_R8, OK, R8(45000.25)},
        {R8(1e10), VT_DATE, OVERFLOW_, {}},
        {I4(2), VT_DATE, OK, Date(2)},
    });
}

TEST(VariantChangeType, Booleans)
{
    RunCases({
        {Bool(true), VT_I4, OK, I4(-1)},
        {Bool(false), VT_I4, OK, I4(0)},
        {Bool(true), VT_R8, OK, R8(-1)},
        {Bool(true), VT_UI1, OVERFLOW_, {}},
        {Bool(true), VT_BSTR, OK, Str(u"True")},
        {Bool(false), VT_BSTR, OK, Str(u"False")},
        {I4(5), VT_BOOL, OK, Bool(true)},
        {I4(0), VT_BOOL, OK, Bool(false)},
        {R8(0.1), VT_BOOL, OK, Bool(true)},
        {Cy(0), VT_BOOL, OK, Bool(false)},
        {Str(u"True"), VT_BOOL, OK, Bool(true)},
        {Str(u" fAlSe "), VT_BOOL, OK, Bool(false)},
        {Str(u"TRUE"), VT_BOOL, OK, Bool(true)},
        {Str(u"1"), VT_BOOL, OK, Bool(true)},
        {Str(u"-0.0"), VT_BOOL, OK, Bool(false)},
        {Str(u"&H0"), VT_BOOL, OK, Bool(false)},
        {Str(u"yes"), VT_BOOL, MISMATCH, {}},
        {Str(u""), VT_BOOL, MISMATCH, {}},
    });
}

TEST(VariantChangeType, NumbersToText)
{
    RunCases({
        {I4(-12), VT_BSTR, OK, Str(u"-12")},
        {I8(INT64_MIN), VT_BSTR, OK, Str(u"-9223372036854775808")},
        {UI8(UINT64_MAX), VT_BSTR, OK, Str(u"18446744073709551615")},
        {I2(0), VT_BSTR, OK, Str(u"0")},
        {R8(0.1), VT_BSTR, OK, Str(u"0.1")},
        {R8(1.5), VT_BSTR, OK, Str(u"1.5")},
        {R8(1e20), VT_BSTR, OK, Str(u"1E+20")},
        {R8(1.0 / 3), VT_BSTR, OK, Str(u"0.333333333333333")},
        {R8(0.1 + 0.2), VT_BSTR, OK, Str(u"0.3")},
        {R8(123456789012345), VT_BSTR, OK, Str(u"123456789012345")},
        {R8(1e15), VT_BSTR, OK, Str(u"1E+15")},
        {R8(0.0001), VT_BSTR, OK, Str(u"0.0001")},
        {R8(0.00001), VT_BSTR, OK, Str(u"1E-05")},
        {R8(-2.5e-300), VT_BSTR, OK, Str(u"-2.5E-300")},
        {R8(-0.0), VT_BSTR, OK, Str(u"0")},
        {R8(100), VT_BSTR, OK, Str(u"100")},
        {R4(0.1f), VT_BSTR, OK, Str(u"0.1")},
        {R4(16777216.0f), VT_BSTR, OK, Str(u"1.677722E+07")},
        {Cy(15000), VT_BSTR, OK, Str(u"1.5")},
        {Cy(20000), VT_BSTR, OK, Str(u"2")},
        {Cy(-1), VT_BSTR, OK, Str(u"-0.0001")},
        {Cy(INT64_MIN), VT_BSTR, OK, Str(u"-922337203685477.5808")},
        {Date(2.5), VT_BSTR, OK, Str(u"2.5")},
    });
}

TEST(VariantChangeType, EmptyNullAndErrors)
{
    RunCases({
        {Empty(), VT_I4, OK, I4(0)},
        {Empty(), VT_R8, OK, R8(0)},
        {Empty(), VT_BOOL, OK, Bool(false)},
        {Empty(), VT_BSTR, OK, Str(u"")},
        {Empty(), VT_CY, OK, Cy(0)},
        {Empty(), VT_NULL, OK, Null()},
        {Empty(), VT_DISPATCH, MISMATCH, {}},
        {Empty(), VT_ERROR, MISMATCH, {}},
        {Null(), VT_NULL, OK, Null()},
        {Null(), VT_I4, MISMATCH, {}},
        {Null(), VT_INT, MISMATCH, {}},
        {Null(), VT_BSTR, MISMATCH, {}},
        {Null(), VT_BOOL, MISMATCH, {}},
        {Null(), VT_EMPTY, MISMATCH, {}},
        {Null(), VT_UNKNOWN, MISMATCH, {}},
        {I4(3), VT_EMPTY, OK, Empty()},
        {I4(3), VT_NULL, MISMATCH, {}},
        {Str(u"x"), VT_EMPTY, OK, Empty()},
        {Error(DISP_E_PARAMNOTFOUND), VT_ERROR, OK, Error(DISP_E_PARAMNOTFOUND)},
        {Error(DISP_E_PARAMNOTFOUND), VT_I4, MISMATCH, {}},
        {Error(DISP_E_PARAMNOTFOUND), VT_BSTR, MISMATCH, {}},
        {I4(5), VT_ERROR, MISMATCH, {}},
        {I4(5), VT_DISPATCH, MISMATCH, {}},
        {Str(u"x"), VT_UNKNOWN, MISMATCH, {}},
        // Types that cannot be a target.
        {I4(1), VT_BYREF | VT_I4, DISP_E_BADVARTYPE, {}},
        {I4(1), VT_VARIANT, DISP_E_BADVARTYPE, {}},
        {I4(1), VT_ARRAY | VT_I4, DISP_E_BADVARTYPE, {}},
        {I4(1), VT_DECIMAL, DISP_E_BADVARTYPE, {}},
        {I4(1), 99, DISP_E_BADVARTYPE, {}},
    });
}

TEST(VariantChangeType, ConvertsInPlaceAndLeavesTheDestinationOnFailure)
{
    Variant v = Str(u"12");
    ASSERT_EQ(S_OK, VariantChangeType(&v, &v, 0, VT_I4)); // the old text is freed
    EXPECT_TRUE(SameValue(I4(12), v));

    Variant text = Str(u"abc");
    ASSERT_EQ(DISP_E_TYPEMISMATCH, VariantChangeType(&text, &text, 0, VT_I4));
    EXPECT_TRUE(SameValue(Str(u"abc"), text));

    Variant destination = Str(u"keep");
    Variant source = Str(u"99999");
    EXPECT_EQ(DISP_E_OVERFLOW, VariantChangeType(&destination, &source, 0, VT_I2));
    EXPECT_TRUE(SameValue(Str(u"keep"), destination));
    ASSERT_EQ(S_OK, VariantChangeType(&destination, &source, 0, VT_I4)); // replaces (and frees) "keep"
    EXPECT_TRUE(SameValue(I4(99999), destination));

    Variant same = Str(u"copied");
    ASSERT_EQ(S_OK, VariantChangeType(&destination, &same, 0, VT_BSTR));
    EXPECT_NE(same.bstrVal, destination.bstrVal);
    EXPECT_TRUE(SameValue(same, destination));

    EXPECT_EQ(E_INVALIDARG, VariantChangeType(nullptr, &source, 0, VT_I4));
    EXPECT_EQ(E_INVALIDARG, VariantChangeType(&destination, nullptr, 0, VT_I4));
    Variant garbage;
    garbage.vt = 0x0FFF;
    EXPECT_EQ(DISP_E_BADVARTYPE, VariantChangeType(&destination, &garbage, 0, VT_I4));
    garbage.vt = VT_EMPTY;
}

TEST(VariantChangeType, FollowsReferences)
{
    BStr number(u"1.6");
    BSTR raw = number.Get();
    Variant byText;
    byText.vt = VT_BYREF | VT_BSTR;
    byText.pbstrVal = &raw;
    Variant out;
    ASSERT_EQ(S_OK, VariantChangeType(&out, &byText, 0, VT_INT));
    EXPECT_TRUE(SameValue(Int(2), out));
    ASSERT_EQ(S_OK, VariantChangeType(&out, &byText, 0, VT_BSTR)); // a copy, not the caller's string
    EXPECT_NE(raw, out.bstrVal);

    Variant inner = R8(2.5);
    Variant byVariant;
    byVariant.vt = VT_BYREF | VT_VARIANT;
    byVariant.pvarVal = &inner;
    ASSERT_EQ(S_OK, VariantChangeType(&byVariant, &byVariant, 0, VT_I4));
    EXPECT_TRUE(SameValue(I4(2), byVariant));
    EXPECT_TRUE(SameValue(R8(2.5), inner)); // the referenced variant is left alone

    Variant dangling;
    dangling.vt = VT_BYREF | VT_I4;
    EXPECT_EQ(E_INVALIDARG, VariantChangeType(&out, &dangling, 0, VT_BSTR));
    byText.Detach();
    dangling.Detach();
}

namespace {
// An automation object with a default value (DISPID_VALUE), counting its
// references and the calls it gets.
class ValueObject final : public IDispatch {
public:
    explicit ValueObject(Variant value, HRESULT result = S_OK) : value_(std::move(value)), result_(result) {}

    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (riid == IUnknown::iid || riid == IDispatch::iid) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                   UINT*) override
    {
        ++calls;
        if (id != DISPID_VALUE || !(flags & DISPATCH_PROPERTYGET) || params->cArgs != 0)
            return DISP_E_MEMBERNOTFOUND;
        if (FAILED(result_)) {
            // The caller owns what it gets back, even on failure.
            exception->bstrDescription = SysAllocString(u"no value today");
            exception->scode = result_;
            return DISP_E_EXCEPTION;
        }
        return VariantCopy(result, &value_);
    }

    ULONG references = 1;
    int calls = 0;

private:
    Variant value_;
    HRESULT result_;
};

// An object that is no automation object.
class PlainObject final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        *object = riid == IUnknown::iid ? this : nullptr;
        if (!*object)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }
    ULONG references = 1;
};
} // namespace

TEST(VariantChangeType, ObjectsConvertThroughTheirDefaultValue)
{
    ValueObject number(Str(u"42"));
    {
        Variant source = Variant::FromDispatch(&number);
        Variant out;
        ASSERT_EQ(S_OK, VariantChangeType(&out, &source, 0, VT_I4));
        EXPECT_TRUE(SameValue(I4(42), out));
        ASSERT_EQ(S_OK, VariantChangeType(&out, &source, 0, VT_BSTR));
        EXPECT_TRUE(SameValue(Str(u"42"), out));
        EXPECT_EQ(DISP_E_TYPEMISMATCH, VariantChangeType(&out, &source, VARIANT_NOVALUEPROP, VT_I4));
        EXPECT_EQ(2, number.calls); // not asked when the flag forbids it

        Variant asUnknown = Variant::FromUnknown(&number);
        ASSERT_EQ(S_OK, VariantChangeType(&out, &asUnknown, 0, VT_R8));
        EXPECT_TRUE(SameValue(R8(42), out));
        ASSERT_EQ(S_OK, VariantChangeType(&out, &asUnknown, 0, VT_DISPATCH));
        EXPECT_EQ(static_cast<IDispatch*>(&number), out.pdispVal);
    }
    EXPECT_EQ(1u, number.references);

    ValueObject large(Str(u"300"));
    {
        Variant source = Variant::FromDispatch(&large);
        Variant out;
        EXPECT_EQ(DISP_E_OVERFLOW, VariantChangeType(&out, &source, 0, VT_UI1)); // the value's own failure
    }

    ValueObject failing(Str(u"1"), E_FAIL);
    ValueObject nested(Variant::FromDispatch(&number)); // a default value that is an object again
    {
        Variant out = Str(u"kept");
        Variant source = Variant::FromDispatch(&failing);
        EXPECT_EQ(DISP_E_TYPEMISMATCH, VariantChangeType(&out, &source, 0, VT_I4));
        Variant viaObject = Variant::FromDispatch(&nested);
        EXPECT_EQ(DISP_E_TYPEMISMATCH, VariantChangeType(&out, &viaObject, 0, VT_I4));
        EXPECT_TRUE(SameValue(Str(u"kept"), out));
        Variant nothing = Variant::FromDispatch(nullptr);
        EXPECT_EQ(DISP_E_TYPEMISMATCH, VariantChangeType(&out, &nothing, 0, VT_I4));
        ASSERT_EQ(S_OK, VariantChangeType(&out, &nothing, 0, VT_UNKNOWN));
        EXPECT_EQ(VT_UNKNOWN, out.vt);
        EXPECT_EQ(nullptr, out.punkVal);
    }
    EXPECT_EQ(1u, failing.references);
    EXPECT_EQ(1u, nested.references);
    EXPECT_EQ(2u, number.references); // one is the nested object's value

    PlainObject plain;
    {
        Variant source = Variant::FromUnknown(&plain);
        Variant out;
        EXPECT_EQ(DISP_E_TYPEMISMATCH, VariantChangeType(&out, &source, 0, VT_DISPATCH));
        EXPECT_EQ(DISP_E_TYPEMISMATCH, VariantChangeType(&out, &source, 0, VT_I4));
    }
    EXPECT_EQ(1u, plain.references);
}
