// DispCallFunc on its own, and the generated headers' vtable order checked
// against the generated tables.
#include "DispatchTestCaller.h"
#include "DispatchTestObjects.h"

#include "platform/TypeInfo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

// Every argument type DispCallFunc passes, more than fit in registers, with
// a VARIANT by value in the middle.
struct ICallTarget : IUnknown {
    virtual HRESULT Mixed(SHORT i2, LONG i4, INT i, ULONG ui4, VARIANT_BOOL b, FLOAT r4, DOUBLE r8, BSTR s,
                          IDispatch* d, IUnknown* u, VARIANT v, LONG* out, LONGLONG i8, DOUBLE r8b, FLOAT r4b,
                          SHORT last) = 0;
    virtual void NoResult(LONG value) = 0;
};

class CallTarget final : public ICallTarget {
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }

    HRESULT Mixed(SHORT i2, LONG i4, INT i, ULONG ui4, VARIANT_BOOL b, FLOAT r4, DOUBLE r8, BSTR s, IDispatch* d,
                  IUnknown* u, VARIANT v, LONG* out, LONGLONG i8, DOUBLE r8b, FLOAT r4b, SHORT last) override
    {
        seen = std::to_string(i2) + "|" + std::to_string(i4) + "|" + std::to_string(i) + "|" + std::to_string(ui4) +
               "|" + std::to_string(b) + "|" + std::to_string(r4) + "|" + std::to_string(r8) + "|" +
               std::to_string(SysStringLen(s)) + "|" + (d == dispatch ? "d" : "?") + "|" + (u == unknown ? "u" : "?") +
               "|" + std::to_string(v.vt) + ":" + std::to_string(v.lVal) + "|" + std::to_string(i8) + "|" +
               std::to_string(r8b) + "|" + std::to_string(r4b) + "|" + std::to_string(last);
        *out = 99;
        return MakeHResult(0x80041234);
    }
    void NoResult(LONG value) override { noResult = value; }

    std::string seen;
    LONG noResult = 0;
    IDispatch* dispatch = reinterpret_cast<IDispatch*>(0x1000);
    IUnknown* unknown = reinterpret_cast<IUnknown*>(0x2000);
};

constexpr UINT kFirstOwnSlot = 3; // after the three IUnknown slots

TEST(DispCallFunc, PassesEveryArgumentTypeAndReturnsTheResult)
{
    CallTarget target;
    BStr text(u"four");
    LONG out = 0;
    std::vector<Variant> values(16);
    values[0].iVal = -2;
    values[1].lVal = -4000000;
    values[2].intVal = 123;
    values[3].ulVal = 0xFFFFFFF0u;
    values[4].boolVal = VARIANT_TRUE;
    values[5].fltVal = 0.5f;
    values[6].dblVal = -1.25;
    values[7].bstrVal = text.Get();
    values[8].pdispVal = target.dispatch;
    values[9].punkVal = target.unknown;
    values[10].vt = VT_I4; // the VARIANT itself is the argument
    values[10].lVal = 77;
    values[11].plVal = &out;
    values[12].llVal = -5000000000LL;
    values[13].dblVal = 3.5;
    values[14].fltVal = -0.25f;
    values[15].iVal = 32767;
    const VARTYPE types[16] = {VT_I2,      VT_I4,      VT_INT,     VT_UI4,           VT_BOOL, VT_R4, VT_R8, VT_BSTR,
                               VT_DISPATCH, VT_UNKNOWN, VT_VARIANT, VT_BYREF | VT_I4, VT_I8,   VT_R8, VT_R4, VT_I2};
    VARIANTARG* pointers[16];
    for (int i = 0; i < 16; ++i)
        pointers[i] = &values[i];

    Variant result;
    ASSERT_EQ(S_OK, DispCallFunc(static_cast<ICallTarget*>(&target), kFirstOwnSlot, VT_HRESULT, 16, types, pointers,
                                 result.Out()));
    EXPECT_EQ(VT_HRESULT, result.vt);
    EXPECT_EQ(MakeHResult(0x80041234), result.scode);
    EXPECT_EQ("-2|-4000000|123|4294967280|-1|0.500000|-1.250000|4|d|u|3:77|-5000000000|3.500000|-0.250000|32767",
              target.seen);
    EXPECT_EQ(99, out);
    values[7].bstrVal = nullptr; // owned by `text`
    values[8].pdispVal = nullptr;
    values[9].punkVal = nullptr;
    values[10].vt = VT_EMPTY;

    Variant argument = Variant::FromLong(31);
    VARIANTARG* one[] = {&argument};
    const VARTYPE oneType[] = {VT_I4};
    ASSERT_EQ(S_OK, DispCallFunc(static_cast<ICallTarget*>(&target), kFirstOwnSlot + 1, VT_EMPTY, 1, oneType, one,
                                 result.Out()));
    EXPECT_EQ(31, target.noResult);
    EXPECT_EQ(VT_EMPTY, result.vt);
}

