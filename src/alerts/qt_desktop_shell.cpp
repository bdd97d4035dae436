#include "alerts/qt_desktop_shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace orvalis {

bool QtDesktopShell::Open(const std::string& addressOrPath) {
    const QString text = QString::fromStdString(addressOrPath);
    const QUrl url =
        QFileInfo(text).isAbsolute() ? QUrl::fromLocalFile(text) : QUrl(text, QUrl::TolerantMode);
    return QDesktopServices::openUrl(url);
}

}  // namespace orvalis
