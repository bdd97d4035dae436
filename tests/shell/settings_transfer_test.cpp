#include "shell/settings_transfer.h"

#include <gtest/gtest.h>

#include <functional>

namespace orvalis {
namespace {

TEST(SettingsTransfer, TheIntervalMustBeAWholeDecimalNumberThatFits) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {"10", 10},
        {"0", 0},
        {"-5", -5},
        {"+7", 7},
        {"007", 7},
        {"  42", 42},
        {"42 \t", 42},
        {"\t -3\t ", -3},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"0000000000002147483647", 2147483647},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"", std::nullopt},
        {" \t ", std::nullopt},
        {"+", std::nullopt},
        {"-", std::nullopt},
        {"- 5", std::nullopt},
        {"+-5", std::nullopt},
        {"1 2", std::nullopt},
        {"1.5", std::nullopt},
        {"1e3", std::nullopt},
        {"0x10", std::nullopt},
        {"10s", std::nullopt},
        {"ten", std::nullopt},
        {"\n10", std::nullopt},
        {"10\r", std::nullopt},
        {"\xef\xbc\x91", std::nullopt},  // a full-width digit one
        {"\xc2\xa0"
         "5",
         std::nullopt},  // a no-break space
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        EXPECT_EQ(ParseInterval(c.text), c.value);
    }
}

TEST(SettingsTransfer, StoredValuesOpenAsTheListsAndBoxesShowThem) {
    const std::pair<std::int32_t, bool> switches[] = {
        {0, false}, {1, true}, {2, true}, {3, false}, {-1, false}, {1000, false},
    };
    for (const auto& [value, checked] : switches) {
        SCOPED_TRACE(value);
        EXPECT_EQ(ShownChecked(value), checked);
    }
    const std::pair<const char*, int> units[] = {
        {"seconds", 0},  {"minutes", 1}, {"hours", 2}, {"Minutes", 2},
        {"seconds ", 2}, {"", 2},        {"days", 2},  {"SECONDS", 2},
    };
    for (const auto& [unit, index] : units) {
        SCOPED_TRACE(unit);
        EXPECT_EQ(ShownUnitIndex(unit), index);
    }
    const std::pair<std::int32_t, int> modes[] = {{0, 0}, {1, 1}, {2, -1}, {-1, -1}, {7, -1}};
    for (const auto& [mode, index] : modes) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(ShownConnectModeIndex(mode), index);
    }
}

