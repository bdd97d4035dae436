#include "engine/down_lists.h"

namespace orvalis {

namespace {
const std::string kSeparator = "\n\n";
// Room the fit test keeps beyond the host name: the separator and some slack for the zero byte.
constexpr std::size_t kFitMargin = 6;

// Whether `host` is one of the entries of `list`; a mere part of a longer name does not count.
bool Listed(const std::string& list, const std::string& host) {
    if (list.empty()) return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = list.find(kSeparator, start);
        const std::size_t length = end == std::string::npos ? std::string::npos : end - start;
        if (list.compare(start, length, host) == 0) return true;
        if (end == std::string::npos) return false;
        start = end + kSeparator.size();
    }
}

}  // namespace

bool DownLists::AppendHost(const std::string& host) {
    std::lock_guard lock(mutex_);
    if (host.empty() || Listed(pending_, host)) return false;
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
