#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <cstdlib>
#include <memory>

#include "tests/common/test_env.h"

namespace dravik::test {

// A session bus of the test's own (dbus-daemon), and on it, when asked, the stand-in notification service
// that records each Notify call as a JSON line. Both end with the object.
class PrivateSessionBus final {
public:
    PrivateSessionBus() = default;
    ~PrivateSessionBus() {
        Stop(m_standIn);
        Stop(m_daemon);
    }
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    // Empty when it started; else why not (a missing program is a reason to skip).
    QString Start() {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) {
            return QStringLiteral("dbus-daemon is not installed (package dbus)");
        }
        const QString dir = QString::fromStdString(MakeTempDir("bus"));
        m_daemon = std::make_unique<QProcess>();
        m_daemon->setProcessChannelMode(QProcess::SeparateChannels);
        m_daemon->start(daemon,
                        {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                         QStringLiteral("--address=unix:path=") + dir + QStringLiteral("/bus")});
        if (!m_daemon->waitForStarted(10000)) {
            return QStringLiteral("dbus-daemon did not start");
        }
        const QByteArray line = ReadLine(*m_daemon);
        if (line.isEmpty()) {
            return QStringLiteral("dbus-daemon printed no address");
        }
        m_address = QString::fromUtf8(line.trimmed());
        return {};
    }

    // Starts the stand-in service, recording into recordFile; empty when it owns its name.
    QString StartStandIn(const QString& recordFile) {
        const QString python = QStringLiteral("/usr/bin/python3");
        const char* source = std::getenv("DRAVIK_TEST_SOURCE_DIR");
        if (!QFile::exists(python) || source == nullptr) {
            return QStringLiteral("/usr/bin/python3 is missing");
        }
        m_standIn = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
        m_standIn->setProcessEnvironment(env);
        m_standIn->setProcessChannelMode(QProcess::SeparateChannels);
        m_standIn->start(
            python, {QString::fromUtf8(source) + QStringLiteral("/tests/common/notification_standin.py"), recordFile});
        if (!m_standIn->waitForStarted(10000)) {
            return QStringLiteral("the stand-in service did not start");
        }
        if (!ReadLine(*m_standIn).startsWith("ready")) {
            return QStringLiteral("the stand-in service failed (python3-dbus and python3-gi needed): ") +
                   QString::fromUtf8(m_standIn->readAllStandardError());
        }
        return {};
    }

    const QString& Address() const { return m_address; }

private:
    static QByteArray ReadLine(QProcess& process) {
        const QDeadlineTimer deadline(15000);
        while (!process.canReadLine() && !deadline.hasExpired() && process.state() == QProcess::Running) {
            process.waitForReadyRead(200);
        }
        return process.canReadLine() ? process.readLine() : QByteArray();
    }
    static void Stop(std::unique_ptr<QProcess>& process) {
        if (process && process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(5000);
        }
        process.reset();
    }

    std::unique_ptr<QProcess> m_daemon;
    std::unique_ptr<QProcess> m_standIn;
    QString m_address;
};

}  // namespace dravik::test
