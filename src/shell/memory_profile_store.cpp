#include "shell/memory_profile_store.h"

namespace orvalis {

std::uint32_t MemoryProfileStore::ReadInt(const std::string& section, const std::string& name,
                                          std::uint32_t fallback) {
    std::lock_guard lock(mutex_);
    auto found = values_.find({section, name});
    if (found == values_.end()) return fallback;
    const auto* value = std::get_if<std::uint32_t>(&found->second);
    return value ? *value : fallback;
}

std::string MemoryProfileStore::ReadString(const std::string& section, const std::string& name,
                                           const std::string& fallback) {
    std::lock_guard lock(mutex_);
    auto found = values_.find({section, name});
    if (found == values_.end()) return fallback;
    const auto* value = std::get_if<std::string>(&found->second);
    return value ? *value : fallback;
}

void MemoryProfileStore::WriteInt(const std::string& section, const std::string& name,
                                  std::uint32_t value) {
    std::lock_guard lock(mutex_);
    values_[{section, name}] = value;
}

void MemoryProfileStore::WriteString(const std::string& section, const std::string& name,
                                     const std::string& value) {
    std::lock_guard lock(mutex_);
    values_[{section, name}] = value;
}

bool MemoryProfileStore::Contains(const std::string& section, const std::string& name) const {
    std::lock_guard lock(mutex_);
    return values_.count({section, name}) != 0;
}

void MemoryProfileStore::Remove(const std::string& section, const std::string& name) {
    std::lock_guard lock(mutex_);
    values_.erase({section, name});
}

std::size_t MemoryProfileStore::Size() const {
    std::lock_guard lock(mutex_);
    return values_.size();
}

}  // namespace orvalis
