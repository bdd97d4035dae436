#include "engine/check_pool.h"

#include <algorithm>

namespace orvalis {

CheckPool::CheckPool(int workers, int perHost)
    : workers_(std::max(workers, 1)), perHost_(std::max(perHost, 1)) {
    try {
        for (int i = 0; i < workers_; ++i) threads_.emplace_back([this] { Work(); });
    } catch (...) {
        {
            std::lock_guard lock(mutex_);
            ending_ = true;
        }
        work_.notify_all();
        for (std::thread& thread : threads_) thread.join();
        throw;
    }
}

CheckPool::~CheckPool() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    work_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

void CheckPool::WaitForRoom() {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return running_ + static_cast<int>(ready_.size()) < workers_; });
}

void CheckPool::Submit(const std::string& host, std::function<void()> check) {
    {
        std::lock_guard lock(mutex_);
        ++unfinished_;
        int& admitted = admitted_[host];
        if (admitted >= perHost_) {
            waiting_[host].push_back(Check{host, std::move(check)});
            return;
        }
        ++admitted;
        ready_.push_back(Check{host, std::move(check)});
    }
    work_.notify_one();
}

void CheckPool::WaitUntilIdle() {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return unfinished_ == 0; });
}

void CheckPool::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        work_.wait(lock, [this] { return ending_ || !ready_.empty(); });
        if (ending_) return;
        Check check = std::move(ready_.front());
        ready_.pop_front();
        ++running_;
        lock.unlock();
        check.run();
        check.run = nullptr;  // whatever the check holds goes before the pool moves on
        lock.lock();
        --running_;
        --unfinished_;
        // The host's slot passes to its next waiting check, if any.
        const auto waiting = waiting_.find(check.host);
        if (waiting != waiting_.end()) {
            ready_.push_back(std::move(waiting->second.front()));
            waiting->second.pop_front();
            if (waiting->second.empty()) waiting_.erase(waiting);
            work_.notify_one();
        } else if (--admitted_[check.host] == 0) {
            admitted_.erase(check.host);
        }
        done_.notify_all();
    }
}

}  // namespace orvalis
