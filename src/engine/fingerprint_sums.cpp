#include "engine/fingerprint_sums.h"

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

}  // namespace orvalis
