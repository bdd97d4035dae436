#pragma once

#include <string>

#include "alerts/user_messages.h"

namespace orvalis {

/// The terms the user accepts before the first use, lines ended by CR LF.
extern const char* const kTermsText;
/// The question after the terms.
inline constexpr const char* kTermsQuestion =
    "\n\n\nDo you accept these terms of use ?  (If you click Yes this message will not appear "
    "again)";

/// Shows the terms with the question (Yes/No, No the default); true when the user accepts.
bool AskTermsAcceptance(UserMessages& messages);

}  // namespace orvalis
