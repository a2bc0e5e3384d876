// A loopback HTTP/HTTPS server that plays the quiz service in tests.
//
// It listens on 127.0.0.1 on a port of its own, records every request it
// reads (request line, headers and the exact body bytes) and answers each
// with a scripted reply: either the next one queued with Enqueue(), or, when
// the queue is empty, the one the handler returns. Replies can be slow, cut
// short, endless, absent or not HTTP at all, for testing clients against bad
// servers. Every connection is served on its own thread, so a stalled reply
// never holds up others. All members are thread-safe; Stop() and the
// destructor end every connection and join every thread.
//
//     HttpPeer peer;
//     peer.Enqueue(PeerReply::Ok("<reply/>"));
//     ... client posts to peer.Url("/service") ...
//     EXPECT_EQ(peer.Requests().at(0).body, expectedBytes);
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tstest {

struct HttpHeader {
    std::string name;
    std::string value;
};

struct RecordedRequest {
    std::string method;
    std::string target;   // as sent: path (and query, if any)
    std::string version;  // "HTTP/1.0", ...
    std::vector<HttpHeader> headers;  // in the order received, values without surrounding blanks
    std::string head;     // the raw request line and header lines, up to and including the blank line
    std::string body;     // exactly Content-Length bytes (empty without the header)

    // The first header of that name (compared without regard to case).
    std::optional<std::string> Header(std::string_view name) const;
    std::size_t HeaderCount(std::string_view name) const;
};

struct PeerReply {
    enum class Kind {
        Normal,       // status line, headers, body; then the connection is closed
        CloseMidBody, // like Normal, with a Content-Length for the whole body, but only cutAfter bytes of it
        EndlessBody,  // status line and headers, then body bytes until the client goes away
        NeverAnswer,  // nothing at all until the client goes away
        Raw,          // body sent as it is, nothing else; then closed
        CloseAtOnce,  // closed without a byte
    };

    Kind kind = Kind::Normal;
    int status = 200;
    std::string reason;               // empty: a standard phrase for the status
    std::vector<HttpHeader> headers;  // sent before Content-Length
    std::string body;
    bool contentLength = true;        // send Content-Length (Normal)
    std::chrono::milliseconds delay{0};  // wait before sending anything
    std::size_t cutAfter = 0;         // CloseMidBody: body bytes sent
    std::chrono::milliseconds pace{0};   // EndlessBody: pause between 64 KiB pieces

    static PeerReply Ok(std::string body);
    static PeerReply Status(int status, std::string body = {});
    static PeerReply RawBytes(std::string bytes);
    static PeerReply Of(Kind kind);
    PeerReply&& After(std::chrono::milliseconds wait) &&;
};

class HttpPeer {
public:
    struct TlsFiles {
        std::string certificateFile;  // PEM; may hold the chain after the server's own certificate
        std::string keyFile;          // PEM
    };
    using Handler = std::function<PeerReply(const RecordedRequest&)>;

    HttpPeer();                         // plain HTTP
    explicit HttpPeer(const TlsFiles& tls);  // HTTPS
    ~HttpPeer();
    HttpPeer(const HttpPeer&) = delete;
    HttpPeer& operator=(const HttpPeer&) = delete;

    std::uint16_t Port() const { return port_; }
    // "http://127.0.0.1:<port><path>" (https for a TLS peer).
    std::string Url(std::string_view path = "/") const;

    void Enqueue(PeerReply reply);
    // Answers requests that find the queue empty; without one they get 200
    // with an empty body. Called on connection threads, possibly several at
    // once; an exception it throws becomes a 500 reply carrying its text.
    void SetHandler(Handler handler);

    std::vector<RecordedRequest> Requests() const;
    std::size_t RequestCount() const;
    // Waits until at least count requests were recorded; false after timeout.
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;
    // Connections accepted so far, including those whose TLS handshake failed.
    std::size_t ConnectionCount() const;
    // Connections still being served.
    std::size_t OpenConnectionCount() const;
    // Waits until no connection is being served; false after timeout.
    bool WaitForIdle(std::chrono::milliseconds timeout) const;

    // Closes the listener and every connection, joins every thread. Idempotent.
    void Stop();

private:
    struct Connection;
    struct TlsContext;

    void AcceptLoop();
    void Serve(Connection& connection);
    PeerReply NextReply(const RecordedRequest& request);
    void ReapFinished();

    std::unique_ptr<TlsContext> tls_;
    int listener_ = -1;
    int stopEvent_ = -1;
    std::uint16_t port_ = 0;
    std::thread acceptThread_;
    bool stopped_ = false;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::deque<PeerReply> queue_;
    Handler handler_;
    std::vector<RecordedRequest> requests_;
    std::list<std::unique_ptr<Connection>> connections_;
    std::size_t accepted_ = 0;
    std::size_t open_ = 0;
};

} // namespace tstest
