// The nine operations: the body each one sends, and where reply data goes.
#include "tests/service/PipelineTestFixture.h"

#include "common/Ptr.h"
#include "service/Request.h"
#include "service/ServiceDom.h"
#include "service/ServiceOperations.h"
#include "service/TsServiceException.h"

#include <functional>
#include <stdexcept>
#include <vector>

namespace {

using tstest::QuizServiceDouble;

// A record known only through XmlSerializer: <name id=...> with one child
// in its deep form; FromXmlNode notes the XML of each node it is given.
class FakeRecord final : public XmlStuff::XmlSerializer {
public:
    FakeRecord() = default;
    FakeRecord(std::string name, std::string id) : name_(std::move(name)), id_(std::move(id)) {}

    XmlStuff::ElementPtr ToXmlNode(XmlStuff::DocumentPtr document) override
    {
        XmlStuff::ElementPtr element = Tessaly::Dom::CreateElement(document, name_);
        Tessaly::Dom::SetAttribute(element, "id", id_);
        if (!title.empty())
            Tessaly::Dom::SetAttribute(element, "name", title);
        return element;
    }
    XmlStuff::ElementPtr ToXmlNodeDeep(XmlStuff::DocumentPtr document) override
    {
        XmlStuff::ElementPtr element = ToXmlNode(document);
        XmlStuff::ElementPtr child = Tessaly::Dom::CreateElement(document, "item");
        Tessaly::Dom::SetAttribute(child, "n", "1");
        Tessaly::Dom::AppendChild(element, child);
        return element;
    }
    void FromXmlNode(XmlStuff::NodePtr node) override
    {
        XmlStuff::ElementPtr element = Tessaly::Dom::AsElement(node);
        const std::string id = element ? XmlStuff::GetAttributeText(element, "id", "") : "";
        if (id == "broken")
            throw std::runtime_error("cannot read a broken record");
        if (element) {
            const std::string xml = Tessaly::Dom::XmlOf(element);
            filled.push_back(xml.substr(1, xml.find_first_of(" />") - 1));
        } else {
            filled.push_back("<none>");
        }
        ids.push_back(id);
        titles.push_back(element ? XmlStuff::GetAttributeText(element, "name", "") : "");
    }

