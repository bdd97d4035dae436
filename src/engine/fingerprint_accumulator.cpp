#include "engine/fingerprint_accumulator.h"

#include <algorithm>
#include <cstring>

namespace orvalis {

namespace {

// How the probe reads a page byte: zero as a space, and for the tag search in lower case.
char PageByte(char c) { return c == 0 ? ' ' : c; }
char FoldedByte(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : PageByte(c);
}

// True when `tag` (lower case) starts at `text[at]`, the text read folded.
bool MatchesAt(std::string_view text, std::size_t at, std::string_view tag) {
    if (text.size() - at < tag.size()) return false;
    for (std::size_t i = 0; i < tag.size(); ++i) {
        if (FoldedByte(text[at + i]) != tag[i]) return false;
    }
    return true;
}

}  // namespace

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
