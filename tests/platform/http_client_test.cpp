#include "platform/http_client.h"

#include <curl/curl.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <netdb.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <future>
#include <mutex>
#include <string>
#include <thread>

#include "support/http_test_server.h"
#include "support/stalled_listener.h"
#include "support/tls_test_server.h"

// A name lookup that hangs (an unanswering name server) must not hold up a stopped fetch. The
// lookup of one test name is made to hang by standing in for the C library's getaddrinfo in this
// test program; every other name goes to the real one.
namespace {

constexpr const char* kHangingName = "hanging-lookup.test";

std::mutex lookupMutex;
std::condition_variable lookupChanged;
bool lookupEntered = false;
bool lookupReleased = false;
bool lookupLeft = false;

}  // namespace

extern "C" int getaddrinfo(const char* node, const char* service, const addrinfo* hints,
                           addrinfo** result) {
    using Real = int (*)(const char*, const char*, const addrinfo*, addrinfo**);
    static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "getaddrinfo"));
    if (node == nullptr || std::strcmp(node, kHangingName) != 0) {
        return real(node, service, hints, result);
    }
    std::unique_lock lock(lookupMutex);
    lookupEntered = true;
    lookupChanged.notify_all();
    // Bounded, so a broken build cannot hang the test program for good.
    lookupChanged.wait_for(lock, std::chrono::seconds(60), [] { return lookupReleased; });
    lookupLeft = true;
    lookupChanged.notify_all();
    return EAI_NONAME;
}

namespace orvalis {
namespace {

using test::HttpResponse;
using test::HttpTestServer;
using namespace std::chrono_literals;

// Short limits, so the time-out cases end in about a second; the defaults come back afterwards.
class HttpClientTest : public testing::Test {
   protected:
    void SetUp() override {
        HttpLimits shortLimits;
        shortLimits.connectTimeout = 300ms;
        shortLimits.stallTime = 1s;
        shortLimits.transferTimeout = 2s;
        SetHttpLimits(shortLimits);
    }
    void TearDown() override { SetHttpLimits(HttpLimits{}); }

    FetchOutcome Get(const std::string& url, std::string* body = nullptr, bool headersOnly = false,
                     const StopSignal* stop = nullptr) {
        FetchRequest request;
        request.url = url;
        request.agent = "test";
        request.headersOnly = headersOnly;
        request.stop = stop;
        if (body != nullptr)
            request.onBody = [body](std::string_view piece) { body->append(piece); };
        return Fetch(request);
    }

