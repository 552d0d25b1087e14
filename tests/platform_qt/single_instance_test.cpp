#include "platform/qt/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStringList>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/common/process_events.h"
#include "tests/common/test_env.h"
#include "tests/common/timing.h"

namespace dravik {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Role = CSingleInstance::Role;

using test::ProcessEventsUntil;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A socket file with nobody listening, as a program killed with SIGKILL leaves it.
void LeaveStaleSocket(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
    ::listen(fd, 1);
    ::close(fd);
    ASSERT_TRUE(QFile::exists(path));
}

// "nobody", to play another local user when the suite runs as root.
constexpr uid_t kOtherUid = 65534;

constexpr char kNeedsRoot[] = "needs root, to give files to another user (uid 65534)";

bool IsPrivateDirOfOurs(const QString& dir) {
    struct stat st = {};
    return ::lstat(QFile::encodeName(dir).constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 077) == 0;
}

// Someone else's program on the same names: it holds a lock on `lockPath` and listens on `socketPath`.
class CSquatter final {
public:
    CSquatter(const QString& lockPath, const QString& socketPath, uid_t owner = ::geteuid()) {
        const QByteArray lock = QFile::encodeName(lockPath);
        m_lockFd = ::open(lock.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        EXPECT_GE(m_lockFd, 0) << lock.constData() << ": " << std::strerror(errno);
        ::fchmod(m_lockFd, 0666);
        EXPECT_EQ(::fchown(m_lockFd, owner, owner), 0);
        EXPECT_EQ(::flock(m_lockFd, LOCK_EX | LOCK_NB), 0);

        m_listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(socketPath);
        std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
        ::unlink(name.constData());
        EXPECT_EQ(::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
        EXPECT_EQ(::listen(m_listenFd, 8), 0);
        ::chmod(name.constData(), 0777);
        EXPECT_EQ(::lchown(name.constData(), owner, owner), 0);
    }
    ~CSquatter() {
        ::close(m_listenFd);
        ::close(m_lockFd);
    }
    CSquatter(const CSquatter&) = delete;
    CSquatter& operator=(const CSquatter&) = delete;

    // A connection waits unaccepted in the queue once anyone has connected.
    bool Contacted() const {
        pollfd p = {m_listenFd, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0;
    }

private:
    int m_lockFd = -1;
    int m_listenFd = -1;
};

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_runtime = QString::fromStdString(test::MakeTempDir("runtime"));
        m_dataDir = test::MakeTempDir("data");
    }
    QString m_runtime;
    std::string m_dataDir;
};

TEST(InstanceNameTest, FollowsTheDirectoryNotItsSpelling) {
    const std::string root = test::MakeTempDir("names");
    fs::create_directories(root + "/a/b");
    fs::create_directories(root + "/c");
    fs::create_directory_symlink(root + "/a/b", root + "/link");
    const std::string name = InstanceName(root + "/a/b");
    struct Case {
        std::string dir;
        bool bSame;
    };
    const Case cases[] = {
        {root + "/a/b/", true}, {root + "/a/./b", true}, {root + "/c/../a/b", true},     {root + "/link", true},
        {root + "/a", false},   {root + "/c", false},    {root + "/a/b/missing", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(InstanceName(c.dir) == name, c.bSame) << c.dir;
    }
    EXPECT_EQ(name.size(), std::string("dravik-").size() + 16);
    EXPECT_EQ(name.rfind("dravik-", 0), 0u);
}

TEST_F(SingleInstanceTest, ASecondStartOnTheSameDirectoryAsksTheFirstAndEnds) {
    CSingleInstance first(m_dataDir, m_runtime);
    int requests = 0;
    QObject::connect(&first, &CSingleInstance::ActivateRequested, [&] { ++requests; });
    ASSERT_EQ(first.Claim(), Role::First);

    for (int start = 1; start <= 2; ++start) {
        SCOPED_TRACE(start);
        CSingleInstance second(m_dataDir + "/.", m_runtime);
        const auto began = Clock::now();
        EXPECT_EQ(second.Claim(), Role::Other);
        const long long ms = MsSince(began);
        if (test::kTimingMeaningful) {
            EXPECT_LT(ms, 500) << "the first program listens: no waiting";
        }
        ASSERT_TRUE(ProcessEventsUntil([&] { return requests == start; }));
    }
    QApplication::processEvents();
    EXPECT_EQ(requests, 2);
}

TEST_F(SingleInstanceTest, ProgramsOnOtherDirectoriesRunSideBySide) {
    CSingleInstance a(m_dataDir, m_runtime);
    CSingleInstance b(test::MakeTempDir("other-data"), m_runtime);
    EXPECT_EQ(a.Claim(), Role::First);
    EXPECT_EQ(b.Claim(), Role::First);
    EXPECT_NE(a.SocketPath(), b.SocketPath());
}

TEST_F(SingleInstanceTest, WhatAKilledProgramLeftNeverBlocksAStart) {
    struct Case {
        const char* name;
        bool bLockFile;
        bool bSocketFile;
    };
    const Case cases[] = {
        {"lock file", true, false},
        {"socket file", false, true},
        {"both", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dataDir = test::MakeTempDir("killed");
        CSingleInstance probe(dataDir, m_runtime);
        if (c.bLockFile) {
            QFile(probe.LockPath()).open(QIODevice::WriteOnly);
        }
        if (c.bSocketFile) {
            LeaveStaleSocket(probe.SocketPath());
        }
        CSingleInstance next(dataDir, m_runtime);
        int requests = 0;
        QObject::connect(&next, &CSingleInstance::ActivateRequested, [&] { ++requests; });
        ASSERT_EQ(next.Claim(), Role::First);
        // And it is reachable: the socket file is its own now.
        CSingleInstance after(dataDir, m_runtime);
        EXPECT_EQ(after.Claim(), Role::Other);
        EXPECT_TRUE(ProcessEventsUntil([&] { return requests == 1; }));
    }
}

TEST_F(SingleInstanceTest, TheDirectoryIsFreeAgainWhenTheFirstEnds) {
    {
        CSingleInstance first(m_dataDir, m_runtime);
        ASSERT_EQ(first.Claim(), Role::First);
    }
    CSingleInstance next(m_dataDir, m_runtime);
    EXPECT_EQ(next.Claim(), Role::First);
}

TEST_F(SingleInstanceTest, AProgramHoldingTheLockButNotListeningYetIsWaitedForBriefly) {
    CSingleInstance probe(m_dataDir, m_runtime);
    const QByteArray lockPath = QFile::encodeName(probe.LockPath());
    const int fd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    CSingleInstance second(m_dataDir, m_runtime);
    const auto began = Clock::now();
    EXPECT_EQ(second.Claim(std::chrono::milliseconds(300)), Role::Other) << "never a second program on the data";
    const long long ms = MsSince(began);
    ::close(fd);
    if (test::kTimingMeaningful) {
        EXPECT_GE(ms, 250);
        EXPECT_LT(ms, 1500);
    }
}

TEST_F(SingleInstanceTest, OnlyTheActivateRequestCounts) {
    CSingleInstance first(m_dataDir, m_runtime);
    int requests = 0;
    QObject::connect(&first, &CSingleInstance::ActivateRequested, [&] { ++requests; });
    ASSERT_EQ(first.Claim(), Role::First);
    const QByteArray junk[] = {"", "hello\n", QByteArray(4096, 'x'), "activat", "ACTIVATE\n"};
    for (const QByteArray& bytes : junk) {
        QLocalSocket client;
        client.connectToServer(first.SocketPath());
        ASSERT_TRUE(client.waitForConnected(1000));
        client.write(bytes);
        client.waitForBytesWritten(1000);
        client.disconnectFromServer();
        for (int i = 0; i < 20; ++i) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }
    EXPECT_EQ(requests, 0);
    CSingleInstance second(m_dataDir, m_runtime);
    EXPECT_EQ(second.Claim(), Role::Other);
    EXPECT_TRUE(ProcessEventsUntil([&] { return requests == 1; }));
}

// The program holds the data directory for real and hears a later start of ours.
void ExpectHeldAndReachable(CSingleInstance& first, const std::string& dataDir, const QString& runtime) {
    int requests = 0;
    QObject::connect(&first, &CSingleInstance::ActivateRequested, [&] { ++requests; });
    CSingleInstance second(dataDir, runtime);
    EXPECT_EQ(second.Claim(), Role::Other) << "two programs on one data directory";
    EXPECT_TRUE(ProcessEventsUntil([&] { return requests == 1; }));
    QObject::disconnect(&first, &CSingleInstance::ActivateRequested, nullptr, nullptr);
}

// A start with a private runtime directory (the desktop's) and one without (cron, su) on one data directory:
// whichever comes second ends, and the one without is heard by the other.
TEST_F(SingleInstanceTest, StartsWithAndWithoutARuntimeDirectoryNeverRunTogether) {
    const QString unsafe = QString::fromStdString(test::MakeTempDir("shared"));
    ASSERT_EQ(::chmod(QFile::encodeName(unsafe).constData(), 01777), 0);
    {
        CSingleInstance desktop(m_dataDir, m_runtime);
        ASSERT_EQ(desktop.Claim(), Role::First);
        CSingleInstance cron(m_dataDir, unsafe);
        EXPECT_EQ(cron.Claim(std::chrono::milliseconds(200)), Role::Other);
    }
    CSingleInstance cron(m_dataDir, unsafe);
    int requests = 0;
    QObject::connect(&cron, &CSingleInstance::ActivateRequested, [&] { ++requests; });
    ASSERT_EQ(cron.Claim(), Role::First);
    CSingleInstance desktop(m_dataDir, m_runtime);
    EXPECT_EQ(desktop.Claim(), Role::Other);
    EXPECT_TRUE(ProcessEventsUntil([&] { return requests == 1; }));
}

TEST_F(SingleInstanceTest, APrivateRuntimeDirectoryIsUsed) {
    CSingleInstance first(m_dataDir, m_runtime);
    EXPECT_EQ(QFileInfo(first.LockPath()).absolutePath(), m_runtime);
    EXPECT_EQ(QFileInfo(first.SocketPath()).absolutePath(), m_runtime);
    ASSERT_EQ(first.Claim(), Role::First);
    ExpectHeldAndReachable(first, m_dataDir, m_runtime);
}

// A start in a directory others can write to (/tmp, with XDG_RUNTIME_DIR unset) or that is not ours.
void ExpectSharedDirIgnored(const std::string& dataDir, const QString& shared, uid_t squatterUid) {
    const QString name = QString::fromStdString(InstanceName(dataDir));
    CSquatter squatter(shared + "/" + name + ".lock", shared + "/" + name + ".sock", squatterUid);
    CSingleInstance first(dataDir, shared);
    EXPECT_FALSE(first.LockPath().startsWith(shared + "/"));
    EXPECT_FALSE(first.SocketPath().startsWith(shared + "/"));
    EXPECT_EQ(first.Claim(std::chrono::milliseconds(200)), Role::First) << "ended because of someone else's files";
    EXPECT_FALSE(squatter.Contacted());
    EXPECT_TRUE(IsPrivateDirOfOurs(QFileInfo(first.LockPath()).absolutePath()));
    ExpectHeldAndReachable(first, dataDir, shared);
    EXPECT_FALSE(squatter.Contacted());
}

TEST_F(SingleInstanceTest, ARuntimeDirectoryOthersCanWriteToIsNotUsed) {
    for (const mode_t mode : {01777, 0777, 0770, 0755}) {
        SCOPED_TRACE("mode 0" + QString::number(mode, 8).toStdString());
        const QString shared = QString::fromStdString(test::MakeTempDir("shared"));
        ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), mode), 0);
        ExpectSharedDirIgnored(test::MakeTempDir("data"), shared, ::geteuid());
    }
}

TEST_F(SingleInstanceTest, AFallbackOthersCanReachIsNotUsedEither) {
    const QString shared = QString::fromStdString(test::MakeTempDir("shared"));
    ::chmod(QFile::encodeName(shared).constData(), 01777);
    for (const bool bLink : {true, false}) {
        SCOPED_TRACE(bLink ? ".run a symbolic link to a shared directory" : ".run open to others");
        const std::string dataDir = test::MakeTempDir("data");
        const QByteArray run = QFile::encodeName(QString::fromStdString(dataDir) + "/.run");
        ASSERT_EQ(
            bLink ? ::symlink(QFile::encodeName(shared).constData(), run.constData()) : ::mkdir(run.constData(), 0777),
            0);
        ::chmod(run.constData(), 0777);
        const QString name = QString::fromStdString(InstanceName(dataDir));
        const QString in = bLink ? shared : QFile::decodeName(run);
        CSquatter squatter(in + "/" + name + ".lock", in + "/" + name + ".sock");
        CSingleInstance first(dataDir, shared);
        EXPECT_EQ(first.Claim(std::chrono::milliseconds(200)), Role::First);
        EXPECT_FALSE(squatter.Contacted());
        EXPECT_TRUE(first.LockPath().isEmpty()) << first.LockPath().toStdString();
    }
}

TEST_F(SingleInstanceTest, ARuntimeDirectoryOfAnotherUserIsNotUsed) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << kNeedsRoot;
    }
    const QString theirs = QString::fromStdString(test::MakeTempDir("theirs"));
    ASSERT_EQ(::chown(QFile::encodeName(theirs).constData(), kOtherUid, kOtherUid), 0);
    ExpectSharedDirIgnored(m_dataDir, theirs, kOtherUid);
}

