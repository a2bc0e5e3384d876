#include "platform/Variant.h"

#include "platform/Interfaces.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {
// An object that only counts its references, so tests can see every AddRef
// and Release a variant function makes.
class CountedObject final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (riid != IUnknown::iid) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }
    ULONG references = 1;
};

std::u16string TextOf(const VARIANT& v)
{
    return std::u16string(v.bstrVal, SysStringLen(v.bstrVal));
}
} // namespace

TEST(VariantFunctions, ClearFreesStringsAndReleasesObjectsButNotReferences)
{
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(u"owned"); // the leak checker sees it if Clear does not free it
    EXPECT_EQ(S_OK, VariantClear(&text));
    EXPECT_EQ(VT_EMPTY, text.vt);

    CountedObject object;
    VARIANT held;
    VariantInit(&held);
    held.vt = VT_UNKNOWN;
    held.punkVal = &object;
    object.AddRef();
    EXPECT_EQ(S_OK, VariantClear(&held));
    EXPECT_EQ(1u, object.references);

    BSTR external = SysAllocString(u"not ours");
    VARIANT reference;
    VariantInit(&reference);
    reference.vt = VT_BYREF | VT_BSTR;
    reference.pbstrVal = &external;
    EXPECT_EQ(S_OK, VariantClear(&reference));
    EXPECT_EQ(u"not ours", std::u16string(external));
    SysFreeString(external);
}

TEST(VariantFunctions, RefuseUnknownTypesWithoutTouchingTheVariant)
{
    for (VARTYPE bad : {VARTYPE(VT_ARRAY | VT_I4), VARTYPE(VT_VOID), VARTYPE(VT_BYREF | VT_EMPTY), VARTYPE(VT_VARIANT),
                        VARTYPE(0x8000 | VT_I4)}) {
        SCOPED_TRACE(bad);
        VARIANT v;
        VariantInit(&v);
        v.vt = bad;
        v.llVal = 1234;
        EXPECT_EQ(DISP_E_BADVARTYPE, VariantClear(&v));
        EXPECT_EQ(bad, v.vt);
        EXPECT_EQ(1234, v.llVal);

        Variant destination = Variant::FromString(u"kept");
        EXPECT_EQ(DISP_E_BADVARTYPE, VariantCopy(&destination, &v));
        EXPECT_EQ(u"kept", TextOf(destination));
    }
    EXPECT_EQ(E_INVALIDARG, VariantClear(nullptr));
    Variant any;
    EXPECT_EQ(E_INVALIDARG, VariantCopy(&any, nullptr));
    EXPECT_EQ(E_INVALIDARG, VariantCopy(nullptr, &any));
}

TEST(VariantFunctions, CopyIsDeepAndReplacesTheOldValue)
{
    const char16_t withZero[] = u"a\0b";
    Variant source;
    source.vt = VT_BSTR;
    source.bstrVal = SysAllocStringLen(withZero, 3);

    Variant destination = Variant::FromString(u"old value, freed by the copy");
    ASSERT_EQ(S_OK, VariantCopy(&destination, &source));
    EXPECT_EQ(VT_BSTR, destination.vt);
    EXPECT_NE(source.bstrVal, destination.bstrVal);
    EXPECT_EQ(std::u16string(withZero, 3), TextOf(destination));

    CountedObject object;
    {
        Variant holder = Variant::FromUnknown(&object);
        EXPECT_EQ(2u, object.references);
        Variant copy;
        ASSERT_EQ(S_OK, VariantCopy(&copy, &holder));
        EXPECT_EQ(&object, copy.punkVal);
        EXPECT_EQ(3u, object.references);
        EXPECT_EQ(S_OK, VariantCopy(&copy, &copy)); // onto itself: nothing changes
        EXPECT_EQ(3u, object.references);
    }
    EXPECT_EQ(1u, object.references);

    Variant nullString;
    nullString.vt = VT_BSTR;
    Variant copy;
    ASSERT_EQ(S_OK, VariantCopy(&copy, &nullString));
    EXPECT_EQ(VT_BSTR, copy.vt);
    EXPECT_EQ(nullptr, copy.bstrVal);
}

