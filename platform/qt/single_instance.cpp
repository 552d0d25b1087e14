#include "platform/qt/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <cerrno>
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

}  // namespace

std::string InstanceName(const std::string& dataDir) {
    const std::string canonical = CanonicalDir(dataDir);
    const QByteArray digest =
        QCryptographicHash::hash(QByteArray(canonical.data(), qsizetype(canonical.size())), QCryptographicHash::Sha256);
    return "dravik-" + digest.toHex().left(16).toStdString();
}

CSingleInstance::CSingleInstance(const std::string& dataDir, const QString& runtimeDir, QObject* parent)
    : QObject(parent) {
    QString dir = runtimeDir;
    if (dir.isEmpty()) {
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    }
    if (dir.isEmpty()) {
        dir = QDir::tempPath();
    }
    const QString base = dir + QLatin1Char('/') + QString::fromStdString(InstanceName(dataDir));
    m_lockPath = base + QStringLiteral(".lock");
    m_socketPath = base + QStringLiteral(".sock");
}

CSingleInstance::~CSingleInstance() {
    if (m_server != nullptr) {
        m_server->close();  // removes the socket file
    }
    if (m_lockFd >= 0) {
        ::close(m_lockFd);  // releases the lock; the file stays, harmless, for the next start
    }
}

CSingleInstance::Role CSingleInstance::Claim(std::chrono::milliseconds wait) {
    if (m_lockFd >= 0) {
        return Role::First;
    }
    // Close-on-exec: a helper process (the web engine's) must not keep the lock after this one is gone.
    const QByteArray lockPath = QFile::encodeName(m_lockPath);
    const int fd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
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
    m_lockFd = fd;
    // With the lock held, a socket file there is a killed program's leftover.
    QLocalServer::removeServer(m_socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
    m_server->listen(m_socketPath);
    return Role::First;
}

bool CSingleInstance::SendActivateRequest(std::chrono::milliseconds wait) {
    QElapsedTimer elapsed;
    elapsed.start();
    do {
        QLocalSocket socket;
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(kRetryMs * 4)) {
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
