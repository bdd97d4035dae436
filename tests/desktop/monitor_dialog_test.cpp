#include "shell/monitor_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "alerts/desktop_shell.h"
#include "alerts/temporary_pages.h"
#include "engine/down_lists.h"
#include "engine/site_checker.h"
#include "engine/status_updates.h"
#include "engine/tray_icon.h"
#include "promo/branding_record.h"
#include "shell/memory_profile_store.h"
#include "shell/profile.h"
#include "shell/qt_main_window_port.h"
#include "shell/site_table_model.h"
#include "support/engine_fakes.h"
#include "support/http_test_server.h"
#include "support/recording_messages.h"
#include "support/temp_dir.h"

namespace orvalis {
namespace {

namespace fakes = orvalis::test;
using namespace std::chrono_literals;

class RecordingDesktop : public DesktopShell {
   public:
    bool Open(const std::string& addressOrPath) override {
        opened.push_back(addressOrPath);
        return true;
    }
    std::vector<std::string> opened;
};

// Every page answers at once and unchanged.
CheckerNetwork QuietNetwork() {
    return {
        .probePage = [](const std::string&, FingerprintWords&,
                        const ProbeContext&) { return ProbeUnchanged; },
        .isReachable = [](const std::string&, const ProbeContext&) { return true; },
        .isConnected = [] { return true; },
    };
}

class MonitorDialogTest : public ::testing::Test {
   protected:
    MonitorDialogTest() {
        branding.displayName = "Orvalis Pro";
        settings.Update([](AppSettings& s) {
            s.ReadTerms = 1;
            s.UpdateInterval = 1;
            s.UpdateMetric = "hours";
        });
    }

    ~MonitorDialogTest() override {
        if (dialog) {
            dialog->OnClose();
            dialog.reset();
        }
    }

    // The window over `network`, started as the program starts it, with `addresses` as stored
    // sites.
    void Start(std::vector<std::string> addresses, CheckerNetwork network = QuietNetwork()) {
        for (std::size_t i = 0; i < addresses.size(); ++i) {
            const std::string section = SiteSection(static_cast<std::uint32_t>(i));
            store.WriteString(section, "URL", addresses[i]);
            store.WriteString(section, "Status", "");
        }
        store.WriteInt("Settings", "NumSites", static_cast<std::uint32_t>(addresses.size()));
        SaveSettings(store, settings);
        Make(std::move(network));
        ASSERT_TRUE(dialog->Initialize(CommandLine{}));
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    }

    void Make(CheckerNetwork network) {
        checker = std::make_unique<SiteChecker>(CheckerPorts{
            .list = sites,
            .settings = settings,
            .updates = updates,
            .downLists = downLists,
            .window = windowPort,
            .clock = SystemClock::Instance(),
            .saveSites = [this] { SaveSites(store, sites); },
            .savingSites = savingSites,
            .network = std::move(network),
            .referenceSites = {},
        });
        dialog = std::make_unique<MonitorDialog>(MonitorPorts{
            .settings = settings,
            .store = store,
            .sites = sites,
            .tray = tray,
            .checker = *checker,
            .windowPort = windowPort,
            .messages = messages,
            .desktop = desktop,
            .branding = branding,
            .pages = pages,
            .savingSites = savingSites,
        });
    }

    // Enter in the editor: the list takes the text over on its next turn of the event loop.
    static void Commit(QLineEdit* editor) {
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
    }

    QPushButton* Button(const char* name) { return dialog->findChild<QPushButton*>(name); }
    QTreeView* List() { return dialog->SiteListView(); }
    void Click(const char* name) { QTest::mouseClick(Button(name), Qt::LeftButton); }

    QLineEdit* OpenEditor() {
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        return editor && editor->parent() != dialog.get() ? editor : nullptr;
    }

