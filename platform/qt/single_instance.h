#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <chrono>
#include <string>

class QLocalServer;
class QLocalSocket;

namespace dravik {

// One program per data directory. The first start on a directory holds a lock (flock, released by the
// kernel however the process ends, SIGKILL included) and listens on a local socket; a later start on the
// same directory finds the lock taken, asks the first one through the socket to show its window, and
// ends. Both names come from the directory's canonical path, so programs on other directories run side by
// side. Use on the UI thread, after the application object exists.
class CSingleInstance final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CSingleInstance)

public:
    enum class Role {
        First,  // no other program runs on the directory (or it cannot be told): this one runs
        Other,  // another one runs on it and has been asked to show its window: this one ends
    };

    // runtimeDir holds the lock and the socket; empty for the user's runtime directory ($XDG_RUNTIME_DIR).
    // It is used only when it is the user's own and closed to others, and a lock or socket there only when
    // it is the user's own too; otherwise both go to "<dataDir>/.run", made private to the user.
    explicit CSingleInstance(const std::string& dataDir, const QString& runtimeDir = QString(),
                             QObject* parent = nullptr);
    ~CSingleInstance() override;

    // Takes the directory, or hands the request to the program that has it. A program that holds the lock
    // but does not listen yet (it is starting) is tried again for up to `wait`.
    Role Claim(std::chrono::milliseconds wait = std::chrono::milliseconds(1000));

    // A restart of the program: the new one (started by `previousPid` with the hand-over option) waits up to
    // `wait` for the previous one to let the directory go, so that no other start takes it in between. Once
    // the previous one is gone and another program holds the directory, it is treated as Claim treats it.
    Role TakeOver(long long previousPid, std::chrono::milliseconds wait = std::chrono::seconds(30));

    // The desktop's activation token of this start (XDG_ACTIVATION_TOKEN), handed with the request to show
    // the window so that the running program may raise it; a token with other than printable ASCII is dropped.
    void SetActivationToken(const QString& token);

    // Empty when no private place for them could be found; such a program runs unguarded.
    const QString& LockPath() const { return m_lockPath; }
    const QString& SocketPath() const { return m_socketPath; }

signals:
    // Another start on the same directory asked for the window (First only), with its activation token
    // (empty when it had none).
    void ActivateRequested(const QString& activationToken);

private:
    enum class LockResult { Held, Taken, Unguarded };
    // Takes the lock (and the data directory's) without waiting.
    LockResult TryLock();
    void Listen();
    void OnNewConnection();
    void ReadRequest(QLocalSocket* socket);
    bool SendActivateRequest(std::chrono::milliseconds wait);
    // Takes the data directory's own lock as well; false when a program holds it.
    bool TakeDataDirLock();
    // Takes the paths in the first private directory from m_dirs[index] on; false when there is none.
    bool UseDir(int index);

    QString m_name;
    QStringList m_dirs;
    int m_dirIndex = 0;
    QString m_lockPath;
    QString m_socketPath;
    int m_lockFd = -1;
    // Held beside the runtime directory's lock: the data directory's own, where a start without a private
    // runtime directory (cron, su) locks, so that the two never run on one directory together.
    int m_guardFd = -1;
    QLocalServer* m_server = nullptr;
    QByteArray m_activationToken;
};

// The option a restarting program gives its successor: "--handover=<its process id>".
inline constexpr const char* kHandoverOption = "--handover=";
// The previous program's process id from the arguments, or 0 when none is given.
long long HandoverPid(const QStringList& arguments);
// The arguments a successor is started with: these, without a hand-over option, and one for previousPid.
QStringList SuccessorArguments(const QStringList& arguments, long long previousPid);

// The base name of a data directory's lock and socket: "dravik-" and 16 hex digits of the SHA-256 of the
// directory's canonical path (symbolic links, "." and ".." resolved; the path as given when it cannot be).
std::string InstanceName(const std::string& dataDir);

}  // namespace dravik
