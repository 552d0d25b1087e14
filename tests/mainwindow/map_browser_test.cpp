#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QWebEnginePage>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <memory>

#include <gtest/gtest.h>

#include "mainwindow/map_bridge.h"
#include "mainwindow/map_scheme.h"
#include "mainwindow/map_view.h"
#include "mainwindow/web_browser2.h"
#include "platform/qt/dialog_builder.h"
#include "tests/common/fake_offline_web.h"
#include "tests/common/process_events.h"
#include "tests/common/test_hooks.h"
#include "tests/mainwindow/run_script.h"

namespace dravik {
namespace {

const test::BeforeApplication kRegisterScheme([] { RegisterMapScheme(); });

constexpr int kWaitMs = 30000;

// Waits for one loadFinished of view; false on timeout.
bool LoadAndWait(CWebBrowser2& view, const std::function<void()>& start, bool* ok) {
    QEventLoop loop;
    bool finished = false;
    const auto connection = QObject::connect(&view, &QWebEngineView::loadFinished, &loop, [&](bool result) {
        finished = true;
        *ok = result;
        loop.quit();
    });
    QTimer::singleShot(kWaitMs, &loop, &QEventLoop::quit);
    start();
    if (!finished) {
        loop.exec();
    }
    QObject::disconnect(connection);
    return finished;
}

QVariant RunScript(QWebEnginePage* page, const QString& script) {
    return test::RunScript(page, script, kWaitMs);
}

class MapBrowserTest : public ::testing::Test {
protected:
    test::FakeOfflineWeb m_noNetwork;
};

TEST_F(MapBrowserTest, BuiltInPageCentresTheMapOnTheEventWithoutNetwork) {
    CWebBrowser2 view;
    view.resize(890, 458);
    view.show();
    view.SetSilent(true);
    bool ok = false;
    ASSERT_TRUE(LoadAndWait(
        view, [&] { view.Navigate(BuildMapAddress(kBuiltInMapServer, 0, "38.12", "-12.50")); }, &ok));
    EXPECT_TRUE(ok);
    const QVariantList centre = RunScript(view.page(),
                                          "[dravikMap.getCenter().lat, dravikMap.getCenter().lng, "
                                          "document.querySelectorAll('.leaflet-marker-icon').length]")
                                    .toList();
    ASSERT_EQ(centre.size(), 3);
    EXPECT_DOUBLE_EQ(centre[0].toDouble(), 38.12);
    EXPECT_DOUBLE_EQ(centre[1].toDouble(), -12.5);
    EXPECT_EQ(centre[2].toInt(), 1);
    EXPECT_TRUE(RunScript(view.page(), "document.querySelector('.leaflet-control-attribution').innerText")
                    .toString()
                    .contains("\u00a9 OpenStreetMap contributors"));
    // The street map asked for its tiles, and nothing else left the program.
    EXPECT_EQ(m_noNetwork.BlockedHosts(), QSet<QString>{"tile.openstreetmap.org"});
    // The marker's image came from the program's own copy of Leaflet.
    EXPECT_TRUE(RunScript(view.page(),
                          "document.querySelector('.leaflet-marker-icon').complete && "
                          "document.querySelector('.leaflet-marker-icon').naturalWidth > 0")
                    .toBool());

    if (const char* shot = std::getenv("DRAVIK_MAP_SCREENSHOT")) {
        QEventLoop pause;
        QTimer::singleShot(1000, &pause, &QEventLoop::quit);
        pause.exec();
        view.grab().save(QString::fromLocal8Bit(shot));
    }
}

TEST_F(MapBrowserTest, HostileCoordinatesGiveThePositionUnknownPage) {
    CWebBrowser2 view;
    view.SetSilent(true);
    bool ok = false;
    ASSERT_TRUE(LoadAndWait(
        view, [&] { view.Navigate("dravik-map://map/mapa/ms.php?wsp1=%3Cscript%3Ealert(1)%3C/script%3E&wsp2=1"); },
        &ok));
    EXPECT_TRUE(ok);
    EXPECT_TRUE(RunScript(view.page(), "document.body.innerText").toString().contains("Position unknown"));
    EXPECT_EQ(RunScript(view.page(), "document.scripts.length").toInt(), 0);
}

TEST_F(MapBrowserTest, SilentPageAsksNoQuestions) {
    CWebBrowser2 view;
    view.show();
    view.SetSilent(true);
    // A dialog would wait for the user: note it and close it, so that a failure cannot hang the test.
    int dialogs = 0;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&dialogs] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            ++dialogs;
            modal->close();
        }
    });
    watcher.start(50);
    bool ok = false;
    ASSERT_TRUE(LoadAndWait(
        view,
        [&] {
            view.setHtml(
                "<html><body><script>var c = confirm('c'); alert('a'); var p = prompt('p', 'd');"
                "document.title = 'done ' + c + ' ' + p;</script></body></html>");
        },
        &ok));
    EXPECT_EQ(RunScript(view.page(), "document.title").toString().toStdString(), "done false null");
    EXPECT_EQ(dialogs, 0);
}

