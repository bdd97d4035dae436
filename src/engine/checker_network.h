#pragma once

#include <functional>
#include <string>

#include "engine/page_fingerprint.h"
#include "engine/page_probe.h"

namespace orvalis {

/// The network operations the checker uses. The program uses the page probe's; tests and
/// benchmarks may put scripted ones in their place.
struct CheckerNetwork {
    /// Fetches and fingerprints a page, as ProbePage does.
    std::function<ProbeResult(const std::string& address, FingerprintWords& words,
                              const ProbeContext& context)>
        probePage;
    /// Whether an address or bare host name answers, as IsReachable does.
    std::function<bool(const std::string& text, const ProbeContext& context)> isReachable;
    /// Whether the computer counts as online, as IsConnected does.
    std::function<bool()> isConnected;
};

/// The page probe's operations.
CheckerNetwork ProbeNetwork();

}  // namespace orvalis
