// Every test of this binary sees TessalyLib and the XML document component
// registered in a registry file of its own process, as a host would after
// `tshost regsvr`; objects come from CoCreateInstance.
#pragma once

#include "common/Exceptions.h"
#include "platform/Activation.h"
#include "platform/Bstr.h"
#include "platform/ComPtr.h"
#include "platform/ErrorInfo.h"
#include "tests/support/QuizServiceDouble.h"
#include "typelib/TessalyLib.h"

#include <gtest/gtest.h>

#include <string>

// The registry file every test of this process uses.
const std::string& TestRegistryPath();

// Creates an object of the class through the platform.
template <typename Interface>
ComPtr<Interface> Create(REFCLSID clsid)
{
    ComPtr<Interface> object;
    const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, Interface::iid, object.OutVoid());
    EXPECT_EQ(hr, S_OK);
    return object;
}

// UTF-16 from a UTF-8 literal, and a BSTR's text back as UTF-8.
BStr Text(std::string_view utf8);
std::string Utf8(BSTR text);

// The error information a failing member left on this thread.
struct ErrorDetails {
    GUID guid{};
    std::string source;
    std::string description;
};
ErrorDetails TakeErrorInfo();

class AutomationTest : public testing::Test {
protected:
    void TearDown() override;  // puts the library time-out back to 30000

    // Reads a response object's three properties.
    struct Outcome {
        bool isSuccess;
        LONG errorCode;
        std::string errorText;
    };
    static Outcome Read(ITsServiceResponse* response);

    tstest::QuizServiceDouble service;
};