TEST_F(SingleInstanceTest, XdgRuntimeDirIsCheckedLikeAnyOther) {
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    const QString shared = QString::fromStdString(test::MakeTempDir("shared"));
    ::chmod(QFile::encodeName(shared).constData(), 01777);
    {
        ::setenv("XDG_RUNTIME_DIR", QFile::encodeName(shared).constData(), 1);
        ExpectSharedDirIgnored(m_dataDir, shared, ::geteuid());
    }
    {
        ::unsetenv("XDG_RUNTIME_DIR");
        CSingleInstance first(m_dataDir);
        EXPECT_TRUE(IsPrivateDirOfOurs(QFileInfo(first.LockPath()).absolutePath())) << first.LockPath().toStdString();
        EXPECT_EQ(first.Claim(), Role::First);
        ExpectHeldAndReachable(first, m_dataDir, QString());
    }
    ::setenv("XDG_RUNTIME_DIR", saved.constData(), 1);
    CSingleInstance fine(m_dataDir);
    EXPECT_EQ(QFileInfo(fine.LockPath()).absolutePath(), QString::fromLocal8Bit(saved));
}

TEST_F(SingleInstanceTest, ALockFileThatIsNotOursIsNeverObeyed) {
    const QString elsewhere = QString::fromStdString(test::MakeTempDir("elsewhere"));
    struct Case {
        const char* name;
        bool bRoot;
    };
    for (const Case& c : {Case{"a symbolic link to someone's lock", false}, Case{"owned by another user", true}}) {
        SCOPED_TRACE(c.name);
        if (c.bRoot && ::geteuid() != 0) {
            GTEST_SKIP() << c.name << ": " << kNeedsRoot;
        }
        const std::string dataDir = test::MakeTempDir("data");
        CSingleInstance probe(dataDir, m_runtime);
        const QString name = QString::fromStdString(InstanceName(dataDir));
        const QString target = c.bRoot ? probe.LockPath() : elsewhere + "/" + name + ".lock";
        CSquatter squatter(target, elsewhere + "/" + name + ".sock", c.bRoot ? kOtherUid : ::geteuid());
        if (!c.bRoot) {
            ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(probe.LockPath()).constData()),
                      0);
        }
        CSingleInstance first(dataDir, m_runtime);
        EXPECT_EQ(first.Claim(std::chrono::milliseconds(200)), Role::First) << "ended because of someone else's lock";
        EXPECT_FALSE(squatter.Contacted());
        ExpectHeldAndReachable(first, dataDir, m_runtime);
    }
}

