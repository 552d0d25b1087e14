#include "platform/qt/dbus_notifier.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPixmap>
#include <QtGlobal>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/common/private_session_bus.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

// Runs the event loop until done() or a generous deadline; the result is done().
bool WaitFor(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(15000);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return done();
}

std::vector<QJsonObject> Recorded(const QString& file) {
    std::vector<QJsonObject> calls;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        return calls;
    }
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (!line.trimmed().isEmpty()) {
            calls.push_back(QJsonDocument::fromJson(line).object());
        }
    }
    return calls;
}

class DBusNotifierTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString why = m_bus.Start();
        if (!why.isEmpty()) {
            GTEST_SKIP() << why.toStdString();
        }
        static int counter = 0;
        m_connectionName = QStringLiteral("dravik-test-%1").arg(++counter);
    }
    void TearDown() override { QDBusConnection::disconnectFromBus(m_connectionName); }

    QDBusConnection Connect() { return QDBusConnection::connectToBus(m_bus.Address(), m_connectionName); }

    test::PrivateSessionBus m_bus;
    QString m_connectionName;
};

TEST_F(DBusNotifierTest, NoticesReachTheServiceAndAClickComesBackWithItsKey) {
    const QString record = QString::fromStdString(test::MakeTempDir("notify")) + QStringLiteral("/calls.jsonl");
    const QString why = m_bus.StartStandIn(record);
    ASSERT_TRUE(why.isEmpty()) << why.toStdString();
    QDBusConnection bus = Connect();
    ASSERT_TRUE(bus.isConnected());

    int fallbacks = 0;
    CDBusNotifier notifier(bus, [&](const DesktopNotice&) { return ++fallbacks, true; });
    std::vector<std::string> clicked;
    notifier.SetActivationHandler([&](const std::string& key) { clicked.push_back(key); });

    notifier.Notify(
        {"M 5.3 NORTHERN ALGERIA", "2026-12-07 14:03 UTC, depth 10 km\n1 240 km SE of Home", false, "Show", "event-1"});
    notifier.Notify({"M 6.1 CRETE, GREECE", "2026-12-07 14:05 UTC", true, "Show", "event-2", NoticeUrgency::Critical});
    ASSERT_TRUE(WaitFor([&] { return Recorded(record).size() == 2 && notifier.OpenNotices() == 2; }));
    const std::vector<QJsonObject> calls = Recorded(record);
    EXPECT_EQ(calls[0]["app"].toString(), QStringLiteral("Dravik"));
    EXPECT_EQ(calls[0]["summary"].toString(), QStringLiteral("M 5.3 NORTHERN ALGERIA"));
    EXPECT_EQ(calls[0]["body"].toString(), QStringLiteral("2026-12-07 14:03 UTC, depth 10 km\n1 240 km SE of Home"));
    EXPECT_EQ(calls[0]["actions"].toArray(), (QJsonArray{QStringLiteral("default"), QStringLiteral("Show")}));
    EXPECT_EQ(calls[0]["hints"].toObject()["suppress-sound"].toBool(), false);
    EXPECT_EQ(calls[1]["hints"].toObject()["suppress-sound"].toBool(), true);
    EXPECT_EQ(calls[0]["hints"].toObject()["urgency"].toInt(-1), 1);
    EXPECT_EQ(calls[1]["hints"].toObject()["urgency"].toInt(-1), 2);
    EXPECT_EQ(fallbacks, 0);

    // Clicks, as the service reports them: on the second notice, on an id that is not ours, another action.
    const auto invoke = [&](int id, const char* action) {
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                                           QStringLiteral("/org/freedesktop/Notifications"),
                                                           QStringLiteral("org.dravik.Test"), QStringLiteral("Invoke"));
        call << uint(id) << QString::fromLatin1(action);
        bus.call(call);
    };
    invoke(calls[1]["id"].toInt(), "default");
    invoke(999, "default");
    invoke(calls[0]["id"].toInt(), "other");
    invoke(calls[0]["id"].toInt(), "default");
    ASSERT_TRUE(WaitFor([&] { return clicked.size() >= 2; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(clicked, (std::vector<std::string>{"event-2", "event-1"}));
}

// A tagged notice updates the one shown under its tag (replaces_id), also when sent before the service answered
// the first; a notice the user closed is told by its tag and its next one opens anew.
TEST_F(DBusNotifierTest, ATaggedNoticeUpdatesItsOwnInPlace) {
    const QString record = QString::fromStdString(test::MakeTempDir("notify")) + QStringLiteral("/calls.jsonl");
    const QString why = m_bus.StartStandIn(record);
    ASSERT_TRUE(why.isEmpty()) << why.toStdString();
    QDBusConnection bus = Connect();
    ASSERT_TRUE(bus.isConnected());
    CDBusNotifier notifier(bus, {});
    std::vector<std::string> dismissed;
    notifier.SetDismissHandler([&](const std::string& tag) { dismissed.push_back(tag); });

    const auto notice = [](const char* summary, const char* tag) {
        DesktopNotice n{summary, {}, true, "Show", "main"};
        n.tag = tag;
        return n;
    };
    // Three at once: the second waits for the first's id, the third takes its place while it waits.
    notifier.Notify(notice("1 aftershock", "sequence:main"));
    notifier.Notify(notice("2 aftershocks", "sequence:main"));
    notifier.Notify(notice("3 aftershocks", "sequence:main"));
    notifier.Notify(notice("M 7.2 NOTO", "quake:main"));
    notifier.Notify(notice("M 5.0 ELSEWHERE", ""));
    ASSERT_TRUE(WaitFor([&] { return Recorded(record).size() == 4; }));
    QCoreApplication::processEvents();
    std::vector<QJsonObject> calls = Recorded(record);
    ASSERT_EQ(calls.size(), 4u) << "the notice overtaken while waiting is never sent";
    EXPECT_EQ(calls[0]["replaces"].toInt(), 0);
    const int card = calls[0]["id"].toInt();
    std::vector<QString> summaries;
    for (const QJsonObject& call : calls) {
        summaries.push_back(call["summary"].toString());
    }
    EXPECT_EQ(summaries, (std::vector<QString>{"1 aftershock", "M 7.2 NOTO", "M 5.0 ELSEWHERE", "3 aftershocks"}));
    EXPECT_EQ(calls[1]["replaces"].toInt(), 0);
    EXPECT_EQ(calls[2]["replaces"].toInt(), 0);
    EXPECT_EQ(calls[3]["replaces"].toInt(), card);
    EXPECT_EQ(calls[3]["id"].toInt(), card);

    // The user closes the card: told by its tag; the next one is a notice of its own.
    QDBusMessage dismiss = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                                          QStringLiteral("/org/freedesktop/Notifications"),
                                                          QStringLiteral("org.dravik.Test"), QStringLiteral("Dismiss"));
    dismiss << uint(card);
    bus.call(dismiss);
    ASSERT_TRUE(WaitFor([&] { return !dismissed.empty(); }));
    EXPECT_EQ(dismissed, (std::vector<std::string>{"sequence:main"}));
    notifier.Notify(notice("4 aftershocks", "sequence:main"));
    ASSERT_TRUE(WaitFor([&] { return Recorded(record).size() == 5; }));
    calls = Recorded(record);
    EXPECT_EQ(calls[4]["replaces"].toInt(), 0);
    EXPECT_NE(calls[4]["id"].toInt(), card);
}

// The desktop shows the program's own icon, also where no icon theme holds one named after it.
TEST_F(DBusNotifierTest, NoticesCarryTheProgramsIcon) {
    const QString record = QString::fromStdString(test::MakeTempDir("notify-icon")) + QStringLiteral("/calls.jsonl");
    const QString why = m_bus.StartStandIn(record);
    ASSERT_TRUE(why.isEmpty()) << why.toStdString();
    QDBusConnection bus = Connect();
    QPixmap red(64, 64);
    red.fill(Qt::red);
    const QIcon before = QGuiApplication::windowIcon();
    QGuiApplication::setWindowIcon(QIcon(red));
    CDBusNotifier notifier(bus, {});
    QGuiApplication::setWindowIcon(before);
    notifier.Notify({"M 5.0 A", "", false, "Show", "a"});
    ASSERT_TRUE(WaitFor([&] { return Recorded(record).size() == 1; }));
    const QJsonObject call = Recorded(record)[0];
    EXPECT_EQ(call["icon"].toString(), QStringLiteral("dravik"));
    // width, height, row stride, alpha, bits per sample, channels, and the bytes' count
    EXPECT_EQ(call["hints"].toObject()["image-data"].toArray(), (QJsonArray{64, 64, 256, true, 8, 4, 64 * 256}));
}

// How the service comes and goes around the notifier, and what the body of one notice must then be.
struct MarkupCase {
    const char* name;
    // The service is on the bus before the notifier is made; else it appears after.
    bool serviceFirst;
    // Whether each service that owns the name in turn claims body-markup.
    std::vector<bool> owners;
    // The notice goes after the last owner answered GetCapabilities; else at once, before any answer.
    bool afterAnswer;
    const char* body;
};

// Names the row in test lists instead of a dump of its bytes.
void PrintTo(const MarkupCase& c, std::ostream* os) {
    *os << c.name;
}

// A region's name in a body; the quotes are no markup in text and stay as they are.
constexpr const char* kRaw = "40 km N of \"<b>A & B</b>\"";
constexpr const char* kEscaped = "40 km N of \"&lt;b&gt;A &amp; B&lt;/b&gt;\"";

class DBusNotifierMarkupTest : public DBusNotifierTest, public ::testing::WithParamInterface<MarkupCase> {
protected:
    QString StartStandIn(const QString& record, bool claimsMarkup) {
        // The helper hands the stand-in this process's environment.
        if (claimsMarkup) {
            qputenv("DRAVIK_STANDIN_BODY_MARKUP", "1");
        }
        const QString why = m_bus.StartStandIn(record);
        qunsetenv("DRAVIK_STANDIN_BODY_MARKUP");
        return why;
    }
};

TEST_P(DBusNotifierMarkupTest, BodyIsEscapedUnlessTheServiceIsKnownToShowPlainText) {
    const MarkupCase& c = GetParam();
    const QString record = QString::fromStdString(test::MakeTempDir("markup")) + QStringLiteral("/calls.jsonl");
    QDBusConnection bus = Connect();
    ASSERT_TRUE(bus.isConnected());
    std::unique_ptr<CDBusNotifier> notifier;
    int answers = 0;
    const auto awaitAnswer = [&] {
        ++answers;
        // Not fatal: the notice below shows what the notifier went by.
        EXPECT_TRUE(WaitFor([&] { return notifier->CapabilityAnswers() >= answers; }))
            << "no answer " << answers << " from GetCapabilities";
    };
    if (!c.serviceFirst) {
        // A session start: the autostarted program is up before the notification service.
        notifier = std::make_unique<CDBusNotifier>(bus, CDBusNotifier::Fallback{});
        awaitAnswer();  // the error: nobody owns the name
    }
    for (const bool claimsMarkup : c.owners) {
        const QString why = StartStandIn(record, claimsMarkup);
        ASSERT_TRUE(why.isEmpty()) << why.toStdString();
        if (!notifier) {
            notifier = std::make_unique<CDBusNotifier>(bus, CDBusNotifier::Fallback{});
        }
        if (c.afterAnswer) {
            awaitAnswer();
        }
    }
    notifier->Notify({"M 5.1 <b>A & B</b>", kRaw, false, "Show", "event-1"});
    ASSERT_TRUE(WaitFor([&] { return Recorded(record).size() == 1; }));
    const QJsonObject call = Recorded(record)[0];
    EXPECT_EQ(call["body"].toString().toStdString(), c.body);
    // The summary is plain text on every server.
    EXPECT_EQ(call["summary"].toString().toStdString(), "M 5.1 <b>A & B</b>");
}

INSTANTIATE_TEST_SUITE_P(Services, DBusNotifierMarkupTest,
                         ::testing::Values(MarkupCase{"ClaimsMarkup", true, {true}, true, kEscaped},
                                           MarkupCase{"ClaimsNothing", true, {false}, true, kRaw},
                                           MarkupCase{"AppearsLaterClaimingMarkup", false, {true}, true, kEscaped},
                                           MarkupCase{"AppearsLaterClaimingNothing", false, {false}, true, kRaw},
                                           MarkupCase{"NoticeBeforeAnyAnswer", true, {false}, false, kEscaped},
                                           MarkupCase{
                                               "ReplacedByOneClaimingMarkup", true, {false, true}, true, kEscaped},
                                           MarkupCase{"ReplacedByOneClaimingNothing", true, {true, false}, true, kRaw}),
                         [](const ::testing::TestParamInfo<MarkupCase>& row) { return std::string(row.param.name); });

TEST_F(DBusNotifierTest, WithoutTheServiceNoticesGoToTheFallback) {
    QDBusConnection bus = Connect();
    ASSERT_TRUE(bus.isConnected());
    std::vector<std::string> shown;
    CDBusNotifier notifier(bus, [&](const DesktopNotice& n) {
        shown.push_back(n.summary);
        return true;
    });
    notifier.Notify({"M 5.0 A", "", false, "Show", "a"});
    ASSERT_TRUE(WaitFor([&] { return !shown.empty(); }));
    EXPECT_EQ(shown, (std::vector<std::string>{"M 5.0 A"}));
}

TEST(DBusNotifierNoBusTest, WithoutABusNoticesGoToTheFallbackAtOnceOrNowhere) {
    QDBusConnection none = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/dravik-bus"),
                                                         QStringLiteral("dravik-test-none"));
    ASSERT_FALSE(none.isConnected());
    std::vector<std::string> shown;
    CDBusNotifier notifier(none, [&](const DesktopNotice& n) { return shown.push_back(n.summary), true; });
    notifier.Notify({"M 5.0 A", "", false, "Show", "a"});
    EXPECT_EQ(shown, (std::vector<std::string>{"M 5.0 A"}));
    CDBusNotifier silent(none, {});
    silent.Notify({"M 5.0 A", "", false, "Show", "a"});  // nothing, and no crash
    QDBusConnection::disconnectFromBus(QStringLiteral("dravik-test-none"));
}

}  // namespace
}  // namespace dravik
