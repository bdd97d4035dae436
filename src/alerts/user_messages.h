#pragma once

#include <string>

namespace orvalis {

/// The icon of a message box.
enum class MessageIcon { Error, Warning, Information, Question };

/// The buttons a message box offers.
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoDefaultNo, YesNoCancel };

/// The button the user chose.
enum class MessageAnswer { Ok, Cancel, Yes, No };

/// Modal messages to the user. The window implements it with message boxes captioned with the
/// program's display name; tests record the calls and give scripted answers.
class UserMessages {
   public:
    virtual ~UserMessages() = default;

    /// Shows `text` and waits until the user answers.
    virtual MessageAnswer Show(const std::string& text, MessageIcon icon,
                               MessageButtons buttons) = 0;
};

}  // namespace orvalis
