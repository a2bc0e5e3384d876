// How replies of the quiz service become a ServiceResult.
#include "tests/service/PipelineTestFixture.h"

#include "common/Exceptions.h"
#include "service/ServiceOperations.h"

#include <optional>

namespace {

using tstest::PeerReply;
using tstest::QuizServiceDouble;

// A SOAP fault under an envelope prefix other than SOAP-ENV, which the
// transport's plain-text check does not see.
std::string ForeignPrefixFault(std::string_view faultChildren)
{
    return "<?xml version=\"1.0\"?><soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
           "<soap:Body><soap:Fault>" +
           std::string(faultChildren) + "</soap:Fault></soap:Body></soap:Envelope>";
}

TEST_F(PipelineTest, RepliesFollowTheResultTable)
{
    struct Case {
        const char* what;
        std::string reply;
        std::int32_t code;
        std::string text;
    };
    const Case cases[] = {
        {"success without text", QuizServiceDouble::Response(0), 0, "No error text specified"},
        {"success with text", QuizServiceDouble::Response(0, "Welcome back"), 0, "Welcome back"},
        {"application error", QuizServiceDouble::Response(17, "Unknown user"), 17, "Unknown user"},
        {"lowest code", QuizServiceDouble::Response(-2147483648L, "low"), INT32_MIN, "low"},
        {"no error_code", QuizServiceDouble::Response(std::nullopt, "half an answer"), -4, "half an answer"},
        {"neither attribute", QuizServiceDouble::Response(std::nullopt), -4, "No error text specified"},
        {"no response element", QuizServiceDouble::Envelope("<ns1:x xmlns:ns1=\"urn:a\"/>"), -3, "No response found"},
        {"prefixed response",
         QuizServiceDouble::Envelope("<t:response xmlns:t=\"urn:t\" error_code=\"0\"/>"), -3, "No response found"},
        {"response in a default namespace",
         QuizServiceDouble::Envelope("<reply xmlns=\"urn:t\"><response error_code=\"0\"/></reply>"), -3,
         "No response found"},
        {"two responses: the first counts",
         QuizServiceDouble::Envelope("<r><response error_code=\"3\" error_text=\"first\"/>"
                                     "<response error_code=\"0\"/></r>"),
         3, "first"},
        {"nested responses: the outer counts",
         QuizServiceDouble::Envelope("<response error_text=\"outer\"><response error_code=\"0\"/></response>"), -4,
         "outer"},
        {"fault under another prefix",
         ForeignPrefixFault("<faultcode>soap:Server</faultcode>"
                            "<faultstring>Database &amp; index <i>down</i></faultstring>"),
         -1, "Fault (soap:Server) Database & index down"},
        {"fault found by the transport",
         QuizServiceDouble::Envelope("<SOAP-ENV:Fault><faultcode>SOAP-ENV:Client</faultcode>"
                                     "<faultstring>Bad request</faultstring></SOAP-ENV:Fault>"),
         -1, "Bad request"},
    };
    for (const Case& c : cases) {
        service.Respond("validateUser", c.reply);
        const Tessaly::ServiceResult result = Tessaly::ValidateUser(User());
        EXPECT_EQ(result.ErrorCode, c.code) << c.what;
        EXPECT_EQ(result.ErrorText, c.text) << c.what;
        EXPECT_TRUE(result.Reply || c.code == -1) << c.what;
    }
}

TEST_F(PipelineTest, UnparsableRepliesCarryTheParseError)
{
    for (const char* reply : {"", "<response error_code=\"0\">", "not xml at all"}) {
        service.Respond("validateUser", reply);
        const Tessaly::ServiceResult result = Tessaly::ValidateUser(User());
        EXPECT_EQ(result.ErrorCode, -1) << reply;
        EXPECT_EQ(result.ErrorText.rfind("ErrorCode: ", 0), 0u) << result.ErrorText;
        EXPECT_NE(result.ErrorText.find(". At line:char ("), std::string::npos) << result.ErrorText;
        EXPECT_FALSE(result.Reply);
    }
}

TEST_F(PipelineTest, TransportFailuresCarryTheTransportText)
{
    service.Respond("validateUser", PeerReply::Status(500, "oops"));
    Tessaly::ServiceResult result = Tessaly::ValidateUser(User());
    EXPECT_EQ(result.ErrorCode, -1);
    EXPECT_EQ(result.ErrorText, "Error internal server error accessing " + service.Url());

    std::string closedUrl;
    {
        tstest::HttpPeer gone;
        closedUrl = gone.Url("/service");
    }
    result = Tessaly::ValidateUser({"teacher", "secret", closedUrl});
    EXPECT_EQ(result.ErrorCode, -1);
    EXPECT_EQ(result.ErrorText, "The attempt to connect to the server failed.");
    EXPECT_FALSE(result.Reply);
}

TEST_F(PipelineTest, MalformedDataInAReplyIsAFault)
{
    const auto withCode = [](const std::string& code) {
        return QuizServiceDouble::Envelope("<response error_code=\"" + code + "\" error_text=\"t\"/>");
    };
    struct Case {
        const char* what;
        std::string reply;
        HRESULT code;
    };
    const Case cases[] = {
        {"letters in error_code", withCode("abc"), DISP_E_TYPEMISMATCH},
        {"empty error_code", withCode(""), DISP_E_TYPEMISMATCH},
        {"error_code beyond 32 bits", withCode("99999999999"), DISP_E_OVERFLOW},
        {"fault without faultcode", ForeignPrefixFault("<faultstring>x</faultstring>"), E_POINTER},
        {"fault without faultstring", ForeignPrefixFault("<faultcode>x</faultcode>"), E_POINTER},
    };
    for (const Case& c : cases) {
        service.Respond("validateUser", c.reply);
        try {
            Tessaly::ValidateUser(User());
            ADD_FAILURE() << c.what << ": no failure";
        } catch (const PlatformError& e) {
            EXPECT_EQ(e.Code(), c.code) << c.what;
        }
    }
}

TEST_F(PipelineTest, TheLibraryTimeOutGovernsEachExchange)
{
    service.Respond("validateUser", PeerReply::Ok(QuizServiceDouble::Response(0)).After(std::chrono::milliseconds(2000)));
    Tessaly::SetServiceTimeoutMs(200);
    const Tessaly::ServiceResult late = Tessaly::ValidateUser(User());
    EXPECT_EQ(late.ErrorCode, -1);
    EXPECT_EQ(late.ErrorText, "Connection timeout accessing " + service.Url());

    // -1 reaches the transport as the largest unsigned wait: no limit at all.
    service.Respond("validateUser", PeerReply::Ok(QuizServiceDouble::Response(0)).After(std::chrono::milliseconds(300)));
    Tessaly::SetServiceTimeoutMs(-1);
    EXPECT_EQ(Tessaly::ValidateUser(User()).ErrorCode, 0);
}

} // namespace
