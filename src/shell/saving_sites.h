#pragma once

#include <atomic>

namespace orvalis {

/// True while the checking thread's periodic SaveSites runs; the close sequence skips its own
/// save meanwhile. Set immediately before that save and cleared immediately after it.
inline std::atomic<bool> SavingSites{false};

}  // namespace orvalis
