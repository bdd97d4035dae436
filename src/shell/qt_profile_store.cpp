#include "shell/qt_profile_store.h"

#include <QSettings>
#include <limits>
#include <optional>

namespace orvalis {
namespace {

std::unique_ptr<QSettings> OpenProfile() {
    auto settings =
        std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                    QStringLiteral("Quennet"), QStringLiteral("Orvalis Pro"));
    // Only our own file counts: no organisation-wide or system-wide values mixed in.
    settings->setFallbacksEnabled(false);
    // Never fall back to rewriting the file in place, which a crash could leave half written.
    settings->setAtomicSyncRequired(true);
    return settings;
}

QString Key(const std::string& section, const std::string& name) {
    return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(name);
}

bool InWordRange(qlonglong value) {
    return value >= std::numeric_limits<std::int32_t>::min() &&
           value <= static_cast<qlonglong>(std::numeric_limits<std::uint32_t>::max());
}

// A 32-bit integer, kept as its bits. The file holds every value as text, so there an integer is
// a text that reads whole as a decimal number of that range; the registry keeps the type itself.
std::optional<std::uint32_t> AsWord(const QVariant& value) {
    bool ok = false;
    qlonglong number = 0;
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
            number = value.toLongLong(&ok);
            break;
        case QMetaType::ULongLong:
            ok = value.toULongLong() <= std::numeric_limits<std::uint32_t>::max();
            number = static_cast<qlonglong>(value.toULongLong());
            break;
        case QMetaType::QString:
            number = value.toString().toLongLong(&ok, 10);
            break;
        default:
            break;
    }
    if (!ok || !InWordRange(number)) return std::nullopt;
    return static_cast<std::uint32_t>(number);
}

}  // namespace

QtProfileStore::QtProfileStore() : reader_(OpenProfile()) {}

QtProfileStore::~QtProfileStore() {
    std::lock_guard lock(mutex_);
    for (const auto& [thread, writes] : pending_) CommitWrites(writes);
}

QVariant QtProfileStore::Value(const std::string& section, const std::string& name) {
    const QString key = Key(section, name);
    std::lock_guard lock(mutex_);
    auto own = pending_.find(std::this_thread::get_id());
    if (own != pending_.end()) {
        auto written = own->second.find(key);
        if (written != own->second.end()) return written->second;
    }
    return reader_->value(key);
}

std::uint32_t QtProfileStore::ReadInt(const std::string& section, const std::string& name,
                                      std::uint32_t fallback) {
    return AsWord(Value(section, name)).value_or(fallback);
}

std::string QtProfileStore::ReadString(const std::string& section, const std::string& name,
                                       const std::string& fallback) {
    const QVariant value = Value(section, name);
    // A list (a text with commas that was not written as one string) or an integer kept by the
    // registry is not a string.
    if (value.typeId() != QMetaType::QString) return fallback;
    return value.toString().toStdString();
}

void QtProfileStore::Write(const std::string& section, const std::string& name, QVariant value) {
    const QString key = Key(section, name);
    std::lock_guard lock(mutex_);
    pending_[std::this_thread::get_id()][key] = std::move(value);
}

void QtProfileStore::WriteInt(const std::string& section, const std::string& name,
                              std::uint32_t value) {
    // As a plain int: a number in the file, a REG_DWORD in the registry.
    Write(section, name, QVariant(static_cast<int>(value)));
}

void QtProfileStore::WriteString(const std::string& section, const std::string& name,
                                 const std::string& value) {
    Write(section, name, QVariant(QString::fromStdString(value)));
}

void QtProfileStore::Commit() {
    std::lock_guard lock(mutex_);
    auto own = pending_.find(std::this_thread::get_id());
    if (own == pending_.end()) return;
    const Writes writes = std::move(own->second);
    pending_.erase(own);
    CommitWrites(writes);
}

void QtProfileStore::CommitWrites(const Writes& writes) {
    // A settings object of its own that lives only for this call: Qt never gets the chance to
    // write part of a save on its own, and the one sync writes a new file beside the old one,
    // flushes it to disk and renames it over the old one.
    const std::unique_ptr<QSettings> file = OpenProfile();
    for (const auto& [key, value] : writes) file->setValue(key, value);
    file->sync();
}

std::string QtProfileStore::Location() const {
    std::lock_guard lock(mutex_);
    return reader_->fileName().toStdString();
}

}  // namespace orvalis
