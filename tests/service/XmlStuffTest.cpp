// The XML toolkit: documents through the platform, parse-error messages and
// the attribute readers with their conversions and failures.
#include "XmlTestFixture.h"

#include <cctype>
#include <stdexcept>

namespace {

using namespace XmlStuff;
using xmltest::XmlTest;

constexpr const char* kCourse = R"(<reply><course name="Biology &amp; Co" size="12" ratio="71.5" letters="abc" empty="">)"
                                R"(<student id="s1"/></course></reply>)";

// Reads "ErrorCode: <lower-case hex>. At line:char (<line>:<pos>) Reason: <text>";
// false when the message has another shape.
bool ParseErrorMessage(const std::string& message, long& line, std::string& reason)
{
    const std::string head = "ErrorCode: ";
    if (message.rfind(head, 0) != 0)
        return false;
    size_t at = head.size();
    const size_t digits = at;
    while (at < message.size() && (std::isdigit(static_cast<unsigned char>(message[at])) ||
                                    (message[at] >= 'a' && message[at] <= 'f')))
        ++at;
    long position = 0;
    int consumed = 0;
    if (at == digits ||
        std::sscanf(message.c_str() + at, ". At line:char (%ld:%ld) Reason: %n", &line, &position, &consumed) != 2 ||
        consumed == 0)
        return false;
    reason = message.substr(at + static_cast<size_t>(consumed));
    return !reason.empty();
}

class XmlStuffTest : public XmlTest {
protected:
    void SetUp() override
    {
        XmlTest::SetUp();
        document = Load(kCourse);
        course = SelectElement(document, u"//course");
        ASSERT_TRUE(course);
    }

    template <typename Read>
    static HRESULT PlatformCode(Read&& read)
    {
        try {
            read();
        } catch (const PlatformError& e) {
            return e.Code();
        }
        return S_OK;
    }

