#pragma once

#include <QString>
#include <QVariant>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "shell/profile_store.h"

class QSettings;

namespace orvalis {

/// The per-user profile in Qt's native settings store for "Quennet" / "Orvalis Pro": on Linux
/// the file ~/.config/Quennet/Orvalis Pro.conf (under XDG_CONFIG_HOME when set), on Windows the
/// registry key Software\Quennet\Orvalis Pro. Sections are groups. Each thread's writes wait in
/// memory until its Commit, which replaces the file in one step: a crash leaves either the file
/// before the save or the file after it. Safe to use from any thread.
class QtProfileStore : public ProfileStore {
   public:
    QtProfileStore();
    /// Commits whatever a thread left uncommitted.
    ~QtProfileStore() override;

    std::uint32_t ReadInt(const std::string& section, const std::string& name,
                          std::uint32_t fallback) override;
    std::string ReadString(const std::string& section, const std::string& name,
                           const std::string& fallback) override;
    void WriteInt(const std::string& section, const std::string& name,
                  std::uint32_t value) override;
    void WriteString(const std::string& section, const std::string& name,
                     const std::string& value) override;
    void Commit() override;

    /// Where the profile lives: the file's path, or the registry key.
    std::string Location() const;

   private:
    using Writes = std::map<QString, QVariant>;

    QVariant Value(const std::string& section, const std::string& name);
    void Write(const std::string& section, const std::string& name, QVariant value);
    static void CommitWrites(const Writes& writes);

    mutable std::mutex mutex_;
    std::unique_ptr<QSettings> reader_;
    std::map<std::thread::id, Writes> pending_;
};

}  // namespace orvalis
