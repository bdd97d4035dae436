#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "alerts/alert_mail.h"
#include "alerts/forwarding_messages.h"
#include "engine/app_settings.h"
#include "platform/wait_cancel.h"

namespace orvalis {

/// Sends the down-alert mails on a thread of its own, one at a time and in the order they were
/// handed over, so a slow or silent mail server never holds up the caller. The text of a failed
/// send ("Failed to send email\n\n" and the client's reason) goes to a callback.
class AlertMailWorker {
   public:
    /// Receives the text of a failed send; called on the worker's thread.
    using FailureHandler = std::function<void(const std::string& text)>;

    /// Starts the worker thread; each mail goes to the server its settings name.
    explicit AlertMailWorker(FailureHandler onFailure);
    /// Stops as Stop does.
    ~AlertMailWorker();
    AlertMailWorker(const AlertMailWorker&) = delete;
    AlertMailWorker& operator=(const AlertMailWorker&) = delete;

    /// Queues the mail listing `downList` (hosts separated by "\n\n"), from `displayName`, sent
    /// as `settings` say (with `password` for a login); returns at once. Ignored once the worker
    /// has stopped.
    void Enqueue(std::string displayName, AppSettings settings, std::string downList,
                 std::string password = {});
    /// Drops the mails still waiting, cuts a send in progress short (its connection is closed and
    /// no failure is reported) and ends the thread. Returns once the thread has ended.
    void Stop();
    /// True while no mail is waiting or being sent.
    bool Idle() const;

   private:
    struct Mail {
        std::string displayName;
        AppSettings settings;
        std::string downList;
        std::string password;
    };

    void Run();

    const FailureHandler onFailure_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Mail> waiting_;
    bool sending_ = false;
    std::atomic<bool> stopping_{false};
    WaitCancel cancel_;
    ForwardingMessages messages_;
    std::thread thread_;  // last, so it starts once everything it uses exists
};

}  // namespace orvalis
