#pragma once

#include <string>
#include <string_view>

#include "engine/clock.h"
#include "engine/page_fingerprint.h"
#include "engine/probe_result.h"
#include "platform/stop_signal.h"

namespace orvalis {

/// What a probe may consult while it runs: a stop request that aborts a fetch or wait at once,
/// and the clock for the refresh retry's wait. Defaults: no stop, the real clock.
struct ProbeContext {
    const StopSignal* stop = nullptr;
    Clock* clock = nullptr;
};

/// Fetches a page, rejects empty and 404 pages, retries once on the refresh tag, and compares the
/// body's fingerprint with `words` (which receive the new fingerprint on success).
ProbeResult ProbePage(const std::string& address, FingerprintWords& words, bool isRetry = false,
                      const ProbeContext& context = {});

/// Computes the fingerprint of `content` into `words`; ProbeChanged when it differs from a stored
/// non-zero fingerprint.
ProbeResult UpdateFingerprint(std::string_view content, FingerprintWords& words);

/// True when the address (or bare host name) opens at all, whatever its HTTP status.
bool IsReachable(const std::string& text, const ProbeContext& context = {});

}  // namespace orvalis
