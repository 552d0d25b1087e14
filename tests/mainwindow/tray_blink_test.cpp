#include <vector>

#include <gtest/gtest.h>

#include "mainwindow/tray_blink.h"

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

}  // namespace
}  // namespace dravik
