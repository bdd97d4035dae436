// Saves numbered profiles into the real profile file, or checks the one that is there.
//
//   profile_saver save-forever   saves profile 1, 2, 3, ... after the stored one, each as a
//                                settings save and a sites save, printing "settings N" and
//                                "sites N" as each save returns, until killed
//   profile_saver save-once N    saves profile N once
//   profile_saver check          loads the profile and prints "settings=A sites=B" when the
//                                settings are all of profile A and the sites all of profile B
//                                (0: nothing stored), or what does not fit; exit code 1 then
#include <QSettings>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "engine/memory_site_list.h"
#include "shell/profile.h"
#include "shell/qt_profile_store.h"

namespace orvalis {
namespace {

AppSettings SettingsOf(int g) {
    AppSettings s;
    s.AlarmIfServerIsDown = g % 2;
    s.AlarmIfServerChanged = (g + 1) % 2;
    s.CheckForChanges = g % 2;
    s.DialupMode = (g / 2) % 2;
    s.Autorun = (g / 3) % 2;
    s.ReadTerms = 1;
    s.UpdateInterval = g;
    const char* units[] = {"seconds", "minutes", "hours"};
    s.UpdateMetric = units[g % 3];
    s.SendEmail = 1;
    s.SmtpServer = "smtp-" + std::to_string(g) + ".test";
    s.EmailAddress = "to-" + std::to_string(g) + "@example.test";
    s.SenderEmail = "from-" + std::to_string(g) + "@example.test";
    return s;
}

int SiteCountOf(int g) { return 1500 + (g % 5) * 100; }

std::string AddressOf(int g, int row) {
    return "http://site-" + std::to_string(row) + ".test/page?gen=" + std::to_string(g);
}

FingerprintWords WordsOf(int g, int row) {
    const auto ug = static_cast<std::uint32_t>(g), ur = static_cast<std::uint32_t>(row);
    return {ug, ur, ug * 7919u + ur, 0xFFFFFFFFu - ug};
}

void Save(ProfileStore& store, int g) {
    SharedSettings settings;
    settings.Update([g](AppSettings& s) { s = SettingsOf(g); });
    SaveSettings(store, settings);
    std::printf("settings %d\n", g);
    std::fflush(stdout);

    MemorySiteList sites;
    for (int row = 0; row < SiteCountOf(g); ++row) {
        sites.InsertRow(row, AddressOf(g, row));
        sites.SetRowText(row, kColumnStatus, row % 4 == 0 ? "CHANGED" : "OK 12:00:00");
        sites.SetFingerprint(row, std::make_shared<PageFingerprint>(WordsOf(g, row)));
    }
    SaveSites(store, sites);
    std::printf("sites %d\n", g);
    std::fflush(stdout);
}

int StoredGeneration(const AppSettings& s) {
    if (s.SmtpServer.rfind("smtp-", 0) != 0) return 0;
    return std::atoi(s.SmtpServer.c_str() + 5);
}

bool SameSettings(const AppSettings& a, const AppSettings& b) {
    return a.AlarmIfServerIsDown == b.AlarmIfServerIsDown &&
           a.AlarmIfServerChanged == b.AlarmIfServerChanged &&
           a.CheckForChanges == b.CheckForChanges && a.DialupMode == b.DialupMode &&
           a.Autorun == b.Autorun && a.ReadTerms == b.ReadTerms &&
           a.UpdateInterval == b.UpdateInterval && a.UpdateMetric == b.UpdateMetric &&
           a.SendEmail == b.SendEmail && a.SmtpServer == b.SmtpServer &&
           a.EmailAddress == b.EmailAddress && a.SenderEmail == b.SenderEmail;
}

int Check() {
    {
        QSettings file(QSettings::NativeFormat, QSettings::UserScope, "Quennet", "Orvalis Pro");
        if (file.status() != QSettings::NoError) {
            std::printf("the file does not parse\n");
            return 1;
        }
    }
    QtProfileStore store;
    SharedSettings shared;
    MemorySiteList sites;
    LoadProfile(store, shared, sites);

    const AppSettings settings = shared.Get();
    const int gs = StoredGeneration(settings);
    if (gs != 0 && !SameSettings(settings, SettingsOf(gs))) {
        std::printf("settings mix profile %d with others\n", gs);
        return 1;
    }
    int gt = 0;
    const std::string first = sites.GetRowText(0, kColumnAddress);
    if (const auto at = first.find("gen="); at != std::string::npos) {
        gt = std::atoi(first.c_str() + at + 4);
    }
    if (gt == 0 ? sites.CountRows() != 0 : sites.CountRows() != SiteCountOf(gt)) {
        std::printf("%d rows, not the count of profile %d\n", sites.CountRows(), gt);
        return 1;
    }
    for (int row = 0; row < sites.CountRows(); ++row) {
        const auto record = sites.GetFingerprint(row);
        if (sites.GetRowText(row, kColumnAddress) != AddressOf(gt, row) ||
            sites.GetRowText(row, kColumnStatus) != (row % 4 == 0 ? "CHANGED" : "") || !record ||
            record->Read() != WordsOf(gt, row)) {
            std::printf("row %d is not of profile %d\n", row, gt);
            return 1;
        }
    }
    std::printf("settings=%d sites=%d\n", gs, gt);
    return 0;
}

}  // namespace
}  // namespace orvalis

int main(int argc, char** argv) {
    using namespace orvalis;
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "check") return Check();
    if (mode == "save-once" && argc > 2) {
        QtProfileStore store;
        Save(store, std::atoi(argv[2]));
        return 0;
    }
    if (mode == "save-forever") {
        QtProfileStore store;
        SharedSettings stored;
        MemorySiteList ignored;
        LoadProfile(store, stored, ignored);
        for (int g = StoredGeneration(stored.Get()) + 1;; ++g) Save(store, g);
    }
    std::fprintf(stderr, "usage: profile_saver save-forever | save-once N | check\n");
    return 2;
}
