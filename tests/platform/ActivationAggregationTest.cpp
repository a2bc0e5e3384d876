#include "TempRegistry.h"
#include "TestCounter.h"

#include "platform/Activation.h"
#include "platform/ComObject.h"

#include <gtest/gtest.h>

namespace {

// An outer object that aggregates one inner object and counts what reaches it.
class Outer final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        ++queries;
        if (riid == IUnknown::iid) {
            *object = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        if (!inner) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        return inner->QueryInterface(riid, object);
    }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }

    ULONG references = 1;
    int queries = 0;
    IUnknown* inner = nullptr; // owned by the test
};

template <typename T>
IUnknown* Identity(T* pointer)
{
    IUnknown* identity = nullptr;
    pointer->QueryInterface(IUnknown::iid, reinterpret_cast<void**>(&identity));
    if (identity)
        identity->Release();
    return identity;
}

class AggregationTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(RegisterServerModule(TS_TEST_MODULE, false), S_OK); }
    TempRegistry reg;
};

TEST_F(AggregationTest, TheOuterObjectGetsTheInnerUnknown)
{
    Outer outer;
    ComPtr<IUnknown> inner;
    ASSERT_EQ(CoCreateInstance(CLSID_TestCounter, &outer, CLSCTX_INPROC_SERVER, IUnknown::iid, inner.OutVoid()), S_OK);
    outer.inner = inner.Get();
    EXPECT_EQ(outer.references, 1u) << "creating the inner object does not count on the outer one";

    ComPtr<ITestCounter> counter;
    ASSERT_EQ(inner->QueryInterface(ITestCounter::iid, counter.OutVoid()), S_OK);
    EXPECT_EQ(outer.references, 2u) << "references to the inner interfaces count on the outer object";
    EXPECT_EQ(Identity(counter.Get()), &outer);
    LONG total = 0;
    EXPECT_EQ(counter->Add(4, &total), S_OK);
    EXPECT_EQ(total, 4);

    // IMarshal comes from the aggregated free-threaded marshaler, with the same identity.
    ComPtr<IMarshal> marshal;
    ASSERT_EQ(counter->QueryInterface(IMarshal::iid, marshal.OutVoid()), S_OK);
    EXPECT_EQ(Identity(marshal.Get()), &outer);
    EXPECT_EQ(outer.references, 3u);

    marshal.Reset();
    counter.Reset();
    EXPECT_EQ(outer.references, 1u);
    outer.inner = nullptr;
    inner.Reset(); // destroys the inner object; the sanitizer run checks nothing leaks
}

TEST_F(AggregationTest, AnAggregatedObjectGivesOnlyItsInnerUnknown)
{
    Outer outer;
    void* object = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, &outer, CLSCTX_INPROC_SERVER, ITestCounter::iid, &object),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_TestCounter, CLSCTX_INPROC_SERVER, nullptr, IClassFactory::iid,
                               factory.OutVoid()),
              S_OK);
    object = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(factory->CreateInstance(&outer, IDispatch::iid, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(outer.references, 1u);
}

TEST_F(AggregationTest, AStandaloneObjectAnswersIMarshal)
{
    ComPtr<ITestCounter> counter;
    ASSERT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_INPROC_SERVER, ITestCounter::iid,
                               counter.OutVoid()),
              S_OK);
    ComPtr<IMarshal> marshal;
    ASSERT_EQ(counter->QueryInterface(IMarshal::iid, marshal.OutVoid()), S_OK);
    EXPECT_EQ(Identity(marshal.Get()), Identity(counter.Get()));
    ComPtr<ITestCounter> back;
    EXPECT_EQ(marshal->QueryInterface(ITestCounter::iid, back.OutVoid()), S_OK);
    EXPECT_EQ(back.Get(), counter.Get());
}

TEST(FreeThreadedMarshalerTest, FollowsTheAggregationRules)
{
    Outer outer;
    IUnknown* inner = nullptr;
    ASSERT_EQ(CoCreateFreeThreadedMarshaler(&outer, &inner), S_OK);
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(outer.references, 1u);

    // The inner unknown is the marshaler's own identity...
    IUnknown* self = nullptr;
    ASSERT_EQ(inner->QueryInterface(IUnknown::iid, reinterpret_cast<void**>(&self)), S_OK);
    EXPECT_EQ(self, inner);
    self->Release();

    // ...while IMarshal counts on and asks the outer object.
    IMarshal* marshal = nullptr;
    ASSERT_EQ(inner->QueryInterface(IMarshal::iid, reinterpret_cast<void**>(&marshal)), S_OK);
    EXPECT_EQ(outer.references, 2u);
    EXPECT_EQ(Identity(marshal), &outer);
    int queriesBefore = outer.queries;
    void* other = nullptr;
    EXPECT_EQ(marshal->QueryInterface(IDispatch::iid, &other), E_NOINTERFACE);
    EXPECT_GT(outer.queries, queriesBefore);
    marshal->Release();
    EXPECT_EQ(outer.references, 1u);

    EXPECT_EQ(inner->QueryInterface(IDispatch::iid, &other), E_NOINTERFACE);
    EXPECT_EQ(inner->Release(), 0u);
    EXPECT_EQ(CoCreateFreeThreadedMarshaler(&outer, nullptr), E_INVALIDARG);
}

TEST(FreeThreadedMarshalerTest, WithoutAnOuterObjectItIsItsOwnIdentity)
{
    IUnknown* inner = nullptr;
    ASSERT_EQ(CoCreateFreeThreadedMarshaler(nullptr, &inner), S_OK);
    IMarshal* marshal = nullptr;
    ASSERT_EQ(inner->QueryInterface(IMarshal::iid, reinterpret_cast<void**>(&marshal)), S_OK);
    EXPECT_EQ(Identity(marshal), inner);
    marshal->Release();
    EXPECT_EQ(inner->Release(), 0u);
}

} // namespace
