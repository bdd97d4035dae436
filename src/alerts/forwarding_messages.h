#pragma once

#include <functional>
#include <string>
#include <utility>

#include "alerts/user_messages.h"

namespace orvalis {

/// User messages shown somewhere else: each one goes to a callback (which typically queues it
/// onto the window's thread) and is answered at once without waiting for the user. Meant for
/// notices; a question nobody has seen yet is answered with its cautious choice, never consent.
class ForwardingMessages : public UserMessages {
   public:
    /// Receives each message's text and icon.
    using Forward = std::function<void(const std::string& text, MessageIcon icon)>;

    /// Messages go to `forward`.
    explicit ForwardingMessages(Forward forward) : forward_(std::move(forward)) {}

    /// Hands the message on; answers OK to a notice, and Cancel or No to a question.
    MessageAnswer Show(const std::string& text, MessageIcon icon, MessageButtons buttons) override {
        if (forward_) forward_(text, icon);
        switch (buttons) {
            case MessageButtons::Ok:
                return MessageAnswer::Ok;
            case MessageButtons::OkCancel:
            case MessageButtons::YesNoCancel:
                return MessageAnswer::Cancel;
            case MessageButtons::YesNo:
            case MessageButtons::YesNoDefaultNo:
                return MessageAnswer::No;
        }
        return MessageAnswer::Cancel;
    }

   private:
    Forward forward_;
};

}  // namespace orvalis
