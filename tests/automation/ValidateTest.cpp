// ITsUser::Validate end to end against the quiz-service double.
#include "tests/automation/AutomationTestFixture.h"

#include "platform/CodePage.h"
#include "platform/Messages.h"
#include "platform/Registry.h"
#include "platform/Variant.h"

#include <chrono>
#include <future>
#include <optional>

namespace {

using tstest::PeerReply;
using tstest::QuizServiceDouble;

class ValidateTest : public AutomationTest {
protected:
    // Validate(url, "teacher", "secret") on a new user; expects S_OK.
    ComPtr<ITsServiceResponse> Validate(const std::string& url)
    {
        user = Create<ITsUser>(CLSID_TsUser);
        ComPtr<ITsServiceResponse> response;
        EXPECT_EQ(user->Validate(Text(url).Get(), Text("teacher").Get(), Text("secret").Get(), response.Out()), S_OK);
        return response;
    }
    void ExpectUserKeeps(const std::string& url)
    {
        BStr name, password, server;
        user->get_UserName(name.Out());
        user->get_Password(password.Out());
        user->get_ServerURL(server.Out());
        EXPECT_EQ(Utf8(name.Get()), "teacher");
        EXPECT_EQ(Utf8(password.Get()), "secret");
        EXPECT_EQ(Utf8(server.Get()), url);
    }

