// A minimal in-process server: one class on DispatchObject, with its type
// library tables written out by hand.
#include "TestCounter.h"

#include "platform/ComObject.h"

namespace {

const ParamDescription kGetValueParams[] = {
    {"value", VT_BYREF | VT_I4, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL, nullptr, nullptr},
};
const ParamDescription kPutValueParams[] = {
    {"value", VT_I4, PARAMFLAG_FIN, nullptr, nullptr},
};
const ParamDescription kAddParams[] = {
    {"amount", VT_I4, PARAMFLAG_FIN | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT, nullptr, "1"},
    {"total", VT_BYREF | VT_I4, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL, nullptr, nullptr},
};
const FuncDescription kFuncs[] = {
    {1, "Value", INVOKE_PROPERTYGET, 7, 1, kGetValueParams},
    {1, "Value", INVOKE_PROPERTYPUT, 8, 1, kPutValueParams},
    {2, "Add", INVOKE_FUNC, 9, 2, kAddParams},
};
const InterfaceDescription kTestCounterInterface = {"ITestCounter", ITestCounter::iid, INTERFACE_DUAL, 3, kFuncs};
const InterfaceDescription* const kInterfaces[] = {&kTestCounterInterface};

const CoClassDescription kTestCounterClass = {
    "TestCounter",          CLSID_TestCounter, kTestCounterProgId, kTestCounterIndependentProgId,
    "TestCounter Class",    &kTestCounterInterface, nullptr,
};
const CoClassDescription* const kCoClasses[] = {&kTestCounterClass};

const TypeLibDescription kTypeLib = {
    "TsTestModule", LIBID_TsTestModule, 1, 0, 0x409, "Tessaly Test Module 1.0 Type Library",
    1,              kInterfaces,        1, kCoClasses, 0, nullptr,
};

} // namespace

template <>
struct InterfaceLibrary<ITestCounter> {
    static const TypeLibDescription& Get() { return kTypeLib; }
};

namespace {

class CTestCounter : public DispatchObject<CTestCounter, ITestCounter> {
public:
    static const CoClassDescription& CoClass() { return kTestCounterClass; }

    HRESULT get_Value(LONG* value) override
    {
        if (!value)
            return E_POINTER;
        std::lock_guard guard(ObjectLock());
        *value = value_;
        return S_OK;
    }
    HRESULT put_Value(LONG value) override
    {
        std::lock_guard guard(ObjectLock());
        value_ = value;
        return S_OK;
    }
    HRESULT Add(LONG amount, LONG* total) override
    {
        if (!total)
            return E_POINTER;
        std::lock_guard guard(ObjectLock());
        value_ += amount;
        *total = value_;
        return S_OK;
    }

private:
    LONG value_ = 0;
};

const ModuleDescription& Describe()
{
    static const ClassEntry classes[] = {{&kTestCounterClass, &CTestCounter::CreateInstance}};
    static const ModuleDescription description{&kTypeLib, classes, 1, &ThisModule()};
    return description;
}

} // namespace

TS_DEFINE_MODULE(Describe)
