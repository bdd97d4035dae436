#include "shell/monitor_dialog.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QTreeView>
#include <algorithm>

#include "alerts/desktop_shell.h"
#include "alerts/emblem_icon.h"
#include "alerts/temporary_pages.h"
#include "alerts/user_messages.h"
#include "engine/connect_mode.h"
#include "engine/site_checker.h"
#include "engine/site_status.h"
#include "engine/tray_icon.h"
#include "promo/branding_record.h"
#include "shell/address_edit_delegate.h"
#include "shell/dialog_units.h"
#include "shell/profile.h"
#include "shell/qt_main_window_port.h"
#include "shell/site_table_model.h"
#include "shell/terms_of_use.h"

namespace orvalis {

namespace {

constexpr const char* kCloseQuestion = "Do you really want to exit?";
constexpr const char* kNewRowAddress = "no url";
constexpr const char* kNewAddressText = "http://";
// The close waits this long at most for the two threads, as it always has.
constexpr int kThreadWaitMs = 20000;

const QColor kListBackground(0xE6, 0xE6, 0xE6);

}  // namespace

MonitorDialog::MonitorDialog(MonitorPorts ports, QWidget* parent) : QDialog(parent), ports_(ports) {
    setObjectName("monitorDialog");
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(EmblemIcon());
    setFont(QFont("MS Sans Serif", 8));
    QPalette background = palette();
    background.setColor(QPalette::Window, Qt::white);
    setPalette(background);
    setAutoFillBackground(true);
    const DialogUnits units(font());
    setFixedSize(units.Size(450, 369));

    // Template order is the tab order.
    connect(AddButton(units, "newButton", "New", 7, 7, 50, 14), &QPushButton::clicked, this,
            &MonitorDialog::OnNew);
    connect(AddButton(units, "editButton", "Edit", 61, 7, 50, 14), &QPushButton::clicked, this,
            &MonitorDialog::OnEdit);
    connect(AddButton(units, "deleteButton", "Delete", 116, 7, 50, 14), &QPushButton::clicked, this,
            &MonitorDialog::OnDelete);
    AddButton(units, "helpButton", "Help", 393, 7, 50, 14);
    connect(AddButton(units, "clearStatusButton", "Clear Status", 7, 348, 50, 14),
            &QPushButton::clicked, this, &MonitorDialog::OnClearStatus);
    connect(AddButton(units, "webBrowserButton", "Web Browser", 62, 348, 50, 14),
            &QPushButton::clicked, this, &MonitorDialog::OnWebBrowser);
    AddButton(units, "settingsButton", "Settings", 116, 348, 50, 14);
    connect(AddButton(units, "hideToTrayButton", "Hide to Tray", 393, 348, 50, 14),
            &QPushButton::clicked, this, &MonitorDialog::OnHideToTray);
    SetUpSiteList(units);
    AddButton(units, "freeGiftButton", "Get Your Free Gift", 298, 348, 91, 14);
    AddButton(units, "distributeButton", "Distribute This Software", 298, 7, 91, 14);
}

QPushButton* MonitorDialog::AddButton(const DialogUnits& units, const char* name, const char* text,
                                      int x, int y, int w, int h) {
    auto* button = new QPushButton(QString::fromLatin1(text), this);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(QString::fromLatin1(text));
    button->setGeometry(units.Rect(x, y, w, h));
    return button;
}

void MonitorDialog::SetUpSiteList(const DialogUnits& units) {
    list_ = new QTreeView(this);
    list_->setObjectName("siteList");
    list_->setAccessibleName("Sites");
    list_->setGeometry(units.Rect(7, 26, 436, 316));
    list_->setModel(&ports_.sites);
    list_->setItemDelegateForColumn(
        kColumnAddress,
        new AddressEditDelegate(
            [this](int row, const std::string& text) { OnEndLabelEdit(row, text); }, list_));
    list_->setRootIsDecorated(false);
    list_->setItemsExpandable(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    list_->installEventFilter(this);

    QFont listFont("Tahoma");
    listFont.setPixelSize(12);
    list_->setFont(listFont);
    QPalette colours = list_->palette();
    colours.setColor(QPalette::Base, kListBackground);
    colours.setColor(QPalette::AlternateBase, kListBackground);
    colours.setColor(QPalette::Text, Qt::black);
    list_->setPalette(colours);

    // Data order: address, number, status; shown as "#", address, status, "#" one pixel wide.
    QHeaderView* header = list_->header();
    header->setMinimumSectionSize(1);
    header->setStretchLastSection(false);
    header->setSectionsMovable(true);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->resizeSection(kColumnAddress, 470);
    header->resizeSection(kColumnNumber, 1);
    header->resizeSection(kColumnStatus, 140);
    header->moveSection(header->visualIndex(kColumnNumber), 0);
}

bool MonitorDialog::Initialize(const CommandLine& commandLine) {
    setWindowTitle(QString::fromStdString(ports_.branding.displayName));
    ports_.settings.Update([&](AppSettings& s) {
        s.ProgramPath = commandLine.programPath;
        if (commandLine.bootStart) s.BootStart = 1;
    });
    ports_.tray.ResetEvents();
    ports_.tray.StartAnimation();

    list_->setUpdatesEnabled(false);
    LoadProfile(ports_.store, ports_.settings, ports_.sites);
    const AppSettings settings = ports_.settings.Get();
    SetConnectMode(settings.DialupMode);
    if (settings.ReadTerms == 0) {
        if (!AskTermsAcceptance(ports_.messages)) return false;
        ports_.settings.Update([](AppSettings& s) { s.ReadTerms = 1; });
        SaveSettings(ports_.store, ports_.settings);
    }
    if (!ports_.checker.StartChecker()) {
        ports_.messages.Show(kCheckerStartFailed, MessageIcon::Error, MessageButtons::Ok);
    }
    list_->setUpdatesEnabled(true);
    return true;
}

void MonitorDialog::StartEditing(int row, const QString* editorText) {
    const QModelIndex index = ports_.sites.index(row, kColumnAddress);
    if (!index.isValid()) return;
    list_->setFocus();
    list_->scrollTo(index);
    list_->edit(index);
    auto* editor = qobject_cast<QLineEdit*>(list_->indexWidget(index));
    if (editor && editorText) {
        editor->setText(*editorText);
        editor->deselect();
        editor->end(false);
    }
}

void MonitorDialog::OnNew() {
    const int count = ports_.sites.CountRows();
    const int row = ports_.sites.InsertRow(count, kNewRowAddress);
    ports_.sites.SetRowText(row, kColumnNumber, std::to_string(count + 1));
    ports_.sites.SetRowText(row, kColumnStatus, "");
    ports_.sites.SetFingerprint(row, std::make_shared<PageFingerprint>());
    const QString editorText = QString::fromLatin1(kNewAddressText);
    StartEditing(row, &editorText);
}

void MonitorDialog::OnEdit() {
    const std::vector<int> rows = SelectedRows();
    if (!rows.empty()) StartEditing(rows.front(), nullptr);
}

void MonitorDialog::OnEndLabelEdit(int row, const std::string& text) {
    const std::string old = ports_.sites.GetRowText(row, kColumnAddress);
    const std::string edited = text.empty() ? old : text;
    ports_.sites.SetRowText(row, kColumnAddress, edited.empty() ? kNewAddressText : edited);
    if (edited == old) return;
    ports_.sites.SetRowText(row, kColumnStatus, "");
    if (auto record = ports_.sites.GetFingerprint(row)) record->Write(FingerprintWords{});
}

std::vector<int> MonitorDialog::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void MonitorDialog::OnDelete() {
    const std::vector<int> rows = SelectedRows();
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) ports_.sites.DeleteRow(*row);
    const int count = ports_.sites.CountRows();
    for (int row = 0; row < count; ++row) {
        ports_.sites.SetRowText(row, kColumnNumber, std::to_string(row + 1));
    }
}

void MonitorDialog::OnClearStatus() {
    const int count = ports_.sites.CountRows();
    for (int row = 0; row < count; ++row) {
        const std::string status = ports_.sites.GetRowText(row, kColumnStatus);
        if (!status.empty() && !IsOkStatus(status)) {
            ports_.sites.SetRowText(row, kColumnStatus, "");
        }
    }
}

void MonitorDialog::OnWebBrowser() {
    for (int row : SelectedRows()) {
        ports_.desktop.Open(ports_.sites.GetRowText(row, kColumnAddress));
    }
}

void MonitorDialog::OnHideToTray() { showMinimized(); }

void MonitorDialog::BringBack() {
    showNormal();
    raise();
    activateWindow();
}

bool MonitorDialog::eventFilter(QObject* watched, QEvent* event) {
    // The list's own keys, only while the list itself has the focus: keys the in-place editor
    // does not use travel on to the list and must not act there.
    if (watched == list_ && event->type() == QEvent::KeyPress && list_->hasFocus()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Insert) {
            OnNew();
            return true;
        }
        if (key == Qt::Key_Delete) {
            OnDelete();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void MonitorDialog::keyPressEvent(QKeyEvent* event) {
    // Escape and Enter would end the dialog without the close sequence (unsaved sites, running
    // threads): the window ignores both. A focused button still takes Enter itself.
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void MonitorDialog::showEvent(QShowEvent* event) {
    ports_.windowPort.SetVisible(isVisible());
    if (!event->spontaneous()) {
        ports_.tray.LeaveTray();
        update();
    }
    QDialog::showEvent(event);
}

void MonitorDialog::hideEvent(QHideEvent* event) {
    ports_.windowPort.SetVisible(isVisible());
    QDialog::hideEvent(event);
}

void MonitorDialog::closeEvent(QCloseEvent* event) {
    if (closing_ || OnClose()) {
        event->accept();
        QDialog::done(0);
    } else {
        event->ignore();
    }
}

bool MonitorDialog::OnClose() {
    if (ports_.settings.Get().Autorun != 0 &&
        ports_.messages.Show(kCloseQuestion, MessageIcon::Question, MessageButtons::YesNo) !=
            MessageAnswer::Yes) {
        return false;
    }
    closing_ = true;
    showMinimized();
    SaveSitesUnlessTheCheckerIs();
    ports_.pages.DeleteAll();
    ports_.tray.SignalEvent(TrayEvent::Stop);
    ports_.checker.RequestStop();
    ports_.tray.Remove();
    WaitForThreads();
    return true;
}

void MonitorDialog::SaveSitesUnlessTheCheckerIs() {
    bool idle = false;
    if (!ports_.savingSites.compare_exchange_strong(idle, true)) return;
    SaveSites(ports_.store, ports_.sites);
    ports_.savingSites = false;
}

void MonitorDialog::WaitForThreads() {
    // Every wait of both threads ends at once on a stop, so this is normally a few milliseconds.
    QElapsedTimer waited;
    waited.start();
    while (!(ports_.checker.CheckerFinished() && ports_.tray.AnimationFinished()) &&
           waited.elapsed() < kThreadWaitMs) {
        QThread::msleep(5);
    }
}

}  // namespace orvalis
