#include "engine/page_probe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/http_client.h"
#include "support/http_test_server.h"

namespace orvalis {
namespace {

using test::HttpResponse;
using test::HttpTestServer;
using namespace std::string_literals;

FingerprintWords FingerprintOf(std::string_view content) {
    FingerprintWords words{};
    UpdateFingerprint(content, words);
    return words;
}

// The fingerprint written out word by word, to check the fast one against.
FingerprintWords SlowFingerprint(std::string_view content) {
    FingerprintWords words{static_cast<std::uint32_t>(content.size()), 0, 0, 0};
    for (std::size_t i = 0; i < content.size() / 4; ++i) {
        std::uint32_t x = 0;
        for (int b = 3; b >= 0; --b) x = x << 8 | static_cast<unsigned char>(content[4 * i + b]);
        words[1] += x;
        words[2] += static_cast<std::uint32_t>(i % 4 + 1) * x;
        words[3] += static_cast<std::uint32_t>(i % 8 + 1) * x;
    }
    return words;
}

std::string RandomBytes(std::mt19937& random, std::size_t size) {
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
    return bytes;
}

const FingerprintWords kStored{1, 2, 3, 4};

// A clock that records the waits asked of it and returns at once.
class FakeClock : public Clock {
   public:
    bool Sleep(int milliseconds, const StopSignal& stop) override {
        sleeps.push_back(milliseconds);
        return !stopDuringSleep && !stop.IsSet();
    }
    std::time_t Now() override { return 0; }

    std::vector<int> sleeps;
    bool stopDuringSleep = false;  // acts as if a stop request ended every wait
};

class ProbePageTest : public testing::Test {
   protected:
    ProbeResult Probe(const std::string& path, FingerprintWords& words) {
        context.clock = &clock;
        return ProbePage(server.Url(path), words, false, context);
    }

