// The XML document component's DOM: selection, building, serialisation,
// interfaces, error information and lifetimes.
#include "XmlTestFixture.h"

#include "platform/Interfaces.h"

#include <atomic>
#include <thread>
#include <vector>

namespace {

using namespace XmlStuff;
using xmltest::XmlTest;

constexpr const char* kReply =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
    "<SOAP-ENV:Body><ns1:getQuizResponse xmlns:ns1=\"urn:tessalyQuiz\">"
    "<response error_code=\"0\"><course id=\"c1\"><quiz id=\"q1\"/><quiz id=\"q2\"/></course>"
    "<note>one <b>two</b><![CDATA[ <three> ]]><!-- not text --></note></response>"
    "<ns1:response error_code=\"9\"/>"
    "</ns1:getQuizResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>";

constexpr const char16_t* kSoapNamespaces = u"xmlns:SOAP-ENV='http://schemas.xmlsoap.org/soap/envelope/'";

class XmlDocumentTest : public XmlTest {
protected:
    static void SetProperty(const DocumentPtr& document, const char16_t* name, const char16_t* value)
    {
        ASSERT_EQ(document->setProperty(BStr(name).Get(), Variant::FromString(value)), S_OK);
    }

    static std::vector<std::u16string> SelectedXml(const NodePtr& from, const char16_t* xpath)
    {
        ComPtr<IXMLDOMNodeList> list;
        EXPECT_EQ(from->selectNodes(BStr(xpath).Get(), list.Out()), S_OK);
        std::vector<std::u16string> found;
        LONG length = 0;
        if (!list || FAILED(list->get_length(&length)))
            return found;
        for (LONG i = 0; i < length; ++i) {
            NodePtr node;
            EXPECT_EQ(list->get_item(i, node.Out()), S_OK);
            found.push_back(Xml(node.Get()));
        }
        return found;
    }

    static ElementPtr NewElement(const DocumentPtr& document, const char16_t* name)
    {
        ElementPtr element;
        EXPECT_EQ(document->createElement(BStr(name).Get(), element.Out()), S_OK);
        return element;
    }