    std::string title;  // written as "name" when not empty
    std::vector<std::string> filled;
    std::vector<std::string> ids;
    std::vector<std::string> titles;

private:
    std::string name_ = "record";
    std::string id_;
};

using FakeList = std::vector<Ptr<FakeRecord>>;
using FakeRecordList = Tessaly::PtrRecordList<FakeRecord, FakeList>;

std::string RequestOutline(const std::string& user = "teacher", const std::string& password = "secret")
{
    return "request{user_name=" + user + " password=" + password + "}";
}

TEST_F(PipelineTest, EachOperationSendsItsBody)
{
    FakeRecord course("course", "C1");
    FakeRecord quiz("quiz", "Q1");
    FakeRecord results("quiz_results", "R1");
    FakeList list;
    FakeRecordList records(list);
    struct Case {
        const char* operation;
        const char* urn;
        std::function<Tessaly::ServiceResult()> run;
        std::string children;  // after the request element
    };
    const Case cases[] = {
        {"validateUser", "urn:tessalyUser", [&] { return Tessaly::ValidateUser(User()); }, ""},
        {"getCourseList", "urn:tessalyCourseList", [&] { return Tessaly::GetCourseList(User(), records); }, ""},
        {"getCourse", "urn:tessalyCourse", [&] { return Tessaly::GetCourse(User(), "C7", course); },
         " course{id=C7}"},
        {"putCourse", "urn:tessalyCourse", [&] { return Tessaly::PutCourse(User(), course); },
         " course{id=C1}(item{n=1})"},
        {"getQuizList", "urn:tessalyQuizList", [&] { return Tessaly::GetQuizList(User(), records); }, ""},
        {"getQuiz", "urn:tessalyQuiz", [&] { return Tessaly::GetQuiz(User(), "C7", "Q3", quiz); },
         " course{id=C7}(quiz{id=Q3})"},
        {"putQuiz", "urn:tessalyQuiz", [&] { return Tessaly::PutQuiz(User(), "C9", quiz); },
         " course{id=C9}(quiz{id=Q1}(item{n=1}))"},
        {"getResults", "urn:tessalyResults", [&] { return Tessaly::GetResults(User(), "C7", "Q3", results); },
         " course{id=C7}(quiz{id=Q3})"},
        {"putResults", "urn:tessalyResults", [&] { return Tessaly::PutResults(User(), results); },
         " quiz_results{id=R1}(item{n=1})"},
    };
    for (const Case& c : cases) {
        // An application error, so that no reply data is read.
        service.Respond(c.operation, QuizServiceDouble::Response(9, "no"));
        EXPECT_EQ(c.run().ErrorCode, 9) << c.operation;
        const tstest::ServiceCall call = service.LastCall();
        EXPECT_EQ(call.soapAction, std::string("\"") + c.urn + "\"") << c.operation;
        EXPECT_EQ(call.path, "/tessaly/service.php") << c.operation;
        EXPECT_EQ(call.Outline(), std::string("ns1:") + c.operation + "{xmlns:ns1=" + c.urn + "}(" +
                                      RequestOutline() + c.children + ")");
    }
}

TEST_F(PipelineTest, CredentialsTravelAsTheyAre)
{
    service.Respond("validateUser", QuizServiceDouble::Response(0));
    struct Case {
        std::string user;      // ANSI, as the library holds it
        std::string password;
        std::string wireUser;  // UTF-8, as the service reads it
    };
    const Case cases[] = {
        {"", "", ""},  // an empty user name is still sent
        {"Zo\xEB \xD1\xFA\xF1" "ez", "p\xE4ss", "Zo\xC3\xAB \xC3\x91\xC3\xBA\xC3\xB1" "ez"},
        {"a\"<&>'b", "x y", "a\"<&>'b"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Tessaly::ValidateUser(User(c.user, c.password)).ErrorCode, 0);
        const auto request = service.LastCall().element->children.at(0);
        EXPECT_EQ(request.Attribute("user_name"), c.wireUser);
        EXPECT_TRUE(request.Attribute("password").has_value());
    }
}

TEST_F(PipelineTest, ListsAreEmptiedAndFilledFromDirectChildren)
{
    FakeList list;
    list.push_back(Ptr<FakeRecord>(new FakeRecord()));
    FakeRecordList records(list);

    service.Respond("getCourseList",
                    QuizServiceDouble::Response(0, std::nullopt,
                                                "<course id=\"A\"/><x><course id=\"deep\"/></x><course id=\"B\"/>"));
    EXPECT_EQ(Tessaly::GetCourseList(User(), records).ErrorCode, 0);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->ids, std::vector<std::string>{"A"});
    EXPECT_EQ(list[1]->ids, std::vector<std::string>{"B"});

    service.Respond("getQuizList", QuizServiceDouble::Response(5, "not today", "<quiz id=\"Q\"/>"));
    EXPECT_EQ(Tessaly::GetQuizList(User(), records).ErrorCode, 5);
    EXPECT_TRUE(list.empty());

    // A record that cannot be read stops the load; those before it stay.
    service.Respond("getQuizList",
                    QuizServiceDouble::Response(0, std::nullopt,
                                                "<quiz id=\"Q1\"/><quiz id=\"broken\"/><quiz id=\"Q3\"/>"));
    EXPECT_THROW(Tessaly::GetQuizList(User(), records), std::runtime_error);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->ids, std::vector<std::string>{"Q1"});
}