TEST_F(SingleInstanceTest, ASocketThatIsNotOursIsNeverTalkedTo) {
    const QString elsewhere = QString::fromStdString(test::MakeTempDir("elsewhere"));
    struct Case {
        const char* name;
        bool bRoot;
    };
    for (const Case& c : {Case{"a symbolic link to someone's socket", false}, Case{"owned by another user", true}}) {
        SCOPED_TRACE(c.name);
        if (c.bRoot && ::geteuid() != 0) {
            GTEST_SKIP() << c.name << ": " << kNeedsRoot;
        }
        const std::string dataDir = test::MakeTempDir("data");
        CSingleInstance probe(dataDir, m_runtime);
        // Our own lock, held as by a program of ours that is starting; the socket beside it is someone else's.
        const QByteArray lockPath = QFile::encodeName(probe.LockPath());
        const int fd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
        const QString name = QString::fromStdString(InstanceName(dataDir));
        const QString socketPath = c.bRoot ? probe.SocketPath() : elsewhere + "/" + name + ".sock";
        CSquatter squatter(elsewhere + "/" + name + ".lock", socketPath, c.bRoot ? kOtherUid : ::geteuid());
        if (!c.bRoot) {
            ASSERT_EQ(
                ::symlink(QFile::encodeName(socketPath).constData(), QFile::encodeName(probe.SocketPath()).constData()),
                0);
        }
        CSingleInstance second(dataDir, m_runtime);
        EXPECT_EQ(second.Claim(std::chrono::milliseconds(200)), Role::Other) << "the lock is ours and held";
        EXPECT_FALSE(squatter.Contacted());
        ::close(fd);
    }
}

