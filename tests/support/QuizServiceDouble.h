// The quiz web service as a test double, on the loopback HTTP peer.
//
// Replies are scripted per SOAP operation (the local name of the element
// inside the request's SOAP Body, e.g. "validateUser"); each call received
// is kept with its path, SOAPAction and the operation element parsed as XML
// by libxml2, so tests assert on element and attribute names, their order
// and their values rather than on serialisation details.
//
//     QuizServiceDouble service;
//     service.Respond("validateUser", QuizServiceDouble::Response(0));
//     ... user.Validate(service.Url(), "teacher", "secret") ...
//     const auto call = service.LastCall();
//     EXPECT_EQ(call.soapAction, "\"urn:tessalyUser\"");
//     EXPECT_EQ(call.Outline(), "ns1:validateUser{xmlns:ns1=urn:tessalyUser}"
//                               "(request{user_name=teacher password=secret})");
#pragma once

#include "tests/support/HttpPeer.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tstest {

// One element of a received body, as parsed; texts are UTF-8 as on the wire.
struct XmlElementView {
    std::string name;  // qualified, as written (e.g. "ns1:getQuiz")
    // Namespace declarations first ("xmlns:ns1"), then the attributes, each
    // in document order.
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<XmlElementView> children;  // child elements in order
    std::string text;                      // the element's own text nodes, concatenated

    std::optional<std::string> Attribute(std::string_view name) const;
    // A compact, exact form: name{attr=value ...}(child child ...), with
    // "'text'" appended to an element that has text.
    std::string Outline() const;
};

struct ServiceCall {
    RecordedRequest request;
    std::string path;        // the request target
    std::string soapAction;  // the header value as sent, quotes included
    std::string operation;   // local name of the Body's first element, empty when unparsable
    std::optional<XmlElementView> element;  // that element

    std::string Outline() const { return element ? element->Outline() : std::string("<unparsable>"); }
};

class QuizServiceDouble {
public:
    QuizServiceDouble();
    explicit QuizServiceDouble(const HttpPeer::TlsFiles& tls);
    // Stops the peer first: its connection threads use the scripted replies.
    ~QuizServiceDouble() { peer_.Stop(); }
    QuizServiceDouble(const QuizServiceDouble&) = delete;
    QuizServiceDouble& operator=(const QuizServiceDouble&) = delete;

    // The endpoint URL (the path is the service's; any path is answered).
    std::string Url(std::string_view path = "/tessaly/service.php") const { return peer_.Url(path); }
    HttpPeer& Peer() { return peer_; }

    // Every later call of `operation` gets this reply (until replaced).
    void Respond(const std::string& operation, PeerReply reply);
    // ... with status 200 and this body text, sent as it stands.
    void Respond(const std::string& operation, std::string replyText);
    // Calls of an operation without a scripted reply get status 500.

    std::vector<ServiceCall> Calls() const;
    ServiceCall LastCall() const;  // fails the test when there was none
    std::size_t CallCount() const { return peer_.RequestCount(); }

    // A SOAP 1.1 envelope (prefix SOAP-ENV, UTF-8 declaration) around the body text.
    static std::string Envelope(std::string_view bodyXml);
    // An envelope holding <ns1:reply xmlns:ns1=...><response error_code=...
    // error_text=...>inner</response></ns1:reply>; a missing code or text
    // leaves that attribute out. Texts are written as given (escape them
    // yourself).
    static std::string Response(std::optional<long> errorCode, std::optional<std::string> errorText = std::nullopt,
                                std::string_view inner = {});

    // Keeps each call in the service for `hold` before its reply goes out, or
    // less: once `gather` calls are being held at the same time, all held
    // calls are let go at once (0: never). Shows whether calls overlap.
    void HoldCalls(std::chrono::milliseconds hold, std::size_t gather = 0);
    // The most calls that were being held at the same time.
    std::size_t MaxConcurrentCalls() const;

    // Parses one request body (the whole envelope) into its call.
    static ServiceCall Parse(const RecordedRequest& request);

private:
    void Install();

    HttpPeer peer_;
    mutable std::mutex mutex_;
    std::map<std::string, PeerReply> replies_;
    std::condition_variable heldChanged_;
    std::chrono::milliseconds hold_{0};
    std::size_t gather_ = 0;
    bool gathered_ = false;
    std::size_t held_ = 0;
    std::size_t maxHeld_ = 0;
};

} // namespace tstest
