#include "tests/support/HttpPeer.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <system_error>

namespace tstest {

namespace {

constexpr std::size_t MaxHeadBytes = 1 << 20;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

const char* StandardReason(int status)
{
    switch (status) {
    case 100: return "Continue";
    case 101: return "Switching Protocols";
    case 200: return "OK";
    case 201: return "Created";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

[[noreturn]] void ThrowErrno(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

void IgnoreBrokenPipes()
{
    // Writes to a client that went away must fail, not kill the test.
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

// Waits until fd is ready for events; false when the peer is stopping or the
// time ran out (timeoutMs < 0: no limit).
bool WaitReady(int fd, short events, int stopEvent, int timeoutMs = -1)
{
    pollfd fds[2] = {{fd, events, 0}, {stopEvent, POLLIN, 0}};
    for (;;) {
        const int n = poll(fds, 2, timeoutMs);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || (fds[1].revents & POLLIN))
            return false;
        return true;
    }
}

// Sleeps unless the peer stops first; false when it stopped.
bool Pause(std::chrono::milliseconds time, int stopEvent)
{
    if (time.count() <= 0)
        return true;
    const auto until = std::chrono::steady_clock::now() + time;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return true;
        pollfd fd{stopEvent, POLLIN, 0};
        const int n = poll(&fd, 1, static_cast<int>(left.count()));
        if (n > 0)
            return false;
    }
}

} // namespace

// --- requests and replies ---------------------------------------------------

std::optional<std::string> RecordedRequest::Header(std::string_view name) const
{
    for (const auto& header : headers)
        if (SameNoCase(header.name, name))
            return header.value;
    return std::nullopt;
}

std::size_t RecordedRequest::HeaderCount(std::string_view name) const
{
    std::size_t count = 0;
    for (const auto& header : headers)
        count += SameNoCase(header.name, name) ? 1 : 0;
    return count;
}

PeerReply PeerReply::Ok(std::string body) { return Status(200, std::move(body)); }

PeerReply PeerReply::Status(int status, std::string body)
{
    PeerReply reply;
    reply.status = status;
    reply.body = std::move(body);
    return reply;
}

PeerReply PeerReply::RawBytes(std::string bytes)
{
    PeerReply reply;
    reply.kind = Kind::Raw;
    reply.body = std::move(bytes);
    return reply;
}

PeerReply PeerReply::Of(Kind kind)
{
    PeerReply reply;
    reply.kind = kind;
    return reply;
}

PeerReply&& PeerReply::After(std::chrono::milliseconds wait) &&
{
    delay = wait;
    return std::move(*this);
}

// --- TLS and connections ----------------------------------------------------

struct HttpPeer::TlsContext {
    SSL_CTX* context = nullptr;
    ~TlsContext() { SSL_CTX_free(context); }
};

struct HttpPeer::Connection {
    int fd = -1;
    SSL* ssl = nullptr;
    int stopEvent = -1;
    std::thread thread;
    std::atomic<bool> finished{false};

    ~Connection() { Release(); }

    // Frees the TLS state and closes the socket, so the client sees the end
    // at once rather than when the thread is reaped.
    void Release()
    {
        if (ssl)
            SSL_free(ssl);
        ssl = nullptr;
        if (fd >= 0)
            close(fd);
        fd = -1;
    }

    // Waits for the socket after a TLS call asked to; false when it failed
    // for good or the peer stops.
    bool RetryTls(int result)
    {
        switch (SSL_get_error(ssl, result)) {
        case SSL_ERROR_WANT_READ: return WaitReady(fd, POLLIN, stopEvent);
        case SSL_ERROR_WANT_WRITE: return WaitReady(fd, POLLOUT, stopEvent);
        default: return false;
        }
    }

    bool Handshake()
    {
        if (!ssl)
            return true;
        for (;;) {
            const int result = SSL_accept(ssl);
            if (result == 1)
                return true;
            if (!RetryTls(result))
                return false;
        }
    }

    // Bytes read (> 0), or 0 when the client closed, failed or the peer stops.
    std::size_t Read(char* buffer, std::size_t size)
    {
        for (;;) {
            if (ssl) {
                const int result = SSL_read(ssl, buffer, static_cast<int>(size));
                if (result > 0)
                    return static_cast<std::size_t>(result);
                if (!RetryTls(result))
                    return 0;
            } else {
                const ssize_t result = recv(fd, buffer, size, 0);
                if (result >= 0)
                    return static_cast<std::size_t>(result);
                if (errno == EINTR)
                    continue;
                if (errno != EAGAIN || !WaitReady(fd, POLLIN, stopEvent))
                    return 0;
            }
        }
    }

    bool WriteAll(std::string_view data)
    {
        while (!data.empty()) {
            if (ssl) {
                const int result = SSL_write(ssl, data.data(), static_cast<int>(data.size()));
                if (result > 0)
                    data.remove_prefix(static_cast<std::size_t>(result));
                else if (!RetryTls(result))
                    return false;
            } else {
                const ssize_t result = send(fd, data.data(), data.size(), MSG_NOSIGNAL);
                if (result >= 0)
                    data.remove_prefix(static_cast<std::size_t>(result));
                else if (errno != EINTR && (errno != EAGAIN || !WaitReady(fd, POLLOUT, stopEvent)))
                    return false;
            }
        }
        return true;
    }

    // Reads and drops whatever comes until the client closes or the peer stops.
    void DrainUntilClosed()
    {
        char buffer[4096];
        while (Read(buffer, sizeof buffer) > 0) {
        }
    }

    void Close()
    {
        if (ssl)
            SSL_shutdown(ssl);
        shutdown(fd, SHUT_WR);
    }
};

// --- the server -------------------------------------------------------------

HttpPeer::HttpPeer() : HttpPeer(TlsFiles{}) {}

HttpPeer::HttpPeer(const TlsFiles& tls)
{
    IgnoreBrokenPipes();
    if (!tls.certificateFile.empty()) {
        tls_ = std::make_unique<TlsContext>();
        tls_->context = SSL_CTX_new(TLS_server_method());
        if (!tls_->context
            || SSL_CTX_use_certificate_chain_file(tls_->context, tls.certificateFile.c_str()) != 1
            || SSL_CTX_use_PrivateKey_file(tls_->context, tls.keyFile.c_str(), SSL_FILETYPE_PEM) != 1
            || SSL_CTX_check_private_key(tls_->context) != 1)
            throw std::runtime_error("HttpPeer: cannot load the TLS certificate " + tls.certificateFile);
        SSL_CTX_set_mode(tls_->context, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    }

    stopEvent_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopEvent_ < 0)
        ThrowErrno("eventfd");
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listener_ < 0) {
        close(stopEvent_);
        ThrowErrno("socket");
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || listen(listener_, 128) != 0
        || getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        const int error = errno;
        close(listener_);
        close(stopEvent_);
        throw std::system_error(error, std::generic_category(), "HttpPeer: listen");
    }
    port_ = ntohs(address.sin_port);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

HttpPeer::~HttpPeer() { Stop(); }

void HttpPeer::Stop()
{
    {
        std::lock_guard lock(mutex_);
        if (stopped_)
            return;
        stopped_ = true;
    }
    const std::uint64_t one = 1;
    (void)!write(stopEvent_, &one, sizeof one);
    acceptThread_.join();

    std::list<std::unique_ptr<Connection>> connections;
    {
        std::lock_guard lock(mutex_);
        connections.swap(connections_);
    }
    for (auto& connection : connections)
        connection->thread.join();
    connections.clear();
    close(listener_);
    close(stopEvent_);
}

std::string HttpPeer::Url(std::string_view path) const
{
    return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

void HttpPeer::Enqueue(PeerReply reply)
{
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(reply));
}

void HttpPeer::SetHandler(Handler handler)
{
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

std::vector<RecordedRequest> HttpPeer::Requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

std::size_t HttpPeer::RequestCount() const
{
    std::lock_guard lock(mutex_);
    return requests_.size();
}

bool HttpPeer::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

std::size_t HttpPeer::ConnectionCount() const
{
    std::lock_guard lock(mutex_);
    return accepted_;
}

std::size_t HttpPeer::OpenConnectionCount() const
{
    std::lock_guard lock(mutex_);
    return open_;
}

bool HttpPeer::WaitForIdle(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return open_ == 0; });
}

void HttpPeer::ReapFinished()
{
    std::list<std::unique_ptr<Connection>> finished;
    {
        std::lock_guard lock(mutex_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            auto next = std::next(it);
            if ((*it)->finished.load())
                finished.splice(finished.end(), connections_, it);
            it = next;
        }
    }
    for (auto& connection : finished)
        connection->thread.join();
}

void HttpPeer::AcceptLoop()
{
    while (WaitReady(listener_, POLLIN, stopEvent_)) {
        ReapFinished();
        const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            continue;
        auto connection = std::make_unique<Connection>();
        connection->fd = fd;
        connection->stopEvent = stopEvent_;
        if (tls_) {
            connection->ssl = SSL_new(tls_->context);
            if (!connection->ssl)
                continue;
            SSL_set_fd(connection->ssl, fd);
        }
        Connection& served = *connection;
        {
            std::lock_guard lock(mutex_);
            ++accepted_;
            ++open_;
            connections_.push_back(std::move(connection));
        }
        served.thread = std::thread([this, &served] {
            Serve(served);
            served.Release();
            {
                std::lock_guard lock(mutex_);
                --open_;
            }
            changed_.notify_all();
            served.finished = true;
        });
    }
}

PeerReply HttpPeer::NextReply(const RecordedRequest& request)
{
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        if (!queue_.empty()) {
            PeerReply reply = std::move(queue_.front());
            queue_.pop_front();
            return reply;
        }
        handler = handler_;
    }
    if (!handler)
        return PeerReply::Ok({});
    try {
        return handler(request);
    } catch (const std::exception& error) {
        // A failing handler must not take the test process down with it.
        return PeerReply::Status(500, std::string("HttpPeer handler failed: ") + error.what());
    }
}

namespace {

// Splits the head into request line and headers; false when it is malformed.
bool ParseHead(const std::string& head, RecordedRequest& request)
{
    std::size_t lineStart = 0;
    bool first = true;
    for (;;) {
        const auto lineEnd = head.find("\r\n", lineStart);
        if (lineEnd == std::string::npos || lineEnd == lineStart)
            break;
        const std::string_view line(head.data() + lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 2;
        if (first) {
            first = false;
            const auto space1 = line.find(' ');
            const auto space2 = line.rfind(' ');
            if (space1 == std::string_view::npos || space1 == space2)
                return false;
            request.method = std::string(line.substr(0, space1));
            request.target = std::string(line.substr(space1 + 1, space2 - space1 - 1));
            request.version = std::string(line.substr(space2 + 1));
            continue;
        }
        const auto colon = line.find(':');
        if (colon == std::string_view::npos)
            return false;
        request.headers.push_back({std::string(line.substr(0, colon)), std::string(Trim(line.substr(colon + 1)))});
    }
    return !first;
}

std::string StatusAndHeaders(const PeerReply& reply, std::optional<std::size_t> contentLength)
{
    std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " "
        + (reply.reason.empty() ? StandardReason(reply.status) : reply.reason) + "\r\n";
    for (const auto& header : reply.headers)
        head += header.name + ": " + header.value + "\r\n";
    if (contentLength)
        head += "Content-Length: " + std::to_string(*contentLength) + "\r\n";
    head += "Connection: close\r\n\r\n";
    return head;
}

} // namespace

void HttpPeer::Serve(Connection& connection)
{
    if (!connection.Handshake())
        return;

    // Read the head, then exactly Content-Length body bytes.
    std::string received;
    std::size_t headEnd = std::string::npos;
    char buffer[16384];
    while ((headEnd = received.find("\r\n\r\n")) == std::string::npos) {
        if (received.size() > MaxHeadBytes)
            return;
        const std::size_t n = connection.Read(buffer, sizeof buffer);
        if (n == 0)
            return;
        received.append(buffer, n);
    }
    RecordedRequest request;
    request.head = received.substr(0, headEnd + 4);
    if (!ParseHead(request.head, request))
        return;
    std::size_t bodyLength = 0;
    if (auto length = request.Header("Content-Length")) {
        if (length->empty() || length->size() > 9 || length->find_first_not_of("0123456789") != std::string::npos)
            return;
        bodyLength = std::stoul(*length);
    }
    request.body = received.substr(headEnd + 4);
    while (request.body.size() < bodyLength) {
        const std::size_t n = connection.Read(buffer, sizeof buffer);
        if (n == 0)
            return;
        request.body.append(buffer, n);
    }
    request.body.resize(bodyLength);

    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }
    changed_.notify_all();

    const PeerReply reply = NextReply(request);
    if (!Pause(reply.delay, stopEvent_))
        return;

    using Kind = PeerReply::Kind;
    switch (reply.kind) {
    case Kind::Normal:
        if (!connection.WriteAll(StatusAndHeaders(reply, reply.contentLength ? std::optional(reply.body.size()) : std::nullopt)
                                 + reply.body))
            return;
        break;
    case Kind::CloseMidBody:
        if (!connection.WriteAll(StatusAndHeaders(reply, reply.body.size())
                                 + reply.body.substr(0, std::min(reply.cutAfter, reply.body.size()))))
            return;
        break;
    case Kind::EndlessBody: {
        if (!connection.WriteAll(StatusAndHeaders(reply, std::nullopt)))
            return;
        const std::string piece(65536, 'x');
        while (connection.WriteAll(piece) && Pause(reply.pace, stopEvent_)) {
        }
        return;
    }
    case Kind::NeverAnswer:
        connection.DrainUntilClosed();
        return;
    case Kind::Raw:
        if (!connection.WriteAll(reply.body))
            return;
        break;
    case Kind::CloseAtOnce:
        return;
    }
    connection.Close();
}

} // namespace tstest
