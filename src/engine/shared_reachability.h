#pragma once

#include <ctime>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <string>

namespace orvalis {

/// Reachability answers shared between the checks of one pass: a test of a text that begins in
/// the same second as an earlier test of it takes that test's answer, waiting for it while it is
/// still under way, instead of asking the network again. A burst of failing pages thus asks the
/// reference sites once, not once per page.
class SharedReachability {
   public:
    /// Forgets every answer; called as a pass begins.
    void Clear();
    /// The answer for `text` at `now`: one shared from the same second, else what `ask` says.
    bool Answer(const std::string& text, std::time_t now, const std::function<bool()>& ask);

   private:
    struct Asked {
        std::time_t second = 0;
        std::shared_future<bool> answer;
    };

    std::mutex mutex_;
    std::map<std::string, Asked> asked_;
};

}  // namespace orvalis
