#include "engine/fingerprint_accumulator.h"

#include <algorithm>
#include <cstring>

#include "engine/page_blocks.h"

namespace orvalis {

namespace {

// Adds `blocks` runs of eight words into the eight lanes; kept free of dependencies between
// lanes so the compiler turns it into vector additions.
void AddBlocks(const unsigned char* bytes, std::size_t blocks, std::uint32_t* lanes) {
    std::uint32_t sum[8];
    std::memcpy(sum, lanes, sizeof sum);
    for (std::size_t block = 0; block < blocks; ++block, bytes += 32) {
        for (int lane = 0; lane < 8; ++lane) sum[lane] += LoadLittleEndian(bytes + 4 * lane);
    }
    std::memcpy(lanes, sum, sizeof sum);
}

// How the probe reads a page byte: zero as a space, and for the tag search in lower case.
char PageByte(char c) { return c == 0 ? ' ' : c; }
char FoldedByte(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : PageByte(c); }

// True when `tag` (lower case) starts at `text[at]`, the text read folded.
bool MatchesAt(std::string_view text, std::size_t at, std::string_view tag) {
    if (text.size() - at < tag.size()) return false;
    for (std::size_t i = 0; i < tag.size(); ++i) {
        if (FoldedByte(text[at + i]) != tag[i]) return false;
    }
    return true;
}

}  // namespace

void FingerprintSums::Add(std::string_view bytes) { AddBytes<false>(bytes); }

bool FingerprintSums::AddPage(std::string_view bytes) { return AddBytes<true>(bytes); }

template <bool page>
bool FingerprintSums::AddBytes(std::string_view text) {
    const auto* start = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* bytes = start;
    std::size_t size = text.size();
    length_ += size;
    auto word = [](const unsigned char* at) {
        if constexpr (page) {
            return PageWord(at);
        } else {
            return LoadLittleEndian(at);
        }
    };

    if (partialSize_ > 0) {
        const std::size_t take = std::min(size, 4 - partialSize_);
        std::memcpy(partial_.data() + partialSize_, bytes, take);
        partialSize_ += take;
        bytes += take;
        size -= take;
        if (partialSize_ < 4) return false;  // too short to hold a whole tag
        AddWord(word(partial_.data()));
        partialSize_ = 0;
    }
    while (size >= 4 && wordIndex_ % 8 != 0) {
        AddWord(word(bytes));
        bytes += 4;
        size -= 4;
    }
    const std::size_t blocks = size / 32;
    const auto head = static_cast<std::size_t>(bytes - start);
    bool tagRun = false;
    if constexpr (page) {
        const bool inBlocks = AddPageBlocks(bytes, blocks, size, lanes_.data());
        tagRun = inBlocks || HasTagRun(start, 0, head, text.size()) ||
                 HasTagRun(start, head + 32 * blocks, text.size(), text.size());
    } else {
        AddBlocks(bytes, blocks, lanes_.data());
    }
    wordIndex_ += blocks * 8;
    bytes += blocks * 32;
    size -= blocks * 32;
    while (size >= 4) {
        AddWord(word(bytes));
        bytes += 4;
        size -= 4;
    }
    std::memcpy(partial_.data(), bytes, size);
    partialSize_ = size;
    return tagRun;
}

void FingerprintSums::AddWord(std::uint32_t word) {
    lanes_[wordIndex_ % 8] += word;
    ++wordIndex_;
}

FingerprintWords FingerprintSums::Words() const {
    // Word i lands in lane i mod 8, so its weights (i mod 4) + 1 and (i mod 8) + 1 are the lane's.
    FingerprintWords words{static_cast<std::uint32_t>(length_), 0, 0, 0};
    for (std::uint32_t lane = 0; lane < 8; ++lane) {
        words[1] += lanes_[lane];
        words[2] += (lane % 4 + 1) * lanes_[lane];
        words[3] += (lane + 1) * lanes_[lane];
    }
    return words;
}

void FingerprintAccumulator::Add(std::string_view piece) {
    // One pass sums the words and tells whether the exact tag search must look at the piece.
    const bool mayHoldTag = sums_.AddPage(piece);
    if (foundTitle_ && foundRefresh_) return;
    SearchAcrossBoundary(piece);
    if (mayHoldTag) Search(piece);
    KeepTail(piece);
}

void FingerprintAccumulator::Search(std::string_view text) {
    const char* start = text.data();
    const char* end = start + text.size();
    for (const char* at = start; at < end; ++at) {
        at = static_cast<const char*>(std::memchr(at, '<', static_cast<std::size_t>(end - at)));
        if (at == nullptr) return;
        const auto offset = static_cast<std::size_t>(at - start);
        foundTitle_ = foundTitle_ || MatchesAt(text, offset, kNotFoundTitle);
        foundRefresh_ = foundRefresh_ || MatchesAt(text, offset, kRefreshTag);
    }
}

// Finds the tags that begin in the kept tail and end in `next`.
void FingerprintAccumulator::SearchAcrossBoundary(std::string_view next) {
    if (tailSize_ == 0) return;
    char joined[2 * kTailSize];
    std::memcpy(joined, tail_.data(), tailSize_);
    const std::size_t head = std::min(next.size(), kTailSize);
    std::memcpy(joined + tailSize_, next.data(), head);
    const std::string_view text(joined, tailSize_ + head);
    for (std::size_t at = 0; at < tailSize_; ++at) {
        if (text[at] != '<') continue;
        foundTitle_ = foundTitle_ || MatchesAt(text, at, kNotFoundTitle);
        foundRefresh_ = foundRefresh_ || MatchesAt(text, at, kRefreshTag);
    }
}

void FingerprintAccumulator::KeepTail(std::string_view text) {
    if (text.size() >= kTailSize) {
        std::memcpy(tail_.data(), text.data() + text.size() - kTailSize, kTailSize);
        tailSize_ = kTailSize;
        return;
    }
    const std::size_t keep = std::min(tailSize_, kTailSize - text.size());
    std::memmove(tail_.data(), tail_.data() + tailSize_ - keep, keep);
    std::memcpy(tail_.data() + keep, text.data(), text.size());
    tailSize_ = keep + text.size();
}

ProbeResult StoreFingerprint(const FingerprintWords& fresh, FingerprintWords& words) {
    const FingerprintWords old = words;
    words = fresh;
    if (old == FingerprintWords{} || old == fresh) return ProbeUnchanged;
    return ProbeChanged;
}

}  // namespace orvalis