TEST(VariantFunctions, CopyIndFollowsOneReference)
{
    LONG number = 42;
    Variant byNumber;
    byNumber.vt = VT_BYREF | VT_I4;
    byNumber.plVal = &number;
    Variant copy;
    ASSERT_EQ(S_OK, VariantCopyInd(&copy, &byNumber));
    EXPECT_EQ(VT_I4, copy.vt);
    EXPECT_EQ(42, copy.lVal);

    BStr text(u"text");
    BSTR raw = text.Get();
    Variant byText;
    byText.vt = VT_BYREF | VT_BSTR;
    byText.pbstrVal = &raw;
    ASSERT_EQ(S_OK, VariantCopyInd(&copy, &byText));
    EXPECT_EQ(VT_BSTR, copy.vt);
    EXPECT_NE(raw, copy.bstrVal);
    EXPECT_EQ(u"text", TextOf(copy));

    // A reference to a variant copies the variant it names.
    Variant inner = Variant::FromDouble(2.5);
    Variant byVariant;
    byVariant.vt = VT_BYREF | VT_VARIANT;
    byVariant.pvarVal = &inner;
    ASSERT_EQ(S_OK, VariantCopyInd(&copy, &byVariant));
    EXPECT_EQ(VT_R8, copy.vt);
    EXPECT_EQ(2.5, copy.dblVal);

    // In place: the reference is replaced by the value.
    ASSERT_EQ(S_OK, VariantCopyInd(&byNumber, &byNumber));
    EXPECT_EQ(VT_I4, byNumber.vt);
    EXPECT_EQ(42, byNumber.lVal);

    // A reference to a reference to a variant, and a null reference, are refused.
    Variant twice;
    twice.vt = VT_BYREF | VT_VARIANT;
    twice.pvarVal = &byVariant;
    EXPECT_EQ(E_INVALIDARG, VariantCopyInd(&copy, &twice));
    Variant dangling;
    dangling.vt = VT_BYREF | VT_I4;
    EXPECT_EQ(E_INVALIDARG, VariantCopyInd(&copy, &dangling));
    EXPECT_EQ(VT_R8, copy.vt); // unchanged by the failures

    byVariant.Detach(); // a reference owns nothing
    twice.Detach();
    dangling.Detach();
    byText.Detach();
}

TEST(VariantClass, OwnsItsValueThroughCopyMoveAndDetach)
{
    CountedObject object;
    {
        Variant a = Variant::FromUnknown(&object);
        Variant b = a;                // copy: one more reference
        Variant c = std::move(a);     // move: none
        EXPECT_EQ(VT_EMPTY, a.vt);
        EXPECT_EQ(3u, object.references);
        b = Variant::FromLong(7);     // assignment releases the old value
        EXPECT_EQ(2u, object.references);
        EXPECT_EQ(VT_I4, b.vt);
        VARIANT handed = c.Detach();
        EXPECT_EQ(VT_EMPTY, c.vt);
        EXPECT_EQ(2u, object.references);
        VariantClear(&handed);
    }
    EXPECT_EQ(1u, object.references);

    Variant text = Variant::FromString(u"abc");
    Variant copied(static_cast<const VARIANT&>(text));
    EXPECT_NE(text.bstrVal, copied.bstrVal);
    EXPECT_EQ(u"abc", TextOf(copied));
    Variant empty = Variant::FromString(u"");
    ASSERT_NE(nullptr, empty.bstrVal); // an empty text, not a null one
    EXPECT_EQ(0u, SysStringLen(empty.bstrVal));

    EXPECT_EQ(VT_NULL, Variant::Null().vt);
    Variant yes = Variant::FromBool(true);
    EXPECT_EQ(VT_BOOL, yes.vt);
    EXPECT_EQ(VARIANT_TRUE, yes.boolVal);
    EXPECT_EQ(VARIANT_FALSE, Variant::FromBool(false).boolVal);
    EXPECT_EQ(VT_DISPATCH, Variant::FromDispatch(nullptr).vt);
    EXPECT_EQ(0.25, Variant::FromDouble(0.25).dblVal);

    Variant out = Variant::FromString(u"freed by Out");
    VARIANT* raw = out.Out();
    EXPECT_EQ(VT_EMPTY, raw->vt);
}
