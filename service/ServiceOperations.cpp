#include "service/ServiceOperations.h"

#include "service/Request.h"
#include "service/ServiceCall.h"
#include "service/ServiceDom.h"

#include <functional>

namespace Tessaly {

namespace {

// Appends the operation's own children after the request element.
using AddChildren = std::function<void(const XmlStuff::DocumentPtr&, const XmlStuff::ElementPtr& operation)>;

// <ns1:NAME xmlns:ns1="URN"><request .../>children</ns1:NAME>, serialised.
std::string BuildBody(const char* operation, const char* urn, const UserCredentials& user,
                      const AddChildren& addChildren = {})
{
    XmlStuff::DocumentPtr document = XmlStuff::CreateDocument();
    XmlStuff::ElementPtr element = Dom::CreateElement(document, std::string("ns1:") + operation);
    Dom::SetAttribute(element, "xmlns:ns1", urn);
    Request request(user);
    Dom::AppendChild(element, request.ToXmlNode(document));
    if (addChildren)
        addChildren(document, element);
    return Dom::XmlOf(element);
}

XmlStuff::ElementPtr IdElement(const XmlStuff::DocumentPtr& document, const char* name, const std::string& id)
{
    XmlStuff::ElementPtr element = Dom::CreateElement(document, name);
    Dom::SetAttribute(element, "id", id);
    return element;
}

// <course id=courseId><quiz id=quizId/></course>
AddChildren CourseAndQuiz(const std::string& courseId, const std::string& quizId)
{
    return [&courseId, &quizId](const XmlStuff::DocumentPtr& document, const XmlStuff::ElementPtr& operation) {
        XmlStuff::ElementPtr course = IdElement(document, "course", courseId);
        Dom::AppendChild(course, IdElement(document, "quiz", quizId));
        Dom::AppendChild(operation, course);
    };
}

AddChildren DeepRecord(XmlStuff::XmlSerializer& record)
{
    return [&record](const XmlStuff::DocumentPtr& document, const XmlStuff::ElementPtr& operation) {
        Dom::AppendChild(operation, record.ToXmlNodeDeep(document));
    };
}

// The reply's response element when the exchange succeeded, else empty.
XmlStuff::NodePtr SuccessfulResponse(const ServiceResult& result)
{
    if (result.ErrorCode != 0 || !result.Reply)
        return {};
    return Dom::SelectSingle(result.Reply, "//response");
}

ServiceResult LoadList(const UserCredentials& user, RecordList& list, const char* operation, const char* urn,
                       const char* elementName)
{
    list.Clear();
    ServiceResult result = CallService(user, urn, BuildBody(operation, urn, user));
    if (XmlStuff::NodePtr response = SuccessfulResponse(result)) {
        for (const XmlStuff::NodePtr& node : Dom::SelectAll(response, elementName))
            list.AppendFilled([&node](XmlStuff::XmlSerializer& record) { record.FromXmlNode(node); });
    }
    return result;
}

} // namespace

ServiceResult ValidateUser(const UserCredentials& user)
{
    return CallService(user, UserUrn, BuildBody("validateUser", UserUrn, user));
}

ServiceResult GetCourseList(const UserCredentials& user, RecordList& courses)
{
    return LoadList(user, courses, "getCourseList", CourseListUrn, "course");
}

ServiceResult GetCourse(const UserCredentials& user, const std::string& courseId, XmlStuff::XmlSerializer& course)
{
    const std::string body = BuildBody("getCourse", CourseUrn, user,
                                       [&courseId](const XmlStuff::DocumentPtr& document,
                                                   const XmlStuff::ElementPtr& operation) {
                                           Dom::AppendChild(operation, IdElement(document, "course", courseId));
                                       });
    ServiceResult result = CallService(user, CourseUrn, body);
    if (XmlStuff::NodePtr response = SuccessfulResponse(result))
        course.FromXmlNode(Dom::SelectSingle(response, "course"));
    return result;
}

ServiceResult PutCourse(const UserCredentials& user, XmlStuff::XmlSerializer& course)
{
    return CallService(user, CourseUrn, BuildBody("putCourse", CourseUrn, user, DeepRecord(course)));
}

ServiceResult GetQuizList(const UserCredentials& user, RecordList& quizzes)
{
    return LoadList(user, quizzes, "getQuizList", QuizListUrn, "quiz");
}

ServiceResult GetQuiz(const UserCredentials& user, const std::string& courseId, const std::string& quizId,
                      XmlStuff::XmlSerializer& quiz)
{
    ServiceResult result = CallService(user, QuizUrn, BuildBody("getQuiz", QuizUrn, user, CourseAndQuiz(courseId, quizId)));
    if (XmlStuff::NodePtr response = SuccessfulResponse(result))
        quiz.FromXmlNode(response);
    return result;
}

ServiceResult PutQuiz(const UserCredentials& user, const std::string& courseId, XmlStuff::XmlSerializer& quiz)
{
    const std::string body = BuildBody("putQuiz", QuizUrn, user,
                                       [&](const XmlStuff::DocumentPtr& document,
                                           const XmlStuff::ElementPtr& operation) {
                                           XmlStuff::ElementPtr course = IdElement(document, "course", courseId);
                                           Dom::AppendChild(course, quiz.ToXmlNodeDeep(document));
                                           Dom::AppendChild(operation, course);
                                       });
    return CallService(user, QuizUrn, body);
}

ServiceResult GetResults(const UserCredentials& user, const std::string& courseId, const std::string& quizId,
                         XmlStuff::XmlSerializer& results)
{
    ServiceResult result =
        CallService(user, ResultsUrn, BuildBody("getResults", ResultsUrn, user, CourseAndQuiz(courseId, quizId)));
    if (XmlStuff::NodePtr response = SuccessfulResponse(result))
        results.FromXmlNode(response);
    return result;
}

ServiceResult PutResults(const UserCredentials& user, XmlStuff::XmlSerializer& results)
{
    return CallService(user, ResultsUrn, BuildBody("putResults", ResultsUrn, user, DeepRecord(results)));
}

} // namespace Tessaly
