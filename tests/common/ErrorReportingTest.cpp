// The error model at the automation boundary: which code and which error
// information each kind of failure produces.
#include "common/ErrorReporting.h"
#include "common/MemberFrame.h"
#include "common/StringConversion.h"
#include "platform/CodePage.h"
#include "platform/ErrorInfo.h"
#include "platform/Messages.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace {

constexpr CLSID kRegisteredClass = MakeGuid("{3B565433-E69D-4BF1-A3A5-687898C88502}");
constexpr CLSID kUnregisteredClass = MakeGuid("{0F0F0F0F-1111-2222-3333-444455556666}");
constexpr IID kInterface = MakeGuid("{FBC51FDB-8C47-481B-8563-7ACD2CA3320C}");

struct ThreadError {
    bool present = false;
    GUID guid{};
    std::string source;
    std::string description;
};

ThreadError TakeThreadError()
{
    ThreadError e;
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Out()) != S_OK || !info)
        return e;
    e.present = true;
    info->GetGUID(&e.guid);
    BStr source, description;
    info->GetSource(source.Out());
    info->GetDescription(description.Out());
    e.source = WideToAnsi(source.View());
    e.description = WideToAnsi(description.View());
    return e;
}

class ErrorReportingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() / ("ts-common-" + std::to_string(getpid()) + "-" +
                                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        setenv("TESSALY_REGISTRY", (dir_ / "registry.reg").c_str(), 1);
        const std::string key = "HKEY_CLASSES_ROOT\\CLSID\\" + GuidToString(kRegisteredClass);
        ASSERT_EQ(S_OK, Registry::Update([&](Registry::Edit& edit) {
                      edit.SetString(key + "\\ProgID", "", "TessalyLib.TsUser.1");
                      edit.SetString(key + "\\VersionIndependentProgID", "", "TessalyLib.TsUser");
                  }));
        SetErrorInfo(0, nullptr);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::filesystem::path dir_;
};

TEST_F(ErrorReportingTest, ReportErrorFillsSourceGuidAndDescription)
{
    EXPECT_EQ(E_INVALIDARG, ReportError(kRegisteredClass, "caf\xe9 closed", kInterface, E_INVALIDARG));
    ThreadError e = TakeThreadError();
    ASSERT_TRUE(e.present);
    EXPECT_EQ(kInterface, e.guid);
    EXPECT_EQ("TessalyLib.TsUser.1", e.source);
    EXPECT_EQ("caf\xe9 closed", e.description);
    EXPECT_FALSE(TakeThreadError().present) << "taking the error information clears it";
}

TEST_F(ErrorReportingTest, UnregisteredClassGetsNoSourceButTheRest)
{
    EXPECT_EQ(DISP_E_EXCEPTION, ReportError(kUnregisteredClass, "text", kInterface, 0));
    ThreadError e = TakeThreadError();
    ASSERT_TRUE(e.present);
    EXPECT_EQ("", e.source);
    EXPECT_EQ("text", e.description);
    EXPECT_EQ(kInterface, e.guid);
}

TEST_F(ErrorReportingTest, ComExceptionReports)
{
    // A success code installs nothing.
    EXPECT_EQ(S_FALSE, ComException(S_FALSE, true, "ignored").Report(kRegisteredClass, kInterface));
    EXPECT_FALSE(TakeThreadError().present);
    // Flag clear: the code alone.
    EXPECT_EQ(E_FAIL, ComException(E_FAIL, false, "ignored").Report(kRegisteredClass, kInterface));
    EXPECT_FALSE(TakeThreadError().present);
    // "Unknown error" is described by the system's text for the code.
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              ComException(REGDB_E_CLASSNOTREG, true, "Unknown error").Report(kRegisteredClass, kInterface));
    EXPECT_EQ(*SystemMessageText(REGDB_E_CLASSNOTREG), TakeThreadError().description);
    // Any other message is the description.
    EXPECT_EQ(E_ACCESSDENIED, ComException(E_ACCESSDENIED, true, "no way").Report(kRegisteredClass, kInterface));
    EXPECT_EQ("no way", TakeThreadError().description);
}

TEST_F(ErrorReportingTest, SystemErrorWithoutTextUsesUnsignedFallback)
{
    const HRESULT unknown = MakeHResult(0xA0001234);
    EXPECT_EQ(unknown, ReportSystemError(unknown, kRegisteredClass, kInterface));
    EXPECT_EQ("Unknown error 2684359220", TakeThreadError().description);
}

TEST(PlatformErrorTest, SystemMessageDropsTrailingLineBreakAndHasFallbacks)
{
    std::string pointer = PlatformError(E_POINTER).SystemMessage();
    EXPECT_FALSE(pointer.empty());
    EXPECT_NE('\n', pointer.back());
    EXPECT_NE('\r', pointer.back());
    EXPECT_EQ(SystemMessageText(E_POINTER)->substr(0, pointer.size()), pointer);

    EXPECT_EQ("IDispatch error #5", PlatformError(MakeHResult(0x80040205)).SystemMessage());
    EXPECT_EQ("IDispatch error #4660", PlatformError(MakeHResult(0x80040200 + 0x1234)).SystemMessage());
    EXPECT_EQ("Unknown error 0xA0001234", PlatformError(MakeHResult(0xA0001234)).SystemMessage());
}

