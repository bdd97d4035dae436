#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace orvalis {

/// One receiver of a message.
struct MailRecipient {
    std::string address;  ///< mailbox for RCPT TO and the angle brackets of the To line
    std::string name;     ///< display name put before the angle brackets; may be empty
};

/// One plain-text message: sender, recipients, subject, body, and the header built from them.
class MailMessage {
   public:
    virtual ~MailMessage() = default;

    /// Appends a recipient.
    void AddRecipient(const std::string& address, const std::string& name = {});
    /// Splits a ";"-separated list of bare mailboxes or "Name <mailbox>" entries and appends each;
    /// false on an entry with a missing or misplaced ">" (entries before it stay added).
    bool AddRecipientList(const std::string& text);
    /// Copies the recipient at `index`; false when there is none there.
    bool GetRecipient(int index, std::string& address, std::string& name) const;
    /// The number of recipients.
    int RecipientCount() const;

    std::string from;      ///< sender mailbox, for MAIL FROM and the From line
    std::string subject;   ///< the Subject line
    std::string header;    ///< the header block, built just before sending
    std::time_t date = 0;  ///< when the header was built
    std::string body;      ///< the message text

   private:
    std::vector<MailRecipient> recipients_;
};

}  // namespace orvalis
