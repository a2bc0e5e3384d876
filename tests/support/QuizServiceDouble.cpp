#include "tests/support/QuizServiceDouble.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <memory>

namespace tstest {

namespace {

std::string Utf8(const xmlChar* text)
{
    return text ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

std::string QualifiedName(const xmlNode* node)
{
    std::string name = Utf8(node->name);
    if (node->ns && node->ns->prefix)
        return Utf8(node->ns->prefix) + ":" + name;
    return name;
}

XmlElementView ViewOf(const xmlNode* element)
{
    XmlElementView view;
    view.name = QualifiedName(element);
    for (const xmlNs* ns = element->nsDef; ns; ns = ns->next)
        view.attributes.emplace_back(ns->prefix ? "xmlns:" + Utf8(ns->prefix) : std::string("xmlns"), Utf8(ns->href));
    for (const xmlAttr* attribute = element->properties; attribute; attribute = attribute->next) {
        std::string name = Utf8(attribute->name);
        if (attribute->ns && attribute->ns->prefix)
            name = Utf8(attribute->ns->prefix) + ":" + name;
        std::unique_ptr<xmlChar, void (*)(void*)> value(
            xmlNodeListGetString(element->doc, attribute->children, 1), xmlFree);
        view.attributes.emplace_back(name, Utf8(value.get()));
    }
    for (const xmlNode* child = element->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE)
            view.children.push_back(ViewOf(child));
        else if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE)
            view.text += Utf8(child->content);
    }
    return view;
}

const xmlNode* FirstElement(const xmlNode* node)
{
    for (; node; node = node->next)
        if (node->type == XML_ELEMENT_NODE)
            return node;
    return nullptr;
}

} // namespace

std::optional<std::string> XmlElementView::Attribute(std::string_view wanted) const
{
    for (const auto& [name, value] : attributes)
        if (name == wanted)
            return value;
    return std::nullopt;
}

std::string XmlElementView::Outline() const
{
    std::string out = name;
    if (!attributes.empty()) {
        out += '{';
        for (size_t i = 0; i < attributes.size(); ++i) {
            if (i)
                out += ' ';
            out += attributes[i].first + "=" + attributes[i].second;
        }
        out += '}';
    }
    if (!children.empty()) {
        out += '(';
        for (size_t i = 0; i < children.size(); ++i) {
            if (i)
                out += ' ';
            out += children[i].Outline();
        }
        out += ')';
    }
    bool blank = true;
    for (char c : text)
        blank = blank && (c == ' ' || c == '\t' || c == '\r' || c == '\n');
    if (!blank)
        out += "'" + text + "'";
    return out;
}

QuizServiceDouble::QuizServiceDouble() { Install(); }

QuizServiceDouble::QuizServiceDouble(const HttpPeer::TlsFiles& tls) : peer_(tls) { Install(); }

void QuizServiceDouble::Install()
{
    peer_.SetHandler([this](const RecordedRequest& request) {
        const ServiceCall call = Parse(request);
        std::unique_lock<std::mutex> lock(mutex_);
        if (hold_.count() > 0) {
            ++held_;
            maxHeld_ = std::max(maxHeld_, held_);
            if (gather_ && held_ >= gather_)
                gathered_ = true;
            heldChanged_.notify_all();
            heldChanged_.wait_for(lock, hold_, [this] { return gathered_; });
            --held_;
        }
        const auto found = replies_.find(call.operation);
        if (found == replies_.end())
            return PeerReply::Status(500, "no reply scripted for operation '" + call.operation + "'");
        return found->second;
    });
}

void QuizServiceDouble::Respond(const std::string& operation, PeerReply reply)
{
    std::lock_guard<std::mutex> lock(mutex_);
    replies_.insert_or_assign(operation, std::move(reply));
}

void QuizServiceDouble::Respond(const std::string& operation, std::string replyText)
{
    Respond(operation, PeerReply::Ok(std::move(replyText)));
}

void QuizServiceDouble::HoldCalls(std::chrono::milliseconds hold, std::size_t gather)
{
    std::lock_guard<std::mutex> lock(mutex_);
    hold_ = hold;
    gather_ = gather;
    gathered_ = false;
}

std::size_t QuizServiceDouble::MaxConcurrentCalls() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return maxHeld_;
}

std::vector<ServiceCall> QuizServiceDouble::Calls() const
{
    std::vector<ServiceCall> calls;
    for (const auto& request : peer_.Requests())
        calls.push_back(Parse(request));
    return calls;
}

ServiceCall QuizServiceDouble::LastCall() const
{
    const auto requests = peer_.Requests();
    if (requests.empty()) {
        ADD_FAILURE() << "the quiz service double received no call";
        return {};
    }
    return Parse(requests.back());
}

ServiceCall QuizServiceDouble::Parse(const RecordedRequest& request)
{
    ServiceCall call;
    call.request = request;
    call.path = request.target;
    call.soapAction = request.Header("SOAPAction").value_or("");
    std::unique_ptr<xmlDoc, void (*)(xmlDoc*)> document(
        xmlReadMemory(request.body.data(), static_cast<int>(request.body.size()), "request.xml", nullptr,
                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
        xmlFreeDoc);
    if (!document)
        return call;
    const xmlNode* envelope = xmlDocGetRootElement(document.get());
    const xmlNode* body = envelope ? FirstElement(envelope->children) : nullptr;
    const xmlNode* operation = body ? FirstElement(body->children) : nullptr;
    if (!operation)
        return call;
    call.operation = Utf8(operation->name);
    call.element = ViewOf(operation);
    return call;
}

std::string QuizServiceDouble::Envelope(std::string_view bodyXml)
{
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
        "<SOAP-ENV:Body>";
    text.append(bodyXml);
    text += "</SOAP-ENV:Body></SOAP-ENV:Envelope>\r\n";
    return text;
}

std::string QuizServiceDouble::Response(std::optional<long> errorCode, std::optional<std::string> errorText,
                                        std::string_view inner)
{
    std::string response = "<ns1:reply xmlns:ns1=\"urn:tessalyReply\"><response";
    if (errorCode)
        response += " error_code=\"" + std::to_string(*errorCode) + "\"";
    if (errorText)
        response += " error_text=\"" + *errorText + "\"";
    response += ">";
    response.append(inner);
    response += "</response></ns1:reply>";
    return Envelope(response);
}

} // namespace tstest
