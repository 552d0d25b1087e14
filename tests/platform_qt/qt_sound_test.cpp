#include "platform/qt/qt_sound.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <thread>

#include <gtest/gtest.h>

#include "tests/common/fake_sound.h"
#include "tests/common/timing.h"

namespace dravik {
namespace {

void PumpEvents(int ms) {
    QElapsedTimer pump;
    pump.start();
    while (pump.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

TEST(QtSoundTest, PlayingNeverBlocksEvenWithoutAudioDevice) {
    CQtSound sound(nullptr, {QStringLiteral(DRAVIK_SOUND_MODULE)});
    QElapsedTimer timer;
    timer.start();
    sound.PlaySound("earthquake-04.wav");
    std::thread worker([&] { sound.PlaySound("earthquake-04.wav"); });  // from the feed thread
    worker.join();
    sound.PlaySound("no-such-sound.wav");
    if (test::kTimingMeaningful) {
        EXPECT_LT(timer.elapsed(), 1000);
    }
    PumpEvents(200);
    // The module was loaded for the first sound and made its player.
    EXPECT_TRUE(sound.HasPlayer());
}

TEST(QtSoundTest, TheModuleLoadsOnlyAtTheFirstSoundAndItsAbsenceIsSilence) {
    CQtSound loaded(nullptr, {QStringLiteral(DRAVIK_SOUND_MODULE)});
    PumpEvents(50);
    EXPECT_FALSE(loaded.HasPlayer());

    // Not there, and a file that is no library.
    CQtSound missing(nullptr,
                     {QStringLiteral("/nonexistent/libdravik_sound.so"), QCoreApplication::applicationFilePath()});
    missing.PlaySound("earthquake-04.wav");
    missing.PlaySound("earthquake-04.wav");
    PumpEvents(50);
    EXPECT_FALSE(missing.HasPlayer());
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
