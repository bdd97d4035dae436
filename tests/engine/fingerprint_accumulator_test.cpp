#include "engine/fingerprint_accumulator.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/page_probe.h"

namespace orvalis {
namespace {

using namespace std::string_literals;

FingerprintWords FingerprintOf(std::string_view content) {
    FingerprintWords words{};
    UpdateFingerprint(content, words);
    return words;
}

std::string RandomBytes(std::mt19937& random, std::size_t size) {
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
    return bytes;
}

// Feeds `body` to an accumulator in the pieces that `cuts` (ascending offsets) mark.
FingerprintAccumulator Accumulate(std::string_view body, const std::vector<std::size_t>& cuts) {
    FingerprintAccumulator accumulator;
    std::size_t from = 0;
    for (std::size_t cut : cuts) {
        accumulator.Add(body.substr(from, cut - from));
        from = cut;
    }
    accumulator.Add(body.substr(from));
    return accumulator;
}

TEST(FingerprintAccumulator, CountsZeroBytesAsSpaces) {
    const FingerprintAccumulator accumulator = Accumulate("a\0bc"s, {});
    EXPECT_EQ(accumulator.Words(), FingerprintOf("a bc"));
    EXPECT_EQ(accumulator.Length(), 4u);
}

TEST(FingerprintAccumulator, FindsTheTagsInAnyLetterCase) {
    struct Case {
        std::string body;
        bool title, refresh;
    };
    const Case cases[] = {
        {"<html><TITLE>404 Not Found</TITLE>", true, false},
        {"<title>404 not found</title>", true, false},
        {"<title>404  not found</title>", false, false},
        {"<title>404 Not Found</titl", false, false},
        {"<title>\0"
         "404 not found</title>"s,
         false, false},
        {"<META HTTP-EQUIV=\"REFRESH\" CONTENT=\"0.1; URL=/\">", false, true},
        {"<meta http-equiv=\"refresh\"\0content=\"0.1; url=/\">"s, false, true},
        {"<meta http-equiv=\"refresh\" content=\"0; url=/\">", false, false},
        {"<<title>404 not found</title><meta http-equiv=\"refresh\" content=\"0.1; url=/\">", true,
         true},
        {"", false, false},
    };
    for (const Case& c : cases) {
        const FingerprintAccumulator accumulator = Accumulate(c.body, {});
        EXPECT_EQ(accumulator.HasNotFoundTitle(), c.title) << c.body;
        EXPECT_EQ(accumulator.HasRefreshTag(), c.refresh) << c.body;
    }
}

TEST(FingerprintAccumulator, SameResultForEveryWayOfCuttingTheBody) {
    const std::string body =
        "x\0<TiTlE>404 nOt FoUnD</tItLe>ab\0<meta http-equiv=\"refresh\" "
        "content=\"0.1; url=/\">tail!"s;
    std::string expectedContent = body;
    for (char& c : expectedContent) c = c == '\0' ? ' ' : c;
    const FingerprintWords expected = FingerprintOf(expectedContent);

    // Every single cut and every pair of cuts.
    for (std::size_t first = 0; first <= body.size(); ++first) {
        for (std::size_t second = first; second <= body.size(); ++second) {
            const FingerprintAccumulator accumulator = Accumulate(body, {first, second});
            ASSERT_EQ(accumulator.Words(), expected) << first << " " << second;
            ASSERT_TRUE(accumulator.HasNotFoundTitle()) << first << " " << second;
            ASSERT_TRUE(accumulator.HasRefreshTag()) << first << " " << second;
        }
    }
    // One byte at a time.
    std::vector<std::size_t> everyByte;
    for (std::size_t i = 1; i < body.size(); ++i) everyByte.push_back(i);
    const FingerprintAccumulator bytewise = Accumulate(body, everyByte);
    EXPECT_EQ(bytewise.Words(), expected);
    EXPECT_TRUE(bytewise.HasNotFoundTitle());
    EXPECT_TRUE(bytewise.HasRefreshTag());
}

TEST(FingerprintAccumulator, RandomCutsOfLargeBodiesAgreeWithTheWholeBody) {
    std::mt19937 random(2026);
    for (int round = 0; round < 40; ++round) {
        std::string body = RandomBytes(random, 1 + random() % 50000);
        const std::string tag = round % 2 == 0
                                    ? "<TITLE>404 NOT FOUND</TITLE>"
                                    : "<meta http-equiv=\"refresh\" content=\"0.1; url=/\">";
        const std::size_t at = random() % body.size();
        body.replace(at, std::min(tag.size(), body.size() - at), tag);
        const bool tagFits = at + tag.size() <= body.size();

        std::string content = body;
        for (char& c : content) c = c == '\0' ? ' ' : c;
        FingerprintAccumulator whole;
        whole.Add(body);

        std::vector<std::size_t> cuts;
        for (std::size_t cut = 0; cut < body.size(); cut += 1 + random() % 9000)
            cuts.push_back(cut);
        const FingerprintAccumulator pieces = Accumulate(body, cuts);
        ASSERT_EQ(pieces.Words(), FingerprintOf(content)) << round;
        ASSERT_EQ(pieces.Words(), whole.Words()) << round;
        ASSERT_EQ(pieces.HasNotFoundTitle(), whole.HasNotFoundTitle()) << round;
        ASSERT_EQ(pieces.HasRefreshTag(), whole.HasRefreshTag()) << round;
        if (tagFits) {
            ASSERT_TRUE(round % 2 == 0 ? pieces.HasNotFoundTitle() : pieces.HasRefreshTag())
                << round;
        }
    }
}

}  // namespace
}  // namespace orvalis