    HttpTestServer server;
};

TEST_F(HttpClientTest, DeliversTheWholeBodyHoweverItIsSent) {
    std::string big(300000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 % 251);
    HttpResponse chunked = HttpResponse::Ok(big);
    chunked.chunked = true;
    chunked.pieceSize = 1000;
    server.Serve("/plain", HttpResponse::Ok(big));
    server.Serve("/chunked", chunked);

    for (const char* path : {"/plain", "/chunked"}) {
        std::string body;
        EXPECT_EQ(Get(server.Url(path), &body), FetchOutcome::Complete) << path;
        EXPECT_TRUE(body == big) << path;
    }
}

// A blank typed into an address goes out escaped, as a browser sends it, instead of making every
// fetch of that page fail.
TEST_F(HttpClientTest, BlanksInTheAddressAreSentEscaped) {
    server.Serve("/my%20page.html", HttpResponse::Ok("hello"));
    server.Serve("/%20", HttpResponse::Ok("trailing"));
    const std::pair<std::string, std::string> cases[] = {
        {server.Url("/my page.html"), "hello"},
        {server.Url("/ "), "trailing"},
    };
    for (const auto& [url, expected] : cases) {
        std::string body;
        EXPECT_EQ(Get(url, &body), FetchOutcome::Complete) << url;
        EXPECT_EQ(body, expected) << url;
        EXPECT_EQ(Get(url, nullptr, true), FetchOutcome::Complete) << url;
    }
}

TEST_F(HttpClientTest, DefaultLimitsBoundEveryPhase) {
    const HttpLimits defaults;
    EXPECT_GE(defaults.connectTimeout, 20s);
    EXPECT_LE(defaults.connectTimeout, 30s);
    EXPECT_EQ(defaults.stallBytesPerSecond, 1);
    EXPECT_EQ(defaults.stallTime, 30s);
    EXPECT_EQ(defaults.maxRedirects, 10);
    EXPECT_GE(defaults.transferTimeout, 60s);
}

TEST_F(HttpClientTest, TimeOutsFail) {
    test::StalledListener stalled;
    HttpResponse silent;
    silent.neverAnswer = true;
    server.Serve("/silent", silent);
    HttpResponse stalling = HttpResponse::Ok("partial body");
    stalling.stallAfter = 4;
    server.Serve("/stalling", stalling);

    EXPECT_EQ(Get(stalled.Url()), FetchOutcome::Failed) << "connect phase";
    EXPECT_EQ(Get(server.Url("/silent")), FetchOutcome::Failed) << "no answer";
    EXPECT_EQ(Get(server.Url("/silent"), nullptr, true), FetchOutcome::Failed) << "no headers";
    std::string body;
    EXPECT_EQ(Get(server.Url("/stalling"), &body), FetchOutcome::Failed) << "stalled body";
    EXPECT_EQ(body, "part");

    HttpResponse endless = HttpResponse::Ok("stream ");
    endless.endless = true;
    server.Serve("/endless", endless);
    std::size_t received = 0;
    FetchRequest request;
    request.url = server.Url("/endless");
    request.agent = "test";
    request.onBody = [&received](std::string_view piece) { received += piece.size(); };
    EXPECT_EQ(Fetch(request), FetchOutcome::Failed) << "body that never ends";
    EXPECT_GT(received, 0u);
}

TEST_F(HttpClientTest, BodyThatBreaksOffIsCut) {
    HttpResponse cut = HttpResponse::Ok("0123456789");
    cut.closeAfter = 6;
    server.Serve("/cut", cut);
    std::string body;
    EXPECT_EQ(Get(server.Url("/cut"), &body), FetchOutcome::Cut);
    EXPECT_EQ(body, "012345");
}

TEST_F(HttpClientTest, RedirectsAreFollowedUpToTheLimit) {
    // /hop/N redirects to /hop/N-1; /hop/0 is the page.
    for (int hop = 1; hop <= 11; ++hop) {
        server.Serve("/hop/" + std::to_string(hop),
                     HttpResponse::Redirect("/hop/" + std::to_string(hop - 1)));
    }
    server.Serve("/hop/0", HttpResponse::Ok("arrived"));
    server.Serve("/loop", HttpResponse::Redirect("/loop", 301));

    std::string body;
    EXPECT_EQ(Get(server.Url("/hop/10"), &body), FetchOutcome::Complete);
    EXPECT_EQ(body, "arrived");
    EXPECT_EQ(Get(server.Url("/hop/11")), FetchOutcome::Failed);
    EXPECT_EQ(Get(server.Url("/loop")), FetchOutcome::Failed);
    EXPECT_EQ(server.RequestCount("/loop"), 11);
}

TEST_F(HttpClientTest, HeadersOnlyReadsNoBody) {
    HttpResponse endless;
    endless.endless = true;
    server.Serve("/endless", endless);
    server.Serve("/error", HttpResponse::Status(500, "oops"));
    server.Serve("/moved", HttpResponse::Redirect("/endless"));
    HttpResponse headersThenStall = HttpResponse::Ok("never sent");
    headersThenStall.stallAfter = 0;
    server.Serve("/stall", headersThenStall);

    for (const char* path : {"/endless", "/error", "/moved", "/stall"}) {
        std::string body;
        EXPECT_EQ(Get(server.Url(path), &body, true), FetchOutcome::Complete) << path;
        EXPECT_EQ(body, "") << path;
    }
    EXPECT_EQ(server.RequestCount("/endless"), 2);
}

TEST_F(HttpClientTest, NothingToOpenFails) {
    HttpTestServer closed;
    const std::string refused = closed.Url("/");
    closed.Stop();
    for (const std::string& url : {refused, std::string("http://"), std::string("no scheme at all"),
                                   std::string("https://127.0.0.1:1/")}) {
        EXPECT_EQ(Get(url), FetchOutcome::Failed) << url;
        EXPECT_EQ(Get(url, nullptr, true), FetchOutcome::Failed) << url;
    }
    // A plain HTTP server cannot complete a TLS handshake.
    server.Serve("/", HttpResponse::Ok("plain"));
    EXPECT_EQ(Get("https://" + server.HostPort() + "/"), FetchOutcome::Failed);
}

std::size_t AppendTo(char* data, std::size_t size, std::size_t count, void* body) {
    static_cast<std::string*>(body)->append(data, size * count);
    return size * count;
}

TEST_F(HttpClientTest, UntrustedCertificateFails) {
    test::TlsTestServer tls;
    std::string body;
    EXPECT_EQ(Get(tls.Url(), &body), FetchOutcome::Failed);
    EXPECT_EQ(Get(tls.Url(), nullptr, true), FetchOutcome::Failed);
    EXPECT_EQ(body, "");

    // The same server answers a client that skips the check, so the check is what failed.
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, tls.Url().c_str());
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendTo);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    EXPECT_EQ(curl_easy_perform(curl), CURLE_OK);
    curl_easy_cleanup(curl);
    EXPECT_EQ(body, "secure");
}

