#pragma once

namespace orvalis {

/// What a page fetch amounted to.
enum ProbeResult : int {
    ProbeUnchanged = 0,
    ProbeChanged = 1,
    ProbeFailed = 2,
};

}  // namespace orvalis