// A start's activation token reaches the running program whole; one that could be more than a token (spaces,
// control characters, too long) is left out, and the request still shows the window.
TEST_F(SingleInstanceTest, TheActivationTokenTravelsWithTheRequest) {
    CSingleInstance first(m_dataDir, m_runtime);
    QStringList tokens;
    QObject::connect(&first, &CSingleInstance::ActivateRequested, [&](const QString& token) { tokens << token; });
    ASSERT_EQ(first.Claim(), Role::First);
    const QString longest(1024, QLatin1Char('t'));
    const QString sent[] = {QStringLiteral("weston-1234_TIME5678"), QString(), QStringLiteral("a b"),
                            QStringLiteral("a\nactivate"),          longest,   longest + QLatin1Char('t')};
    const QStringList received = {
        QStringLiteral("weston-1234_TIME5678"), QString(), QString(), QString(), longest, QString()};
    for (const QString& token : sent) {
        const qsizetype before = tokens.size();
        CSingleInstance second(m_dataDir, m_runtime);
        second.SetActivationToken(token);
        ASSERT_EQ(second.Claim(), Role::Other);
        ASSERT_TRUE(ProcessEventsUntil([&] { return tokens.size() > before; })) << token.left(20).toStdString();
    }
    EXPECT_EQ(tokens, received);
}