// The member frame, for each kind of failure.
struct FrameCase {
    const char* name;
    void (*body)();
    HRESULT expectedCode;
    const char* expectedDescription; // null: the system text for the code
};

const FrameCase kFrameCases[] = {
    {"success", [] {}, S_OK, nullptr},
    {"runtime_error", [] { throw std::runtime_error("Line index out of bounds: max=2 index=0"); }, DISP_E_EXCEPTION,
     "Line index out of bounds: max=2 index=0"},
    {"logic_error", [] { throw std::out_of_range("range"); }, DISP_E_EXCEPTION, "range"},
    {"com_exception", [] { throw ComException(REGDB_E_CLASSNOTREG, true, "Unknown error"); }, REGDB_E_CLASSNOTREG,
     nullptr},
    {"platform_error", [] { throw PlatformError(E_POINTER); }, E_POINTER, nullptr},
    {"platform_error_conversion", [] { throw PlatformError(DISP_E_TYPEMISMATCH); }, DISP_E_TYPEMISMATCH, nullptr},
    {"anything_else", [] { throw 42; }, E_FAIL, nullptr},
};

TEST_F(ErrorReportingTest, MemberFrameReportsEachKindOfFailure)
{
    for (const FrameCase& c : kFrameCases) {
        SCOPED_TRACE(c.name);
        HRESULT hr = GuardedMember(kRegisteredClass, kInterface, c.body);
        EXPECT_EQ(c.expectedCode, hr);
        ThreadError e = TakeThreadError();
        if (hr == S_OK) {
            EXPECT_FALSE(e.present);
            continue;
        }
        ASSERT_TRUE(e.present);
        EXPECT_EQ("TessalyLib.TsUser.1", e.source);
        EXPECT_EQ(kInterface, e.guid);
        if (c.expectedDescription) {
            EXPECT_EQ(c.expectedDescription, e.description);
        } else if (c.expectedCode == E_FAIL) {
            EXPECT_EQ(*SystemMessageText(E_FAIL), e.description);
        } else {
            EXPECT_EQ(PlatformError(c.expectedCode).SystemMessage().substr(0, 10), e.description.substr(0, 10));
        }
    }
}

TEST_F(ErrorReportingTest, PlatformErrorCarriesTheComponentsDescription)
{
    ComPtr<ICreateErrorInfo> create;
    ASSERT_EQ(S_OK, CreateErrorInfo(create.Out()));
    std::u16string text = u"component says no";
    create->SetDescription(text.data());
    HRESULT hr = GuardedMember(kRegisteredClass, kInterface,
                               [&] { throw PlatformError(E_ACCESSDENIED, create.As<IErrorInfo>()); });
    EXPECT_EQ(E_ACCESSDENIED, hr);
    EXPECT_EQ("component says no", TakeThreadError().description);
}

TEST(StringConversionTest, NullIsEmptyAndUnmappableBecomesDefaultChar)
{
    EXPECT_EQ("", FromBstr(nullptr));
    BStr zoe(u"Zo\u00eb \u0100");
    EXPECT_EQ("Zo\xeb ?", FromBstr(zoe.Get()));
    BStr back = BStr::Attach(ToBstr("Zo\xeb"));
    EXPECT_EQ(u"Zo\u00eb", back.View());
    BStr empty = BStr::Attach(ToBstr(""));
    EXPECT_FALSE(empty.IsNull());
    EXPECT_EQ(0u, empty.Length());
    // Embedded zero bytes survive both ways.
    BStr withZero = BStr::Attach(ToBstr(std::string("a\0b", 3)));
    EXPECT_EQ(3u, withZero.Length());
    EXPECT_EQ(std::string("a\0b", 3), FromBstr(withZero.Get()));
}

} // namespace

#include "common/IndexCheck.h"

namespace {
TEST(IndexCheckTest, Messages)
{
    struct Case {
        LONG index;
        size_t count;
        const char* message; // null: passes
    };
    const Case cases[] = {
        {0, 0, "Index 0 is not in the list. The list is empty"},
        {3, 2, "Index 3 is not in the list's range [0 to 1]."},
        {-1, 2, "Index -1 is not in the list's range [0 to 1]."},
        {1, 2, nullptr},
        {0, 1, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        if (!c.message) {
            EXPECT_NO_THROW(CheckListIndex(c.index, c.count));
            continue;
        }
        try {
            CheckListIndex(c.index, c.count);
            ADD_FAILURE() << "no failure";
        } catch (const std::exception& e) {
            EXPECT_STREQ(c.message, e.what());
        }
    }
}
} // namespace
