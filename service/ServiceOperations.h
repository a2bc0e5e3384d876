// The nine operations of the quiz web service. Each takes the caller's
// credentials first, runs one exchange (build the body, post it, parse and
// check the reply) and returns its ServiceResult; on success the reply's
// data goes to the record through its FromXmlNode.
//
// Failures of the exchange (transport, unparsable reply, SOAP fault, an error
// the service reports) come back in the result; faults of the library (the
// XML component, malformed data in a successful reply, exhausted memory) are
// thrown. Records are used only through XmlStuff::XmlSerializer; records
// that hold a list (a course's students, a quiz's questions, a result set's
// entries) are emptied by their callers before the operation runs.
#pragma once

#include "service/ServiceRecordList.h"
#include "service/ServiceResult.h"
#include "service/UserCredentials.h"
#include "service/XmlStuff.h"

#include <string>

namespace Tessaly {

// The service namespaces, each also the SOAPAction of its operations.
inline constexpr const char* UserUrn = "urn:tessalyUser";
inline constexpr const char* CourseListUrn = "urn:tessalyCourseList";
inline constexpr const char* CourseUrn = "urn:tessalyCourse";
inline constexpr const char* QuizListUrn = "urn:tessalyQuizList";
inline constexpr const char* QuizUrn = "urn:tessalyQuiz";
inline constexpr const char* ResultsUrn = "urn:tessalyResults";

// ns1:validateUser: the request header only.
ServiceResult ValidateUser(const UserCredentials& user);

// ns1:getCourseList: empties `courses`, then appends one record per "course"
// child of the reply's response element, in document order.
ServiceResult GetCourseList(const UserCredentials& user, RecordList& courses);

// ns1:getCourse with <course id=courseId/>: the reply's first "course" child
// of response fills `course` (no such child: FromXmlNode gets no node).
ServiceResult GetCourse(const UserCredentials& user, const std::string& courseId, XmlStuff::XmlSerializer& course);

// ns1:putCourse with the course's deep element.
ServiceResult PutCourse(const UserCredentials& user, XmlStuff::XmlSerializer& course);

// ns1:getQuizList: as GetCourseList, with the "quiz" children.
ServiceResult GetQuizList(const UserCredentials& user, RecordList& quizzes);

// ns1:getQuiz with <course id=courseId><quiz id=quizId/></course>: the
// response element fills `quiz`.
ServiceResult GetQuiz(const UserCredentials& user, const std::string& courseId, const std::string& quizId,
                      XmlStuff::XmlSerializer& quiz);

// ns1:putQuiz with <course id=courseId> holding the quiz's deep element
// (courseId is the quiz's own course identifier).
ServiceResult PutQuiz(const UserCredentials& user, const std::string& courseId, XmlStuff::XmlSerializer& quiz);

// ns1:getResults with <course id=courseId><quiz id=quizId/></course>: the
// response element fills `results`.
ServiceResult GetResults(const UserCredentials& user, const std::string& courseId, const std::string& quizId,
                         XmlStuff::XmlSerializer& results);

// ns1:putResults with the result set's deep element.
ServiceResult PutResults(const UserCredentials& user, XmlStuff::XmlSerializer& results);

} // namespace Tessaly