// A restart's successor waits for its predecessor to let the directory go and takes it then, with nobody
// between; once the predecessor is gone, a directory someone else holds is that one's.
TEST_F(SingleInstanceTest, ASuccessorTakesTheDirectoryOverFromItsPredecessor) {
    const QString lockPath = CSingleInstance(m_dataDir, m_runtime).LockPath();
    ASSERT_FALSE(lockPath.isEmpty());
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t previous = ::fork();
    ASSERT_GE(previous, 0);
    if (previous == 0) {
        // The predecessor: holds the lock a while, then ends.
        const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT, 0600);
        ::flock(fd, LOCK_EX);
        [[maybe_unused]] const ssize_t written = ::write(ready[1], "x", 1);
        ::usleep(400 * 1000);
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    CSingleInstance successor(m_dataDir, m_runtime);
    const auto began = Clock::now();
    EXPECT_EQ(successor.TakeOver(previous, std::chrono::seconds(20)), Role::First);
    EXPECT_GE(MsSince(began), 300) << "taken only once the predecessor let it go";
    int status = 0;
    ::waitpid(previous, &status, 0);
    // The successor holds it now: a plain start is another.
    {
        CSingleInstance other(m_dataDir, m_runtime);
        EXPECT_EQ(other.Claim(std::chrono::milliseconds(200)), Role::Other);
    }
    // A successor whose predecessor is gone does not wait for whoever holds the directory now.
    CSingleInstance late(m_dataDir, m_runtime);
    const auto lateBegan = Clock::now();
    EXPECT_EQ(late.TakeOver(previous, std::chrono::seconds(20)), Role::Other);
    EXPECT_LT(MsSince(lateBegan), 5000);
}

TEST(HandoverArgumentsTest, TheSuccessorGetsTheSameArgumentsAndOneHandOver) {
    const QStringList args = {QStringLiteral("--autostart"), QStringLiteral("--handover=12"), QStringLiteral("x")};
    EXPECT_EQ(SuccessorArguments(args, 345),
              (QStringList{QStringLiteral("--autostart"), QStringLiteral("x"), QStringLiteral("--handover=345")}));
    EXPECT_EQ(HandoverPid(SuccessorArguments(args, 345)), 345);
    EXPECT_EQ(HandoverPid({QStringLiteral("dravik")}), 0);
    EXPECT_EQ(HandoverPid({QStringLiteral("--handover=-3")}), 0);
    EXPECT_EQ(HandoverPid({QStringLiteral("--handover=abc")}), 0);
}

}  // namespace
}  // namespace dravik