    DocumentPtr document;
    ElementPtr course;
};

TEST_F(XmlStuffTest, MissingAttributeNamesTheElementByNameForTextAndByItsXmlForNumbers)
{
    try {
        GetAttributeText(course, "id");
        FAIL() << "no exception";
    } catch (const XmlException& e) {
        EXPECT_STREQ(e.what(), "Attribute id not found in element course");
    }
    const std::string whole = R"(<course name="Biology &amp; Co" size="12" ratio="71.5" letters="abc" empty="">)"
                              R"(<student id="s1"/></course>)";
    for (auto read : {+[](const ElementPtr& e) { GetAttributeInt(e, "id"); },
                      +[](const ElementPtr& e) { GetAttributeReal(e, "id"); }}) {
        try {
            read(course);
            FAIL() << "no exception";
        } catch (const XmlException& e) {
            EXPECT_EQ(std::string(e.what()), "Attribute id not found in element " + whole);
        }
    }
}

TEST_F(XmlStuffTest, ReadsValuesWithThePlatformConversions)
{
    EXPECT_EQ(GetAttributeText(course, "name"), "Biology & Co");
    EXPECT_EQ(GetAttributeInt(course, "size"), 12);
    EXPECT_DOUBLE_EQ(GetAttributeReal(course, "ratio"), 71.5);
    EXPECT_DOUBLE_EQ(GetAttributeReal(course, "size"), 12.0);
    // 71.5 rounds to the even neighbour, as the platform's conversion does.
    EXPECT_EQ(GetAttributeInt(course, "ratio"), 72);
}

TEST_F(XmlStuffTest, DefaultsStandInOnlyForAbsentAttributes)
{
    EXPECT_EQ(GetAttributeText(course, "missing", "fallback"), "fallback");
    EXPECT_EQ(GetAttributeInt(course, "missing", -7), -7);
    EXPECT_DOUBLE_EQ(GetAttributeReal(course, "missing", 2.5), 2.5);
    // Present but empty is a value, not an absence.
    EXPECT_EQ(GetAttributeText(course, "empty", "fallback"), "");
    EXPECT_EQ(GetAttributeInt(course, "size", -7), 12);
}

TEST_F(XmlStuffTest, ValuesThatDoNotConvertFailWithTheConversionCodeAlsoWithADefault)
{
    EXPECT_EQ(PlatformCode([&] { GetAttributeInt(course, "letters"); }), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(PlatformCode([&] { GetAttributeInt(course, "letters", 0); }), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(PlatformCode([&] { GetAttributeReal(course, "letters", 0.0); }), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(PlatformCode([&] { GetAttributeInt(course, "empty", 0); }), DISP_E_TYPEMISMATCH);
}

TEST_F(XmlStuffTest, EmptyElementReferenceFailsWithInvalidPointerInEveryReader)
{
    const ElementPtr none;
    EXPECT_EQ(PlatformCode([&] { GetAttributeText(none, "id"); }), E_POINTER);
    EXPECT_EQ(PlatformCode([&] { GetAttributeText(none, "id", "x"); }), E_POINTER);
    EXPECT_EQ(PlatformCode([&] { GetAttributeInt(none, "id"); }), E_POINTER);
    EXPECT_EQ(PlatformCode([&] { GetAttributeInt(none, "id", 1); }), E_POINTER);
    EXPECT_EQ(PlatformCode([&] { GetAttributeReal(none, "id"); }), E_POINTER);
    EXPECT_EQ(PlatformCode([&] { GetAttributeReal(none, "id", 1.0); }), E_POINTER);
}

TEST_F(XmlStuffTest, MessagesAreCutAt63999Characters)
{
    const std::string longText(70000, 'x');
    DocumentPtr big = Load("<big note=\"" + longText + "\"/>");
    ElementPtr element = SelectElement(big, u"/big");
    try {
        GetAttributeInt(element, "id");
        FAIL() << "no exception";
    } catch (const XmlException& e) {
        const std::string message = e.what();
        EXPECT_EQ(message.size(), kMaxMessageLength);
        EXPECT_EQ(message.rfind("Attribute id not found in element <big note=\"xxx", 0), 0u);
    }
}

TEST_F(XmlStuffTest, ParseErrorMessageOfEmptyTextStartsWithTheCodeInLowerCaseHex)
{
    try {
        Load("");
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        long line = -1;
        std::string reason;
        EXPECT_TRUE(ParseErrorMessage(e.what(), line, reason)) << e.what();
    }
}

TEST_F(XmlStuffTest, ParseErrorMessageCarriesLineAndPositionOfTheFault)
{
    try {
        Load("<reply>\n  <course id='1'>\n  </reply>");
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        long line = -1;
        std::string reason;
        ASSERT_TRUE(ParseErrorMessage(e.what(), line, reason)) << e.what();
        EXPECT_EQ(line, 3);
    }
}

TEST_F(XmlStuffTest, LoadedDocumentAnswersXPathWithoutFurtherSetUp)
{
    ComPtr<IXMLDOMNodeList> students;
    ASSERT_EQ(document->selectNodes(BStr(u"/reply/course[@size = 12]/student[1]/@id").Get(), students.Out()), S_OK);
    LONG length = 0;
    ASSERT_EQ(students->get_length(&length), S_OK);
    ASSERT_EQ(length, 1);
    XmlStuff::NodePtr id;
    ASSERT_EQ(students->get_item(0, id.Out()), S_OK);
    EXPECT_EQ(Text(id.Get()), u"s1");
    Variant language;
    ASSERT_EQ(document->getProperty(BStr(u"SelectionLanguage").Get(), language.Out()), S_OK);
    EXPECT_EQ(BStr(language.bstrVal).View(), u"XPath");
}

TEST_F(XmlStuffTest, WindowsCodePageTextSurvivesTheComponent)
{
    // Every printable character Windows-1252 holds, through the component
    // and back: as attribute value, as text and through serialisation.
    std::string all;
    for (int c = 0x20; c <= 0xFF; ++c)
        if (c != '"' && c != '&' && c != '<' && c != 0x7F)
            all += static_cast<char>(c);
    DocumentPtr loaded = Load("<a v=\"" + all + "\">" + all + "</a>");
    ElementPtr a = SelectElement(loaded, u"/a");
    EXPECT_EQ(GetAttributeText(a, "v"), all);
    EXPECT_EQ(WideToAnsi(Text(a.Get())), all);
    DocumentPtr again = Load(WideToAnsi(Xml(a.Get())));
    EXPECT_EQ(GetAttributeText(SelectElement(again, u"/a"), "v"), all);
}

TEST_F(XmlStuffTest, CreateDocumentFailsWithClassNotRegisteredOnceTheComponentIsUnregistered)
{
    ASSERT_TRUE(CreateDocument());
    ASSERT_EQ(RegisterServerModule(TS_XMLDOM_MODULE, true), S_OK);
    EXPECT_EQ(PlatformCode([] { CreateDocument(); }), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(PlatformCode([] { Load("<a/>"); }), REGDB_E_CLASSNOTREG);
}

// A record written the way the service's records are.
class Tag : public XmlSerializer {
public:
    std::string name;
    std::int32_t weight = 0;

    ElementPtr ToXmlNode(DocumentPtr document) override
    {
        if (!document)
            document = CreateDocument();
        ElementPtr element;
        PlatformError::ThrowIfFailed(document->createElement(BStr(u"tag").Get(), element.Out()));
        PlatformError::ThrowIfFailed(
            element->setAttribute(BStr(u"name").Get(), Variant::FromString(AnsiToWide(name))));
        PlatformError::ThrowIfFailed(element->setAttribute(BStr(u"weight").Get(), Variant::FromLong(weight)));
        return element;
    }
    ElementPtr ToXmlNodeDeep(DocumentPtr document) override { return ToXmlNode(std::move(document)); }
    void FromXmlNode(NodePtr node) override
    {
        ElementPtr element = node.As<IXMLDOMElement>();
        name = GetAttributeText(element, "name");
        weight = GetAttributeInt(element, "weight", 1);
    }
};

TEST_F(XmlStuffTest, RecordsBuildTheirElementInANewDocumentWhenGivenNoneAndReadItBack)
{
    Tag written;
    written.name = "caf\xE9 \"<&>\"";
    written.weight = -3;
    ElementPtr element = written.ToXmlNode(DocumentPtr());
    ASSERT_TRUE(element);
    EXPECT_EQ(Xml(element.Get()), u"<tag name=\"caf\u00E9 &quot;&lt;&amp;&gt;&quot;\" weight=\"-3\"/>");

    Tag read;
    read.FromXmlNode(NodePtr(element.Get()));
    EXPECT_EQ(read.name, written.name);
    EXPECT_EQ(read.weight, -3);
    // A node that is no element reads as no element at all.
    EXPECT_EQ(PlatformCode([&] { read.FromXmlNode(SelectSingle(document, u"//course/@name")); }), E_POINTER);
}

} // namespace