TEST_F(MapBrowserTest, CreatePlacesTheControlWhereTheDialogFindsIt) {
    QWidget dialog;
    auto* browser = new CWebBrowser2;
    ASSERT_TRUE(browser->Create("map", true, QRect(7, 144, 445, 229), &dialog, 1004));
    EXPECT_EQ(FindControl(&dialog, 1004), browser);
    EXPECT_EQ(browser->geometry(), QRect(7, 144, 445, 229));
    EXPECT_FALSE(browser->isHidden());
}

TEST_F(MapBrowserTest, UnknownPathsAreNotFound) {
    CWebBrowser2 view;
    view.SetSilent(true);
    bool ok = true;
    ASSERT_TRUE(LoadAndWait(
        view, [&] { view.Navigate("dravik-map://map/mapa/../../etc/passwd"); }, &ok));
    EXPECT_FALSE(ok);
}

bool ProcessGone(qint64 pid) {
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// Released while nobody sees it, the control lets its page's renderer process go and remembers what it is asked;
// restored, it shows the page again with the marker where it was last sent.
TEST_F(MapBrowserTest, ReleasedViewEndsItsRendererAndRestoresTheLastEvent) {
    CWebBrowser2 view;
    view.resize(600, 400);
    view.show();
    view.SetSilent(true);
    bool ok = false;
    ASSERT_TRUE(LoadAndWait(
        view, [&] { view.Navigate(BuildMapAddress(kBuiltInMapServer, 1, "38.12", "-12.50")); }, &ok));
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return view.Bridge()->IsReady(); }, std::chrono::milliseconds(kWaitMs)));
    const qint64 renderer = view.page()->renderProcessPid();
    ASSERT_GT(renderer, 0);

    // As the main window does: hidden, then released.
    view.hide();
    view.Release();
    view.Release();
    EXPECT_TRUE(view.IsReleased());
    EXPECT_TRUE(view.page()->url().isEmpty());
    EXPECT_EQ(view.page()->renderProcessPid(), 0);
    EXPECT_TRUE(test::ProcessEventsUntil([&] { return ProcessGone(renderer); }, std::chrono::milliseconds(kWaitMs)))
        << "renderer " << renderer;
    // Asked meanwhile: the page of the same kind only gets its marker moved once it is back.
    int loads = 0;
    QObject::connect(&view, &QWebEngineView::loadStarted, [&] { ++loads; });
    view.Navigate(BuildMapAddress(kBuiltInMapServer, 1, "40.00", "-5.25"));
    EXPECT_EQ(loads, 0);
    EXPECT_EQ(view.page()->renderProcessPid(), 0);

    view.show();
    ASSERT_TRUE(LoadAndWait(
        view, [&] { view.Restore(); }, &ok));
    EXPECT_TRUE(ok);
    EXPECT_FALSE(view.IsReleased());
    EXPECT_TRUE(view.IsSilent());
    EXPECT_TRUE(view.page()->url().toString().contains("ms.php"));
    EXPECT_TRUE(test::ProcessEventsUntil(
        [&] {
            const QVariantList at =
                RunScript(view.page(), "[dravikMarker.getLatLng().lat, dravikMarker.getLatLng().lng]").toList();
            return at.size() == 2 && at[0].toDouble() == 40.0 && at[1].toDouble() == -5.25;
        },
        std::chrono::milliseconds(kWaitMs)));

    // Another kind asked while released is the page loaded on restore.
    view.Release();
    view.Navigate(BuildMapAddress(kBuiltInMapServer, 0, "1.50", "2.50"));
    ASSERT_TRUE(LoadAndWait(
        view, [&] { view.Restore(); }, &ok));
    EXPECT_TRUE(view.page()->url().toString().contains("/m.php?wsp1=1.50&wsp2=2.50"));
    view.Restore();
    EXPECT_EQ(loads, 2);
}

}  // namespace
}  // namespace dravik
