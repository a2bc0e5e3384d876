// Replies come from the network: malformed, truncated, huge, deeply nested,
// with entities or a document type. Loading must fail cleanly or work, never
// fetch anything, never expand entities, never crash.
#include "XmlTestFixture.h"

namespace {

using namespace XmlStuff;
using xmltest::XmlTest;

constexpr LONG kDocumentTypeRefused = static_cast<LONG>(0xA00DF001u);
constexpr LONG kNestingTooDeep = static_cast<LONG>(0xA00DF002u);

struct LoadResult {
    bool loaded = false;
    LONG code = 0;
    LONG line = 0;
    LONG linepos = 0;
    std::u16string reason;
};

class XmlBadInputTest : public XmlTest {
protected:
    void SetUp() override
    {
        XmlTest::SetUp();
        document = CreateDocument();
    }

    LoadResult LoadText(std::u16string_view text)
    {
        LoadResult result;
        VARIANT_BOOL loaded = VARIANT_FALSE;
        const HRESULT hr = document->loadXML(BStr(text).Get(), &loaded);
        EXPECT_EQ(hr, loaded ? S_OK : S_FALSE);
        result.loaded = loaded != VARIANT_FALSE;
        ComPtr<IXMLDOMParseError> error;
        EXPECT_EQ(document->get_parseError(error.Out()), S_OK);
        BStr reason;
        EXPECT_EQ(error->get_errorCode(&result.code), S_OK);
        EXPECT_EQ(error->get_line(&result.line), S_OK);
        EXPECT_EQ(error->get_linepos(&result.linepos), S_OK);
        EXPECT_EQ(error->get_reason(reason.Out()), S_OK);
        result.reason = reason.View();
        return result;
    }
    LoadResult LoadText(const std::string& narrow) { return LoadText(AnsiToWide(narrow)); }

    bool DocumentIsEmpty()
    {
        ElementPtr root;
        return document->get_documentElement(root.Out()) == S_FALSE && !root && Xml(document.Get()).empty();
    }

    LONG SelectedCount(const char16_t* xpath)
    {
        ComPtr<IXMLDOMNodeList> list;
        LONG length = -1;
        EXPECT_EQ(document->selectNodes(BStr(xpath).Get(), list.Out()), S_OK);
        EXPECT_EQ(list->get_length(&length), S_OK);
        return length;
    }

    static std::string Nested(int depth)
    {
        std::string text;
        text.reserve(static_cast<size_t>(depth) * 7);
        for (int i = 0; i < depth; ++i)
            text += "<a>";
        for (int i = 0; i < depth; ++i)
            text += "</a>";
        return text;
    }

