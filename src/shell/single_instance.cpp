#include "shell/single_instance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <algorithm>

namespace orvalis {
namespace {

const QByteArray kShowRequest = "show\n";
const QByteArray kShownReply = "shown\n";
// How long a start waits for a copy that holds the lock but has not answered yet; a copy that
// is just starting needs a moment before it listens.
constexpr int kAnswerWaitMs = 3000;
constexpr int kRetryPauseMs = 100;
// A connection that sends nothing useful is dropped after this long.
constexpr int kRequestLimitMs = 5000;
constexpr qsizetype kLongestRequest = 64;

// The path with the part that exists resolved through its links, so that two spellings of one
// folder give one name even before the folder is created.
QString ResolvedFolder(const QString& path) {
    QString existing = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QString missing;
    while (!QFileInfo::exists(existing)) {
        const qsizetype slash = existing.lastIndexOf(QLatin1Char('/'));
        missing.prepend(existing.mid(slash));
        existing = slash > 0 ? existing.left(slash) : QStringLiteral("/");
    }
    return QDir::cleanPath(QFileInfo(existing).canonicalFilePath() + missing);
}

// The profile lives in the user's configuration folder; each folder gets its own instance.
QString InstanceKey() {
    const QString folder =
        ResolvedFolder(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    const QByteArray hash =
        QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha256).toHex().left(8);
    return QStringLiteral("orvalis-pro-%1-%2")
        .arg(QString::number(getuid()), QString::fromLatin1(hash));
}

// The user's private runtime folder, or the temporary folder where there is none.
QString RuntimeFolder() {
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (!runtime.isEmpty()) return runtime;
    }
    return QDir::tempPath();
}

}  // namespace

SingleInstance::SingleInstance(QObject* parent)
    : QObject(parent),
      pathBase_(RuntimeFolder() + QLatin1Char('/') + InstanceKey()),
      lockPath_(pathBase_ + QStringLiteral(".lock")),
      socketPath_(pathBase_ + QStringLiteral(".socket")),
      lock_(lockPath_) {
    // A running copy keeps its lock for days: only a lock whose process is gone is stale, never
    // one that is merely old.
    lock_.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() {
    if (server_ != nullptr) server_->close();
}

SingleInstance::Claim SingleInstance::TryClaim() {
    problem_.clear();
    const QDeadlineTimer deadline(kAnswerWaitMs);
    for (;;) {
        // tryLock takes over a lock whose process has died.
        if (lock_.tryLock(0)) {
            if (!Listen()) {
                // The profile is ours all the same; only later starts cannot reach this copy.
                qWarning("Cannot take requests from later starts at %s: %s",
                         qUtf8Printable(socketPath_), qUtf8Printable(problem_));
                problem_.clear();
            }
            return Claim::First;
        }
        if (lock_.error() != QLockFile::LockFailedError) {
            problem_ = QStringLiteral("cannot create the lock file %1").arg(lockPath_);
            return Claim::Failed;
        }
        if (AskOtherToShow(deadline)) return Claim::OtherShown;
        if (deadline.hasExpired()) break;
        QThread::msleep(static_cast<unsigned long>(
            std::clamp<qint64>(deadline.remainingTime(), 0, kRetryPauseMs)));
    }
    problem_ = QStringLiteral("another copy is running for this profile but does not answer");
    return Claim::Failed;
}

bool SingleInstance::Listen() {
    // The lock is ours, so a socket file left here belongs to a copy that has died.
    QLocalServer::removeServer(socketPath_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) Serve(socket);
    });
    if (server_->listen(socketPath_)) return true;
    problem_ = server_->errorString();
    delete server_;
    server_ = nullptr;
    return false;
}

void SingleInstance::Serve(QLocalSocket* socket) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(kRequestLimitMs, socket, [socket] { socket->abort(); });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > kLongestRequest) socket->abort();
            return;
        }
        const QByteArray request = socket->readLine(kLongestRequest);
        if (request == kShowRequest) {
            socket->write(kShownReply);
            emit showRequested();
        }
        socket->disconnectFromServer();
    });
}

bool SingleInstance::AskOtherToShow(const QDeadlineTimer& deadline) {
    const auto remaining = [&deadline] {
        return static_cast<int>(std::clamp<qint64>(deadline.remainingTime(), 1, kAnswerWaitMs));
    };
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(remaining())) return false;
    socket.write(kShowRequest);
    if (!socket.waitForBytesWritten(remaining())) return false;
    // The reply says the other copy's event loop took the request, not just its socket.
    QByteArray reply;
    while (!reply.endsWith('\n') && reply.size() <= kLongestRequest &&
           socket.waitForReadyRead(remaining())) {
        reply += socket.readAll();
    }
    return reply == kShownReply;
}

}  // namespace orvalis
