#include "shell/profile.h"

#include <gtest/gtest.h>

#include <memory>

#include "engine/memory_site_list.h"
#include "shell/memory_profile_store.h"

namespace orvalis {
namespace {

struct LoadedSite {
    std::string address;
    std::string status;
    FingerprintWords words;
    bool operator==(const LoadedSite&) const = default;
};

std::vector<LoadedSite> Rows(const SiteList& list) {
    std::vector<LoadedSite> rows;
    for (int i = 0; i < list.CountRows(); ++i) {
        const auto record = list.GetFingerprint(i);
        rows.push_back({list.GetRowText(i, kColumnAddress), list.GetRowText(i, kColumnStatus),
                        record ? record->Read() : FingerprintWords{}});
    }
    return rows;
}

void StoreSite(MemoryProfileStore& store, std::uint32_t index, const std::string& address,
               const std::string& status, const FingerprintWords& words) {
    const std::string section = SiteSection(index);
    store.WriteString(section, "URL", address);
    store.WriteString(section, "Status", status);
    const char* names[] = {"C1", "C2", "C3", "C4"};
    for (int k = 0; k < 4; ++k) store.WriteInt(section, names[k], words[k]);
}

TEST(Profile, AnEmptyProfileLoadsTheDefaultsAndNoRows) {
    MemoryProfileStore store;
    SharedSettings settings;
    settings.Update([](AppSettings& s) {
        s.ProgramPath = "/opt/orvalis/orvalis-pro";
        s.BootStart = 1;
        s.UpdateInterval = 3;
        s.SmtpServer = "left over";
    });
    MemorySiteList sites;
    LoadProfile(store, settings, sites);

    const AppSettings s = settings.Get();
    EXPECT_EQ(sites.CountRows(), 0);
    EXPECT_EQ(s.UpdateInterval, 10);
    EXPECT_EQ(s.UpdateMetric, "minutes");
    EXPECT_EQ(s.AlarmIfServerIsDown + s.AlarmIfServerChanged + s.CheckForChanges + s.DialupMode +
                  s.ReadTerms + s.Autorun + s.SendEmail,
              0);
    EXPECT_EQ(s.SmtpServer + s.EmailAddress + s.SenderEmail, "");
    EXPECT_EQ(s.ProgramPath, "/opt/orvalis/orvalis-pro");  // not stored, so untouched
    EXPECT_EQ(s.BootStart, 1);
    EXPECT_EQ(store.Size(), 0u);  // loading writes nothing
}

TEST(Profile, SettingsRoundTripAndTheTwoSavesKeepToTheirOwnValues) {
    MemoryProfileStore store;
    SharedSettings saved;
    saved.Update([](AppSettings& s) {
        s.AlarmIfServerIsDown = 1;
        s.AlarmIfServerChanged = 1;
        s.CheckForChanges = 1;
        s.DialupMode = 1;
        s.Autorun = 1;
        s.ReadTerms = 1;
        s.UpdateInterval = -7;
        s.UpdateMetric = "hours";
        s.SendEmail = 1;
        s.SmtpServer = "mail.example.test";
        s.EmailAddress = "me@example.test";
        s.SenderEmail = "monitor@example.test";
    });
    store.WriteInt("Settings", "NumSites", 4);
    SaveSettings(store, saved);
    EXPECT_EQ(store.Size(), 13u);  // twelve settings and the untouched count
    EXPECT_EQ(store.ReadInt("Settings", "NumSites", 0), 4u);

    MemorySiteList list;
    list.InsertRow(0, "http://a.test/");
    MemoryProfileStore sitesOnly;
    SaveSites(sitesOnly, list);
    EXPECT_EQ(sitesOnly.Size(), 3u);  // URL, Status and the count: no setting
    EXPECT_TRUE(sitesOnly.Contains("Settings", "NumSites"));

    SharedSettings loaded;
    MemorySiteList ignored;
    store.WriteInt("Settings", "NumSites", 0);
    LoadProfile(store, loaded, ignored);
    const AppSettings a = saved.Get(), b = loaded.Get();
    EXPECT_EQ(b.AlarmIfServerIsDown, a.AlarmIfServerIsDown);
    EXPECT_EQ(b.AlarmIfServerChanged, a.AlarmIfServerChanged);
    EXPECT_EQ(b.CheckForChanges, a.CheckForChanges);
    EXPECT_EQ(b.DialupMode, a.DialupMode);
    EXPECT_EQ(b.Autorun, a.Autorun);
    EXPECT_EQ(b.ReadTerms, a.ReadTerms);
    EXPECT_EQ(b.UpdateInterval, -7);
    EXPECT_EQ(b.UpdateMetric, "hours");
    EXPECT_EQ(b.SendEmail, a.SendEmail);
    EXPECT_EQ(b.SmtpServer, a.SmtpServer);
    EXPECT_EQ(b.EmailAddress, a.EmailAddress);
    EXPECT_EQ(b.SenderEmail, a.SenderEmail);
}

// The mail server's port, security and login: absent means plain port 25 without a login, a
// profile that never had them gets none, and once stored they follow every change.
TEST(Profile, MailServerSettingsAreStoredOnceChangedAndFollowEveryChange) {
    MemoryProfileStore store;
    SharedSettings settings;
    MemorySiteList sites;
    LoadProfile(store, settings, sites);
    AppSettings s = settings.Get();
    EXPECT_EQ(s.SmtpPort, 25);
    EXPECT_EQ(s.SmtpSecurity, "None");
    EXPECT_EQ(s.SmtpUser, "");
    SaveSettings(store, settings);
    EXPECT_FALSE(store.Contains("Settings", "SmtpPort"));
    EXPECT_FALSE(store.Contains("Settings", "SmtpSecurity"));
    EXPECT_FALSE(store.Contains("Settings", "SmtpUser"));

    settings.Update([](AppSettings& a) {
        a.SmtpPort = 587;
        a.SmtpSecurity = "STARTTLS";
        a.SmtpUser = "monitor@example.test";
    });
    SaveSettings(store, settings);
    SharedSettings loaded;
    LoadProfile(store, loaded, sites);
    s = loaded.Get();
    EXPECT_EQ(s.SmtpPort, 587);
    EXPECT_EQ(s.SmtpSecurity, "STARTTLS");
    EXPECT_EQ(s.SmtpUser, "monitor@example.test");

    settings.Update([](AppSettings& a) { a = AppSettings{}; });
    SaveSettings(store, settings);
    LoadProfile(store, loaded, sites);
    s = loaded.Get();
    EXPECT_EQ(s.SmtpPort, 25);
    EXPECT_EQ(s.SmtpSecurity, "None");
    EXPECT_EQ(s.SmtpUser, "");
}

TEST(Profile, SitesRoundTripWithOnlyChangedSurvivingAsAStatus) {
    MemorySiteList list;
    const std::vector<LoadedSite> saved = {
        {"http://a.test/", "CHANGED", {1, 2, 3, 4}},
        {"http://b.test/", "OK 10:00:00", {0xFFFFFFFFu, 0x80000000u, 0, 7}},
        {"http://c.test/", "SERVER DOWN", {5, 6, 7, 8}},
        {"http://d.test/", "changed", {}},
        {"http://e.test/", "CHANGED ", {9, 9, 9, 9}},
    };
    for (const LoadedSite& site : saved) {
        const int row = list.InsertRow(list.CountRows(), site.address);
        list.SetRowText(row, kColumnStatus, site.status);
        list.SetFingerprint(row, std::make_shared<PageFingerprint>(site.words));
    }
    MemoryProfileStore store;
    SaveSites(store, list);
    EXPECT_EQ(store.ReadInt("Settings", "NumSites", 0), 5u);
    EXPECT_EQ(store.ReadString("Site1", "Status", ""), "OK 10:00:00");  // stored as displayed

    SharedSettings settings;
    MemorySiteList loaded;
    LoadProfile(store, settings, loaded);
    std::vector<LoadedSite> expected = saved;
    for (LoadedSite& site : expected) {
        if (site.status != "CHANGED") site.status = "";
    }
    EXPECT_EQ(Rows(loaded), expected);
    for (int i = 0; i < loaded.CountRows(); ++i) EXPECT_NE(loaded.GetFingerprint(i), nullptr);
}

TEST(Profile, ASectionWithoutAddressIsSkippedWithoutAGap) {
    for (const bool emptyAddress : {false, true}) {
        SCOPED_TRACE(emptyAddress ? "empty URL" : "missing URL");
        MemoryProfileStore store;
        store.WriteInt("Settings", "NumSites", 3);
        StoreSite(store, 0, "http://a.test/", "CHANGED", {1, 1, 1, 1});
        StoreSite(store, 1, "", "CHANGED", {2, 2, 2, 2});
        if (!emptyAddress) store.Remove("Site1", "URL");
        StoreSite(store, 2, "http://c.test/", "WAS DOWN", {3, 3, 3, 3});

        SharedSettings settings;
        MemorySiteList list;
        LoadProfile(store, settings, list);
        const std::vector<LoadedSite> expected = {{"http://a.test/", "CHANGED", {1, 1, 1, 1}},
                                                  {"http://c.test/", "", {3, 3, 3, 3}}};
        EXPECT_EQ(Rows(list), expected);
    }
}

TEST(Profile, MissingOrWronglyTypedValuesReadAsTheirDefaults) {
    MemoryProfileStore store;
    store.WriteString("Settings", "UpdateInterval", "5");
    store.WriteInt("Settings", "UpdateMetric", 3);
    store.WriteInt("Settings", "NumSites", 3);
    StoreSite(store, 0, "http://a.test/", "CHANGED", {1, 2, 3, 4});
    store.WriteString("Site0", "C2", "2");
    store.Remove("Site0", "C3");
    store.WriteInt("Site1", "URL", 42);
    StoreSite(store, 2, "http://c.test/", "", {});
    store.WriteInt("Site2", "Status", 1);

    SharedSettings settings;
    MemorySiteList list;
    LoadProfile(store, settings, list);
    EXPECT_EQ(settings.Get().UpdateInterval, 10);
    EXPECT_EQ(settings.Get().UpdateMetric, "minutes");
    const std::vector<LoadedSite> expected = {{"http://a.test/", "CHANGED", {1, 0, 0, 4}},
                                              {"http://c.test/", "", {0, 0, 0, 0}}};
    EXPECT_EQ(Rows(list), expected);
}

TEST(Profile, AShrunkListSavesItsNewCountAndTheOldSectionsStayUnread) {
    MemorySiteList list;
    for (const char* address : {"http://a.test/", "http://b.test/", "http://c.test/"}) {
        list.InsertRow(list.CountRows(), address);
    }
    MemoryProfileStore store;
    SaveSites(store, list);
    list.DeleteRow(0);
    list.DeleteRow(0);
    SaveSites(store, list);

    EXPECT_EQ(store.ReadInt("Settings", "NumSites", 0), 1u);
    EXPECT_EQ(store.ReadString("Site0", "URL", ""), "http://c.test/");
    EXPECT_EQ(store.ReadString("Site2", "URL", ""), "http://c.test/");  // left from before
    SharedSettings settings;
    MemorySiteList loaded;
    LoadProfile(store, settings, loaded);
    ASSERT_EQ(loaded.CountRows(), 1);
    EXPECT_EQ(loaded.GetRowText(0, kColumnAddress), "http://c.test/");
}

TEST(Profile, ARowWithoutARecordLeavesTheStoredWordsAlone) {
    MemoryProfileStore store;
    StoreSite(store, 0, "http://old.test/", "CHANGED", {11, 12, 13, 14});
    MemorySiteList list;
    list.InsertRow(0, "http://new.test/");
    list.SetRowText(0, kColumnStatus, "OK 09:15:00");
    SaveSites(store, list);

    EXPECT_EQ(store.ReadString("Site0", "URL", ""), "http://new.test/");
    EXPECT_EQ(store.ReadString("Site0", "Status", ""), "OK 09:15:00");
    EXPECT_EQ(store.ReadInt("Site0", "C1", 0), 11u);
    EXPECT_EQ(store.ReadInt("Site0", "C4", 0), 14u);
}

// A list whose first row is deleted by the user while a save is between its reads.
class ListShrinkingDuringSave : public MemorySiteList {
   public:
    std::shared_ptr<PageFingerprint> GetFingerprint(int row) const override {
        if (!shrunk_) {
            shrunk_ = true;
            const_cast<ListShrinkingDuringSave*>(this)->DeleteRow(0);
        }
        return MemorySiteList::GetFingerprint(row);
    }

