#include "engine/shared_reachability.h"

namespace orvalis {

void SharedReachability::Clear() {
    std::lock_guard lock(mutex_);
    asked_.clear();
}

bool SharedReachability::Answer(const std::string& text, std::time_t now,
                                const std::function<bool()>& ask) {
    std::promise<bool> mine;
    std::shared_future<bool> shared;
    {
        std::lock_guard lock(mutex_);
        const auto found = asked_.find(text);
        if (found != asked_.end() && found->second.second == now) {
            shared = found->second.answer;
        } else {
            asked_[text] = Asked{now, mine.get_future().share()};
        }
    }
    if (shared.valid()) return shared.get();
    bool answer = false;
    try {
        answer = ask();
    } catch (...) {
        mine.set_value(false);  // nobody waiting on this test may wait forever
        throw;
    }
    mine.set_value(answer);
    return answer;
}

}  // namespace orvalis
