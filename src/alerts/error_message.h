#pragma once

#include <string>
#include <string_view>

#include "alerts/user_messages.h"

namespace orvalis {

/// `format` with its first "%s" replaced by `text`; any other character, '%' included, is kept.
std::string FormatWithText(std::string_view format, std::string_view text);

/// Shows `format` filled with `text` in a message box with the error icon and an OK button.
void ShowErrorMessage(UserMessages& messages, std::string_view format, std::string_view text);

}  // namespace orvalis
