// The generic Invoke, driven through IDispatch of objects built on
// DispatchObject: member choice, argument checks and coercion, optional
// arguments, results, references and failures.
#include "DispatchTestCaller.h"
#include "DispatchTestObjects.h"

#include "platform/ErrorInfo.h"

#include <gtest/gtest.h>

namespace {

constexpr WORD kGet = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

class DispatchInvoke : public ::testing::Test {
protected:
    void TearDown() override { SetErrorInfo(0, nullptr); }

    ComPtr<ITestDispatch> object = MakeTestObject<CTestDispatch>();
    CTestDispatch& impl = Implementation<CTestDispatch>(object.Get());
    DispatchCaller caller{object.Get()};
};

TEST_F(DispatchInvoke, MethodRunsWithMethodFlagOrAsScriptHostsCallIt)
{
    for (WORD flags : {WORD(DISPATCH_METHOD), kGet}) {
        InvokeOutcome r = caller.Call(u"Add", flags, {Variant::FromLong(2), Variant::FromLong(3)});
        ASSERT_EQ(S_OK, r.hr);
        EXPECT_EQ(VT_I4, r.result.vt);
        EXPECT_EQ(5, r.result.lVal);
    }
    // A method is no property, a property no method.
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND,
              caller.Call(u"Add", DISPATCH_PROPERTYGET, {Variant::FromLong(2), Variant::FromLong(3)}).hr);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, caller.Call(u"Flag", DISPATCH_METHOD).hr);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, caller.Call(DISPID(999), kGet).hr);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, caller.Put(u"Flag", {}, Variant::FromBool(true)).hr);
}

TEST_F(DispatchInvoke, ArgumentsAreCoercedToTheParameterTypes)
{
    LONG byRef = 40;
    InvokeOutcome r = caller.Call(u"Add", kGet, {Variant::FromString(u"2"), FromPlain(RefTo(VT_I4, &byRef))});
    ASSERT_EQ(S_OK, r.hr);
    EXPECT_EQ(42, r.result.lVal);

    // Reals round half to even on the way to an integer.
    r = caller.Call(u"Add", kGet, {Variant::FromDouble(2.5), Variant::FromDouble(3.5)});
    ASSERT_EQ(S_OK, r.hr);
    EXPECT_EQ(6, r.result.lVal);

    r = caller.Call(u"Types", kGet,
                    {Variant::FromString(u"-7"), Variant::FromLong(3), Variant::FromString(u"0.125"),
                     Variant::FromLong(12), Variant::FromLong(5), Variant::FromBool(true)});
    ASSERT_EQ(S_OK, r.hr);
    EXPECT_EQ(u"-7|3|0.125|12|-1|-1", TextOf(r.result));
}

TEST_F(DispatchInvoke, ArgumentThatDoesNotConvertIsNamedByItsPosition)
{
    struct Case {
        Variant first;
        Variant second;
        HRESULT expected;
        UINT argumentError; // index in rgvarg: the last argument is 0
    };
    const Case cases[] = {
        {Variant::FromString(u"x"), Variant::FromLong(1), DISP_E_TYPEMISMATCH, 1},
        {Variant::FromLong(1), Variant::Null(), DISP_E_TYPEMISMATCH, 0},
        {Variant::FromLong(1), Variant::FromDouble(1e12), DISP_E_OVERFLOW, 0},
        {Variant::FromDispatch(object.As<IDispatch>().Get()), Variant::FromLong(1), DISP_E_TYPEMISMATCH, 1},
    };
    for (const Case& c : cases) {
        InvokeOutcome r = caller.Call(u"Add", kGet, {c.first, c.second});
        EXPECT_EQ(c.expected, r.hr);
        EXPECT_EQ(c.argumentError, r.argumentError);
    }
    EXPECT_EQ("", impl.lastCalled);
}

