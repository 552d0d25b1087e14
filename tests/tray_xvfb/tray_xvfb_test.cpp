#include <xcb/xcb.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "mainwindow/monitor_dlg.h"
#include "mainwindow/system_tray.h"
#include "platform/qt/qt_tray_shell.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/fake_sound.h"

namespace dravik {
namespace {

bool WaitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// The tray host takes an icon by reparenting Qt's icon window into its own.
bool IsDocked(const QWidget* icon) {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr) {
        return false;
    }
    xcb_connection_t* connection = x11->connection();
    xcb_query_tree_reply_t* reply =
        xcb_query_tree_reply(connection, xcb_query_tree(connection, static_cast<xcb_window_t>(icon->winId())), nullptr);
    const bool docked = reply != nullptr && reply->parent != reply->root;
    std::free(reply);
    return docked;
}

std::vector<QWidget*> DockedIcons() {
    std::vector<QWidget*> icons;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (std::strcmp(widget->metaObject()->className(), "QSystemTrayIconSys") == 0 && widget->isVisible() &&
            IsDocked(widget)) {
            icons.push_back(widget);
        }
    }
    return icons;
}

// The initial state in the window's WM_HINTS (1 normal, 3 iconic), which a window manager reads when the
// window is mapped; 0 without the hint.
int InitialStateHint(const QWidget* window) {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr) {
        return 0;
    }
    xcb_connection_t* connection = x11->connection();
    const auto id = static_cast<xcb_window_t>(window->winId());
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, id, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 0, 9), nullptr);
    int state = 0;
    if (reply != nullptr && reply->format == 32 && xcb_get_property_value_length(reply) >= 8) {
        const auto* hints = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        constexpr uint32_t kStateHint = 2;
        state = (hints[0] & kStateHint) != 0 ? static_cast<int>(hints[2]) : 0;
    }
    std::free(reply);
    return state;
}

class RecordingWindow final : public ITrayCommandWindow {
public:
    QWidget* Widget() override { return nullptr; }
    void PostCommand(unsigned commandId) override { commands.push_back(commandId); }
    std::vector<unsigned> commands;
};

bool Xdotool(const QStringList& arguments) {
    QProcess process;
    process.start("xdotool", arguments);
    return process.waitForFinished(5000) && process.exitCode() == 0;
}

class TrayXvfbTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::platformName(), "xcb");
        ASSERT_TRUE(WaitUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 10000))
            << "no tray host on this display";
    }
};

TEST_F(TrayXvfbTest, IconIsDockedAnswersADoubleClickAndGoesAway) {
    CQtTrayShell shell;
    RecordingWindow window;
    {
        CSystemTray tray(shell);
        tray.SetCommandWindow(&window);
        ASSERT_TRUE(tray.AddToTray(nullptr, 0xC042, "Dravik - monitoring sejsmiczny", 128, 129, false));
        ASSERT_TRUE(WaitUntil([] { return DockedIcons().size() == 1; }, 10000));
        EXPECT_EQ(shell.Icon()->toolTip().toStdString(), "Dravik - monitoring sejsmiczny");
        EXPECT_TRUE(shell.DeliversDoubleClick());

        const QString id = QString::number(DockedIcons().front()->winId());
        ASSERT_TRUE(Xdotool({"mousemove", "--window", id, "5", "5"}));
        ASSERT_TRUE(Xdotool({"click", "1"}));
        WaitUntil([] { return false; }, 600);
        EXPECT_TRUE(window.commands.empty()) << "a single click does nothing where double clicks exist";
        ASSERT_TRUE(Xdotool({"click", "--repeat", "2", "--delay", "60", "1"}));
        EXPECT_TRUE(WaitUntil([&] { return !window.commands.empty(); }, 5000));
        EXPECT_EQ(window.commands, std::vector<unsigned>{32771});

        EXPECT_TRUE(tray.ChangeIcon(133));
    }
    EXPECT_TRUE(WaitUntil([] { return DockedIcons().empty(); }, 10000));
}

TEST_F(TrayXvfbTest, HidingTheWindowAddsOneRealIconAndShowingRemovesIt) {
    test::FakeSettingsStorage storage;
    test::ScopedSettingsStorage scopedStorage(storage);
    storage.StoreText(test::kFakeLangKey, "lang", "PL");
    test::FakeSound sound;
    MonitorServices services;
    services.fetchPage = [](const std::string&) { return std::string(); };
    services.sound = &sound;
    services.storeEvents = [](const std::vector<QuakeEvent>&, const std::atomic<bool>*) {
        return ArchiveWriteResult{};
    };
    services.startFeedWorker = false;
    CMonitorDlg dlg(nullptr, services);
    dlg.OnInitDialog();
    dlg.show();
    ASSERT_TRUE(WaitUntil([&] { return dlg.isVisible(); }, 5000));
    ASSERT_TRUE(DockedIcons().empty());

    dlg.OnHide();
    EXPECT_TRUE(WaitUntil([] { return DockedIcons().size() == 1; }, 10000));
    EXPECT_FALSE(dlg.isVisible());
    ASSERT_NE(dlg.m_pTray, nullptr);
    EXPECT_FALSE(dlg.m_pTray->IconAbsent());
    // Withdrawn, never iconified on the way: a window manager that handles the mapping on showing before the
    // hints change would otherwise map it iconic, with no icon left to bring it back.
    EXPECT_FALSE(dlg.isMinimized());
    EXPECT_NE(InitialStateHint(&dlg), 3);

    // A real double click on the icon brings the window back and takes the icon away.
    ASSERT_EQ(DockedIcons().size(), 1u);
    const QString id = QString::number(DockedIcons().front()->winId());
    ASSERT_TRUE(Xdotool({"mousemove", "--window", id, "5", "5"}));
    ASSERT_TRUE(Xdotool({"click", "--repeat", "2", "--delay", "60", "1"}));
    EXPECT_TRUE(WaitUntil([&] { return dlg.isVisible() && dlg.m_pTray == nullptr; }, 5000));
    EXPECT_TRUE(WaitUntil([] { return DockedIcons().empty(); }, 10000));
    // Restored, not left minimised: a window that believes itself minimised stops painting its map.
    EXPECT_TRUE(WaitUntil([&] { return !dlg.isMinimized(); }, 2000));

    // Once more through the command, as the tray menu's "Pokaż listę" gives it.
    dlg.OnHide();
    EXPECT_TRUE(WaitUntil([] { return DockedIcons().size() == 1; }, 10000));
    dlg.OnShowList();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(WaitUntil([] { return DockedIcons().empty(); }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return !dlg.isMinimized(); }, 2000));
}

}  // namespace
}  // namespace dravik
