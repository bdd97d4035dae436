#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace orvalis {

/// Runs `body` on a new thread held in `thread`, keeping `finished` right for whoever waits on
/// it: false from the start, true once `body` returned, and true again at once when the system
/// refuses the thread, since no thread would ever report finishing. Returns false, starting
/// nothing, while `thread` still holds a thread, and false when the thread could not be created.
bool StartThread(std::thread& thread, std::atomic<bool>& finished, std::function<void()> body);

}  // namespace orvalis
