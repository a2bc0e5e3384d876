#include "tests/automation/AutomationTestFixture.h"

#include "platform/CodePage.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#ifndef TS_TESSALYLIB_MODULE
#error "TS_TESSALYLIB_MODULE must name the module under test"
#endif

namespace {

// Registers both modules into a fresh registry file before any test runs.
class RegisteredModules : public testing::Environment {
public:
    void SetUp() override
    {
        char name[] = "/tmp/tessaly-automation-XXXXXX.reg";
        const int fd = mkstemps(name, 4);
        ASSERT_GE(fd, 0);
        close(fd);
        Path() = name;
        setenv("TESSALY_REGISTRY", name, 1);
        ASSERT_EQ(RegisterServerModule(TS_XMLDOM_MODULE, false), S_OK);
        ASSERT_EQ(RegisterServerModule(TS_TESSALYLIB_MODULE, false), S_OK);
    }
    void TearDown() override
    {
        std::remove(Path().c_str());
        std::remove((Path() + ".lock").c_str());  // the registry's advisory lock file
    }

    static std::string& Path()
    {
        static std::string path;
        return path;
    }
};

[[maybe_unused]] testing::Environment* const registeredModules =
    testing::AddGlobalTestEnvironment(new RegisteredModules);

} // namespace

const std::string& TestRegistryPath()
{
    return RegisteredModules::Path();
}

BStr Text(std::string_view utf8)
{
    return BStr(Utf8ToWide(utf8));
}

std::string Utf8(BSTR text)
{
    return text ? WideToUtf8(std::u16string_view(text, SysStringLen(text))) : std::string();
}

ErrorDetails TakeErrorInfo()
{
    ErrorDetails details;
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Out()) != S_OK || !info) {
        ADD_FAILURE() << "no error information was left";
        return details;
    }
    info->GetGUID(&details.guid);
    BStr source;
    BStr description;
    info->GetSource(source.Out());
    info->GetDescription(description.Out());
    details.source = Utf8(source.Get());
    details.description = Utf8(description.Get());
    return details;
}

void AutomationTest::TearDown()
{
    if (auto service = Create<ITsService>(CLSID_TsService))
        service->put_TimeoutMs(30000);
}

AutomationTest::Outcome AutomationTest::Read(ITsServiceResponse* response)
{
    Outcome outcome{};
    if (!response) {
        ADD_FAILURE() << "no response object";
        return outcome;
    }
    VARIANT_BOOL success = 0;
    BStr text;
    EXPECT_EQ(response->get_IsSuccess(&success), S_OK);
    EXPECT_EQ(response->get_ErrorCode(&outcome.errorCode), S_OK);
    EXPECT_EQ(response->get_ErrorText(text.Out()), S_OK);
    outcome.isSuccess = success == VARIANT_TRUE;
    outcome.errorText = Utf8(text.Get());
    return outcome;
}
