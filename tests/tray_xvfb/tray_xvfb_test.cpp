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

#include "mainwindow/system_tray.h"
#include "platform/qt/qt_tray_shell.h"

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

}  // namespace
}  // namespace dravik
