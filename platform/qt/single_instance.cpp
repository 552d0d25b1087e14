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
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>

namespace dravik {
namespace {

// The one request there is, "activate\n" or "activate <token>\n"; anything else a client sends is ignored.
constexpr char kActivateRequest[] = "activate";
constexpr qsizetype kMaxTokenBytes = 1024;
constexpr qsizetype kMaxRequestBytes = kMaxTokenBytes + 16;
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

bool IsTokenText(const QByteArray& token) {
    if (token.isEmpty() || token.size() > kMaxTokenBytes) {
        return false;
    }
    return std::all_of(token.begin(), token.end(), [](char c) { return c > 0x20 && c < 0x7f; });
}

// The token of a whole request line (without its line feed), empty for none; nullopt when it is no request.
std::optional<QByteArray> ParseActivateRequest(const QByteArray& line) {
    if (line == kActivateRequest) {
        return QByteArray();
    }
    const QByteArray prefix = QByteArray(kActivateRequest) + ' ';
    if (line.startsWith(prefix)) {
        const QByteArray token = line.mid(prefix.size());
        // A malformed token still asks for the window, only without it.
        return IsTokenText(token) ? token : QByteArray();
    }
    return std::nullopt;
}

}  // namespace

long long HandoverPid(const QStringList& arguments) {
    for (const QString& argument : arguments) {
        if (argument.startsWith(QLatin1String(kHandoverOption))) {
            bool ok = false;
            const long long pid = argument.mid(int(std::strlen(kHandoverOption))).toLongLong(&ok);
            return ok && pid > 0 ? pid : 0;
        }
    }
    return 0;
}

QStringList SuccessorArguments(const QStringList& arguments, long long previousPid) {
    QStringList out;
    for (const QString& argument : arguments) {
        if (!argument.startsWith(QLatin1String(kHandoverOption))) {
            out << argument;
        }
    }
    out << QLatin1String(kHandoverOption) + QString::number(previousPid);
    return out;
}

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

void CSingleInstance::SetActivationToken(const QString& token) {
    const QByteArray bytes = token.toUtf8();
    m_activationToken = IsTokenText(bytes) ? bytes : QByteArray();
}

CSingleInstance::LockResult CSingleInstance::TryLock() {
    if (m_lockFd >= 0) {
        return LockResult::Held;
    }
    int fd = -1;
    while (!m_lockPath.isEmpty() && (fd = OpenOurLock(m_lockPath)) < 0) {
        UseDir(m_dirIndex + 1);  // someone else's file, or none can be made: the next place
    }
    if (fd < 0) {
        return LockResult::Unguarded;  // nothing to lock with: running is better than refusing to
    }
    int result = 0;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const bool bTaken = errno == EWOULDBLOCK;
        ::close(fd);
        return bTaken ? LockResult::Taken : LockResult::Unguarded;  // else a file system without locks
    }
    if (m_dirIndex == 0 && m_dirs.size() > 1 && !TakeDataDirLock()) {
        // A start of the same user without the runtime directory runs on this data directory: it is told.
        ::close(fd);
        m_socketPath = m_dirs[1] + QLatin1Char('/') + m_name + QStringLiteral(".sock");
        return LockResult::Taken;
    }
    m_lockFd = fd;
    return LockResult::Held;
}

void CSingleInstance::Listen() {
    // With the lock held, a socket file there is a killed program's leftover.
    QLocalServer::removeServer(m_socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
    m_server->listen(m_socketPath);
}

CSingleInstance::Role CSingleInstance::Claim(std::chrono::milliseconds wait) {
    if (m_server != nullptr || m_lockFd >= 0) {
        return Role::First;
    }
    switch (TryLock()) {
        case LockResult::Unguarded:
            return Role::First;
        case LockResult::Taken:
            SendActivateRequest(wait);
            return Role::Other;
        case LockResult::Held:
            break;
    }
    Listen();
    return Role::First;
}

CSingleInstance::Role CSingleInstance::TakeOver(long long previousPid, std::chrono::milliseconds wait) {
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        // Read before the lock is tried: a previous program gone before a failed try held no lock then.
        const bool bPreviousGone = previousPid <= 0 || (::kill(pid_t(previousPid), 0) != 0 && errno == ESRCH);
        const LockResult result = TryLock();
        if (result == LockResult::Held) {
            Listen();
            return Role::First;
        }
        if (result == LockResult::Unguarded) {
            return Role::First;
        }
        if (bPreviousGone || elapsed.elapsed() >= wait.count()) {
            SendActivateRequest(std::chrono::milliseconds(1000));
            return Role::Other;
        }
        QThread::msleep(10);
    }
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
            QByteArray request = kActivateRequest;
            if (!m_activationToken.isEmpty()) {
                request += ' ' + m_activationToken;
            }
            socket.write(request + '\n');
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
    const qsizetype end = received.indexOf('\n');
    if (end >= 0 || received.size() >= kMaxRequestBytes) {
        socket->setProperty("dravikDone", true);
        socket->disconnectFromServer();
        if (const std::optional<QByteArray> token =
                end >= 0 ? ParseActivateRequest(received.left(end)) : std::nullopt) {
            emit ActivateRequested(QString::fromLatin1(*token));
        }
    }
}

}  // namespace dravik
