#include "service/ServiceCall.h"

#include "common/Exceptions.h"
#include "service/InetStuff.h"
#include "service/ServiceDom.h"
#include "service/ServiceTimeout.h"
#include "service/ServiceWireText.h"

#include <stdexcept>

namespace Tessaly {

namespace {

// The SOAP 1.1 envelope namespace, as the request envelope declares it.
constexpr const char* SoapEnvelopeSelection = "xmlns:SOAP-ENV='http://schemas.xmlsoap.org/soap/envelope/'";

ServiceResult Failure(std::string text)
{
    return ServiceResult{-1, std::move(text), {}};
}

// The text of a required child of a fault; a missing one is an empty reference.
std::string FaultPart(const XmlStuff::NodePtr& fault, const char* name)
{
    XmlStuff::NodePtr part = Dom::SelectSingle(fault, name);
    if (!part)
        throw PlatformError(E_POINTER);
    return Dom::TextOf(part);
}

} // namespace

ServiceResult CallService(const UserCredentials& user, const std::string& soapAction, const std::string& body)
{
    // -1 reaches the transport as the largest unsigned wait: no limit.
    const auto timeoutMs = static_cast<std::uint32_t>(ServiceTimeoutMs());
    std::string reply;
    try {
        reply = InetStuff::PostSoapRequest(user.ServerURL, soapAction, BodyToWire(body), timeoutMs);
    } catch (const InetStuff::InetException& e) {
        return Failure(e.message);
    }
    try {
        XmlStuff::DocumentPtr document = XmlStuff::LoadXmlText(ReplyFromWire(reply));
        Dom::SetProperty(document, "SelectionLanguage", "XPath");
        Dom::SetProperty(document, "SelectionNamespaces", SoapEnvelopeSelection);
        return CheckReply(document);
    } catch (const std::runtime_error& e) {
        return Failure(e.what());
    }
}

ServiceResult CheckReply(const XmlStuff::DocumentPtr& reply)
{
    ServiceResult result{0, {}, reply};
    if (XmlStuff::NodePtr fault = Dom::SelectSingle(reply, "//SOAP-ENV:Fault"); fault && Dom::AsElement(fault)) {
        const std::string code = FaultPart(fault, "faultcode");
        const std::string text = FaultPart(fault, "faultstring");
        result.ErrorCode = -1;
        result.ErrorText = "Fault (" + code + ") " + text;
        return result;
    }
    XmlStuff::NodePtr response = Dom::SelectSingle(reply, "//response");
    if (!response) {
        result.ErrorCode = -3;
        result.ErrorText = "No response found";
        return result;
    }
    if (XmlStuff::ElementPtr element = Dom::AsElement(response)) {
        try {
            result.ErrorCode = XmlStuff::GetAttributeInt(element, "error_code");
        } catch (const XmlStuff::XmlException&) {
            result.ErrorCode = -4;
        }
        result.ErrorText = XmlStuff::GetAttributeText(element, "error_text", "No error text specified");
    }
    return result;
}

} // namespace Tessaly