    ComPtr<ITsUser> user;
};

TEST_F(ValidateTest, TheOutcomeOfEachReplyArrivesInTheResponse)
{
    struct Case {
        const char* what;
        PeerReply reply;
        bool isSuccess;
        LONG code;
        std::string text;  // a prefix for the parse error, whose reason is the component's
    };
    const Case cases[] = {
        {"valid", PeerReply::Ok(QuizServiceDouble::Response(0)), true, 0, "No error text specified"},
        {"refused", PeerReply::Ok(QuizServiceDouble::Response(12, "Wrong password")), false, 12, "Wrong password"},
        {"no response", PeerReply::Ok(QuizServiceDouble::Envelope("<other/>")), false, -3, "No response found"},
        {"no error_code", PeerReply::Ok(QuizServiceDouble::Response(std::nullopt)), false, -4,
         "No error text specified"},
        {"fault", PeerReply::Ok(
             "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body><e:Fault>"
             "<faultcode>e:Server</faultcode><faultstring>Try later</faultstring></e:Fault></e:Body></e:Envelope>"),
         false, -1, "Fault (e:Server) Try later"},
        {"malformed", PeerReply::Ok("<response error_code="), false, -1, "ErrorCode: "},
        {"HTTP error", PeerReply::Status(404), false, -1, "Error object not found accessing " + service.Url()},
    };
    for (const Case& c : cases) {
        service.Respond("validateUser", c.reply);
        auto response = Validate(service.Url());
        const Outcome outcome = Read(response.Get());
        EXPECT_EQ(outcome.isSuccess, c.isSuccess) << c.what;
        EXPECT_EQ(outcome.errorCode, c.code) << c.what;
        EXPECT_EQ(outcome.errorText.substr(0, c.text.size()), c.text) << c.what;
        ExpectUserKeeps(service.Url());
    }
    // The body the service received.
    const tstest::ServiceCall call = service.LastCall();
    EXPECT_EQ(call.soapAction, "\"urn:tessalyUser\"");
    EXPECT_EQ(call.Outline(),
              "ns1:validateUser{xmlns:ns1=urn:tessalyUser}(request{user_name=teacher password=secret})");
}

TEST_F(ValidateTest, AnUnreachableServerIsAnOutcomeNotAFailure)
{
    std::string closedUrl;
    {
        tstest::HttpPeer gone;
        closedUrl = gone.Url("/service");
    }
    auto response = Validate(closedUrl);
    const Outcome outcome = Read(response.Get());
    EXPECT_FALSE(outcome.isSuccess);
    EXPECT_EQ(outcome.errorCode, -1);
    EXPECT_EQ(outcome.errorText, "The attempt to connect to the server failed.");
    ExpectUserKeeps(closedUrl);
}

TEST_F(ValidateTest, MalformedReplyDataFailsTheMember)
{
    service.Respond("validateUser", QuizServiceDouble::Envelope("<response error_code=\"twelve\"/>"));
    user = Create<ITsUser>(CLSID_TsUser);
    ComPtr<ITsServiceResponse> response;
    EXPECT_EQ(user->Validate(Text(service.Url()).Get(), Text("teacher").Get(), Text("secret").Get(),
                             response.Out()),
              DISP_E_TYPEMISMATCH);
    const ErrorDetails error = TakeErrorInfo();
    EXPECT_EQ(error.source, "TessalyLib.TsUser.1");
    EXPECT_EQ(error.guid, IID_ITsUser);
    // The response handed out before the exchange still shows success.
    const Outcome outcome = Read(response.Get());
    EXPECT_TRUE(outcome.isSuccess);
    EXPECT_EQ(outcome.errorCode, 0);
    ExpectUserKeeps(service.Url());
    // The object's lock was let go: another thread gets in.
    auto other = std::async(std::launch::async, [&] {
        BStr name;
        return user->get_UserName(name.Out());
    });
    ASSERT_EQ(other.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(other.get(), S_OK);
}

TEST_F(ValidateTest, ANullResultArgumentChangesNothing)
{
    user = Create<ITsUser>(CLSID_TsUser);
    EXPECT_EQ(user->Validate(Text(service.Url()).Get(), Text("teacher").Get(), Text("secret").Get(), nullptr),
              E_POINTER);
    BStr name;
    user->get_UserName(name.Out());
    EXPECT_EQ(Utf8(name.Get()), "");
    EXPECT_EQ(service.CallCount(), 0u);
}

TEST_F(ValidateTest, TheSharedTimeOutGovernsTheNextRequest)
{
    service.Respond("validateUser",
                    PeerReply::Ok(QuizServiceDouble::Response(0)).After(std::chrono::milliseconds(2000)));
    auto setter = Create<ITsService>(CLSID_TsService);
    ASSERT_EQ(setter->put_TimeoutMs(200), S_OK);
    const Outcome outcome = Read(Validate(service.Url()).Get());
    EXPECT_EQ(outcome.errorCode, -1);
    EXPECT_EQ(outcome.errorText, "Connection timeout accessing " + service.Url());
}

TEST_F(ValidateTest, ValidateThroughIDispatchReturnsTheResponseObject)
{
    service.Respond("validateUser", QuizServiceDouble::Response(0, "Hello"));
    auto dispatch = Create<IDispatch>(CLSID_TsUser);
    ASSERT_TRUE(dispatch);
    // Arguments in reverse order: password, user name, URL.
    Variant arguments[3] = {Variant::FromString(u"secret"), Variant::FromString(u"teacher"),
                            Variant::FromString(Utf8ToWide(service.Url()))};
    DISPPARAMS params{arguments, nullptr, 3, 0};
    Variant result;
    ASSERT_EQ(dispatch->Invoke(5, GUID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params,
                               &result, nullptr, nullptr),
              S_OK);
    ASSERT_TRUE(result.vt == VT_DISPATCH || result.vt == VT_UNKNOWN);
    ComPtr<ITsServiceResponse> response = ComPtr<IUnknown>(result.punkVal).As<ITsServiceResponse>();
    const Outcome outcome = Read(response.Get());
    EXPECT_TRUE(outcome.isSuccess);
    EXPECT_EQ(outcome.errorText, "Hello");
}

TEST_F(ValidateTest, AResponseThatCannotBeCreatedFailsWithTheCreationCode)
{
    service.Respond("validateUser", QuizServiceDouble::Response(0));
    const std::string key = "HKEY_CLASSES_ROOT\\CLSID\\" + GuidToString(CLSID_TsServiceResponse);
    ASSERT_EQ(Registry::Update([&](Registry::Edit& edit) { edit.DeleteTree(key); }), S_OK);
    user = Create<ITsUser>(CLSID_TsUser);
    ComPtr<ITsServiceResponse> response;
    const HRESULT hr =
        user->Validate(Text(service.Url()).Get(), Text("teacher").Get(), Text("secret").Get(), response.Out());
    const ErrorDetails error = TakeErrorInfo();
    ASSERT_EQ(RegisterServerModule(TS_TESSALYLIB_MODULE, false), S_OK);

    EXPECT_EQ(hr, REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(response);
    EXPECT_EQ(error.source, "TessalyLib.TsUser.1");
    EXPECT_EQ(error.description, *SystemMessageText(REGDB_E_CLASSNOTREG));
    EXPECT_EQ(service.CallCount(), 0u);  // nothing was sent
}

} // namespace
