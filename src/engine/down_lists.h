#pragma once

#include <cstddef>
#include <mutex>
#include <string>

namespace orvalis {

/// The host names of servers found down: the pending list that a pass fills, and the mail list it
/// is handed over to after the pass for the alert mail. Host names are separated by "\n\n". Both
/// lists keep the 1000-byte capacity of the stored form (999 characters and a terminating zero).
class DownLists {
   public:
    /// Capacity of each list in bytes, terminating zero included.
    static constexpr std::size_t kCapacity = 1000;

    /// Adds `host` to the pending list unless it is empty, already one of the list's entries, or
    /// does not fit; true when it was added.
    bool AppendHost(const std::string& host);
    /// After a pass: when the pending list holds anything, moves it to the mail list and returns
    /// true; otherwise leaves both alone and returns false.
    bool HandOff();
    /// A copy of the pending list.
    std::string Pending() const;
    /// A copy of the mail list, for building the alert mail.
    std::string Mail() const;

   private:
    mutable std::mutex mutex_;
    std::string pending_;
    std::string mail_;
};

}  // namespace orvalis
