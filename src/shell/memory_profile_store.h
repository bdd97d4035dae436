#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <variant>

#include "shell/profile_store.h"

namespace orvalis {

/// A profile held in memory, typed like the real one: an integer read of a string value (or the
/// other way round) gives the default. Safe to use from any thread; writes take effect at once.
class MemoryProfileStore : public ProfileStore {
   public:
    std::uint32_t ReadInt(const std::string& section, const std::string& name,
                          std::uint32_t fallback) override;
    std::string ReadString(const std::string& section, const std::string& name,
                           const std::string& fallback) override;
    void WriteInt(const std::string& section, const std::string& name,
                  std::uint32_t value) override;
    void WriteString(const std::string& section, const std::string& name,
                     const std::string& value) override;

    /// True when the value exists, of either type.
    bool Contains(const std::string& section, const std::string& name) const;
    /// Removes one value, as if it had never been written.
    void Remove(const std::string& section, const std::string& name);
    /// The number of stored values.
    std::size_t Size() const;

   private:
    using Key = std::pair<std::string, std::string>;
    using Value = std::variant<std::uint32_t, std::string>;

    mutable std::mutex mutex_;
    std::map<Key, Value> values_;
};

}  // namespace orvalis
