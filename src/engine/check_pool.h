#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvalis {

/// A fixed set of worker threads that run the page checks of a pass side by side, at most
/// `perHost` of them for one host at a time, in the order they were handed in. The threads are
/// made once and kept, so each one keeps its open connections from one pass to the next.
class CheckPool {
   public:
    /// Starts `workers` threads; throws std::system_error when the system refuses one.
    CheckPool(int workers, int perHost);
    /// Lets the running checks finish and ends the threads; checks not yet started are dropped.
    ~CheckPool();

    CheckPool(const CheckPool&) = delete;
    CheckPool& operator=(const CheckPool&) = delete;

    /// Waits until a worker is free for one more check.
    void WaitForRoom();
    /// Hands in a check of a page on `host`. It starts on the next free worker once fewer than
    /// `perHost` checks of that host are under way; until then the checks after it go first.
    void Submit(const std::string& host, std::function<void()> check);
    /// Waits until every check handed in has finished.
    void WaitUntilIdle();

   private:
    struct Check {
        std::string host;
        std::function<void()> run;
    };

    void Work();

    const int workers_;
    const int perHost_;
    std::mutex mutex_;
    std::condition_variable work_;  // a check is ready, or the pool ends
    std::condition_variable done_;  // a check finished
    std::deque<Check> ready_;       // checks whose host has room, waiting for a worker
    std::map<std::string, std::deque<Check>> waiting_;  // checks whose host is busy
    std::map<std::string, int> admitted_;               // ready or running checks per host
    int running_ = 0;
    int unfinished_ = 0;
    bool ending_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace orvalis
