#include "alerts/mail_message.h"

#include <algorithm>

namespace orvalis {

void MailMessage::AddRecipient(const std::string& address, const std::string& name) {
    recipients_.push_back({address, name});
}

bool MailMessage::AddRecipientList(const std::string& text) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(text.find(';', start), text.size());
        const std::string entry = text.substr(start, end - start);
        const std::size_t open = entry.find('<');
        if (open == std::string::npos) {
            AddRecipient(entry);
        } else {
            const std::size_t close = entry.find('>');
            if (close == std::string::npos || close < open) {
                return false;
            }
            AddRecipient(entry.substr(open + 1, close - open - 1), entry.substr(0, open));
        }
        if (end == text.size()) {
            return true;
        }
        start = end + 1;
    }
}

bool MailMessage::GetRecipient(int index, std::string& address, std::string& name) const {
    if (index < 0 || index >= RecipientCount()) {
        return false;
    }
    address = recipients_[static_cast<std::size_t>(index)].address;
    name = recipients_[static_cast<std::size_t>(index)].name;
    return true;
}

int MailMessage::RecipientCount() const { return static_cast<int>(recipients_.size()); }

}  // namespace orvalis