    void Select(std::initializer_list<int> rows) {
        List()->clearSelection();
        for (int row : rows) {
            List()->selectionModel()->select(
                sites.index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }

    std::vector<std::string> Column(int column) {
        std::vector<std::string> texts;
        for (int row = 0; row < sites.CountRows(); ++row) {
            texts.push_back(sites.GetRowText(row, column));
        }
        return texts;
    }

    SharedSettings settings;
    MemoryProfileStore store;
    SiteTableModel sites;
    std::atomic<bool> savingSites{false};
    fakes::Journal journal;
    fakes::RecordingTrayView trayView{journal};
    TrayIcon tray{trayView, sites, SystemClock::Instance()};
    QtMainWindowPort windowPort;
    DownLists downLists;
    StatusUpdates updates{sites, tray, windowPort, settings, downLists, SystemClock::Instance()};
    test::RecordingMessages messages;
    RecordingDesktop desktop;
    TemporaryPages pages;
    BrandingRecord branding;
    std::unique_ptr<SiteChecker> checker;
    std::unique_ptr<MonitorDialog> dialog;
};

TEST_F(MonitorDialogTest, TheWindowIsLaidOutWithEveryControlWholeAndApart) {
    Start({});
    EXPECT_EQ(dialog->windowTitle(), "Orvalis Pro");
    const char* names[] = {"newButton",       "editButton",        "deleteButton",
                           "helpButton",      "clearStatusButton", "webBrowserButton",
                           "settingsButton",  "hideToTrayButton",  "freeGiftButton",
                           "distributeButton"};
    std::vector<QWidget*> controls{List()};
    for (const char* name : names) {
        QPushButton* button = Button(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->accessibleName(), button->text());
        EXPECT_LT(button->fontMetrics().horizontalAdvance(button->text()), button->width() - 6)
            << name << " is clipped";
        controls.push_back(button);
    }
    for (QWidget* control : controls) {
        EXPECT_TRUE(dialog->rect().contains(control->geometry())) << control->objectName().data();
        for (QWidget* other : controls) {
            if (other == control) continue;
            EXPECT_FALSE(control->geometry().intersects(other->geometry()));
        }
    }
    // The tab order is the order the controls are listed in the window's template.
    QWidget* expectedOrder[] = {
        Button("newButton"),      Button("editButton"),        Button("deleteButton"),
        Button("helpButton"),     Button("clearStatusButton"), Button("webBrowserButton"),
        Button("settingsButton"), Button("hideToTrayButton"),  List(),
        Button("freeGiftButton"), Button("distributeButton")};
    for (std::size_t i = 0; i + 1 < std::size(expectedOrder); ++i) {
        QWidget* next = expectedOrder[i]->nextInFocusChain();
        while (next != dialog.get() &&
               ((next != List() && List()->isAncestorOf(next)) || !next->isVisible())) {
            next = next->nextInFocusChain();
        }
        EXPECT_EQ(next, expectedOrder[i + 1])
            << i << " is followed by " << next->metaObject()->className() << " "
            << next->objectName().toStdString();
    }
    EXPECT_EQ(List()->accessibleName(), "Sites");
    const QHeaderView* header = List()->header();
    EXPECT_EQ(header->logicalIndex(0), kColumnNumber);
    EXPECT_EQ(header->logicalIndex(1), kColumnAddress);
    EXPECT_EQ(header->sectionSize(kColumnNumber), 1);
    EXPECT_EQ(header->sectionSize(kColumnAddress), 470);
    EXPECT_EQ(header->sectionSize(kColumnStatus), 140);
}

TEST_F(MonitorDialogTest, NewAddsARowAndTheEditorsTextBecomesItsAddress) {
    Start({"http://a.test/"});
    Click("newButton");
    ASSERT_EQ(sites.CountRows(), 2);
    EXPECT_EQ(Column(kColumnAddress)[1], "no url");  // until the edit ends
    EXPECT_EQ(Column(kColumnNumber)[1], "2");
    ASSERT_NE(sites.GetFingerprint(1), nullptr);
    QLineEdit* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "http://");

    QTest::keyClicks(editor, "site.test/page");
    Commit(editor);
    EXPECT_EQ(Column(kColumnAddress)[1], "http://site.test/page");
    EXPECT_EQ(Column(kColumnStatus)[1], "");
    EXPECT_TRUE(sites.GetFingerprint(1)->IsEmpty());
}

TEST_F(MonitorDialogTest, ANewRowLeftWithoutAnAddressKeepsNoUrl) {
    Start({});
    for (const bool escape : {true, false}) {
        Click("newButton");
        QLineEdit* editor = OpenEditor();
        ASSERT_NE(editor, nullptr);
        if (escape) {
            QTest::keyClick(editor, Qt::Key_Escape);
        } else {
            editor->selectAll();
            QTest::keyClick(editor, Qt::Key_Backspace);
            Commit(editor);
        }
    }
    EXPECT_EQ(Column(kColumnAddress), (std::vector<std::string>{"no url", "no url"}));
    EXPECT_EQ(Column(kColumnStatus), (std::vector<std::string>{"", ""}));
    EXPECT_TRUE(dialog->isVisible());  // Escape in the editor only ends the edit
}

TEST_F(MonitorDialogTest, AnEditedAddressStartsAfreshOnlyWhenItsTextChanged) {
    struct Case {
        const char* typed;  // nullptr: Escape
        const char* address;
        bool reset;
    };
    const Case cases[] = {
        {"http://a.test/Page", "http://a.test/Page", false},
        {"http://a.test/page", "http://a.test/page", true},  // letter case counts
        {"http://b.test/", "http://b.test/", true},
        {"", "http://a.test/Page", false},  // an emptied editor keeps the old address
        {nullptr, "http://a.test/Page", false},
    };
    Start({"http://a.test/Page"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed ? c.typed : "(Escape)");
        sites.SetRowText(0, kColumnAddress, "http://a.test/Page");
        sites.SetRowText(0, kColumnStatus, "CHANGED");
        sites.SetFingerprint(0, std::make_shared<PageFingerprint>(FingerprintWords{1, 2, 3, 4}));
        Select({0});
        Click("editButton");
        QLineEdit* editor = OpenEditor();
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->text(), "http://a.test/Page");
        if (c.typed) {
            editor->selectAll();
            QTest::keyClick(editor, Qt::Key_Backspace);
            QTest::keyClicks(editor, c.typed);
            Commit(editor);
        } else {
            QTest::keyClick(editor, Qt::Key_Escape);
        }
        EXPECT_EQ(sites.GetRowText(0, kColumnAddress), c.address);
        EXPECT_EQ(sites.GetRowText(0, kColumnStatus), c.reset ? "" : "CHANGED");
        EXPECT_EQ(sites.GetFingerprint(0)->IsEmpty(), c.reset);
    }
}

TEST_F(MonitorDialogTest, DeleteRemovesTheSelectedRowsAndNumbersTheRest) {
    Start({"http://0.test/", "http://1.test/", "http://2.test/", "http://3.test/", "http://4.test/",
           "http://5.test/"});
    EXPECT_EQ(Column(kColumnNumber), std::vector<std::string>(6, ""));  // loaded rows
    Click("deleteButton");  // nothing selected: nothing goes, every row gets its number
    EXPECT_EQ(Column(kColumnNumber), (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));

    Select({5, 0, 2});
    Click("deleteButton");
    EXPECT_EQ(Column(kColumnAddress),
              (std::vector<std::string>{"http://1.test/", "http://3.test/", "http://4.test/"}));
    EXPECT_EQ(Column(kColumnNumber), (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(MonitorDialogTest, InsertAndDeleteKeysActOnlyOnTheListItself) {
    Start({"http://a.test/", "http://b.test/"});
    Select({0});
    List()->setFocus();
    QTest::keyClick(List(), Qt::Key_Delete);
    EXPECT_EQ(Column(kColumnAddress), (std::vector<std::string>{"http://b.test/"}));

    QTest::keyClick(List(), Qt::Key_Insert);
    ASSERT_EQ(sites.CountRows(), 2);
    QLineEdit* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    // Keys typed into the editor edit the text, not the list.
    QTest::keyClick(editor, Qt::Key_Home);
    QTest::keyClick(editor, Qt::Key_Delete);
    QTest::keyClick(editor, Qt::Key_Insert);
    EXPECT_EQ(sites.CountRows(), 2);
    EXPECT_EQ(editor->text(), "ttp://");
    QTest::keyClick(editor, Qt::Key_Escape);

    QTest::keyClick(Button("newButton"), Qt::Key_Delete);  // keys elsewhere do nothing
    EXPECT_EQ(sites.CountRows(), 2);
}

TEST_F(MonitorDialogTest, ClearStatusKeepsOkAndEmptyStatusesOnly) {
    const std::vector<std::string> before = {"OK 10:11:12",   "",        "SERVER DOWN",
                                             "WAS DOWN",      "CHANGED", "Page Not Found",
                                             "No Connection", "OK",      "Ok 10:11:12"};
    Start(std::vector<std::string>(before.size(), "http://a.test/"));
    for (std::size_t row = 0; row < before.size(); ++row) {
        sites.SetRowText(static_cast<int>(row), kColumnStatus, before[row]);
    }
    sites.SetFingerprint(4, std::make_shared<PageFingerprint>(FingerprintWords{7, 7, 7, 7}));
    Click("clearStatusButton");
    EXPECT_EQ(Column(kColumnStatus),
              (std::vector<std::string>{"OK 10:11:12", "", "", "", "", "", "", "OK", ""}));
    EXPECT_FALSE(sites.GetFingerprint(4)->IsEmpty());
}

TEST_F(MonitorDialogTest, WebBrowserOpensTheSelectedAddressesInListOrder) {
    Start({"http://a.test/", "http://b.test/", "http://c.test/"});
    Click("webBrowserButton");
    EXPECT_TRUE(desktop.opened.empty());
    Select({2, 0});
    Click("webBrowserButton");
    EXPECT_EQ(desktop.opened, (std::vector<std::string>{"http://a.test/", "http://c.test/"}));
}

TEST_F(MonitorDialogTest, EscapeAndEnterLeaveTheWindowAsItWas) {
    Start({"http://a.test/"});
    for (QWidget* target : {static_cast<QWidget*>(dialog.get()), static_cast<QWidget*>(List())}) {
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Escape);
        QTest::keyClick(target, Qt::Key_Return);
        QTest::keyClick(target, Qt::Key_Enter);
    }
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(sites.CountRows(), 1);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MonitorDialogTest, TheCloseSavesTheSitesDeletesThePagesAndStopsBothThreads) {
    test::TempDir temp;
    pages.helpPagePath = (temp.Path() / "help.html").string();
    pages.redirectPagePath = (temp.Path() / "redirect.html").string();
    std::ofstream(pages.helpPagePath) << "help";
    std::ofstream(pages.redirectPagePath) << "redirect";
    Start({"http://a.test/", "http://b.test/"});
    Select({0});
    Click("deleteButton");

    dialog->close();
    EXPECT_TRUE(messages.shown.empty());  // autorun off: no question
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(store.ReadInt("Settings", "NumSites", 0), 1u);
    EXPECT_EQ(store.ReadString("Site0", "URL", ""), "http://b.test/");
    EXPECT_FALSE(std::filesystem::exists(temp.Path() / "help.html"));
    EXPECT_FALSE(std::filesystem::exists(temp.Path() / "redirect.html"));
    EXPECT_TRUE(pages.helpPagePath.empty());
    EXPECT_TRUE(checker->CheckerFinished());
    EXPECT_TRUE(tray.AnimationFinished());
    EXPECT_FALSE(savingSites);
}

TEST_F(MonitorDialogTest, WithAutorunOnTheCloseAsksAndNoChangesNothing) {
    settings.Update([](AppSettings& s) { s.Autorun = 1; });
    Start({"http://a.test/"});
    store.Remove("Settings", "NumSites");
    messages.answers = {MessageAnswer::No};
    dialog->close();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Do you really want to exit?");
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Question);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(store.Contains("Settings", "NumSites"));
    EXPECT_FALSE(checker->CheckerFinished());

    messages.answers = {MessageAnswer::Yes};
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(store.Contains("Settings", "NumSites"));
    EXPECT_TRUE(checker->CheckerFinished());
}

TEST_F(MonitorDialogTest, TheCloseLeavesTheSaveToTheCheckerWhileItSaves) {
    Start({"http://a.test/"});
    store.Remove("Settings", "NumSites");
    savingSites = true;
    dialog->close();
    EXPECT_FALSE(store.Contains("Settings", "NumSites"));
    EXPECT_TRUE(savingSites);
    EXPECT_TRUE(checker->CheckerFinished());
}

TEST_F(MonitorDialogTest, TheCloseEndsAFetchHangingOnASilentServerAtOnce) {
    fakes::HttpTestServer silent;
    fakes::HttpResponse never;
    never.neverAnswer = true;
    silent.Serve("/", never);
    Start({silent.Url("/")}, ProbeNetwork());
    QElapsedTimer waited;
    waited.start();
    while (silent.RequestCount("/") == 0 && waited.elapsed() < 10000) QTest::qWait(10);
    ASSERT_EQ(silent.RequestCount("/"), 1);

    QElapsedTimer closing;
    closing.start();
    dialog->close();
    const qint64 closeMs = closing.elapsed();
    EXPECT_TRUE(checker->CheckerFinished());
    EXPECT_LT(closeMs, 1000);
    RecordProperty("close_ms", static_cast<int>(closeMs));
    EXPECT_EQ(sites.GetRowText(0, kColumnStatus), "");  // the interrupted check changed nothing
}

TEST_F(MonitorDialogTest, TheTermsComeFirstAndOnlyUntilAccepted) {
    settings.Update([](AppSettings& s) { s.ReadTerms = 0; });
    Make(QuietNetwork());
    messages.answers = {MessageAnswer::No};
    EXPECT_FALSE(dialog->Initialize(CommandLine{}));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::YesNoDefaultNo);
    EXPECT_EQ(store.Size(), 0u);  // declining writes nothing
    EXPECT_TRUE(checker->CheckerFinished());
    dialog.reset();

    Make(QuietNetwork());
    messages.answers = {MessageAnswer::Yes};
    EXPECT_TRUE(dialog->Initialize(CommandLine{"/opt/orvalis-pro", true}));
    EXPECT_EQ(store.ReadInt("Settings", "ReadTerms", 0), 1u);
    EXPECT_FALSE(checker->CheckerFinished());
    EXPECT_EQ(settings.Get().ProgramPath, "/opt/orvalis-pro");
    EXPECT_EQ(settings.Get().BootStart, 1);
    dialog->OnClose();
    dialog.reset();

    Make(QuietNetwork());
    messages.shown.clear();
    EXPECT_TRUE(dialog->Initialize(CommandLine{}));
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace orvalis