TEST_F(HttpClientTest, StopRequestEndsEveryKindOfWait) {
    SetHttpLimits(HttpLimits{});  // the real limits, far longer than this test may take
    test::StalledListener stalled;
    HttpResponse silent;
    silent.neverAnswer = true;
    server.Serve("/silent", silent);
    HttpResponse endless = HttpResponse::Ok("0123456789abcdef");
    endless.endless = true;
    server.Serve("/endless", endless);
    HttpResponse slow = HttpResponse::Ok("slow");
    slow.pieceSize = 1;
    slow.pieceDelay = 10s;
    server.Serve("/slow", slow);

    for (const std::string& url :
         {stalled.Url(), server.Url("/silent"), server.Url("/endless"), server.Url("/slow")}) {
        StopSignal stop;
        std::atomic<std::size_t> received{0};
        FetchRequest request;
        request.url = url;
        request.stop = &stop;
        request.onBody = [&](std::string_view piece) { received += piece.size(); };
        auto fetch = std::async(std::launch::async, [&] { return Fetch(request); });
        std::this_thread::sleep_for(100ms);
        stop.Request();
        EXPECT_EQ(fetch.get(), FetchOutcome::Stopped) << url;
    }
}

TEST_F(HttpClientTest, StopRequestedBeforehandSendsNothing) {
    server.Serve("/", HttpResponse::Ok("x"));
    StopSignal stop;
    stop.Request();
    EXPECT_EQ(Get(server.Url("/"), nullptr, false, &stop), FetchOutcome::Stopped);
    EXPECT_EQ(Get(server.Url("/"), nullptr, true, &stop), FetchOutcome::Stopped);
    EXPECT_EQ(server.RequestCount("/"), 0);
}

TEST(SlowNameLookup, StopRequestDoesNotWaitForAHangingLookup) {
    StopSignal stop;
    FetchRequest request;
    request.url = std::string("http://") + kHangingName + "/";
    request.stop = &stop;
    auto fetch = std::async(std::launch::async, [&] { return Fetch(request); });
    {
        std::unique_lock lock(lookupMutex);
        ASSERT_TRUE(lookupChanged.wait_for(lock, 30s, [] { return lookupEntered; }));
    }
    stop.Request();
    const bool returnedDuringLookup = fetch.wait_for(20s) == std::future_status::ready;
    {
        std::unique_lock lock(lookupMutex);
        lookupReleased = true;
        lookupChanged.notify_all();
        lookupChanged.wait_for(lock, 30s, [] { return lookupLeft; });
    }
    EXPECT_TRUE(returnedDuringLookup);
    EXPECT_EQ(fetch.get(), FetchOutcome::Stopped);
}

}  // namespace
}  // namespace orvalis