// A stored profile opened in the dialog and closed with OK untouched: what the user sees is what
// gets stored.
TEST(SettingsTransfer, OpeningAndPressingOkStoresWhatTheDialogShowed) {
    struct Case {
        const char* name;
        std::function<void(AppSettings&)> stored;
        std::function<void(AppSettings&)> afterOk;
    };
    const Case cases[] = {
        {"defaults", [](AppSettings&) {}, [](AppSettings&) {}},
        {"a unit in another case opens as hours",
         [](AppSettings& s) { s.UpdateMetric = "Minutes"; },
         [](AppSettings& s) { s.UpdateMetric = "hours"; }},
        {"seconds stay seconds", [](AppSettings& s) { s.UpdateMetric = "seconds"; },
         [](AppSettings& s) { s.UpdateMetric = "seconds"; }},
        {"a connect mode outside the list stores -1", [](AppSettings& s) { s.DialupMode = 5; },
         [](AppSettings& s) { s.DialupMode = -1; }},
        {"no connect mode stays none", [](AppSettings& s) { s.DialupMode = -1; },
         [](AppSettings& s) { s.DialupMode = -1; }},
        {"passive stays passive", [](AppSettings& s) { s.DialupMode = 1; },
         [](AppSettings& s) { s.DialupMode = 1; }},
        {"a switch of 2 stores 1",
         [](AppSettings& s) { s.Autorun = s.CheckForChanges = s.SendEmail = 2; },
         [](AppSettings& s) { s.Autorun = s.CheckForChanges = s.SendEmail = 1; }},
        {"a switch outside 0 to 2 stores 0",
         [](AppSettings& s) { s.Autorun = s.CheckForChanges = s.SendEmail = 3; },
         [](AppSettings& s) { s.Autorun = s.CheckForChanges = s.SendEmail = 0; }},
        {"the hidden boxes carry their values",
         [](AppSettings& s) { s.AlarmIfServerIsDown = s.AlarmIfServerChanged = 1; },
         [](AppSettings& s) { s.AlarmIfServerIsDown = s.AlarmIfServerChanged = 1; }},
        {"odd intervals come back unchanged",
         [](AppSettings& s) { s.UpdateInterval = -2147483647 - 1; },
         [](AppSettings& s) { s.UpdateInterval = -2147483647 - 1; }},
        {"mail fields are kept exactly",
         [](AppSettings& s) {
             s.SendEmail = 1;
             s.SmtpServer = " mail.example.test ";
             s.EmailAddress = "\tboss@example.test";
             s.SenderEmail = "not an address";
         },
         [](AppSettings& s) {
             s.SendEmail = 1;
             s.SmtpServer = " mail.example.test ";
             s.EmailAddress = "\tboss@example.test";
             s.SenderEmail = "not an address";
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppSettings stored;
        stored.ProgramPath = "/usr/bin/orvalis-pro";
        stored.ReadTerms = 1;
        c.stored(stored);
        AppSettings expected = stored;
        c.afterOk(expected);

        const AppSettings before = stored;
        const SettingsForm form = FormFromSettings(stored);
        EXPECT_EQ(stored.UpdateMetric, before.UpdateMetric);  // opening changes nothing
        EXPECT_EQ(stored.Autorun, before.Autorun);
        EXPECT_EQ(stored.DialupMode, before.DialupMode);

        ASSERT_TRUE(TransferForm(form, stored));
        EXPECT_EQ(stored.UpdateInterval, expected.UpdateInterval);
        EXPECT_EQ(stored.UpdateMetric, expected.UpdateMetric);
        EXPECT_EQ(stored.Autorun, expected.Autorun);
        EXPECT_EQ(stored.AlarmIfServerIsDown, expected.AlarmIfServerIsDown);
        EXPECT_EQ(stored.AlarmIfServerChanged, expected.AlarmIfServerChanged);
        EXPECT_EQ(stored.CheckForChanges, expected.CheckForChanges);
        EXPECT_EQ(stored.SendEmail, expected.SendEmail);
        EXPECT_EQ(stored.SmtpServer, expected.SmtpServer);
        EXPECT_EQ(stored.EmailAddress, expected.EmailAddress);
        EXPECT_EQ(stored.SenderEmail, expected.SenderEmail);
        EXPECT_EQ(stored.DialupMode, expected.DialupMode);
        EXPECT_EQ(stored.ProgramPath, expected.ProgramPath);
        EXPECT_EQ(stored.ReadTerms, expected.ReadTerms);
    }
}

TEST(SettingsTransfer, EditedControlsAreStoredAndARefusedIntervalStoresNothing) {
    AppSettings settings;
    SettingsForm form = FormFromSettings(settings);
    form.unitIndex = 0;
    form.autorun = true;
    form.checkForChanges = true;
    form.connectModeIndex = 1;
    form.smtpServer = "smtp.example.test";

    for (const char* refused : {"", "abc", "5 minutes", "4294967306"}) {
        SCOPED_TRACE(refused);
        form.intervalText = refused;
        AppSettings untouched = settings;
        EXPECT_FALSE(TransferForm(form, untouched));
        EXPECT_EQ(untouched.UpdateInterval, 10);
        EXPECT_EQ(untouched.UpdateMetric, "minutes");
        EXPECT_EQ(untouched.Autorun, 0);
        EXPECT_EQ(untouched.DialupMode, 0);
        EXPECT_EQ(untouched.SmtpServer, "");
    }

    form.intervalText = " 30 ";
    ASSERT_TRUE(TransferForm(form, settings));
    EXPECT_EQ(settings.UpdateInterval, 30);
    EXPECT_EQ(settings.UpdateMetric, "seconds");
    EXPECT_EQ(settings.Autorun, 1);
    EXPECT_EQ(settings.CheckForChanges, 1);
    EXPECT_EQ(settings.DialupMode, 1);
    EXPECT_EQ(settings.SmtpServer, "smtp.example.test");

    form.connectModeIndex = -1;
    ASSERT_TRUE(TransferForm(form, settings));
    EXPECT_EQ(settings.DialupMode, -1);
}

}  // namespace
}  // namespace orvalis