TEST_F(DispatchInvoke, ArgumentCountAndNamedArgumentsAreChecked)
{
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, caller.Call(u"Add", kGet, {Variant::FromLong(1)}).hr);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT,
              caller.Call(u"Add", kGet, {Variant::FromLong(1), Variant::FromLong(2), Variant::FromLong(3)}).hr);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, caller.Call(u"Flag", kGet, {Variant::FromLong(1)}).hr);

    // A required argument passed as "missing".
    InvokeOutcome r = caller.Call(u"Add", kGet, {MissingArgument(), Variant::FromLong(1)});
    EXPECT_EQ(DISP_E_PARAMNOTOPTIONAL, r.hr);
    EXPECT_EQ(1u, r.argumentError);

    // Named arguments other than the put value are refused.
    std::vector<VARIANT> args{Variant::FromLong(1), Variant::FromLong(2)};
    EXPECT_EQ(DISP_E_NONAMEDARGS, caller.Raw(caller.Id(u"Add"), kGet, args, {0}).hr);
    EXPECT_EQ(DISP_E_NONAMEDARGS, caller.Raw(caller.Id(u"Add"), kGet, args, {DISPID_PROPERTYPUT}).hr);
    EXPECT_EQ("", impl.lastCalled);
}

TEST_F(DispatchInvoke, IndexedPropertyGetAndPut)
{
    ASSERT_EQ(S_OK, caller.Put(u"Cell", {Variant::FromLong(1), Variant::FromLong(2)}, Variant::FromBool(true)).hr);
    // The value converts like any argument.
    ASSERT_EQ(S_OK, caller.Put(u"Cell", {Variant::FromLong(2), Variant::FromLong(7)}, Variant::FromString(u"-1")).hr);
    EXPECT_EQ((std::set<std::pair<LONG, LONG>>{{1, 2}, {2, 7}}), impl.cells);

    for (auto [row, col, expected] : {std::tuple{1, 2, VARIANT_TRUE}, {2, 7, VARIANT_TRUE}, {2, 1, VARIANT_FALSE}}) {
        InvokeOutcome r = caller.Get(u"Cell", {Variant::FromLong(row), Variant::FromLong(col)});
        ASSERT_EQ(S_OK, r.hr);
        EXPECT_EQ(VT_BOOL, r.result.vt);
        EXPECT_EQ(expected, r.result.boolVal);
    }
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, caller.Get(u"Cell", {Variant::FromLong(1)}).hr);
}

TEST_F(DispatchInvoke, PropertyPutNeedsTheNamedPutArgument)
{
    DISPID text = caller.Id(u"Text");
    std::vector<VARIANT> value{Variant::FromLong(42)};
    EXPECT_EQ(DISP_E_PARAMNOTFOUND, caller.Raw(text, DISPATCH_PROPERTYPUT, value, {}).hr);
    EXPECT_EQ(DISP_E_NONAMEDARGS, caller.Raw(text, DISPATCH_PROPERTYPUT, value, {0}).hr);
    std::vector<VARIANT> two{Variant::FromLong(1), Variant::FromLong(2)};
    EXPECT_EQ(DISP_E_NONAMEDARGS, caller.Raw(text, DISPATCH_PROPERTYPUT, two, {DISPID_PROPERTYPUT, 0}).hr);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, caller.Put(u"Text", {Variant::FromLong(1)}, Variant::FromLong(2)).hr);
    EXPECT_EQ(u"text", impl.text.View());

    ASSERT_EQ(S_OK, caller.Raw(text, DISPATCH_PROPERTYPUT, value, {DISPID_PROPERTYPUT}).hr);
    EXPECT_EQ(u"42", impl.text.View());
    InvokeOutcome r = caller.Get(u"Text");
    EXPECT_EQ(u"42", TextOf(r.result));
}

