#pragma once

#include <cstdint>
#include <string>

namespace orvalis {

/// The per-user profile: named values grouped in sections. Reads of a missing (or wrongly typed)
/// value give the default; write failures are not reported. A store may hold a thread's writes
/// back until that thread calls Commit; it then stores all of them or, after a crash, none.
class ProfileStore {
   public:
    virtual ~ProfileStore() = default;

    /// An integer value, or `fallback` when it is missing.
    virtual std::uint32_t ReadInt(const std::string& section, const std::string& name,
                                  std::uint32_t fallback) = 0;
    /// A string value, or `fallback` when it is missing.
    virtual std::string ReadString(const std::string& section, const std::string& name,
                                   const std::string& fallback) = 0;
    /// Stores an integer value.
    virtual void WriteInt(const std::string& section, const std::string& name,
                          std::uint32_t value) = 0;
    /// Stores a string value.
    virtual void WriteString(const std::string& section, const std::string& name,
                             const std::string& value) = 0;
    /// Ends one save: the calling thread's writes since its last Commit become durable together.
    virtual void Commit() {}
};

}  // namespace orvalis
