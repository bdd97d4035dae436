#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "platform/stop_signal.h"

namespace orvalis {

/// Bounds every HTTP transfer obeys, so one stalled server cannot hold the checker forever.
struct HttpLimits {
    /// Longest wait for name lookup and connection.
    std::chrono::milliseconds connectTimeout{25000};
    /// A transfer slower than this many bytes per second ...
    long stallBytesPerSecond = 1;
    /// ... for this long is aborted.
    std::chrono::seconds stallTime{30};
    /// Most redirects followed before the fetch fails.
    long maxRedirects = 10;
    /// Longest a whole transfer may take, so a body that never ends (a live stream behind a
    /// monitored address) cannot hold the checker forever.
    std::chrono::seconds transferTimeout{300};
};

/// The limits in force; process-wide.
HttpLimits CurrentHttpLimits();
/// Replaces the limits for every later transfer (tests shorten them).
void SetHttpLimits(const HttpLimits& limits);

/// How a fetch ended.
enum class FetchOutcome {
    /// The response opened and its body (or, for a headers-only fetch, its headers) arrived.
    Complete,
    /// The response opened but the connection broke off during the body.
    Cut,
    /// Nothing opened, or the transfer timed out: no such host, refused, TLS, too many redirects.
    Failed,
    /// The stop signal ended the transfer.
    Stopped,
};

/// One GET request.
struct FetchRequest {
    /// The address, scheme included.
    std::string url;
    /// The User-Agent header.
    std::string agent;
    /// Ends the transfer once the final response's headers are in; no body byte is read.
    bool headersOnly = false;
    /// Aborts the transfer when set; may be null.
    const StopSignal* stop = nullptr;
    /// Receives the body piece by piece as it arrives; may be empty.
    std::function<void(std::string_view)> onBody;
};

/// Fetches with caching switched off (Pragma and Cache-Control no-cache), redirects followed,
/// the proxy of the usual environment variables, TLS certificates verified and the connection
/// kept for the next fetch of the same thread. Blocks until the transfer ends.
FetchOutcome Fetch(const FetchRequest& request);

}  // namespace orvalis