TEST_F(PipelineTest, RecordsReadTheirPartOfTheFirstResponse)
{
    const std::string inner = "<course id=\"C1\"><quiz id=\"Q1\"/></course>";
    const std::string twoResponses = QuizServiceDouble::Envelope(
        "<r><response error_code=\"0\">" + inner + "</response><response error_code=\"0\"><course id=\"C2\"/></response></r>");

    FakeRecord course;
    service.Respond("getCourse", twoResponses);
    EXPECT_EQ(Tessaly::GetCourse(User(), "C1", course).ErrorCode, 0);
    EXPECT_EQ(course.filled, std::vector<std::string>{"course"});
    EXPECT_EQ(course.ids, std::vector<std::string>{"C1"});

    FakeRecord missing;
    service.Respond("getCourse", QuizServiceDouble::Response(0, "empty"));
    EXPECT_EQ(Tessaly::GetCourse(User(), "C1", missing).ErrorCode, 0);
    EXPECT_EQ(missing.filled, std::vector<std::string>{"<none>"});

    FakeRecord quiz;
    FakeRecord results;
    service.Respond("getQuiz", twoResponses);
    service.Respond("getResults", twoResponses);
    EXPECT_EQ(Tessaly::GetQuiz(User(), "C1", "Q1", quiz).ErrorCode, 0);
    EXPECT_EQ(Tessaly::GetResults(User(), "C1", "Q1", results).ErrorCode, 0);
    EXPECT_EQ(quiz.filled, std::vector<std::string>{"response"});
    EXPECT_EQ(results.filled, std::vector<std::string>{"response"});

    FakeRecord untouched;
    service.Respond("getQuiz", QuizServiceDouble::Response(-7, "locked", inner));
    EXPECT_EQ(Tessaly::GetQuiz(User(), "C1", "Q1", untouched).ErrorCode, -7);
    EXPECT_TRUE(untouched.filled.empty());
}

TEST_F(PipelineTest, RepliedTextArrivesInTheLibraryCodePage)
{
    // UTF-8 on the wire, with and without a declaration, and Latin-1 declared.
    const std::string ansiName = "Zo\xEB \xD1\xFA\xF1" "ez";
    const std::string utf8Name = "Zo\xC3\xAB \xC3\x91\xC3\xBA\xC3\xB1" "ez";
    const std::string replies[] = {
        QuizServiceDouble::Response(0, utf8Name),
        "<response error_code=\"0\" error_text=\"" + utf8Name + "\"/>",
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><response error_code=\"0\" error_text=\"" + ansiName + "\"/>",
    };
    for (const std::string& reply : replies) {
        service.Respond("validateUser", reply);
        EXPECT_EQ(Tessaly::ValidateUser(User()).ErrorText, ansiName) << reply;
    }
}

TEST_F(PipelineTest, NonAsciiTextSurvivesASaveAndALoad)
{
    const std::string name = "Zo\xEB \xD1\xFA\xF1" "ez \x80 \xBD";  // with a euro sign and a half
    FakeRecord saved("course", "C1");
    saved.title = name;
    service.Respond("putCourse", QuizServiceDouble::Response(0));
    ASSERT_EQ(Tessaly::PutCourse(User(), saved).ErrorCode, 0);

    // The service stores the course element as it arrived and serves it back.
    const std::string body = service.LastCall().request.body;
    const auto start = body.find("<course");
    const auto end = body.find("</course>");
    ASSERT_NE(start, std::string::npos);
    ASSERT_NE(end, std::string::npos);
    service.Respond("getCourse",
                    QuizServiceDouble::Response(0, std::nullopt, body.substr(start, end + 9 - start)));
    FakeRecord loaded;
    ASSERT_EQ(Tessaly::GetCourse(User(), "C1", loaded).ErrorCode, 0);
    EXPECT_EQ(loaded.titles, std::vector<std::string>{name});
}

TEST_F(PipelineTest, TheRequestHeaderIsWriteOnly)
{
    Tessaly::Request request({"teacher", "secret", "http://unused"});
    XmlStuff::ElementPtr element = request.ToXmlNode({});  // makes its own document
    ASSERT_TRUE(element);
    EXPECT_EQ(XmlStuff::GetAttributeText(element, "user_name"), "teacher");
    try {
        request.FromXmlNode(XmlStuff::NodePtr(element.Get()));
        ADD_FAILURE() << "FromXmlNode did not fail";
    } catch (const Tessaly::TsServiceException& e) {
        EXPECT_EQ(e.Result().ErrorCode, -2);
        EXPECT_STREQ(e.what(), "Request::FromXmlNode not implemented");
    }
}

} // namespace
