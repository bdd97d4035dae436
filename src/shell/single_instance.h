#pragma once

#include <QDeadlineTimer>
#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace orvalis {

/// Keeps one running copy of the program per user and profile folder: the first start holds a
/// lock file and listens on a local socket beside it; a later start asks that copy to show its
/// window and then leaves. Create it after the QCoreApplication; the signal arrives through the
/// event loop of the thread it lives in.
class SingleInstance : public QObject {
    Q_OBJECT

   public:
    /// What TryClaim found.
    enum class Claim {
        First,       ///< this process holds the lock and takes show requests
        OtherShown,  ///< another copy runs and has been asked to show its window
        Failed,      ///< another copy holds the lock but did not answer, or no lock could be made
    };

    /// Names the lock and socket after the current user and profile folder.
    explicit SingleInstance(QObject* parent = nullptr);
    /// Releases the lock and stops listening.
    ~SingleInstance() override;

    /// Takes the lock or hands a show request to the copy holding it; waits about three seconds
    /// at most for a copy that holds the lock but has not answered yet.
    Claim TryClaim();
    /// Why the last TryClaim failed, in one line for the user.
    QString Problem() const { return problem_; }

   signals:
    /// Another start of the program asked for the window.
    void showRequested();

   private:
    bool Listen();
    bool AskOtherToShow(const QDeadlineTimer& deadline);
    void Serve(QLocalSocket* socket);

    QString pathBase_;
    QString lockPath_;
    QString socketPath_;
    QString problem_;
    QLockFile lock_;
    QLocalServer* server_ = nullptr;
};

}  // namespace orvalis