TEST_F(DispatchInvoke, ObjectValuesGoToTheReferencePut)
{
    ComPtr<ITestPeer> peer = MakeTestObject<CTestPeer>();
    Variant peerValue = Variant::FromDispatch(peer.Get());

    // Only a reference put exists: a plain put of an object uses it, of anything else fails.
    ASSERT_EQ(S_OK, caller.Put(u"Peer", {}, peerValue).hr);
    EXPECT_EQ("putref_Peer", impl.lastCalled);
    EXPECT_EQ(peer.Get(), impl.peer.Get());
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, caller.Put(u"Peer", {}, Variant::FromLong(1)).hr);
    // Nothing clears it.
    ASSERT_EQ(S_OK, caller.Put(u"Peer", {}, Variant::FromDispatch(nullptr), DISPATCH_PROPERTYPUTREF).hr);
    EXPECT_FALSE(impl.peer);

    // Both exist: each flag reaches its own.
    ASSERT_EQ(S_OK, caller.Put(u"Any", {}, peerValue).hr);
    EXPECT_EQ("put", impl.anyAssignedBy);
    ASSERT_EQ(S_OK, caller.Put(u"Any", {}, peerValue, DISPATCH_PROPERTYPUTREF).hr);
    EXPECT_EQ("putref", impl.anyAssignedBy);
    ASSERT_EQ(S_OK, caller.Put(u"Any", {}, peerValue, DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF).hr);
    EXPECT_EQ("putref", impl.anyAssignedBy);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, caller.Put(u"Text", {}, peerValue, DISPATCH_PROPERTYPUTREF).hr);
}

TEST_F(DispatchInvoke, InterfaceParametersAreAskedForTheDeclaredInterface)
{
    ComPtr<ITestPeer> peer = MakeTestObject<CTestPeer>();
    struct Case {
        Variant argument;
        HRESULT expected;
        const char16_t* name;
    };
    const Case cases[] = {
        {Variant::FromDispatch(peer.Get()), S_OK, u"peer"},
        {Variant::FromUnknown(peer.Get()), S_OK, u"peer"},
        {Variant(), S_OK, u"(none)"},
        {Variant::FromDispatch(nullptr), S_OK, u"(none)"},
        // An object without ITestPeer, and values that are no objects.
        {Variant::FromDispatch(object.As<IDispatch>().Get()), DISP_E_TYPEMISMATCH, nullptr},
        {Variant::FromLong(42), DISP_E_TYPEMISMATCH, nullptr},
        {Variant::Null(), DISP_E_TYPEMISMATCH, nullptr},
    };
    for (const Case& c : cases) {
        InvokeOutcome r = caller.Get(u"PeerName", {c.argument});
        EXPECT_EQ(c.expected, r.hr);
        if (c.name)
            EXPECT_EQ(c.name, TextOf(r.result));
        else
            EXPECT_EQ(0u, r.argumentError);
    }
}

TEST_F(DispatchInvoke, MissingOptionalArgumentsGetTheirDefaults)
{
    struct Case {
        std::vector<Variant> args;
        std::u16string received;
    };
    const Case cases[] = {
        {{}, u"12|abc|2.5|-1|2|10:80020004"},
        // Left out in the middle and at the end.
        {{Variant::FromLong(7), MissingArgument(), Variant::FromLong(1)}, u"7|abc|1|-1|2|10:80020004"},
        {{MissingArgument(), MissingArgument(), MissingArgument(), MissingArgument(), MissingArgument(),
          MissingArgument()},
         u"12|abc|2.5|-1|2|10:80020004"},
        // Given: converted like any argument; the VARIANT arrives as it is.
        {{Variant::FromString(u"3"), Variant::FromLong(5), Variant::FromString(u"0.25"), Variant::FromBool(false),
          Variant::FromLong(3), Variant::FromLong(9)},
         u"3|5|0.25|0|3|3:9"},
    };
    for (const Case& c : cases) {
        InvokeOutcome r = caller.Get(u"Defaults", c.args);
        ASSERT_EQ(S_OK, r.hr);
        EXPECT_EQ(c.received, TextOf(r.result));
    }
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, caller.Get(u"Defaults", std::vector<Variant>(7, Variant::FromLong(1))).hr);
}

