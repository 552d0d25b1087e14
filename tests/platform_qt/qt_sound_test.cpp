#include "platform/qt/qt_sound.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <thread>

#include <gtest/gtest.h>

#include "tests/common/fake_sound.h"
#include "tests/common/timing.h"

namespace dravik {
namespace {

TEST(QtSoundTest, PlayingNeverBlocksEvenWithoutAudioDevice) {
    CQtSound sound;
    QElapsedTimer timer;
    timer.start();
    sound.PlaySound("earthquake-04.wav");
    std::thread worker([&] { sound.PlaySound("earthquake-04.wav"); });  // from the feed thread
    worker.join();
    sound.PlaySound("no-such-sound.wav");
    if (test::kTimingMeaningful) {
        EXPECT_LT(timer.elapsed(), 1000);
    }
    QElapsedTimer pump;
    pump.start();
    while (pump.elapsed() < 200) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

TEST(FakeSoundTest, RecordsNamesAndCutOffs) {
    test::FakeSound sound;
    sound.PlaySound("a.wav");
    sound.PlaySound("b.wav");
    sound.FinishPlaying();
    sound.PlaySound("c.wav");
    EXPECT_EQ(sound.Played(), (std::vector<std::string>{"a.wav", "b.wav", "c.wav"}));
    EXPECT_EQ(sound.CutOff(), (std::vector<std::string>{"a.wav"}));
    EXPECT_EQ(sound.Playing(), "c.wav");
}

}  // namespace
}  // namespace dravik
