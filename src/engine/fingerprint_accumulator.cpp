#include "engine/fingerprint_accumulator.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace orvalis {

namespace {

std::uint32_t LoadLittleEndian(const unsigned char* bytes) {
    std::uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        word = (word >> 24) | ((word >> 8) & 0xFF00u) | ((word << 8) & 0xFF0000u) | (word << 24);
    }
    return word;
}

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

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// True when `tag` (lower case) starts at `text[at]`, the text compared in lower case.
bool MatchesAt(std::string_view text, std::size_t at, std::string_view tag) {
    if (text.size() - at < tag.size()) return false;
    for (std::size_t i = 0; i < tag.size(); ++i) {
        if (LowerAscii(text[at + i]) != tag[i]) return false;
    }
    return true;
}

}  // namespace

void FingerprintSums::Add(std::string_view text) {
    auto bytes = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t size = text.size();
    length_ += size;

    if (partialSize_ > 0) {
        const std::size_t take = std::min(size, 4 - partialSize_);
        std::memcpy(partial_.data() + partialSize_, bytes, take);
        partialSize_ += take;
        bytes += take;
        size -= take;
        if (partialSize_ < 4) return;
        AddWord(LoadLittleEndian(partial_.data()));
        partialSize_ = 0;
    }
    while (size >= 4 && wordIndex_ % 8 != 0) {
        AddWord(LoadLittleEndian(bytes));
        bytes += 4;
        size -= 4;
    }
    const std::size_t blocks = size / 32;
    AddBlocks(bytes, blocks, lanes_.data());
    wordIndex_ += blocks * 8;
    bytes += blocks * 32;
    size -= blocks * 32;
    while (size >= 4) {
        AddWord(LoadLittleEndian(bytes));
        bytes += 4;
        size -= 4;
    }
    std::memcpy(partial_.data(), bytes, size);
    partialSize_ = size;
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
    constexpr std::size_t kStage = 4096;
    char stage[kStage];
    while (!piece.empty()) {
        std::string_view text = piece.substr(0, kStage);
        piece.remove_prefix(text.size());
        if (std::memchr(text.data(), 0, text.size()) != nullptr) {
            for (std::size_t i = 0; i < text.size(); ++i) stage[i] = text[i] == 0 ? ' ' : text[i];
            text = std::string_view(stage, text.size());
        }
        sums_.Add(text);
        if (foundTitle_ && foundRefresh_) continue;
        SearchAcrossBoundary(text);
        Search(text);
        KeepTail(text);
    }
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
