#include "support/http_test_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/http_client.h"

namespace orvalis {
namespace {

using test::HttpResponse;
using test::HttpTestServer;

std::string Get(const std::string& url) {
    std::string body;
    FetchRequest request;
    request.url = url;
    request.onBody = [&body](std::string_view piece) { body.append(piece); };
    return Fetch(request) == FetchOutcome::Complete ? body : "(failed)";
}

TEST(HttpTestServer, ListensOnPort80OfAnotherLoopbackAddress) {
    HttpTestServer host("127.0.0.5", 80);
    host.Serve("/", HttpResponse::Ok("fifth"));
    EXPECT_EQ(host.Url("/"), "http://127.0.0.5/");
    std::string body;
    FetchRequest request;
    request.url = host.Url("/");
    request.onBody = [&body](std::string_view piece) { body.append(piece); };
    EXPECT_EQ(Fetch(request), FetchOutcome::Complete);
    EXPECT_EQ(body, "fifth");
}

TEST(HttpTestServer, SequenceRepeatsItsLastAnswerAndCountsRequests) {
    HttpTestServer server;
    server.ServeSequence("/", {HttpResponse::Ok("one"), HttpResponse::Ok("two")});
    EXPECT_EQ(Get(server.Url("/")), "one");
    EXPECT_EQ(Get(server.Url("/")), "two");
    EXPECT_EQ(Get(server.Url("/")), "two");
    EXPECT_EQ(server.RequestCount("/"), 3);
    EXPECT_EQ(Get(server.Url("/other")), "") << "unscripted paths answer 404 with no body";
    EXPECT_EQ(server.RequestCount("/other"), 1);
}

// Clients that stay connected, mid-request or waiting for an answer that never comes, must not
// keep the server from stopping.
TEST(HttpTestServer, StopsWhileClientsHang) {
    HttpTestServer server;
    HttpResponse silent;
    silent.neverAnswer = true;
    server.Serve("/silent", silent);
    HttpResponse endless;
    endless.endless = true;
    server.Serve("/endless", endless);

    auto connect = [&server](const std::string& request) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(server.Port());
        inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(send(fd, request.data(), request.size(), 0),
                  static_cast<ssize_t>(request.size()));
        return fd;
    };
    const int halfRequest = connect("GET /silent HTTP/1.1\r\nHost: x\r\n");
    const int unanswered = connect("GET /silent HTTP/1.1\r\nHost: x\r\n\r\n");
    const int unread = connect("GET /endless HTTP/1.1\r\nHost: x\r\n\r\n");
    while (server.RequestCount("/silent") < 1 || server.RequestCount("/endless") < 1) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    server.Stop();
    close(halfRequest);
    close(unanswered);
    close(unread);
}

}  // namespace
}  // namespace orvalis
