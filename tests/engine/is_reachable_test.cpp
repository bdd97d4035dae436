#include <gtest/gtest.h>

#include <string>

#include "engine/page_probe.h"
#include "engine/reachable_address.h"
#include "support/http_test_server.h"

namespace orvalis {
namespace {

using test::HttpResponse;
using test::HttpTestServer;

TEST(ReachableAddress, AddsSchemeAndSlashAsNeeded) {
    const std::pair<std::string, std::string> cases[] = {
        {"example.org", "http://example.org/"},
        {"example.org/", "http://example.org/"},
        {"http://example.org", "http://example.org/"},
        {"https://example.org/a", "https://example.org/a/"},
        {"httpbin.org", "httpbin.org/"},  // begins with "http", so it keeps no scheme
        {"HTTP://example.org/", "http://HTTP://example.org/"},
        {"", "http://"},
    };
    for (const auto& [text, address] : cases) EXPECT_EQ(ReachableAddress(text), address) << text;
}

TEST(IsReachable, AnyAnswerCountsWithoutReadingTheBody) {
    HttpTestServer server;
    server.Serve("/", HttpResponse::Status(500, "server error"));
    HttpResponse endless;
    endless.endless = true;
    server.Serve("/stream/", endless);

    EXPECT_TRUE(IsReachable(server.HostPort())) << "bare host";
    EXPECT_TRUE(IsReachable(server.Url("/stream")));
    EXPECT_EQ(server.RequestCount("/"), 1);
    EXPECT_EQ(server.RequestCount("/stream/"), 1);
    const std::string request = server.LastRequest("/");
    EXPECT_NE(request.find("User-Agent: Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 5.1; "
                           "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1) ; .NET CLR "
                           "1.1.4322; .NET CLR 2.0.50727)\r\n"),
              std::string::npos)
        << request;
    EXPECT_NE(request.find("Pragma: no-cache\r\n"), std::string::npos) << request;
}

TEST(IsReachable, NothingThereIsFalse) {
    HttpTestServer closed;
    const std::string refused = closed.HostPort();
    closed.Stop();
    EXPECT_FALSE(IsReachable(refused));
    EXPECT_FALSE(IsReachable(""));

    StopSignal stop;
    stop.Request();
    HttpTestServer server;
    EXPECT_FALSE(IsReachable(server.HostPort(), {&stop, nullptr}));
}

}  // namespace
}  // namespace orvalis
