#include "shell/profile.h"

#include <algorithm>
#include <memory>

#include "engine/site_status.h"

namespace orvalis {
namespace {

constexpr const char* kSettings = "Settings";
constexpr const char* kFingerprintNames[4] = {"C1", "C2", "C3", "C4"};

std::int32_t ReadSetting(ProfileStore& store, const char* name, std::int32_t fallback) {
    return static_cast<std::int32_t>(
        store.ReadInt(kSettings, name, static_cast<std::uint32_t>(fallback)));
}

void WriteSetting(ProfileStore& store, const char* name, std::int32_t value) {
    store.WriteInt(kSettings, name, static_cast<std::uint32_t>(value));
}

// Whether the store holds a value under `name`: only a stored value reads the same whatever the
// fallback.
bool HoldsInt(ProfileStore& store, const char* name) {
    return store.ReadInt(kSettings, name, 0) == store.ReadInt(kSettings, name, 1);
}

bool HoldsString(ProfileStore& store, const char* name) {
    return store.ReadString(kSettings, name, "0") == store.ReadString(kSettings, name, "1");
}

// The mail server's port, security and login came later than the other settings. They are
// stored once they differ from the plain port 25, so a profile whose user never changed them
// keeps exactly the values it always had; once stored, they are kept up to date.
void SaveMailServerSettings(ProfileStore& store, const AppSettings& s) {
    const AppSettings defaults;
    if (s.SmtpPort != defaults.SmtpPort || HoldsInt(store, "SmtpPort")) {
        WriteSetting(store, "SmtpPort", s.SmtpPort);
    }
    if (s.SmtpSecurity != defaults.SmtpSecurity || HoldsString(store, "SmtpSecurity")) {
        store.WriteString(kSettings, "SmtpSecurity", s.SmtpSecurity);
    }
    if (s.SmtpUser != defaults.SmtpUser || HoldsString(store, "SmtpUser")) {
        store.WriteString(kSettings, "SmtpUser", s.SmtpUser);
    }
}

void LoadSettings(ProfileStore& store, AppSettings& s) {
    s.UpdateInterval = ReadSetting(store, "UpdateInterval", 10);
    s.AlarmIfServerIsDown = ReadSetting(store, "AlarmIfServerIsDown", 0);
    s.AlarmIfServerChanged = ReadSetting(store, "AlarmIfServerChanged", 0);
    s.CheckForChanges = ReadSetting(store, "CheckForChanges", 0);
    s.DialupMode = ReadSetting(store, "DialupMode", 0);
    s.ReadTerms = ReadSetting(store, "ReadTerms", 0);
    s.UpdateMetric = store.ReadString(kSettings, "UpdateMetric", "minutes");
    s.Autorun = ReadSetting(store, "Autorun", 0);
    s.SendEmail = ReadSetting(store, "SendEmail", 0);
    s.SmtpServer = store.ReadString(kSettings, "SmtpServer", "");
    s.EmailAddress = store.ReadString(kSettings, "EmailAddress", "");
    s.SenderEmail = store.ReadString(kSettings, "SenderEmail", "");
    const AppSettings defaults;
    s.SmtpPort = ReadSetting(store, "SmtpPort", defaults.SmtpPort);
    s.SmtpSecurity = store.ReadString(kSettings, "SmtpSecurity", defaults.SmtpSecurity);
    s.SmtpUser = store.ReadString(kSettings, "SmtpUser", defaults.SmtpUser);
}

void LoadSite(ProfileStore& store, std::uint32_t index, SiteList& sites) {
    const std::string section = SiteSection(index);
    const std::string address = store.ReadString(section, "URL", "");
    if (address.empty()) return;
    const int row = sites.InsertRow(sites.CountRows(), address);
    sites.SetRowText(row, kColumnStatus,
                     StatusAfterRestart(store.ReadString(section, "Status", "")));
    FingerprintWords words{};
    for (std::size_t k = 0; k < words.size(); ++k) {
        words[k] = store.ReadInt(section, kFingerprintNames[k], 0);
    }
    sites.SetFingerprint(row, std::make_shared<PageFingerprint>(words));
}

}  // namespace

std::string SiteSection(std::uint32_t row) { return "Site" + std::to_string(row); }

void LoadProfile(ProfileStore& store, SharedSettings& settings, SiteList& sites) {
    const std::uint32_t storedCount = store.ReadInt(kSettings, "NumSites", 0);
    settings.Update([&store](AppSettings& s) { LoadSettings(store, s); });

    // A damaged count must not walk billions of sections; what lies below the bound still loads.
    const std::uint32_t count = std::min(storedCount, kMaxStoredSites);
    for (std::uint32_t i = 0; i < count; ++i) LoadSite(store, i, sites);
}

void SaveSettings(ProfileStore& store, const SharedSettings& settings) {
    const AppSettings s = settings.Get();
    WriteSetting(store, "UpdateInterval", s.UpdateInterval);
    WriteSetting(store, "AlarmIfServerIsDown", s.AlarmIfServerIsDown);
    WriteSetting(store, "AlarmIfServerChanged", s.AlarmIfServerChanged);
    WriteSetting(store, "CheckForChanges", s.CheckForChanges);
    WriteSetting(store, "DialupMode", s.DialupMode);
    WriteSetting(store, "ReadTerms", s.ReadTerms);
    WriteSetting(store, "Autorun", s.Autorun);
    store.WriteString(kSettings, "UpdateMetric", s.UpdateMetric);
    WriteSetting(store, "SendEmail", s.SendEmail);
    store.WriteString(kSettings, "SmtpServer", s.SmtpServer);
    store.WriteString(kSettings, "EmailAddress", s.EmailAddress);
    store.WriteString(kSettings, "SenderEmail", s.SenderEmail);
    SaveMailServerSettings(store, s);
    store.Commit();
}

void SaveSites(ProfileStore& store, const SiteList& sites) {
    const int count = std::max(sites.CountRows(), 0);
    for (int i = 0; i < count; ++i) {
        const std::string section = SiteSection(static_cast<std::uint32_t>(i));
        store.WriteString(section, "URL", sites.GetRowText(i, kColumnAddress));
        store.WriteString(section, "Status", sites.GetRowText(i, kColumnStatus));
        if (const auto record = sites.GetFingerprint(i)) {
            const FingerprintWords words = record->Read();
            for (std::size_t k = 0; k < words.size(); ++k) {
                store.WriteInt(section, kFingerprintNames[k], words[k]);
            }
        }
    }
    store.WriteInt(kSettings, "NumSites", static_cast<std::uint32_t>(count));
    store.Commit();
}

}  // namespace orvalis