    HttpTestServer server;
    FakeClock clock;
    ProbeContext context;
};

TEST_F(ProbePageTest, FingerprintsTheBodyAndReportsChanges) {
    server.Serve("/page", HttpResponse::Ok("abcdefgh"));

    FingerprintWords words{};
    EXPECT_EQ(Probe("/page", words), ProbeUnchanged) << "no stored fingerprint yet";
    EXPECT_EQ(words, (FingerprintWords{8, 0xCCCAC8C6, 0x35322F2B, 0x35322F2B}));
    EXPECT_EQ(Probe("/page", words), ProbeUnchanged);

    server.Serve("/page", HttpResponse::Ok("abcdefgi"));
    EXPECT_EQ(Probe("/page", words), ProbeChanged);
    EXPECT_EQ(words, FingerprintOf("abcdefgi"));
}

TEST_F(ProbePageTest, BlindSpotsOfTheFingerprint) {
    // What the four sums cannot see, and what they can.
    std::string page(40, '.');
    for (std::size_t i = 0; i < page.size(); ++i) page[i] = static_cast<char>('A' + i);
    auto swapGroups = [](std::string text, std::size_t a, std::size_t b) {
        for (int k = 0; k < 4; ++k) std::swap(text[4 * a + k], text[4 * b + k]);
        return text;
    };
    const std::string odd = page + "xyz";
    std::string firstByteChanged = page;
    firstByteChanged[0] = 'a';

    struct Case {
        const char* what;
        std::string before, after;
        ProbeResult expected;
    };
    const Case cases[] = {
        {"last bytes beyond the last whole word", odd, page + "XYQ", ProbeUnchanged},
        {"last byte only", page + "x", page + "y", ProbeUnchanged},
        {"groups 0 and 8 swapped", page, swapGroups(page, 0, 8), ProbeUnchanged},
        {"groups 1 and 9 swapped", page, swapGroups(page, 1, 9), ProbeUnchanged},
        {"groups 0 and 1 swapped", page, swapGroups(page, 0, 1), ProbeChanged},
        {"groups 0 and 4 swapped", page, swapGroups(page, 0, 4), ProbeChanged},
        {"one byte inside a word", page, firstByteChanged, ProbeChanged},
        {"one byte longer", page, page + "x", ProbeChanged},
    };
    for (const Case& c : cases) {
        FingerprintWords words{};
        server.Serve("/page", HttpResponse::Ok(c.before));
        ASSERT_EQ(Probe("/page", words), ProbeUnchanged) << c.what;
        server.Serve("/page", HttpResponse::Ok(c.after));
        EXPECT_EQ(Probe("/page", words), c.expected) << c.what;
        EXPECT_EQ(words, FingerprintOf(c.after)) << c.what;
    }
}

TEST_F(ProbePageTest, ReusesTheConnectionForTheNextFetch) {
    server.Serve("/a", HttpResponse::Ok("first"));
    server.Serve("/b", HttpResponse::Ok("second"));
    FingerprintWords words{};
    Probe("/a", words);
    Probe("/b", words);
    Probe("/a", words);
    EXPECT_EQ(server.RequestCount("/a"), 2);
    EXPECT_EQ(server.ConnectionCount(), 1);
}

TEST_F(ProbePageTest, SendsTheAgentAndNoCacheHeaders) {
    server.Serve("/page", HttpResponse::Ok("x"));
    FingerprintWords words{};
    Probe("/page", words);

    const std::string request = server.LastRequest("/page");
    EXPECT_NE(request.find("User-Agent: OrvalisPro\r\n"), std::string::npos) << request;
    EXPECT_NE(request.find("Pragma: no-cache\r\n"), std::string::npos) << request;
    EXPECT_NE(request.find("Cache-Control: no-cache\r\n"), std::string::npos) << request;
}

TEST_F(ProbePageTest, FailuresLeaveTheWordsAlone) {
    server.Serve("/empty", HttpResponse::Ok(""));
    server.Serve("/title", HttpResponse::Ok("<html><TITLE>404 Not Found</TITLE></html>"));
    server.Serve("/title-200-with-refresh",
                 HttpResponse::Ok("<title>404 not found</title>"
                                  "<meta http-equiv=\"refresh\" content=\"0.1; url=/\">"));
    server.Serve("/chunked-title", [] {
        HttpResponse response = HttpResponse::Ok("..<title>404 NOT found</title>..");
        response.chunked = true;
        response.pieceSize = 5;
        return response;
    }());

    for (const char* path : {"/empty", "/title", "/title-200-with-refresh", "/chunked-title"}) {
        FingerprintWords words = kStored;
        EXPECT_EQ(Probe(path, words), ProbeFailed) << path;
        EXPECT_EQ(words, kStored) << path;
    }
    EXPECT_TRUE(clock.sleeps.empty()) << "the 404 title wins over the refresh tag";
}

TEST_F(ProbePageTest, StatusCodeIsNotLookedAt) {
    // A 404 or 500 answer whose body lacks the exact title is a page like any other.
    const std::string body = "<title>404  not found</title> gone";
    server.Serve("/missing", HttpResponse::Status(404, body));
    server.Serve("/broken", HttpResponse::Status(500, body));
    for (const char* path : {"/missing", "/broken"}) {
        FingerprintWords words{};
        EXPECT_EQ(Probe(path, words), ProbeUnchanged) << path;
        EXPECT_EQ(words, FingerprintOf(body)) << path;
    }
}

TEST_F(ProbePageTest, ZeroBytesCountAsSpaces) {
    server.Serve("/nul", HttpResponse::Ok("a\0bc"s));
    FingerprintWords words{};
    EXPECT_EQ(Probe("/nul", words), ProbeUnchanged);
    EXPECT_EQ(words, FingerprintOf("a bc"));
}

TEST_F(ProbePageTest, ZeroByteInsideTheRefreshTagStillMatches) {
    std::string tag = "<meta http-equiv=\"refresh\" content=\"0.1; url=/\">";
    tag[5] = '\0';
    server.Serve("/refresh", HttpResponse::Ok(tag));
    FingerprintWords words = kStored;
    EXPECT_EQ(Probe("/refresh", words), ProbeUnchanged);
    EXPECT_EQ(server.RequestCount("/refresh"), 2);
}

TEST_F(ProbePageTest, RefreshTagOnBothFetchesWaitsOnceAndKeepsTheWords) {
    server.Serve("/refresh",
                 HttpResponse::Ok("<META HTTP-EQUIV=\"Refresh\" CONTENT=\"0.1; URL=/\">"));
    FingerprintWords words = kStored;
    EXPECT_EQ(Probe("/refresh", words), ProbeUnchanged);
    EXPECT_EQ(words, kStored);
    EXPECT_EQ(clock.sleeps, std::vector<int>{2000});
    EXPECT_EQ(server.RequestCount("/refresh"), 2);
}

TEST_F(ProbePageTest, RefreshTagOnlyOnTheFirstFetchGivesTheSecondFetchsResult) {
    const std::string refresh = "<meta http-equiv=\"refresh\" content=\"0.1; url=/\">";
    server.ServeSequence("/a", {HttpResponse::Ok(refresh), HttpResponse::Ok("real page")});
    server.ServeSequence("/b", {HttpResponse::Ok(refresh), HttpResponse::Ok("")});

    FingerprintWords words = kStored;
    EXPECT_EQ(Probe("/a", words), ProbeChanged);
    EXPECT_EQ(words, FingerprintOf("real page"));

    words = kStored;
    EXPECT_EQ(Probe("/b", words), ProbeFailed);
    EXPECT_EQ(words, kStored);
    EXPECT_EQ(clock.sleeps, (std::vector<int>{2000, 2000}));
}

TEST_F(ProbePageTest, UnreachableAddressesFail) {
    HttpTestServer closed;
    const std::string refused = closed.Url("/");
    closed.Stop();

    server.Serve("/loop", HttpResponse::Redirect("/loop"));
    for (const std::string& address : {refused, server.Url("/loop"), "http://"s, ""s}) {
        FingerprintWords words = kStored;
        EXPECT_EQ(ProbePage(address, words), ProbeFailed) << address;
        EXPECT_EQ(words, kStored) << address;
    }
}

TEST_F(ProbePageTest, FollowsRedirects) {
    server.Serve("/old", HttpResponse::Redirect("/new", 301));
    server.Serve("/new", HttpResponse::Ok("moved here"));
    FingerprintWords words{};
    EXPECT_EQ(Probe("/old", words), ProbeUnchanged);
    EXPECT_EQ(words, FingerprintOf("moved here"));
}

TEST_F(ProbePageTest, BodyCutShortIsJudgedByWhatArrived) {
    HttpResponse cut = HttpResponse::Ok("abcdefgh-and-more");
    cut.closeAfter = 8;
    server.Serve("/cut", cut);
    HttpResponse chunkedCut = cut;
    chunkedCut.chunked = true;
    chunkedCut.pieceSize = 3;
    server.Serve("/chunked-cut", chunkedCut);

    for (const char* path : {"/cut", "/chunked-cut"}) {
        FingerprintWords words{};
        EXPECT_EQ(Probe(path, words), ProbeUnchanged) << path;
        EXPECT_EQ(words, FingerprintOf("abcdefgh")) << path;
    }
}

TEST_F(ProbePageTest, TimedOutFetchFailsEvenWithPartOfTheBody) {
    HttpLimits shortLimits;
    shortLimits.stallTime = std::chrono::seconds(1);
    SetHttpLimits(shortLimits);
    HttpResponse silent;
    silent.neverAnswer = true;
    server.Serve("/silent", silent);
    HttpResponse stalling = HttpResponse::Ok("abcdefgh and then nothing");
    stalling.stallAfter = 8;
    server.Serve("/stalling", stalling);

    for (const char* path : {"/silent", "/stalling"}) {
        FingerprintWords words = kStored;
        EXPECT_EQ(Probe(path, words), ProbeFailed) << path;
        EXPECT_EQ(words, kStored) << path;
    }
    SetHttpLimits(HttpLimits{});
}

TEST_F(ProbePageTest, StopRequestEndsASlowBodyAndKeepsTheWords) {
    HttpResponse slow = HttpResponse::Ok("slow body");
    slow.stallAfter = 4;
    server.Serve("/slow", slow);
    StopSignal stop;
    context.stop = &stop;

    FingerprintWords words = kStored;
    auto probe = std::async(std::launch::async, [&] { return Probe("/slow", words); });
    while (server.RequestCount("/slow") == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    stop.Request();
    EXPECT_EQ(probe.get(), ProbeFailed);
    EXPECT_EQ(words, kStored);
}

TEST_F(ProbePageTest, StopDuringTheRefreshWaitFails) {
    server.Serve("/refresh",
                 HttpResponse::Ok("<meta http-equiv=\"refresh\" content=\"0.1; url=/\">"));
    clock.stopDuringSleep = true;
    FingerprintWords words = kStored;
    EXPECT_EQ(Probe("/refresh", words), ProbeFailed);
    EXPECT_EQ(words, kStored);
    EXPECT_EQ(server.RequestCount("/refresh"), 1);
}

TEST(UpdateFingerprint, WorkedValues) {
    EXPECT_EQ(FingerprintOf(""), (FingerprintWords{0, 0, 0, 0}));
    EXPECT_EQ(FingerprintOf("abc"), (FingerprintWords{3, 0, 0, 0}));
    EXPECT_EQ(FingerprintOf("abcd"), (FingerprintWords{4, 0x64636261, 0x64636261, 0x64636261}));
    EXPECT_EQ(FingerprintOf("abcdefgh"), (FingerprintWords{8, 0xCCCAC8C6, 0x35322F2B, 0x35322F2B}));
}

TEST(UpdateFingerprint, MatchesTheWordByWordSumsAtEveryLengthAndOffset) {
    std::mt19937 random(7);
    const std::string bytes = RandomBytes(random, 700);
    for (std::size_t start = 0; start < 8; ++start) {
        for (std::size_t size = 0; start + size <= bytes.size(); size += 13) {
            const std::string_view content(bytes.data() + start, size);
            ASSERT_EQ(FingerprintOf(content), SlowFingerprint(content)) << start << " " << size;
        }
    }
}

TEST(UpdateFingerprint, ResultComparesWithTheStoredWords) {
    FingerprintWords words{};
    EXPECT_EQ(UpdateFingerprint("abcd", words), ProbeUnchanged) << "nothing stored yet";
    EXPECT_EQ(words, FingerprintOf("abcd"));
    EXPECT_EQ(UpdateFingerprint("abcd", words), ProbeUnchanged);
    EXPECT_EQ(UpdateFingerprint("abce", words), ProbeChanged);
    EXPECT_EQ(words, FingerprintOf("abce"));

    words = {0, 0, 0, 1};  // one non-zero word is a stored fingerprint
    EXPECT_EQ(UpdateFingerprint("", words), ProbeChanged);
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