TEST(DispCallFunc, RefusesWhatItCannotPass)
{
    CallTarget target;
    Variant argument;
    VARIANTARG* one[] = {&argument};
    const VARTYPE decimal[] = {VT_DECIMAL};
    const VARTYPE plain[] = {VT_I4};
    Variant result;
    void* instance = static_cast<ICallTarget*>(&target);
    EXPECT_EQ(E_INVALIDARG, DispCallFunc(nullptr, kFirstOwnSlot + 1, VT_EMPTY, 1, plain, one, result.Out()));
    EXPECT_EQ(E_INVALIDARG, DispCallFunc(instance, kFirstOwnSlot + 1, VT_EMPTY, 1, nullptr, one, result.Out()));
    EXPECT_EQ(E_INVALIDARG, DispCallFunc(instance, kFirstOwnSlot + 1, VT_HRESULT, 1, plain, one, nullptr));
    EXPECT_EQ(DISP_E_BADVARTYPE, DispCallFunc(instance, kFirstOwnSlot + 1, VT_EMPTY, 1, decimal, one, result.Out()));
    EXPECT_EQ(DISP_E_BADVARTYPE, DispCallFunc(instance, kFirstOwnSlot + 1, VT_VARIANT, 1, plain, one, result.Out()));
    EXPECT_EQ(0, target.noResult);
}

// The C++ member a description's function names: Add, get_Cell, put_Cell, ...
std::string CppName(const FuncDescription& f)
{
    switch (f.invokeKind) {
    case INVOKE_PROPERTYGET: return std::string("get_") + f.name;
    case INVOKE_PROPERTYPUT: return std::string("put_") + f.name;
    case INVOKE_PROPERTYPUTREF: return std::string("putref_") + f.name;
    default: return f.name;
    }
}

WORD FlagsFor(const FuncDescription& f)
{
    switch (f.invokeKind) {
    case INVOKE_PROPERTYGET: return DISPATCH_PROPERTYGET;
    case INVOKE_PROPERTYPUT: return DISPATCH_PROPERTYPUT;
    case INVOKE_PROPERTYPUTREF: return DISPATCH_PROPERTYPUTREF;
    default: return DISPATCH_METHOD;
    }
}

