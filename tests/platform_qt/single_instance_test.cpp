#include "platform/qt/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QLocalSocket>
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

}  // namespace
}  // namespace dravik
