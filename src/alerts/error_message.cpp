#include "alerts/error_message.h"

namespace orvalis {

std::string FormatWithText(std::string_view format, std::string_view text) {
    std::string result(format);
    const std::size_t at = result.find("%s");
    if (at != std::string::npos) result.replace(at, 2, text);
    return result;
}

void ShowErrorMessage(UserMessages& messages, std::string_view format, std::string_view text) {
    messages.Show(FormatWithText(format, text), MessageIcon::Error, MessageButtons::Ok);
}

}  // namespace orvalis
