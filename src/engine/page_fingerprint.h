#pragma once

#include <array>
#include <cstdint>
#include <mutex>

namespace orvalis {

/// The four words that summarise a page's content: length, plain sum, 4-weighted and 8-weighted
/// sum.
using FingerprintWords = std::array<std::uint32_t, 4>;

/// A row's fingerprint record. Shared between the window's thread and the checking thread, so the
/// four words are only ever read or written together.
class PageFingerprint {
   public:
    PageFingerprint() = default;
    explicit PageFingerprint(const FingerprintWords& words) : words_(words) {}

    /// A consistent copy of the four words.
    FingerprintWords Read() const {
        std::lock_guard lock(mutex_);
        return words_;
    }

    /// Replaces all four words at once.
    void Write(const FingerprintWords& words) {
        std::lock_guard lock(mutex_);
        words_ = words;
    }

    /// Replaces all four words at once, but only while they still are `expected`; false when
    /// someone changed them since they were read (for example emptied them on an address edit).
    bool WriteIf(const FingerprintWords& expected, const FingerprintWords& words) {
        std::lock_guard lock(mutex_);
        if (words_ != expected) return false;
        words_ = words;
        return true;
    }

    /// True while the record holds no fingerprint yet (four zero words).
    bool IsEmpty() const { return Read() == FingerprintWords{}; }

   private:
    mutable std::mutex mutex_;
    FingerprintWords words_{};
};

}  // namespace orvalis
