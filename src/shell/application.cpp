#include "shell/application.h"

#include <QApplication>
#include <atomic>
#include <cstdio>
#include <vector>

#include "alerts/no_tray_view.h"
#include "alerts/qt_desktop_shell.h"
#include "alerts/qt_user_messages.h"
#include "alerts/temporary_pages.h"
#include "engine/clock.h"
#include "engine/down_lists.h"
#include "engine/site_checker.h"
#include "engine/status_updates.h"
#include "engine/tray_icon.h"
#include "promo/branding_record.h"
#include "shell/command_line.h"
#include "shell/display_guard.h"
#include "shell/monitor_dialog.h"
#include "shell/profile.h"
#include "shell/qt_main_window_port.h"
#include "shell/qt_profile_store.h"
#include "shell/single_instance.h"
#include "shell/site_table_model.h"

namespace orvalis {

namespace {

// Every long-lived part of the program, built in an order where each part only refers to parts
// built before it, so they end in the reverse order: the threads stop before what they use goes.
struct Parts {
    explicit Parts(const BrandingRecord& branding)
        : messages(branding.displayName),
          checker(CheckerPorts{
              .list = sites,
              .settings = settings,
              .updates = updates,
              .downLists = downLists,
              .window = windowPort,
              .clock = SystemClock::Instance(),
              .saveSites = [this] { SaveSites(store, sites); },
              .savingSites = savingSites,
              .network = ProbeNetwork(),
              .referenceSites = {},
          }),
          dialog(MonitorPorts{
              .settings = settings,
              .store = store,
              .sites = sites,
              .tray = tray,
              .checker = checker,
              .windowPort = windowPort,
              .messages = messages,
              .desktop = desktop,
              .branding = branding,
              .pages = pages,
              .savingSites = savingSites,
          }) {}

    SharedSettings settings;
    QtProfileStore store;
    SiteTableModel sites;
    std::atomic<bool> savingSites{false};
    NoTrayView trayView;
    TrayIcon tray{trayView, sites, SystemClock::Instance()};
    QtMainWindowPort windowPort;
    DownLists downLists;
    StatusUpdates updates{sites, tray, windowPort, settings, downLists, SystemClock::Instance()};
    QtUserMessages messages;
    QtDesktopShell desktop;
    TemporaryPages pages;
    SiteChecker checker;
    MonitorDialog dialog;
};

}  // namespace

int Application::Run(int argc, char** argv) {
    GuardAgainstMissingDisplay("orvalis-pro");
    QApplication app(argc, argv);
    EndDisplayGuard();
    QApplication::setApplicationName(kName);
    QApplication::setOrganizationName(kCompany);

    // The profile has one writer: a second start brings the running copy's window back.
    SingleInstance instance;
    switch (instance.TryClaim()) {
        case SingleInstance::Claim::First:
            break;
        case SingleInstance::Claim::OtherShown:
            return 0;
        case SingleInstance::Claim::Failed:
            std::fprintf(stderr, "orvalis-pro: %s\n", qPrintable(instance.Problem()));
            return 3;
    }

    BrandingRecord branding;
    branding.Load();

    Parts parts(branding);
    const std::vector<std::string> arguments(argv, argv + argc);
    const CommandLine commandLine =
        ParseCommandLine(arguments, QApplication::applicationFilePath().toStdString());
    if (!parts.dialog.Initialize(commandLine)) return 1;
    // From here on message boxes belong to the window; the terms came before it showed.
    parts.messages.SetParent(&parts.dialog);
    QObject::connect(&instance, &SingleInstance::showRequested, &parts.dialog,
                     &MonitorDialog::BringBack);
    parts.dialog.exec();
    return 0;
}

}  // namespace orvalis