   private:
    mutable bool shrunk_ = false;
};

TEST(Profile, ARowVanishingDuringASaveLeavesAnEmptySectionTheNextLoadSkips) {
    ListShrinkingDuringSave list;
    for (const char* address : {"http://a.test/", "http://b.test/", "http://c.test/"}) {
        list.InsertRow(list.CountRows(), address);
    }
    MemoryProfileStore store;
    SaveSites(store, list);

    EXPECT_EQ(store.ReadInt("Settings", "NumSites", 0), 3u);
    EXPECT_EQ(store.ReadString("Site2", "URL", "missing"), "");
    EXPECT_EQ(store.ReadString("Site2", "Status", "missing"), "");
    SharedSettings settings;
    MemorySiteList loaded;
    LoadProfile(store, settings, loaded);
    ASSERT_EQ(loaded.CountRows(), 2);
    EXPECT_EQ(loaded.GetRowText(0, kColumnAddress), "http://a.test/");
    EXPECT_EQ(loaded.GetRowText(1, kColumnAddress), "http://c.test/");
}

TEST(Profile, ADamagedSiteCountStopsAtTheBoundAndKeepsWhatIsThere) {
    MemoryProfileStore store;
    store.WriteInt("Settings", "NumSites", 0xFFFFFFF0u);
    StoreSite(store, 0, "http://first.test/", "", {1, 0, 0, 0});
    StoreSite(store, kMaxStoredSites - 1, "http://last.test/", "", {2, 0, 0, 0});
    StoreSite(store, kMaxStoredSites, "http://beyond.test/", "", {3, 0, 0, 0});

    SharedSettings settings;
    MemorySiteList list;
    LoadProfile(store, settings, list);
    const std::vector<LoadedSite> expected = {{"http://first.test/", "", {1, 0, 0, 0}},
                                              {"http://last.test/", "", {2, 0, 0, 0}}};
    EXPECT_EQ(Rows(list), expected);
}

}  // namespace
}  // namespace orvalis
