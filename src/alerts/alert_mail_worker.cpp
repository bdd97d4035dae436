#include "alerts/alert_mail_worker.h"

#include <utility>

namespace orvalis {

// A send that fails because we stopped it is no news to the user, so nothing is forwarded once
// a stop was requested.
AlertMailWorker::AlertMailWorker(FailureHandler onFailure)
    : onFailure_(std::move(onFailure)),
      messages_([this](const std::string& text, MessageIcon) {
          if (!stopping_ && onFailure_) onFailure_(text);
      }),
      thread_([this] { Run(); }) {}

AlertMailWorker::~AlertMailWorker() { Stop(); }

void AlertMailWorker::Enqueue(std::string displayName, AppSettings settings, std::string downList,
                              std::string password) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        waiting_.push_back({std::move(displayName), std::move(settings), std::move(downList),
                            std::move(password)});
    }
    wake_.notify_one();
}

void AlertMailWorker::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.clear();
    }
    wake_.notify_one();
    cancel_.Fire();
    if (thread_.joinable()) thread_.join();
}

bool AlertMailWorker::Idle() const {
    std::lock_guard lock(mutex_);
    return waiting_.empty() && !sending_;
}

void AlertMailWorker::Run() {
    const WaitCancel::Scope scope(cancel_);
    for (;;) {
        Mail mail;
        {
            std::unique_lock lock(mutex_);
            sending_ = false;
            wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            if (stopping_) return;
            mail = std::move(waiting_.front());
            waiting_.pop_front();
            sending_ = true;
        }
        SendDownAlert(messages_, mail.displayName, mail.settings, mail.downList, mail.password);
    }
}

}  // namespace orvalis
