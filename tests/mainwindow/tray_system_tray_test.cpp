#include <QAction>
#include <QFont>
#include <QMenu>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mainwindow/system_tray.h"
#include "platform/qt/qt_tray_shell.h"
#include "resources/resource_tables.h"
#include "tests/common/fake_tray_shell.h"

namespace dravik {
namespace {

using test::FakeTrayShell;

constexpr unsigned kCallback = 0xC123;
constexpr TrayImage kNormal = 128;
constexpr TrayImage kBlink = 133;

class RecordingWindow final : public ITrayCommandWindow {
public:
    QWidget* Widget() override { return nullptr; }
    void PostCommand(unsigned commandId) override { commands.push_back(commandId); }
    std::vector<unsigned> commands;
};

// Chooses a menu entry by its text instead of waiting for the user, and keeps what the menu looked like.
class ScriptedTray final : public CSystemTray {
public:
    using CSystemTray::CSystemTray;
    QString choose;
    QStringList shownTexts;
    QString defaultText;
    bool defaultBold = false;

protected:
    QAction* TrackMenu(QMenu& menu, const QPoint&) override {
        QAction* chosen = nullptr;
        for (QAction* action : menu.actions()) {
            shownTexts << (action->isSeparator() ? QStringLiteral("-") : action->text());
            if (action->text() == choose) {
                chosen = action;
            }
        }
        if (menu.defaultAction() != nullptr) {
            defaultText = menu.defaultAction()->text();
            defaultBold = menu.defaultAction()->font().bold();
        }
        return chosen;
    }
};

struct StateRow {
    bool absent;
    bool deleted;
};

StateRow State(const CSystemTray& tray) {
    return {tray.IconAbsent(), tray.Deleted()};
}

TEST(SystemTrayTest, StateTableFollowsTheShellsAnswers) {
    {
        FakeTrayShell shell;
        CSystemTray tray(shell);
        EXPECT_TRUE(State(tray).absent && State(tray).deleted);  // constructed
        EXPECT_TRUE(tray.AddToTray(nullptr, kCallback, "Dravik - monitoring sejsmiczny", kNormal, 129, false));
        EXPECT_FALSE(tray.IconAbsent());
        EXPECT_FALSE(tray.Deleted());
        EXPECT_EQ(shell.IconCount(), 1u);
        const auto& added = shell.calls.back().data;
        EXPECT_EQ(added.flags, kTrayFlagMessage | kTrayFlagIcon | kTrayFlagTip);
        EXPECT_EQ(added.window, &tray);
        EXPECT_EQ(added.id, 129u);
        EXPECT_EQ(added.icon, kNormal);
        EXPECT_EQ(added.callbackMessage, kCallback);
        EXPECT_STREQ(added.tip, "Dravik - monitoring sejsmiczny");

        EXPECT_TRUE(tray.ChangeIcon(kBlink));
        EXPECT_EQ(shell.calls.back().op, TrayOp::Modify);
        EXPECT_EQ(shell.calls.back().data.flags, unsigned{kTrayFlagIcon});

        // Removing twice reaches the shell once.
        EXPECT_TRUE(tray.DeleteIcon());
        EXPECT_TRUE(tray.DeleteIcon());
        EXPECT_EQ(shell.Count(TrayOp::Delete), 1u);
        EXPECT_TRUE(tray.IconAbsent() && tray.Deleted());
        EXPECT_EQ(shell.IconCount(), 0u);
    }
    {
        FakeTrayShell shell;
        shell.refuseAdd = true;
        CSystemTray tray(shell);
        EXPECT_FALSE(tray.AddToTray(nullptr, kCallback, "tip", kNormal, 129, false));
        EXPECT_TRUE(tray.IconAbsent() && tray.Deleted());
        EXPECT_TRUE(tray.ReaddWanted());
        // A refused icon keeps its image without calling the shell, and is not deleted.
        const std::size_t before = shell.calls.size();
        EXPECT_TRUE(tray.ChangeIcon(kBlink));
        EXPECT_EQ(tray.OnShellRestart(), 0);
        EXPECT_EQ(tray.IconData().icon, kBlink);
        EXPECT_TRUE(tray.DeleteIcon());
        EXPECT_EQ(shell.calls.size(), before);
    }
    {
        FakeTrayShell shell;
        shell.supported = false;
        CSystemTray tray(shell);
        EXPECT_FALSE(tray.AddToTray(nullptr, kCallback, "tip", kNormal, 129, false));
        EXPECT_FALSE(tray.ChangeIcon(kBlink));
        EXPECT_TRUE(tray.DeleteIcon());
        EXPECT_TRUE(shell.calls.empty());
    }
    {
        // The desktop's shell without a tray host (offscreen) refuses the icon.
        CQtTrayShell shell;
        CSystemTray tray(shell);
        EXPECT_FALSE(shell.IsAvailable());
        EXPECT_FALSE(tray.AddToTray(nullptr, kCallback, "tip", kNormal, 129, false));
        EXPECT_TRUE(tray.IconAbsent() && tray.Deleted());
        EXPECT_EQ(shell.Icon(), nullptr);
    }
    {
        // The destructor removes an added icon.
        FakeTrayShell shell;
        {
            CSystemTray tray(shell);
            tray.AddToTray(nullptr, kCallback, "tip", kNormal, 137, false);
        }
        EXPECT_EQ(shell.IconCount(), 0u);
        EXPECT_EQ(shell.Count(TrayOp::Delete), 1u);
    }
}

TEST(SystemTrayTest, ShellRestartAddsTheIconAgainWithItsCurrentImage) {
    FakeTrayShell shell;
    CSystemTray tray(shell);
    ASSERT_TRUE(tray.AddToTray(nullptr, kCallback, "Dravik - earthquake monitor", kNormal, 137, false));
    tray.ChangeIcon(kBlink);
    shell.ForgetIcons();
    EXPECT_EQ(tray.WindowProc(TaskbarCreatedMessage(), 0, 0), 0);
    ASSERT_EQ(shell.IconCount(), 1u);
    const auto& readded = shell.calls.back();
    EXPECT_EQ(readded.op, TrayOp::Add);
    EXPECT_EQ(readded.data.flags, kTrayFlagMessage | kTrayFlagIcon | kTrayFlagTip);
    EXPECT_EQ(readded.data.icon, kBlink);
    EXPECT_STREQ(readded.data.tip, "Dravik - earthquake monitor");
    EXPECT_FALSE(tray.IconAbsent());
    // Blinking goes on reaching the shell.
    EXPECT_TRUE(tray.ChangeIcon(kNormal));
    EXPECT_EQ(shell.calls.back().op, TrayOp::Modify);
}

TEST(SystemTrayTest, WorkAreaChangeKeepsAnIconTheShellStillShows) {
    FakeTrayShell shell;
    CSystemTray tray(shell);
    ASSERT_TRUE(tray.AddToTray(nullptr, kCallback, "tip", kNormal, 129, false));
    tray.WindowProc(kWmSettingChange, kSpiSetWorkArea, 0);
    // The shell refuses the second add of a present icon; the icon stays in use.
    EXPECT_FALSE(tray.IconAbsent());
    EXPECT_EQ(shell.IconCount(), 1u);
    EXPECT_TRUE(tray.ChangeIcon(kBlink));
    EXPECT_EQ(shell.calls.back().op, TrayOp::Modify);
    EXPECT_TRUE(shell.calls.back().result);
    // Another setting changes nothing.
    const std::size_t before = shell.calls.size();
    tray.WindowProc(kWmSettingChange, 48, 0);
    EXPECT_EQ(shell.calls.size(), before);
    // The shell really lost it: the work-area change brings it back.
    shell.ForgetIcons();
    tray.OnSettingChange(kSpiSetWorkArea, nullptr);
    EXPECT_EQ(shell.IconCount(), 1u);
    EXPECT_EQ(shell.calls.back().op, TrayOp::Add);
}

TEST(SystemTrayTest, TooltipIsCutTo63BytesWithoutSplittingACharacter) {
    struct Row {
        std::string tip;
        std::string expected;
    };
    const std::string seventy(70, 'x');
    const std::string ascii62(62, 'a');
    const std::vector<Row> rows = {
        {seventy, std::string(63, 'x')},
        {std::string(63, 'y'), std::string(63, 'y')},
        {ascii62 + "ż" + "tail", ascii62},  // the two-byte letter would straddle byte 63
        {std::string(61, 'b') + "ż" + "tail", std::string(61, 'b') + "ż"},
        {std::string("ab\0cd", 5), "ab"},
        {"", ""},
    };
    for (const auto& row : rows) {
        FakeTrayShell shell;
        CSystemTray tray(shell);
        tray.AddToTray(nullptr, kCallback, row.tip, kNormal, 129, false);
        EXPECT_EQ(shell.calls.back().Tip(), row.expected) << row.tip;
    }
    EXPECT_EQ(CSystemTray::MaxTooltipLength(), 64u);
}

TEST(SystemTrayTest, MouseActionsBecomeCommandsForTheCommandWindow) {
    struct Row {
        unsigned iconId;
        unsigned message;
        bool hostDoubleClicks;
        std::vector<unsigned> commands;
    };
    const std::vector<Row> rows = {
        {129, kTrayLButtonDblClk, true, {32771}}, {137, kTrayLButtonDblClk, true, {32771}},
        {129, kTrayLButtonUp, true, {}},        // a single click does nothing where double clicks exist
        {129, kTrayLButtonUp, false, {32771}},  // the one activation of a StatusNotifierItem host
        {129, kTrayMButtonUp, false, {}},         {999, kTrayLButtonDblClk, true, {}},  // another icon's notice
    };
    for (const auto& row : rows) {
        FakeTrayShell shell;
        shell.doubleClicks = row.hostDoubleClicks;
        RecordingWindow window;
        CSystemTray tray(shell);
        tray.SetCommandWindow(&window);
        const unsigned id = row.iconId == 999 ? 129 : row.iconId;
        tray.AddToTray(nullptr, kCallback, "tip", kNormal, id, false);
        const long result = tray.WindowProc(kCallback, row.iconId, row.message);
        EXPECT_EQ(window.commands, row.commands) << row.iconId << " " << row.message;
        EXPECT_EQ(result, row.iconId == 999 ? 0 : 1);
    }
}

TEST(SystemTrayTest, RightClickOffersTheMenuOfTheIconWithItsDefaultInBold) {
    struct Row {
        unsigned id;
        QString choose;
        QStringList texts;
        QString bold;
        std::vector<unsigned> commands;
    };
    const std::vector<Row> rows = {
        {129,
         QString::fromUtf8("Zmień język"),
         {QString::fromUtf8("Pokaż listę"), QString::fromUtf8("Zmień język"), QString::fromUtf8("Ustawienia..."), "-",
          QString::fromUtf8("Zakończ")},
         QString::fromUtf8("Pokaż listę"),
         {32775}},
        {137, "Quit", {"Show list", "Change language", "Settings...", "-", "Quit"}, "Show list", {32772}},
        {137, "Settings...", {"Show list", "Change language", "Settings...", "-", "Quit"}, "Show list", {32779}},
        {137, "", {"Show list", "Change language", "Settings...", "-", "Quit"}, "Show list", {}},  // dismissed
    };
    for (const auto& row : rows) {
        FakeTrayShell shell;
        RecordingWindow window;
        ScriptedTray tray(shell);
        tray.SetCommandWindow(&window);
        tray.choose = row.choose;
        tray.AddToTray(nullptr, kCallback, "tip", kNormal, row.id, false);
        EXPECT_EQ(tray.WindowProc(kCallback, row.id, kTrayRButtonUp), 1);
        EXPECT_EQ(tray.shownTexts, row.texts);
        EXPECT_EQ(tray.defaultText, row.bold);
        EXPECT_TRUE(tray.defaultBold);
        EXPECT_EQ(window.commands, row.commands);
    }
}

TEST(SystemTrayTest, WithoutACommandWindowOrMenuNothingHappens) {
    FakeTrayShell shell;
    CSystemTray tray(shell);
    tray.AddToTray(nullptr, kCallback, "tip", kNormal, 129, false);
    EXPECT_EQ(tray.WindowProc(kCallback, 129, kTrayLButtonDblClk), 0);

    RecordingWindow window;
    CSystemTray noMenu(shell);
    noMenu.SetCommandWindow(&window);
    noMenu.AddToTray(nullptr, kCallback, "tip", kNormal, 555, false);  // no menu resource 555
    EXPECT_EQ(noMenu.WindowProc(kCallback, 555, kTrayLButtonDblClk), 0);
    EXPECT_EQ(noMenu.WindowProc(kCallback, 555, kTrayRButtonUp), 0);
    EXPECT_TRUE(window.commands.empty());
}

}  // namespace
}  // namespace dravik
