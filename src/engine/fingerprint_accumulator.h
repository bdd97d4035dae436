#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/fingerprint_sums.h"
#include "engine/page_fingerprint.h"
#include "engine/probe_result.h"

namespace orvalis {

/// Takes a page body as it arrives and keeps what the probe judges it by: its fingerprint, with
/// every zero byte counted as a space, and whether the 404 title and the refresh tag occur in it
/// in any letter case, also when a read splits them.
class FingerprintAccumulator {
   public:
    /// Feeds the next piece of the body.
    void Add(std::string_view piece);

    /// Body bytes seen so far.
    std::uint64_t Length() const { return sums_.Length(); }
    /// The fingerprint of the body so far.
    FingerprintWords Words() const { return sums_.Words(); }
    /// True once "<title>404 not found</title>" was seen.
    bool HasNotFoundTitle() const { return foundTitle_; }
    /// True once the refresh tag was seen.
    bool HasRefreshTag() const { return foundRefresh_; }

    /// The 404 title as searched for, lower case.
    static constexpr std::string_view kNotFoundTitle = "<title>404 not found</title>";
    /// The refresh tag as searched for, lower case.
    static constexpr std::string_view kRefreshTag =
        "<meta http-equiv=\"refresh\" content=\"0.1; url=/\">";

   private:
    static constexpr std::size_t kTailSize = kRefreshTag.size() - 1;

    void Search(std::string_view text);
    void SearchAcrossBoundary(std::string_view next);
    void KeepTail(std::string_view text);

    FingerprintSums sums_;
    bool foundTitle_ = false;
    bool foundRefresh_ = false;
    std::array<char, kTailSize> tail_{};  // the last bytes seen, for tags that a read cut apart
    std::size_t tailSize_ = 0;
};

/// Stores `fresh` into `words` and tells whether that is a change: ProbeChanged only when the
/// stored words were not all zero and differ from the fresh ones.
ProbeResult StoreFingerprint(const FingerprintWords& fresh, FingerprintWords& words);

}  // namespace orvalis
