// The interface of the test module's one class, declared by hand so that
// the activation tests depend on no generated code.
#pragma once

#include "platform/Interfaces.h"
#include "platform/TypeDescription.h"

struct ITestCounter : IDispatch {
    static constexpr IID iid = MakeGuid("{5B0C3E6A-7D41-4F25-9C1E-2A6F0B8D4E31}");
    virtual HRESULT get_Value(LONG* value) = 0;
    virtual HRESULT put_Value(LONG value) = 0;
    virtual HRESULT Add(LONG amount, LONG* total) = 0;
};

constexpr CLSID CLSID_TestCounter = MakeGuid("{C7D2A915-3E8B-4A60-B1F4-95E0D27C6A18}");
constexpr GUID LIBID_TsTestModule = MakeGuid("{0E9F4B72-61AC-4D3B-8E25-F7A14C9D0B56}");
constexpr const char* kTestCounterProgId = "TsTestModule.TestCounter.1";
constexpr const char* kTestCounterIndependentProgId = "TsTestModule.TestCounter";