    DocumentPtr document;
};

TEST_F(XmlBadInputTest, MalformedAndTruncatedTextFailsWithAPositionedParseError)
{
    const std::string reply = "<SOAP-ENV:Envelope xmlns:SOAP-ENV='http://schemas.xmlsoap.org/soap/envelope/'>"
                              "<SOAP-ENV:Body><response error_code='0'><course id='1'/></response>"
                              "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
    const std::string cases[] = {
        "",
        "   ",
        "plain text",
        "<a>",
        "<a></b>",
        "<a x='1' x='2'/>",
        "<a/><b/>",
        "<a>&undeclared;</a>",
        "<a>& loose</a>",
        "<a>&#0;</a>",
        "<ns1:getQuiz/>",
        reply.substr(0, reply.size() / 2),
        reply.substr(0, reply.size() - 1),
        std::string("<a>\0</a>", 8),
        "<a>\x01</a>",
    };
    for (const std::string& text : cases) {
        LoadResult result = LoadText(text);
        EXPECT_FALSE(result.loaded) << text;
        EXPECT_NE(result.code, 0) << text;
        EXPECT_GE(result.line, 1) << text;
        EXPECT_FALSE(result.reason.empty()) << text;
        EXPECT_TRUE(DocumentIsEmpty()) << text;
    }
    // The document stays usable, and a good load clears the error.
    LoadResult good = LoadText(reply);
    EXPECT_TRUE(good.loaded);
    EXPECT_EQ(good.code, 0);
    EXPECT_TRUE(good.reason.empty());
}

TEST_F(XmlBadInputTest, DocumentTypeDeclarationsAreRefusedBeforeAnythingInThemIsRead)
{
    std::string laughs = "<!DOCTYPE lolz [<!ENTITY lol \"lol\">";
    for (int level = 1; level <= 12; ++level) {
        laughs += "<!ENTITY lol" + std::to_string(level) + " \"";
        for (int i = 0; i < 10; ++i)
            laughs += "&lol" + (level == 1 ? std::string() : std::to_string(level - 1)) + ";";
        laughs += "\">";
    }
    laughs += "]><lolz>&lol12;</lolz>";
    const std::string cases[] = {
        laughs,
        "<!DOCTYPE r [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><r>&x;</r>",
        "<!DOCTYPE r SYSTEM \"http://127.0.0.1:9/r.dtd\"><r/>",
        "<!DOCTYPE r [<!ENTITY % p SYSTEM \"http://127.0.0.1:9/p\"> %p;]><r/>",
        "<!DOCTYPE r [<!ATTLIST r a CDATA \"default\">]><r/>",
        "<?xml version='1.0'?>\n<!DOCTYPE r><r/>",
    };
    for (const std::string& text : cases) {
        LoadResult result = LoadText(text);
        EXPECT_FALSE(result.loaded) << text;
        EXPECT_EQ(result.code, kDocumentTypeRefused) << text;
        EXPECT_NE(result.reason.find(u"document type"), std::u16string::npos) << text;
        EXPECT_TRUE(DocumentIsEmpty()) << text;
    }
    EXPECT_EQ(LoadText(cases[5]).line, 2);
}

TEST_F(XmlBadInputTest, NothingIsFetchedOrIncluded)
{
    LoadResult result = LoadText(
        "<a xmlns:xi='http://www.w3.org/2001/XInclude'><xi:include href='file:///etc/passwd' parse='text'/>"
        "<?xml-stylesheet href='http://127.0.0.1:9/s.xsl'?></a>");
    ASSERT_TRUE(result.loaded);
    EXPECT_EQ(Text(document.Get()), u"");
    EXPECT_EQ(Xml(document.Get()),
              u"<a xmlns:xi=\"http://www.w3.org/2001/XInclude\"><xi:include href=\"file:///etc/passwd\" "
              u"parse=\"text\"/><?xml-stylesheet href='http://127.0.0.1:9/s.xsl'?></a>\n");
}

TEST_F(XmlBadInputTest, NestingIsBoundedWhenLoadingAndWhenBuilding)
{
    EXPECT_TRUE(LoadText(Nested(1024)).loaded);
    LoadResult tooDeep = LoadText(Nested(1025));
    EXPECT_FALSE(tooDeep.loaded);
    EXPECT_EQ(tooDeep.code, kNestingTooDeep);
    EXPECT_EQ(LoadText(Nested(200000)).code, kNestingTooDeep);

    ASSERT_TRUE(LoadText(Nested(1000)).loaded);
    NodePtr deepest = SelectSingle(document, u"//a[not(a)]");
    ASSERT_TRUE(deepest);
    ElementPtr chain;
    ASSERT_EQ(document->createElement(BStr(u"b").Get(), chain.Out()), S_OK);
    for (int level = 1; level < 30; ++level) {
        ElementPtr inner;
        ASSERT_EQ(document->createElement(BStr(u"b").Get(), inner.Out()), S_OK);
        NodePtr ignored;
        ASSERT_EQ(inner->appendChild(chain.Get(), ignored.Out()), S_OK);
        chain = inner;
    }
    NodePtr appended;
    EXPECT_EQ(deepest->appendChild(chain.Get(), appended.Out()), E_FAIL);
    EXPECT_EQ(SelectedCount(u"//b"), 0);
}

TEST_F(XmlBadInputTest, TextAndAttributesLargerThanTenMegabytesLoad)
{
    const std::string big(11 * 1000 * 1000, 'x');
    ASSERT_TRUE(LoadText("<r a='" + big + "'>" + big + "</r>").loaded);
    ElementPtr root;
    ASSERT_EQ(document->get_documentElement(root.Out()), S_OK);
    EXPECT_EQ(Text(root.Get()).size(), big.size());
    EXPECT_EQ(GetAttributeText(root, "a").size(), big.size());
}

} // namespace
