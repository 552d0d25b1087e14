#include <atomic>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "mainwindow/system_tray.h"
#include "mainwindow/tray_blink.h"
#include "tests/common/fake_tray_shell.h"

namespace dravik {
namespace {

constexpr TrayImage kNormal = 128;
constexpr TrayImage kBlink = 133;

TEST(TrayBlinkTest, TicksAlternateOnlyWhileANewEventWaits) {
    bool phase = false;
    std::vector<TrayImage> images;
    for (int tick = 0; tick < 4; ++tick) {
        images.push_back(BlinkTickImage(true, phase, kNormal, kBlink));
    }
    EXPECT_EQ(images, (std::vector<TrayImage>{kNormal, kBlink, kNormal, kBlink}));
    EXPECT_FALSE(phase);
    EXPECT_EQ(BlinkTickImage(false, phase, kNormal, kBlink), kNormal);
    phase = true;
    EXPECT_EQ(BlinkTickImage(false, phase, kNormal, kBlink), kNormal);
    EXPECT_TRUE(phase);  // a steady icon leaves the phase alone
}

TEST(TrayBlinkTest, HidingMinimisesOnlyWhenThereIsNoTray) {
    EXPECT_EQ(ChooseHideMode(true), HideMode::ToTray);
    EXPECT_EQ(ChooseHideMode(false), HideMode::Minimise);
}

// The window's tray side over the shell double: hide creates the icon and clears the new-event flag, show
// removes it, the timer drives the image.
struct TraySession {
    test::FakeTrayShell shell;
    std::atomic<bool> newEvent{false};
    bool phase = false;
    std::unique_ptr<CSystemTray> tray;

    void Hide() {
        newEvent = false;
        tray = std::make_unique<CSystemTray>(shell);
        tray->AddToTray(nullptr, 0xC000, "tip", kNormal, 129, false);
    }
    void Show() { tray.reset(); }
    void Tick() {
        if (tray != nullptr) {
            tray->ChangeIcon(BlinkTickImage(newEvent, phase, kNormal, kBlink));
        }
    }
    std::vector<TrayImage> Images(int ticks) {
        std::vector<TrayImage> seen;
        for (int i = 0; i < ticks; ++i) {
            Tick();
            seen.push_back(shell.calls.back().data.icon);
        }
        return seen;
    }
};

TEST(TrayBlinkTest, BlinkingStopsOnlyAfterShowAndHide) {
    TraySession session;
    session.Hide();
    EXPECT_EQ(session.Images(2), (std::vector<TrayImage>{kNormal, kNormal}));
    session.newEvent = true;  // the feed lists an event while hidden
    EXPECT_EQ(session.Images(4), (std::vector<TrayImage>{kNormal, kBlink, kNormal, kBlink}));

    session.Show();
    EXPECT_EQ(session.shell.IconCount(), 0u);
    EXPECT_TRUE(session.newEvent);  // showing alone does not stop it
    session.Hide();
    EXPECT_FALSE(session.newEvent);
    EXPECT_EQ(session.shell.IconCount(), 1u);
    EXPECT_EQ(session.Images(3), (std::vector<TrayImage>{kNormal, kNormal, kNormal}));
}

}  // namespace
}  // namespace dravik
