#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "alerts/user_messages.h"

namespace orvalis::test {

/// Records every message shown and answers from a script; with the script used up it answers
/// with the first button (OK or Yes).
class RecordingMessages : public UserMessages {
   public:
    /// One message as it was shown.
    struct Shown {
        std::string text;        ///< the message text
        MessageIcon icon;        ///< its icon
        MessageButtons buttons;  ///< its buttons
    };

    MessageAnswer Show(const std::string& text, MessageIcon icon, MessageButtons buttons) override {
        shown.push_back({text, icon, buttons});
        if (onShow) onShow(shown.back());
        if (!answers.empty()) {
            const MessageAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return buttons == MessageButtons::Ok || buttons == MessageButtons::OkCancel
                   ? MessageAnswer::Ok
                   : MessageAnswer::Yes;
    }

    std::vector<Shown> shown;                  ///< every message, in order
    std::deque<MessageAnswer> answers;         ///< scripted answers, used in order
    std::function<void(const Shown&)> onShow;  ///< runs while a message is "open"
};

}  // namespace orvalis::test
