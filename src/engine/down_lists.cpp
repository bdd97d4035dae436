#include "engine/down_lists.h"

namespace orvalis {

namespace {
const std::string kSeparator = "\n\n";
// Room the fit test keeps beyond the host name: the separator and some slack for the zero byte.
constexpr std::size_t kFitMargin = 6;
}  // namespace

bool DownLists::AppendHost(const std::string& host) {
    std::lock_guard lock(mutex_);
    if (pending_.find(host) != std::string::npos) return false;
    if (pending_.size() + host.size() + kFitMargin >= kCapacity) return false;
    if (!pending_.empty()) pending_ += kSeparator;
    pending_ += host;
    return true;
}

bool DownLists::HandOff() {
    std::lock_guard lock(mutex_);
    if (pending_.empty()) return false;
    mail_ = std::move(pending_);
    pending_.clear();
    return true;
}

std::string DownLists::Pending() const {
    std::lock_guard lock(mutex_);
    return pending_;
}

std::string DownLists::Mail() const {
    std::lock_guard lock(mutex_);
    return mail_;
}

}  // namespace orvalis
