#include "shell/display_guard.h"

#include <unistd.h>

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace orvalis {
namespace {

// A platform message held back while the display is being opened.
struct HeldMessage {
    QtMsgType type;
    std::string category;
    QString text;
};

struct Guard {
    std::mutex mutex;
    std::string programName;
    QtMessageHandler previous = nullptr;
    std::vector<HeldMessage> held;
    bool xcbFailed = false;
    QString xcbDisplay;
};

Guard& TheGuard() {
    static Guard guard;
    return guard;
}

[[noreturn]] void GiveUp(const std::string& programName, const QString& reason, bool quick) {
    const std::string line = programName + ": no display could be opened (" + reason.toStdString() +
                             "); start it from a desktop session, or set DISPLAY to a running X "
                             "server\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    // Inside Qt's start-up nothing is worth cleaning up, and Qt's own exit path would abort.
    if (quick) _exit(2);
    std::exit(2);
}

QString Variable(const char* name) { return qEnvironmentVariable(name); }

// What was tried, as the user would say it.
QString FailedDisplay(const Guard& guard) {
    if (guard.xcbFailed) {
        return guard.xcbDisplay.isEmpty()
                   ? QStringLiteral("DISPLAY is not set")
                   : QStringLiteral("could not connect to X display %1").arg(guard.xcbDisplay);
    }
    if (!Variable("QT_QPA_PLATFORM").isEmpty()) {
        return QStringLiteral("the platform \"%1\" from QT_QPA_PLATFORM did not start")
            .arg(Variable("QT_QPA_PLATFORM"));
    }
    if (!Variable("DISPLAY").isEmpty()) {
        return QStringLiteral("could not connect to X display %1").arg(Variable("DISPLAY"));
    }
    return QStringLiteral("could not connect to Wayland display %1")
        .arg(Variable("WAYLAND_DISPLAY"));
}

bool IsPlatformCategory(const char* category) {
    return category != nullptr && std::string_view(category).starts_with("qt.qpa.");
}

void WatchStartUp(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    Guard& guard = TheGuard();
    std::unique_lock lock(guard.mutex);
    if (type == QtFatalMsg && text.contains(QLatin1String("no Qt platform plugin could be"))) {
        GiveUp(guard.programName, FailedDisplay(guard), true);
    }
    if (type != QtFatalMsg && IsPlatformCategory(context.category)) {
        static const QLatin1String xcbFailure("could not connect to display");
        if (text.startsWith(xcbFailure)) {
            guard.xcbFailed = true;
            guard.xcbDisplay = text.mid(xcbFailure.size()).trimmed();
        }
        guard.held.push_back({type, context.category, text});
        return;
    }
    const QtMessageHandler previous = guard.previous;
    lock.unlock();
    previous(type, context, text);
}

}  // namespace

void GuardAgainstMissingDisplay(const char* programName) {
    Guard& guard = TheGuard();
    guard.programName = programName;
    if (Variable("QT_QPA_PLATFORM").isEmpty() && Variable("DISPLAY").isEmpty() &&
        Variable("WAYLAND_DISPLAY").isEmpty()) {
        GiveUp(guard.programName, QStringLiteral("DISPLAY is not set"), false);
    }
    std::lock_guard lock(guard.mutex);
    if (guard.previous == nullptr) guard.previous = qInstallMessageHandler(WatchStartUp);
}

void EndDisplayGuard() {
    Guard& guard = TheGuard();
    std::vector<HeldMessage> held;
    QtMessageHandler previous;
    {
        std::lock_guard lock(guard.mutex);
        if (guard.previous == nullptr) return;
        previous = guard.previous;
        qInstallMessageHandler(previous);
        guard.previous = nullptr;
        held.swap(guard.held);
    }
    // The display opened after all, so what the platform said along the way still counts.
    for (const HeldMessage& message : held) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.c_str());
        previous(message.type, context, message.text);
    }
}

}  // namespace orvalis