// Calls every function of `description` on `object`, once through its
// vtable slot and once through Invoke, with empty arguments; the object's
// record of the member that ran must name the function both times.
void CheckEveryMember(IDispatch* object, const InterfaceDescription& description, const std::string& lastCalled,
                      const std::function<void()>& reset)
{
    DispatchCaller caller(object);
    for (UINT i = 0; i < description.funcCount; ++i) {
        const FuncDescription& f = description.funcs[i];
        SCOPED_TRACE(description.name + std::string("::") + CppName(f));

        // The slot: zeroed storage for every parameter, typed afterwards so
        // that what the member handed out is released.
        std::vector<Variant> storage(f.paramCount);
        std::vector<VARIANT> views(f.paramCount);
        std::vector<VARIANTARG*> pointers(f.paramCount);
        std::vector<VARTYPE> types(f.paramCount);
        for (UINT k = 0; k < f.paramCount; ++k) {
            types[k] = f.params[k].vt;
            if (types[k] & VT_BYREF) {
                VariantInit(&views[k]);
                views[k].byref = (types[k] & VT_TYPEMASK) == VT_VARIANT ? static_cast<void*>(&storage[k])
                                                                         : static_cast<void*>(&storage[k].llVal);
                pointers[k] = &views[k];
            } else {
                pointers[k] = &storage[k];
            }
        }
        reset();
        Variant result;
        ASSERT_EQ(S_OK, DispCallFunc(object, f.vtableIndex, VT_HRESULT, f.paramCount, types.data(), pointers.data(),
                                     result.Out()));
        EXPECT_EQ(CppName(f), lastCalled);
        for (UINT k = 0; k < f.paramCount; ++k)
            if ((types[k] & VT_BYREF) && (types[k] & VT_TYPEMASK) != VT_VARIANT)
                storage[k].vt = types[k] & VT_TYPEMASK;

        // Invoke, choosing the same function by id and flags.
        reset();
        const bool put = f.invokeKind == INVOKE_PROPERTYPUT || f.invokeKind == INVOKE_PROPERTYPUTREF;
        UINT given = 0;
        for (UINT k = 0; k < f.paramCount; ++k)
            given += (f.params[k].flags & PARAMFLAG_FRETVAL) ? 0 : 1;
        std::vector<VARIANT> args(given);
        for (VARIANT& a : args)
            VariantInit(&a);
        std::vector<DISPID> named;
        if (put)
            named.push_back(DISPID_PROPERTYPUT);
        InvokeOutcome r = caller.Raw(f.id, FlagsFor(f), args, named);
        EXPECT_EQ(S_OK, r.hr);
        EXPECT_EQ(CppName(f), lastCalled);
    }
}

TEST(DispatchVtable, EveryGeneratedMemberSitsInTheSlotItsTableNames)
{
    ComPtr<ITestDispatch> object = MakeTestObject<CTestDispatch>();
    CTestDispatch& impl = Implementation<CTestDispatch>(object.Get());
    CheckEveryMember(object.Get(), ITestDispatch_Interface, impl.lastCalled, [&] { impl.lastCalled.clear(); });

    ComPtr<ITestPeer> peer = MakeTestObject<CTestPeer>();
    CTestPeer& peerImpl = Implementation<CTestPeer>(peer.Get());
    CheckEveryMember(peer.Get(), ITestPeer_Interface, peerImpl.lastCalled, [&] { peerImpl.lastCalled.clear(); });

    ComPtr<_DTestEvents> sink = MakeTestObject<CTestEvents>();
    CTestEvents& sinkImpl = Implementation<CTestEvents>(sink.Get());
    CheckEveryMember(sink.Get(), _DTestEvents_Interface, sinkImpl.lastCalled, [&] { sinkImpl.lastCalled.clear(); });
}

TEST(DispatchVtable, CppCallAndLateBoundCallRunTheSameMember)
{
    ComPtr<ITestDispatch> object = MakeTestObject<CTestDispatch>();
    CTestDispatch& impl = Implementation<CTestDispatch>(object.Get());
    DispatchCaller caller(object.Get());

    ASSERT_EQ(S_OK, object->put_Cell(3, 4, VARIANT_TRUE));
    EXPECT_EQ("put_Cell", impl.lastCalled);
    InvokeOutcome r = caller.Get(u"Cell", {Variant::FromLong(3), Variant::FromLong(4)});
    EXPECT_EQ("get_Cell", impl.lastCalled);
    EXPECT_EQ(VARIANT_TRUE, r.result.boolVal);

    ASSERT_EQ(S_OK, caller.Put(u"Cell", {Variant::FromLong(5), Variant::FromLong(6)}, Variant::FromBool(true)).hr);
    EXPECT_EQ("put_Cell", impl.lastCalled);
    VARIANT_BOOL value = VARIANT_FALSE;
    ASSERT_EQ(S_OK, object->get_Cell(5, 6, &value));
    EXPECT_EQ(VARIANT_TRUE, value);
}

} // namespace
