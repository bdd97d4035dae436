#include "platform/thread_start.h"

#include <system_error>
#include <utility>

namespace orvalis {

bool StartThread(std::thread& thread, std::atomic<bool>& finished, std::function<void()> body) {
    if (thread.joinable()) return false;
    finished = false;
    try {
        thread = std::thread([&finished, body = std::move(body)] {
            body();
            finished = true;
        });
    } catch (const std::system_error&) {
        finished = true;
        return false;
    }
    return true;
}

}  // namespace orvalis
