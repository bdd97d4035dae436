#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace orvalis::test {

/// One scripted answer of the HTTP test server.
struct HttpResponse {
    /// Status code of the status line.
    int status = 200;
    /// Body bytes (may hold NUL bytes); the repeated pattern when `repeatTo` or `endless` is set.
    std::string body;
    /// Extra header lines, sent as given.
    std::vector<std::pair<std::string, std::string>> headers;
    /// Sends the body with chunked transfer coding instead of Content-Length.
    bool chunked = false;
    /// Size of each piece written (and of each chunk when chunked); 0 means one piece.
    std::size_t pieceSize = 0;
    /// Pause before each piece after the first: a slow body.
    std::chrono::milliseconds pieceDelay{0};
    /// Closes the connection after this many body bytes, while the headers promised more.
    std::optional<std::size_t> closeAfter;
    /// Stops sending after this many body bytes and holds the connection open until the client
    /// leaves or the server stops.
    std::optional<std::size_t> stallAfter;
    /// Reads the request and never answers.
    bool neverAnswer = false;
    /// Pause between the request's arrival and the answer: a server far away or slow to think.
    std::chrono::milliseconds delay{0};
    /// Body of this many bytes, `body` repeated (a single 'x' when empty), with Content-Length.
    std::uint64_t repeatTo = 0;
    /// Body that never ends: `body` repeated until the client leaves, without a length.
    bool endless = false;

    /// 200 with the given body.
    static HttpResponse Ok(std::string body);
    /// The given status and body.
    static HttpResponse Status(int status, std::string body);
    /// A redirect to `location`.
    static HttpResponse Redirect(std::string location, int status = 302);
};

/// A small HTTP/1.1 server on its own thread, scripted per request path (the request target as
/// sent, query included). Keeps connections alive between requests like a real server. Paths
/// without a script get 404 with an empty body. Every member may be called from any thread.
///
///     HttpTestServer server;                       // or HttpTestServer host("127.0.0.5", 80);
///     server.Serve("/", HttpResponse::Ok("page"));
///     ProbePage(server.Url("/"), words);           // server.RequestCount("/") is now 1
class HttpTestServer {
   public:
    /// Listens on `address`:`port` (port 0 picks a free one); throws std::runtime_error when the
    /// address cannot be bound.
    explicit HttpTestServer(std::string address = "127.0.0.1", std::uint16_t port = 0);
    /// Stops the server; never waits for a client.
    ~HttpTestServer();

    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    /// The port actually listened on.
    std::uint16_t Port() const { return port_; }
    /// "host:port", or just the host on port 80.
    std::string HostPort() const;
    /// "http://host:port" + path.
    std::string Url(const std::string& path = "/") const;

    /// Answers every request for `path` with `response`; restarts the path's request count.
    void Serve(const std::string& path, HttpResponse response);
    /// Answers successive requests for `path` with these responses in turn, the last one
    /// repeating; restarts the path's request count.
    void ServeSequence(const std::string& path, std::vector<HttpResponse> responses);

    /// Number of requests received for `path` so far.
    int RequestCount(const std::string& path) const;
    /// The request head (request line and header lines, each ending in CRLF) last received for
    /// `path`; empty when none.
    std::string LastRequest(const std::string& path) const;

    /// Number of connections accepted so far.
    int ConnectionCount() const;
    /// The most requests the server was answering at one time so far (a request counts from its
    /// arrival until its answer is sent or its connection ends).
    int MostAtOnce() const;

    /// Closes the listener and every connection and joins all threads; idempotent.
    void Stop();

   private:
    struct Script {
        std::vector<HttpResponse> responses;
        int requests = 0;
        std::string lastRequest;
    };

    void AcceptLoop();
    void ServeConnection(int fd);
    HttpResponse NextResponse(const std::string& path, const std::string& head);
    bool Answer(int fd, const HttpResponse& response, bool headRequest);
    bool SendResponse(int fd, const HttpResponse& response, bool headRequest);
    bool SendAll(int fd, const char* data, std::size_t size);
    void HoldOpen(int fd);
    bool Stopping() const;

    std::string address_;
    std::uint16_t port_ = 0;
    int listenFd_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::thread acceptThread_;

    mutable std::mutex mutex_;
    bool stopping_ = false;
    std::map<std::string, Script> scripts_;
    std::vector<int> openFds_;
    std::vector<std::thread> connectionThreads_;
    std::vector<std::thread::id> finishedThreads_;
    int connections_ = 0;
    int atOnce_ = 0;
    int mostAtOnce_ = 0;
};

}  // namespace orvalis::test
