#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/fingerprint_accumulator.h"
#include "engine/page_probe.h"

namespace orvalis {
namespace {

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

TEST(UpdateFingerprint, BlindSpots) {
    // What the four sums cannot see, and what they can.
    std::string page(40, '.');
    for (std::size_t i = 0; i < page.size(); ++i) page[i] = static_cast<char>('A' + i);
    auto swapGroups = [](std::string text, std::size_t a, std::size_t b) {
        for (int k = 0; k < 4; ++k) std::swap(text[4 * a + k], text[4 * b + k]);
        return text;
    };
    const std::string odd = page + "xyz";

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
        {"one byte inside a word", page, "a" + page.substr(1), ProbeChanged},
        {"one byte longer", page, page + "x", ProbeChanged},
    };
    for (const Case& c : cases) {
        FingerprintWords words = FingerprintOf(c.before);
        EXPECT_EQ(UpdateFingerprint(c.after, words), c.expected) << c.what;
    }
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
        {"<title>\0" "404 not found</title>"s, false, false},
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
    const std::string body = "x\0<TiTlE>404 nOt FoUnD</tItLe>ab\0<meta http-equiv=\"refresh\" "
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
        const std::string tag = round % 2 == 0 ? "<TITLE>404 NOT FOUND</TITLE>"
                                               : "<meta http-equiv=\"refresh\" content=\"0.1; url=/\">";
        const std::size_t at = random() % body.size();
        body.replace(at, std::min(tag.size(), body.size() - at), tag);
        const bool tagFits = at + tag.size() <= body.size();

        std::string content = body;
        for (char& c : content) c = c == '\0' ? ' ' : c;
        FingerprintAccumulator whole;
        whole.Add(body);

        std::vector<std::size_t> cuts;
        for (std::size_t cut = 0; cut < body.size(); cut += 1 + random() % 9000) cuts.push_back(cut);
        const FingerprintAccumulator pieces = Accumulate(body, cuts);
        ASSERT_EQ(pieces.Words(), FingerprintOf(content)) << round;
        ASSERT_EQ(pieces.Words(), whole.Words()) << round;
        ASSERT_EQ(pieces.HasNotFoundTitle(), whole.HasNotFoundTitle()) << round;
        ASSERT_EQ(pieces.HasRefreshTag(), whole.HasRefreshTag()) << round;
        if (tagFits) {
            ASSERT_TRUE(round % 2 == 0 ? pieces.HasNotFoundTitle() : pieces.HasRefreshTag()) << round;
        }
    }
}

}  // namespace
}  // namespace orvalis