    static HRESULT Append(IXMLDOMNode* parent, IXMLDOMNode* child)
    {
        NodePtr appended;
        return parent->appendChild(child, appended.Out());
    }
};

TEST_F(XmlDocumentTest, UnprefixedNamesMatchOnlyElementsInNoNamespace)
{
    DocumentPtr reply = Load(kReply);
    EXPECT_EQ(SelectedXml(NodePtr(reply.Get()), u"//response/@error_code").size(), 1u);
    EXPECT_EQ(Xml(SelectSingle(reply, u"//response/@error_code").Get()), u"error_code=\"0\"");

    DocumentPtr defaulted = Load("<r xmlns='urn:x'><response/></r>");
    NodePtr none;
    EXPECT_EQ(defaulted->selectSingleNode(BStr(u"//response").Get(), none.Out()), S_FALSE);
    EXPECT_FALSE(none);
}

TEST_F(XmlDocumentTest, SelectionNamespacesBindPrefixes)
{
    DocumentPtr reply = Load(kReply);
    NodePtr fault;
    EXPECT_EQ(reply->selectSingleNode(BStr(u"//SOAP-ENV:Body").Get(), fault.Out()), E_INVALIDARG);
    // The description names the expression and gives libxml2's reason after it.
    auto description = ErrorDescription(reply.Get(), IXMLDOMNode::iid);
    ASSERT_TRUE(description.has_value());
    const size_t named = description->find(u"'//SOAP-ENV:Body'");
    ASSERT_NE(named, std::u16string::npos);
    EXPECT_NE(description->find(u": ", named), std::u16string::npos) << std::string(description->begin(), description->end());

    SetProperty(reply, u"SelectionNamespaces", kSoapNamespaces);
    NodePtr body = SelectSingle(reply, u"//SOAP-ENV:Body");
    ASSERT_TRUE(body);
    BStr name;
    ASSERT_EQ(body->get_nodeName(name.Out()), S_OK);
    EXPECT_EQ(name.View(), u"SOAP-ENV:Body");
    // The binding is the document's: node objects selecting later see it.
    EXPECT_EQ(SelectedXml(body, u"//SOAP-ENV:Fault").size(), 0u);
    SetProperty(reply, u"SelectionNamespaces", u"xmlns:q=\"urn:tessalyQuiz\"  xmlns:e='http://schemas.xmlsoap.org/soap/envelope/'");
    EXPECT_EQ(SelectedXml(body, u"q:getQuizResponse/q:response"), std::vector<std::u16string>{u"<ns1:response xmlns:ns1=\"urn:tessalyQuiz\" error_code=\"9\"/>"});
}

TEST_F(XmlDocumentTest, MalformedSelectionNamespacesAreRefused)
{
    DocumentPtr document = CreateDocument();
    for (const char16_t* bad : {u"xmlns='urn:default'", u"xmlns:p=urn:x", u"xmlns:p='urn:x", u"xmlns:p=''",
                                u"xmlns:p='a' xmlns:p='b'", u"xmlns:1p='a'", u"prefix p='a'", u"xmlns:p='a'xmlns:q='b'"}) {
        EXPECT_EQ(document->setProperty(BStr(u"SelectionNamespaces").Get(), Variant::FromString(bad)), E_INVALIDARG)
            << std::string(bad, bad + std::char_traits<char16_t>::length(bad));
    }
    EXPECT_EQ(document->setProperty(BStr(u"SelectionLanguage").Get(), Variant::FromString(u"XSLPattern")), E_INVALIDARG);
    EXPECT_EQ(document->setProperty(BStr(u"NoSuchProperty").Get(), Variant::FromString(u"1")), E_INVALIDARG);
}

TEST_F(XmlDocumentTest, SelectionsGiveAllMatchesInDocumentOrderAndRelativePathsOnlyChildren)
{
    DocumentPtr reply = Load(kReply);
    NodePtr response = SelectSingle(reply, u"//response");
    ASSERT_TRUE(response);
    EXPECT_EQ(SelectedXml(response, u"course/quiz"),
              (std::vector<std::u16string>{u"<quiz id=\"q1\"/>", u"<quiz id=\"q2\"/>"}));
    EXPECT_EQ(SelectedXml(response, u"quiz").size(), 0u);
    EXPECT_EQ(SelectedXml(response, u"//quiz[@id='q2'] | //course").size(), 2u);
    EXPECT_EQ(SelectedXml(response, u"//quiz[@id='q2'] | //course").front(),
              u"<course id=\"c1\"><quiz id=\"q1\"/><quiz id=\"q2\"/></course>");

    ComPtr<IXMLDOMNodeList> list;
    ASSERT_EQ(response->selectNodes(BStr(u"nothing").Get(), list.Out()), S_OK);
    NodePtr item;
    EXPECT_EQ(list->get_item(0, item.Out()), S_FALSE);
    EXPECT_EQ(list->get_item(-1, item.Out()), S_FALSE);
    for (const char16_t* bad : {u"//[", u"count(//quiz)", u"undeclared:quiz"})
        EXPECT_EQ(response->selectNodes(BStr(bad).Get(), list.Out()), E_INVALIDARG);
}

TEST_F(XmlDocumentTest, TextIsTheConcatenatedTextOfDescendants)
{
    DocumentPtr reply = Load(kReply);
    EXPECT_EQ(Text(SelectSingle(reply, u"//note").Get()), u"one two <three> ");
    EXPECT_EQ(Text(SelectSingle(reply, u"//quiz/@id").Get()), u"q1");
    EXPECT_EQ(Text(SelectSingle(reply, u"//course").Get()), u"");
}

TEST_F(XmlDocumentTest, BuiltElementsSerialiseAsWrittenWithoutDeclaration)
{
    DocumentPtr document = CreateDocument();
    ElementPtr operation = NewElement(document, u"ns1:getQuiz");
    ElementPtr request = NewElement(document, u"request");
    ASSERT_EQ(request->setAttribute(BStr(u"user_name").Get(), Variant::FromString(u"O'Neil & <Sons> \"Ltd\"")), S_OK);
    ASSERT_EQ(request->setAttribute(BStr(u"password").Get(), Variant::FromString(u"")), S_OK);
    ASSERT_EQ(Append(operation.Get(), request.Get()), S_OK);
    ElementPtr course = NewElement(document, u"course");
    ASSERT_EQ(course->setAttribute(BStr(u"id").Get(), Variant::FromLong(12)), S_OK);
    ASSERT_EQ(Append(operation.Get(), course.Get()), S_OK);
    // The declaration comes after the element was named with its prefix.
    ASSERT_EQ(operation->setAttribute(BStr(u"xmlns:ns1").Get(), Variant::FromString(u"urn:tessalyQuiz")), S_OK);
    // Setting an attribute again replaces its value in place.
    ASSERT_EQ(request->setAttribute(BStr(u"password").Get(), Variant::FromString(u"a\tb")), S_OK);

    EXPECT_EQ(Xml(operation.Get()),
              u"<ns1:getQuiz xmlns:ns1=\"urn:tessalyQuiz\"><request user_name=\"O'Neil &amp; &lt;Sons&gt; "
              u"&quot;Ltd&quot;\" password=\"a&#9;b\"/><course id=\"12\"/></ns1:getQuiz>");
    BStr name;
    ASSERT_EQ(operation->get_nodeName(name.Out()), S_OK);
    EXPECT_EQ(name.View(), u"ns1:getQuiz");

    // The serialised body parses back to the same values.
    DocumentPtr again = Load(WideToAnsi(Xml(operation.Get())));
    EXPECT_EQ(GetAttributeText(SelectElement(again, u"//request"), "user_name"), "O'Neil & <Sons> \"Ltd\"");
    EXPECT_EQ(GetAttributeText(SelectElement(again, u"//request"), "password"), "a\tb");

    DocumentPtr declared = Load("<?xml version='1.0' encoding='ISO-8859-1'?><a>\xE9</a>");
    EXPECT_EQ(Xml(declared.Get()), u"<a>\u00E9</a>\n");
}

TEST_F(XmlDocumentTest, GetAttributeGivesNullForAnAbsentAttribute)
{
    DocumentPtr reply = Load(kReply);
    ElementPtr response = SelectElement(reply, u"//response");
    Variant value;
    EXPECT_EQ(response->getAttribute(BStr(u"error_text").Get(), value.Out()), S_FALSE);
    EXPECT_EQ(value.vt, VT_NULL);
    ASSERT_EQ(response->getAttribute(BStr(u"error_code").Get(), value.Out()), S_OK);
    ASSERT_EQ(value.vt, VT_BSTR);
    EXPECT_EQ(BStr(value.bstrVal).View(), u"0");
    // A namespace declaration reads as the attribute it is written as.
    ElementPtr envelope = SelectElement(reply, u"/*");
    ASSERT_EQ(envelope->getAttribute(BStr(u"xmlns:SOAP-ENV").Get(), value.Out()), S_OK);
    EXPECT_EQ(BStr(value.bstrVal).View(), u"http://schemas.xmlsoap.org/soap/envelope/");
}

TEST_F(XmlDocumentTest, OnlyElementsAnswerTheElementInterface)
{
    DocumentPtr reply = Load(kReply);
    NodePtr node = SelectSingle(reply, u"//note/text()");
    ASSERT_TRUE(node);
    EXPECT_FALSE(node.As<IXMLDOMElement>());
    DOMNodeType type{};
    ASSERT_EQ(node->get_nodeType(&type), S_OK);
    EXPECT_EQ(type, NODE_TEXT);

    NodePtr element = SelectSingle(reply, u"//note");
    ElementPtr asElement = element.As<IXMLDOMElement>();
    ASSERT_TRUE(asElement);
    // Interfaces reached by QueryInterface work like the ones handed out.
    EXPECT_EQ(Xml(asElement.As<IXMLDOMNode>().Get()), Xml(element.Get()));
    BStr name;
    ASSERT_EQ(reply.As<IXMLDOMNode>()->get_nodeName(name.Out()), S_OK);
    EXPECT_EQ(name.View(), u"#document");
    ElementPtr root;
    ASSERT_EQ(reply.As<IXMLDOMDocument>()->get_documentElement(root.Out()), S_OK);
    EXPECT_TRUE(root);
    EXPECT_FALSE(reply.As<IXMLDOMElement>());
    // One object, one identity, whichever interface it is reached through.
    EXPECT_EQ(asElement.As<IUnknown>().Get(), element.As<IUnknown>().Get());
    EXPECT_EQ(reply.As<IXMLDOMNode>().As<IUnknown>().Get(), reply.As<IUnknown>().Get());
}

TEST_F(XmlDocumentTest, AppendChildRefusesWhatCannotBeATree)
{
    DocumentPtr document = CreateDocument();
    DocumentPtr other = CreateDocument();
    ElementPtr root = NewElement(document, u"root");
    ElementPtr child = NewElement(document, u"child");
    ElementPtr stranger = NewElement(other, u"stranger");
    NodePtr text;
    ASSERT_EQ(document->createTextNode(BStr(u"t").Get(), text.Out()), S_OK);

    ASSERT_EQ(Append(document.Get(), root.Get()), S_OK);
    ASSERT_EQ(Append(root.Get(), child.Get()), S_OK);
    ASSERT_EQ(Append(child.Get(), text.Get()), S_OK);
    ElementPtr second = NewElement(document, u"second");
    ElementPtr spare = NewElement(document, u"spare");
    struct Case {
        const char* what;
        IXMLDOMNode* parent;
        IXMLDOMNode* child;
        HRESULT expected;
    } cases[] = {
        {"an ancestor below its descendant", child.Get(), root.Get(), E_FAIL},
        {"a node below itself", child.Get(), child.Get(), E_FAIL},
        {"a second top-level element", document.Get(), second.Get(), E_FAIL},
        {"text at the top level", document.Get(), text.Get(), E_FAIL},
        {"a child below text", text.Get(), spare.Get(), E_FAIL},
        {"a node of another document", root.Get(), stranger.Get(), E_FAIL},
        {"a document below an element", root.Get(), other.Get(), E_FAIL},
        {"no node", root.Get(), nullptr, E_INVALIDARG},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Append(c.parent, c.child), c.expected) << c.what;
    EXPECT_EQ(Xml(document.Get()), u"<root><child>t</child></root>\n");

    // Appending a node moves it: it is attached after the existing children.
    ElementPtr last = NewElement(document, u"last");
    ASSERT_EQ(Append(root.Get(), last.Get()), S_OK);
    ASSERT_EQ(Append(last.Get(), text.Get()), S_OK);
    EXPECT_EQ(Xml(document.Get()), u"<root><child/><last>t</last></root>\n");
}

TEST_F(XmlDocumentTest, ReplacingTextLeavesOldChildrenUsable)
{
    DocumentPtr document = Load("<r><old>x</old></r>");
    ElementPtr root;
    ASSERT_EQ(document->get_documentElement(root.Out()), S_OK);
    NodePtr old = SelectSingle(document, u"/r/old");
    ElementPtr created = NewElement(document, u"created");
    ASSERT_EQ(Append(root.Get(), created.Get()), S_OK);
    for (const char16_t* text : {u"new & <text>", u""}) {
        ASSERT_EQ(root->put_text(BStr(text).Get()), S_OK);
        EXPECT_EQ(Text(root.Get()), text);
    }
    EXPECT_EQ(Xml(root.Get()), u"<r/>");
    // The replaced children live on, detached, and can be put back.
    EXPECT_EQ(Xml(old.Get()), u"<old>x</old>");
    ASSERT_EQ(Append(root.Get(), old.Get()), S_OK);
    ASSERT_EQ(Append(root.Get(), created.Get()), S_OK);
    ASSERT_EQ(root->put_text(BStr(u"again").Get()), S_OK);
    EXPECT_EQ(Xml(document.Get()), u"<r>again</r>\n");
}

TEST_F(XmlDocumentTest, FailingCallsLeaveErrorInformation)
{
    DocumentPtr document = CreateDocument();
    ElementPtr element;
    EXPECT_EQ(document->createElement(BStr(u"1 bad name").Get(), element.Out()), E_INVALIDARG);
    auto description = ErrorDescription(document.Get(), IXMLDOMDocument::iid);
    ASSERT_TRUE(description.has_value());
    EXPECT_NE(description->find(u"1 bad name"), std::u16string::npos);

    element = NewElement(document, u"e");
    EXPECT_EQ(element->setAttribute(BStr(u"a b").Get(), Variant::FromString(u"x")), E_INVALIDARG);
    EXPECT_EQ(element->setAttribute(BStr(u"a").Get(), Variant::Null()), DISP_E_TYPEMISMATCH);
    EXPECT_TRUE(ErrorDescription(element.Get(), IXMLDOMElement::iid).has_value());
    EXPECT_EQ(element->put_text(BStr(std::u16string_view(u"a\0b", 3)).Get()), E_INVALIDARG);
    EXPECT_EQ(document->put_text(BStr(u"x").Get()), E_FAIL);
}

TEST_F(XmlDocumentTest, NodesKeepTheirDocumentAlive)
{
    ElementPtr course;
    NodePtr quizId;
    {
        DocumentPtr reply = Load(kReply);
        course = SelectElement(reply, u"//course");
        quizId = SelectSingle(reply, u"//quiz/@id");
    }
    EXPECT_EQ(Xml(course.Get()), u"<course id=\"c1\"><quiz id=\"q1\"/><quiz id=\"q2\"/></course>");
    EXPECT_EQ(Text(quizId.Get()), u"q1");
    ComPtr<IXMLDOMDocument> owner;
    ASSERT_EQ(course->get_ownerDocument(owner.Out()), S_OK);
    ElementPtr root;
    ASSERT_EQ(owner->get_documentElement(root.Out()), S_OK);
    EXPECT_TRUE(root);

    // Reloading replaces the content; nodes of the old content stay usable.
    VARIANT_BOOL loaded = VARIANT_FALSE;
    ASSERT_EQ(owner->loadXML(BStr(u"<fresh/>").Get(), &loaded), S_OK);
    EXPECT_EQ(Xml(course.Get()), u"<course id=\"c1\"><quiz id=\"q1\"/><quiz id=\"q2\"/></course>");
    EXPECT_EQ(Append(course.Get(), NewElement(owner.As<IXMLDOMDocument2>(), u"x").Get()), E_FAIL);
}

TEST_F(XmlDocumentTest, ElementSerialisationDeclaresNamespacesUsedFromAbove)
{
    DocumentPtr reply = Load(kReply);
    SetProperty(reply, u"SelectionNamespaces", u"xmlns:e='http://schemas.xmlsoap.org/soap/envelope/'");
    NodePtr body = SelectSingle(reply, u"//e:Body");
    const std::u16string xml = Xml(body.Get());
    EXPECT_EQ(xml.rfind(u"<SOAP-ENV:Body xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">", 0), 0u) << std::string(xml.begin(), xml.end());
    // The text stands on its own.
    EXPECT_NO_THROW(Load(WideToAnsi(xml)));
}

TEST_F(XmlDocumentTest, LateBoundCallsReachDerivedAndBaseMembers)
{
    DocumentPtr document = CreateDocument();
    ComPtr<IDispatch> dispatch = document.As<IDispatch>();
    ASSERT_TRUE(dispatch);
    auto call = [&](IDispatch* target, const char16_t* member, WORD flags, std::vector<Variant> arguments) {
        LPOLESTR name = const_cast<LPOLESTR>(member);
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(target->GetIDsOfNames(GUID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        std::vector<VARIANTARG> reversed(arguments.rbegin(), arguments.rend());
        DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        Variant result;
        EXPECT_EQ(target->Invoke(id, GUID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.Out(), nullptr,
                                 nullptr),
                  S_OK);
        return result;
    };
    Variant ok = call(dispatch.Get(), u"LOADXML", DISPATCH_METHOD, {Variant::FromString(u"<a><b n='1'/></a>")});
    EXPECT_EQ(ok.vt, VT_BOOL);
    Variant b = call(dispatch.Get(), u"selectSingleNode", DISPATCH_METHOD, {Variant::FromString(u"//b")});
    ASSERT_EQ(b.vt, VT_DISPATCH);
    Variant n = call(b.pdispVal, u"getAttribute", DISPATCH_METHOD, {Variant::FromString(u"n")});
    ASSERT_EQ(n.vt, VT_BSTR);
    EXPECT_EQ(BStr(n.bstrVal).View(), u"1");
    Variant xml = call(b.pdispVal, u"xml", DISPATCH_PROPERTYGET, {});
    ASSERT_EQ(xml.vt, VT_BSTR);
    EXPECT_EQ(BStr(xml.bstrVal).View(), u"<b n=\"1\"/>");
}

TEST_F(XmlDocumentTest, DocumentsAndNodesWorkFromSeveralThreads)
{
    DocumentPtr shared = Load(kReply);
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) {
                DocumentPtr own = Load("<r><i n='" + std::to_string(t * 1000 + i) + "'/></r>");
                if (GetAttributeInt(SelectElement(own, u"//i"), "n") != t * 1000 + i)
                    ++failures;
                ElementPtr course = SelectElement(shared, u"//course");
                if (GetAttributeText(course, "id") != "c1")
                    ++failures;
                ElementPtr added = NewElement(shared, u"added");
                if (FAILED(Append(course.Get(), added.Get())))
                    ++failures;
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(SelectedXml(NodePtr(shared.Get()), u"//course/added").size(), 200u);
}

} // namespace
