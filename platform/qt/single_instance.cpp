#include "platform/qt/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <QVariant>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace dravik {
namespace {

// The one request there is; anything else a client sends is ignored.
constexpr char kActivateRequest[] = "activate\n";
constexpr qsizetype kMaxRequestBytes = 64;
// A client that says nothing is dropped after this long.
constexpr int kClientTimeoutMs = 5000;
constexpr int kRetryMs = 25;

std::string CanonicalDir(const std::string& dir) {
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::canonical(dir, error);
    if (!error) {
        return canonical.string();
    }
    const std::filesystem::path weak = std::filesystem::weakly_canonical(std::filesystem::absolute(dir, error), error);
    return error ? dir : weak.string();
}

// Only a directory no one else can write to keeps another user from taking our names first.
bool IsPrivateDir(const QString& dir) {
    struct stat st = {};
    return !dir.isEmpty() && ::lstat(QFile::encodeName(dir).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::geteuid() && (st.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

bool IsOurSocket(const QString& path) {
    struct stat st = {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == ::geteuid();
}

// The lock, opened only when it is a plain file of ours; -1 otherwise.
int OpenOurLock(const QString& path) {
    // Close-on-exec: a helper process (the web engine's) must not keep the lock after this one is gone.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return -1;
    }
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::string InstanceName(const std::string& dataDir) {
    const std::string canonical = CanonicalDir(dataDir);
    const QByteArray digest =
        QCryptographicHash::hash(QByteArray(canonical.data(), qsizetype(canonical.size())), QCryptographicHash::Sha256);
    return "dravik-" + digest.toHex().left(16).toStdString();
}

CSingleInstance::CSingleInstance(const std::string& dataDir, const QString& runtimeDir, QObject* parent)
    : QObject(parent), m_name(QString::fromStdString(InstanceName(dataDir))) {
    QString runtime = runtimeDir;
    if (runtime.isEmpty()) {
        const char* xdg = std::getenv("XDG_RUNTIME_DIR");
        runtime = xdg != nullptr ? QFile::decodeName(xdg) : QString();
    }
    // Without a private runtime directory, one inside the data directory: the names then go with the
    // directory however it is reached, and nothing there is cleared behind a running program's back, as a
    // cache or /tmp may be (a lock file removed while held lets a second program take a new one).
    m_dirs = {runtime, QFile::decodeName(dataDir.c_str()) + QStringLiteral("/.run")};
    UseDir(0);
}

bool CSingleInstance::UseDir(int index) {
    m_lockPath.clear();
    m_socketPath.clear();
    for (m_dirIndex = index; m_dirIndex < int(m_dirs.size()); ++m_dirIndex) {
        const QString& dir = m_dirs[m_dirIndex];
        if (m_dirIndex > 0 && !dir.isEmpty()) {
            ::mkdir(QFile::encodeName(dir).constData(), 0700);  // an existing one is checked like any other
        }
        if (IsPrivateDir(dir)) {
            const QString base = dir + QLatin1Char('/') + m_name;
            m_lockPath = base + QStringLiteral(".lock");
            m_socketPath = base + QStringLiteral(".sock");
            return true;
        }
    }
    return false;
}

CSingleInstance::~CSingleInstance() {
    if (m_server != nullptr) {
        m_server->close();  // removes the socket file
    }
    if (m_lockFd >= 0) {
        ::close(m_lockFd);  // releases the lock; the file stays, harmless, for the next start
    }
    if (m_guardFd >= 0) {
        ::close(m_guardFd);
    }
}

CSingleInstance::Role CSingleInstance::Claim(std::chrono::milliseconds wait) {
    if (m_lockFd >= 0) {
        return Role::First;
    }
    int fd = -1;
    while (!m_lockPath.isEmpty() && (fd = OpenOurLock(m_lockPath)) < 0) {
        UseDir(m_dirIndex + 1);  // someone else's file, or none can be made: the next place
    }
    if (fd < 0) {
        return Role::First;  // nothing to lock with: running is better than refusing to
    }
    int result = 0;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const bool bTaken = errno == EWOULDBLOCK;
        ::close(fd);
        if (!bTaken) {
            return Role::First;  // a file system without locks
        }
        SendActivateRequest(wait);
        return Role::Other;
    }
    if (m_dirIndex == 0 && m_dirs.size() > 1 && !TakeDataDirLock()) {
        // A start of the same user without the runtime directory runs on this data directory: it is told.
        ::close(fd);
        m_socketPath = m_dirs[1] + QLatin1Char('/') + m_name + QStringLiteral(".sock");
        SendActivateRequest(wait);
        return Role::Other;
    }
    m_lockFd = fd;
    // With the lock held, a socket file there is a killed program's leftover.
    QLocalServer::removeServer(m_socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
    m_server->listen(m_socketPath);
    return Role::First;
}

bool CSingleInstance::TakeDataDirLock() {
    const QString& dir = m_dirs[1];
    ::mkdir(QFile::encodeName(dir).constData(), 0700);
    const int fd = IsPrivateDir(dir) ? OpenOurLock(dir + QLatin1Char('/') + m_name + QStringLiteral(".lock")) : -1;
    if (fd < 0) {
        return true;  // no place of ours there: nothing else can lock there either
    }
    int result = 0;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const bool bTaken = errno == EWOULDBLOCK;
        ::close(fd);
        return !bTaken;
    }
    m_guardFd = fd;
    return true;
}

bool CSingleInstance::SendActivateRequest(std::chrono::milliseconds wait) {
    QElapsedTimer elapsed;
    elapsed.start();
    do {
        // Only our own program's socket hears the request; anything else there is waited out like a program
        // not listening yet, which replaces it when it does.
        QLocalSocket socket;
        if (IsOurSocket(m_socketPath)) {
            socket.connectToServer(m_socketPath);
        }
        if (socket.state() != QLocalSocket::UnconnectedState && socket.waitForConnected(kRetryMs * 4)) {
            socket.write(kActivateRequest, qint64(sizeof kActivateRequest - 1));
            const bool bSent = socket.waitForBytesWritten(500) || socket.bytesToWrite() == 0;
            socket.disconnectFromServer();
            return bSent;
        }
        QThread::msleep(kRetryMs);
    } while (elapsed.elapsed() < wait.count());
    return false;
}

void CSingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadRequest(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            ReadRequest(socket);
            socket->deleteLater();
        });
        QTimer::singleShot(kClientTimeoutMs, socket, [socket] { socket->abort(); });
        // The client may have written and gone before this connection was taken.
        ReadRequest(socket);
    }
}

void CSingleInstance::ReadRequest(QLocalSocket* socket) {
    if (socket->property("dravikDone").toBool()) {
        socket->readAll();
        return;
    }
    QByteArray received = socket->property("dravikReceived").toByteArray();
    received += socket->read(kMaxRequestBytes - received.size());
    socket->setProperty("dravikReceived", received);
    const bool bActivate = received.startsWith(kActivateRequest);
    if (bActivate || received.size() >= kMaxRequestBytes || received.contains('\n')) {
        socket->setProperty("dravikDone", true);
        socket->disconnectFromServer();
        if (bActivate) {
            emit ActivateRequested();
        }
    }
}

}  // namespace dravik
