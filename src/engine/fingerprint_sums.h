#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/page_fingerprint.h"

namespace orvalis {

/// Running sums of a page fingerprint over raw bytes fed in pieces of any size: the same words as
/// the whole content at once, in constant memory.
class FingerprintSums {
   public:
    /// Adds the next bytes of the content.
    void Add(std::string_view bytes);
    /// Adds the next bytes of a page body, every zero byte counted as a space; true when they
    /// may hold a whole 404 title or refresh tag (false means they surely hold neither).
    bool AddPage(std::string_view bytes);
    /// The fingerprint of everything added so far.
    FingerprintWords Words() const;
    /// Bytes added so far.
    std::uint64_t Length() const { return length_; }

   private:
    template <bool page>
    bool AddBytes(std::string_view bytes);
    void AddWord(std::uint32_t word);

    std::uint64_t length_ = 0;
    std::uint64_t wordIndex_ = 0;
    std::array<std::uint32_t, 8> lanes_{};  // sum of the words whose index is lane mod 8
    std::array<unsigned char, 4> partial_{};
    std::size_t partialSize_ = 0;
};

}  // namespace orvalis
