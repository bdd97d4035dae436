#include "engine/page_probe.h"

#include "engine/fingerprint_accumulator.h"
#include "engine/fingerprint_sums.h"
#include "engine/reachable_address.h"
#include "platform/http_client.h"

namespace orvalis {

namespace {

constexpr const char* kProbeAgent = "OrvalisPro";
constexpr const char* kReachableAgent =
    "Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 5.1; Mozilla/4.0 (compatible; MSIE 6.0; "
    "Windows NT 5.1; SV1) ; .NET CLR 1.1.4322; .NET CLR 2.0.50727)";
constexpr int kRefreshRetryMs = 2000;

const StopSignal& NeverStop() {
    static const StopSignal never;
    return never;
}

}  // namespace

ProbeResult ProbePage(const std::string& address, FingerprintWords& words, bool isRetry,
                      const ProbeContext& context) {
    // The body is judged as it arrives, so neither its size nor its end matter to memory.
    FingerprintAccumulator body;
    FetchRequest request;
    request.url = address;
    request.agent = kProbeAgent;
    request.stop = context.stop;
    request.onBody = [&body](std::string_view piece) { body.Add(piece); };

    const FetchOutcome outcome = Fetch(request);
    // A body that broke off is judged by what arrived; anything else that is not complete failed.
    if (outcome != FetchOutcome::Complete && outcome != FetchOutcome::Cut) return ProbeFailed;
    if (body.Length() == 0 || body.HasNotFoundTitle()) return ProbeFailed;

    if (body.HasRefreshTag()) {
        if (isRetry) return ProbeUnchanged;
        Clock& clock = context.clock != nullptr ? *context.clock : SystemClock::Instance();
        const StopSignal& stop = context.stop != nullptr ? *context.stop : NeverStop();
        if (!clock.Sleep(kRefreshRetryMs, stop)) return ProbeFailed;
        return ProbePage(address, words, true, context);
    }
    return StoreFingerprint(body.Words(), words);
}

ProbeResult UpdateFingerprint(std::string_view content, FingerprintWords& words) {
    FingerprintSums sums;
    sums.Add(content);
    return StoreFingerprint(sums.Words(), words);
}

bool IsReachable(const std::string& text, const ProbeContext& context) {
    FetchRequest request;
    request.url = ReachableAddress(text);
    request.agent = kReachableAgent;
    request.headersOnly = true;
    request.stop = context.stop;
    return Fetch(request) == FetchOutcome::Complete;
}

}  // namespace orvalis
