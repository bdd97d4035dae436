#pragma once

#include <QDialog>
#include <atomic>

#include "engine/app_settings.h"
#include "shell/command_line.h"

class QPushButton;
class QTreeView;

namespace orvalis {

class BrandingRecord;
class DialogUnits;
class DesktopShell;
class ProfileStore;
class QtMainWindowPort;
class SiteChecker;
class SiteTableModel;
class TrayIcon;
class UserMessages;
struct TemporaryPages;

/// Everything the main window works with; each reference must outlive the window.
struct MonitorPorts {
    SharedSettings& settings;        ///< the user's settings
    ProfileStore& store;             ///< where settings and sites are kept
    SiteTableModel& sites;           ///< the monitored pages
    TrayIcon& tray;                  ///< the tray icon's logic and animation thread
    SiteChecker& checker;            ///< the checking thread
    QtMainWindowPort& windowPort;    ///< the window as the engine sees it
    UserMessages& messages;          ///< message boxes
    DesktopShell& desktop;           ///< the user's browser
    const BrandingRecord& branding;  ///< the display name
    TemporaryPages& pages;           ///< pages written for the browser, deleted at close
    std::atomic<bool>& savingSites;  ///< claimed by whoever saves the sites
};

/// The main window: the site list, its ten buttons, start-up and the orderly close.
class MonitorDialog : public QDialog {
    Q_OBJECT

   public:
    explicit MonitorDialog(MonitorPorts ports, QWidget* parent = nullptr);

    /// The start-up before the window first shows: title, command line, animation thread, the
    /// profile, the connect mode, the terms on the first start and the checking thread. False
    /// when the user declined the terms (the program then ends without saving anything).
    bool Initialize(const CommandLine& commandLine);

    /// The list of sites.
    QTreeView* SiteListView() const { return list_; }

    /// New: appends a row "no url" and opens its address editor with "http://".
    void OnNew();
    /// Edit: opens the address editor of the first selected row.
    void OnEdit();
    /// The end of an address edit with the editor's text (empty when nothing was typed).
    void OnEndLabelEdit(int row, const std::string& text);
    /// Delete: removes the selected rows and numbers every row again.
    void OnDelete();
    /// Clear Status: empties every status that is not an OK status.
    void OnClearStatus();
    /// Web Browser: opens every selected address in the user's browser, in list order.
    void OnWebBrowser();
    /// Hide to Tray: minimises the window.
    void OnHideToTray();
    /// Brings the window back to the front (a second start asked for it).
    void BringBack();

    /// The close sequence: the question (with autorun on), saving the sites, deleting the
    /// temporary pages and stopping both threads. False when the user chose to stay.
    bool OnClose();

   protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

   private:
    QPushButton* AddButton(const DialogUnits& units, const char* name, const char* text, int x,
                           int y, int w, int h);
    void SetUpSiteList(const DialogUnits& units);
    void StartEditing(int row, const QString* editorText);
    std::vector<int> SelectedRows() const;
    void SaveSitesUnlessTheCheckerIs();
    void WaitForThreads();

    MonitorPorts ports_;
    QTreeView* list_ = nullptr;
    bool closing_ = false;
};

}  // namespace orvalis