TEST_F(DispatchInvoke, RetvalBecomesAResultOfItsType)
{
    ASSERT_EQ(S_OK, caller.Put(u"Peer", {}, Variant::FromDispatch(MakeTestObject<CTestPeer>().Get())).hr);
    struct Case {
        const char16_t* name;
        VARTYPE vt;
        double number; // for numeric results
    };
    const Case cases[] = {
        {u"Short", VT_I2, -12345}, {u"Real", VT_R8, 2.75}, {u"Single", VT_R4, 1.5}, {u"Flag", VT_BOOL, -1},
        {u"Kind", VT_I4, 3},       {u"Unnumbered", VT_I4, 7}, {u"Text", VT_BSTR, 0}, {u"Peer", VT_DISPATCH, 0},
        {u"Unknown", VT_UNKNOWN, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
        InvokeOutcome r = caller.Get(c.name);
        ASSERT_EQ(S_OK, r.hr);
        ASSERT_EQ(c.vt, r.result.vt);
        Variant asDouble;
        if (c.vt == VT_DISPATCH || c.vt == VT_UNKNOWN)
            EXPECT_NE(nullptr, r.result.punkVal);
        else if (c.vt == VT_BSTR)
            EXPECT_EQ(u"text", TextOf(r.result));
        else if (SUCCEEDED(VariantChangeType(&asDouble, &r.result, 0, VT_R8)))
            EXPECT_EQ(c.number, asDouble.dblVal);
        else
            ADD_FAILURE() << "no number";
    }
    // Without a place for the result the value is released, not leaked.
    DISPPARAMS none{};
    EXPECT_EQ(S_OK, object->Invoke(caller.Id(u"Text"), GUID_NULL, 0, kGet, &none, nullptr, nullptr, nullptr));
    EXPECT_EQ(S_OK, object->Invoke(caller.Id(u"Peer"), GUID_NULL, 0, kGet, &none, nullptr, nullptr, nullptr));
}

TEST_F(DispatchInvoke, VariantParametersArriveAsGivenButDereferenced)
{
    LONG number = 17;
    BStr text(u"by reference");
    BSTR textValue = text.Get();
    VARIANT inner = Variant::FromString(u"inner").Detach();
    struct Case {
        Variant argument;
        VARTYPE vt;
    };
    const Case cases[] = {
        {Variant::Null(), VT_NULL},
        {Variant(), VT_EMPTY},
        {ErrorValue(E_FAIL), VT_ERROR}, // an error value that is no "missing"
        {FromPlain(RefTo(VT_I4, &number)), VT_I4},
        {FromPlain(RefTo(VT_BSTR, &textValue)), VT_BSTR},
        {FromPlain(RefTo(VT_VARIANT, &inner)), VT_BSTR},
    };
    for (const Case& c : cases) {
        InvokeOutcome r = caller.Get(u"Echo", {c.argument});
        ASSERT_EQ(S_OK, r.hr);
        EXPECT_EQ(c.vt, r.result.vt);
    }
    EXPECT_EQ(17, caller.Get(u"Echo", {FromPlain(RefTo(VT_I4, &number))}).result.lVal);
    EXPECT_EQ(u"inner", TextOf(caller.Get(u"Echo", {FromPlain(RefTo(VT_VARIANT, &inner))}).result));
    VariantClear(&inner);
}

TEST_F(DispatchInvoke, ReferenceParametersWriteBackToTheCaller)
{
    // The caller's own references of the right types.
    LONG number = 5;
    BSTR text = SysAllocString(u"abc");
    std::vector<VARIANT> args{RefTo(VT_BSTR, &text), RefTo(VT_I4, &number)};
    ASSERT_EQ(S_OK, caller.Raw(caller.Id(u"Swap"), DISPATCH_METHOD, args, {}).hr);
    EXPECT_EQ(-5, number);
    EXPECT_EQ(u"cba", std::u16string(text));
    SysFreeString(text);

    // References to variants: converted in and written back in the parameter's type.
    Variant numberHolder = Variant::FromString(u"12");
    Variant textHolder = Variant::FromLong(345);
    args = {RefTo(VT_VARIANT, &textHolder), RefTo(VT_VARIANT, &numberHolder)};
    ASSERT_EQ(S_OK, caller.Raw(caller.Id(u"Swap"), DISPATCH_METHOD, args, {}).hr);
    EXPECT_EQ(VT_I4, numberHolder.vt);
    EXPECT_EQ(-12, numberHolder.lVal);
    EXPECT_EQ(u"543", TextOf(textHolder));

    // Plain values: the call runs, nothing to write back to.
    InvokeOutcome r = caller.Call(u"Swap", DISPATCH_METHOD, {Variant::FromLong(1), Variant::FromString(u"xy")});
    EXPECT_EQ(S_OK, r.hr);

    // Pure out parameters into empty variants.
    Variant fetchedNumber, fetchedText;
    args = {RefTo(VT_VARIANT, &fetchedText), RefTo(VT_VARIANT, &fetchedNumber)};
    ASSERT_EQ(S_OK, caller.Raw(caller.Id(u"Fetch"), DISPATCH_METHOD, args, {}).hr);
    EXPECT_EQ(VT_I4, fetchedNumber.vt);
    EXPECT_EQ(42, fetchedNumber.lVal);
    EXPECT_EQ(u"fetched", TextOf(fetchedText));

    // A value that does not convert leaves the caller's variant alone.
    Variant bad = Variant::FromString(u"not a number");
    Variant fine = Variant::FromString(u"ok");
    args = {RefTo(VT_VARIANT, &fine), RefTo(VT_VARIANT, &bad)};
    r = caller.Raw(caller.Id(u"Swap"), DISPATCH_METHOD, args, {});
    EXPECT_EQ(DISP_E_TYPEMISMATCH, r.hr);
    EXPECT_EQ(1u, r.argumentError);
    EXPECT_EQ(u"not a number", TextOf(bad));
}

TEST_F(DispatchInvoke, ManyArgumentsKeepTheirOrder)
{
    std::vector<Variant> args;
    LONG expected = 0;
    for (LONG i = 1; i <= 10; ++i) {
        args.push_back(Variant::FromLong(100 + i));
        expected += (100 + i) * i;
    }
    InvokeOutcome r = caller.Get(u"Wide", args);
    ASSERT_EQ(S_OK, r.hr);
    EXPECT_EQ(expected, r.result.lVal);
}

TEST_F(DispatchInvoke, FailingMemberBecomesAnException)
{
    constexpr HRESULT kCustom = MakeHResult(0x80040205);
    struct Case {
        HRESULT code;
        const char16_t* errorInfo; // what the member leaves, empty for nothing
        const char16_t* description;
        const char16_t* source;
    };
    const Case cases[] = {
        {kCustom, u"Line index out of bounds: max=2 index=0", u"Line index out of bounds: max=2 index=0",
         u"DispatchTest"},
        // No error information: the system's text without its line break.
        {E_POINTER, u"", u"A pointer that is not valid was given.", nullptr},
        {DISP_E_OVERFLOW, u"", u"The value is out of the present range.", nullptr},
        // No system text either: the fallback forms.
        {kCustom, u"", u"IDispatch error #5", nullptr},
        {MakeHResult(0x80001234), u"", u"Unknown error 0x80001234", nullptr},
    };
    for (const Case& c : cases) {
        InvokeOutcome r = caller.Call(u"Fail", DISPATCH_METHOD, {Variant::FromLong(c.code), Variant::FromString(c.errorInfo)});
        EXPECT_EQ(DISP_E_EXCEPTION, r.hr);
        EXPECT_EQ(c.code, r.scode);
        EXPECT_EQ(0, r.wCode);
        EXPECT_EQ(c.description, r.Description());
        if (c.source)
            EXPECT_EQ(c.source, std::u16string(r.source.View()));
        else
            EXPECT_TRUE(r.source.IsNull());
    }

    // Without EXCEPINFO the member's own code comes back and the error
    // information stays for the caller.
    InvokeOutcome r =
        caller.Call(caller.Id(u"Fail"), DISPATCH_METHOD, {Variant::FromLong(E_ACCESSDENIED), Variant::FromString(u"kept")},
                    false);
    EXPECT_EQ(E_ACCESSDENIED, r.hr);
    ComPtr<IErrorInfo> left;
    ASSERT_EQ(S_OK, GetErrorInfo(0, left.Out()));
    BStr description;
    left->GetDescription(description.Out());
    EXPECT_EQ(u"kept", description.View());
}

TEST_F(DispatchInvoke, ErrorInformationCountsOnlyWhenTheObjectSupportsIt)
{
    ComPtr<ITestPeer> peer = MakeTestObject<CTestPeer>();
    DispatchCaller peerCaller(peer.Get());
    InvokeOutcome r = peerCaller.Call(u"Fail", DISPATCH_METHOD, {Variant::FromLong(E_FAIL)});
    EXPECT_EQ(DISP_E_EXCEPTION, r.hr);
    EXPECT_EQ(E_FAIL, r.scode);
    EXPECT_EQ(u"The operation failed for an unspecified reason.", r.Description());
    EXPECT_TRUE(r.source.IsNull());
}

TEST_F(DispatchInvoke, DispatchInterfaceIsDrivenByTheSameInvoke)
{
    ComPtr<_DTestEvents> sink = MakeTestObject<CTestEvents>();
    CTestEvents& events = Implementation<CTestEvents>(sink.Get());
    DispatchCaller sinkCaller(sink.Get());
    ASSERT_EQ(S_OK, sinkCaller.Put(u"level", {}, Variant::FromString(u"3")).hr);
    EXPECT_EQ(3, events.level);
    EXPECT_EQ(3, sinkCaller.Get(u"Level").result.iVal);
    ASSERT_EQ(S_OK, sinkCaller.Call(u"Ping", DISPATCH_METHOD, {Variant::FromLong(5)}).hr);
    ASSERT_EQ(S_OK, sinkCaller.Call(DISPID(2), DISPATCH_METHOD, {Variant::FromLong(6)}).hr);
    EXPECT_EQ("5;6;", events.pings);
    InvokeOutcome r = sinkCaller.Call(u"Check", DISPATCH_METHOD, {Variant::FromString(u"yes")});
    EXPECT_EQ(VT_BOOL, r.result.vt);
    EXPECT_EQ(VARIANT_TRUE, r.result.boolVal);
}

TEST_F(DispatchInvoke, MalformedCallsAreRefused)
{
    DISPPARAMS none{};
    Variant result;
    DISPID add = caller.Id(u"Add");
    EXPECT_EQ(E_INVALIDARG, object->Invoke(add, GUID_NULL, 0, kGet, nullptr, result.Out(), nullptr, nullptr));
    EXPECT_EQ(E_INVALIDARG, object->Invoke(caller.Id(u"Nothing"), GUID_NULL, 0, 0, &none, result.Out(), nullptr, nullptr));
    DISPPARAMS noArray{nullptr, nullptr, 2, 0};
    EXPECT_EQ(E_INVALIDARG, object->Invoke(add, GUID_NULL, 0, kGet, &noArray, result.Out(), nullptr, nullptr));
    VARIANT one = Variant::FromLong(1).Detach();
    DISPPARAMS tooManyNamed{&one, nullptr, 1, 2};
    EXPECT_EQ(E_INVALIDARG, object->Invoke(add, GUID_NULL, 0, kGet, &tooManyNamed, result.Out(), nullptr, nullptr));

    // A call without arguments or result works with the bare minimum.
    EXPECT_EQ(S_OK, object->Invoke(caller.Id(u"Nothing"), GUID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr,
                                   nullptr));
    EXPECT_EQ(1, impl.nothingCalls);
}

} // namespace
