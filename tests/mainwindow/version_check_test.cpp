#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "mainwindow/version_check.h"
#include "platform/environment.h"
#include "tests/common/http_test_server.h"
#include "tests/common/process_events.h"
#include "tests/common/scoped_env.h"
#include "tests/common/timing.h"

namespace dravik {
namespace {

TEST(VersionCheckTest, NoticeOnlyForANewerVersionInASevenByteAnswer) {
    struct Row {
        std::string answer;
        std::string lang;
        std::string expected;
    };
    const std::string pl116 =
        "Posiadasz wersję 1.15 programu.\nDostępna jest nowa o numerze 1.16.\nDo pobrania na stronie dravik.example";
    const std::string en = "Updates available. Look on dravik.example";
    const std::vector<Row> rows = {
        {"ok:1.15", "PL", ""},                            // our own
        {"ok:1.14", "PL", ""},                            // the version the request names, older
        {"ok:1.10", "PL", ""},    {"ok:1.9 ", "EN", ""},  // not a version
        {"ok:1.16", "PL", pl116}, {"ok:1.16", "EN", en}, {"ok:1.16", "XX", en}, {"ok:1.16", "", en},
        {"ok:2.0 ", "EN", ""},    {"ok:2.00", "EN", en}, {"ok:1.1x", "EN", ""}, {"ok1.16", "PL", ""},  // 6 bytes
        {"ok:1.160", "PL", ""},                                                                        // 8 bytes
        {"", "PL", ""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(VersionNotice(row.answer, row.lang, "dravik.example"), row.expected)
            << "'" << row.answer << "' " << row.lang;
    }
}

TEST(VersionCheckTest, DottedVersionsCompareAsNumbers) {
    struct Row {
        const char* announced;
        const char* own;
        bool newer;
    };
    const Row rows[] = {
        {"1.16", "1.15", true},           {"1.15", "1.15", false},   {"1.9", "1.15", false},
        {"1.100", "1.15", true},          {"2.0", "1.15", true},     {"1.15.1", "1.15", true},
        {"1.15.0", "1.15", false},        {"1.15", "1.15.1", false}, {"01.16", "1.15", true},
        {"1..16", "1.15", false},         {".16", "1.15", false},    {"1.16.", "1.15", false},
        {"1.-16", "1.15", false},         {"", "1.15", false},       {"1.16", "", false},
        {"99999999999.0", "1.15", false},  // too long a part to be a version
    };
    for (const Row& r : rows) {
        EXPECT_EQ(IsNewerVersion(r.announced, r.own), r.newer) << r.announced << " vs " << r.own;
    }
    // The caption shows the version compared with.
    EXPECT_EQ(std::string("Dravik ") + kProgramVersion, "Dravik 1.15");
}

// The status line's notice names the version in use, the new one and the address to get it from, in every
// language; nothing for an answer that announces nothing newer.
TEST(VersionCheckTest, TheStatusNoticeNamesBothVersionsAndTheSite) {
    const std::string own = kProgramVersion;
    const struct {
        const char* answer;
        const char* lang;
        std::string expected;
    } rows[] = {
        {"ok:9.99", "PL", "Dostępna jest nowa wersja 9.99 (masz " + own + "): http://dravik.example"},
        {"ok:9.99", "EN", "New version 9.99 available (you have " + own + "): http://dravik.example"},
        {"ok:9.99", "DE", "Neue Version 9.99 verfügbar (Sie haben " + own + "): http://dravik.example"},
        {"ok:1.00", "EN", ""},
        {"ok:9.9", "EN", ""},  // not the answer's form
        {"", "PL", ""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(VersionStatusNotice(row.answer, row.lang, "http://dravik.example"), row.expected)
            << row.answer << " " << row.lang;
    }
    // One number: the request names the version the caption shows.
    EXPECT_EQ(VersionCheckAddress().substr(VersionCheckAddress().find("?w=") + 3), own);
}

using Clock = std::chrono::steady_clock;

using test::ProcessEventsUntil;

TEST(VersionCheckTest, AsksTheSiteOnceAndShowsTheNoticeCaptionedWithTheProgramsName) {
    test::ScopedEnv site("DRAVIK_SITE_URL", "http://127.0.0.1:9/");
    std::mutex mutex;
    std::vector<std::string> asked;
    QString caption;
    QString text;
    int buttons = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            caption = box->windowTitle();
            text = box->text();
            buttons = static_cast<int>(box->buttons().size());
            box->accept();
        }
    });
    poll.start(5);
    CVersionCheck check([&](const std::string& url) {
        std::lock_guard<std::mutex> lock(mutex);
        asked.push_back(url);
        return std::string("ok:2.00");
    });
    bool answered = false;
    const auto onAnswer = [&](const std::string& answer) {
        ShowVersionNotice(nullptr, answer);
        answered = true;
    };
    check.Start(onAnswer);
    check.Start(onAnswer);  // once per start, however often asked
    ASSERT_TRUE(ProcessEventsUntil([&] { return answered; }));
    check.Stop();
    EXPECT_EQ(asked, std::vector<std::string>{"http://127.0.0.1:9/wersja.php?w=" + std::string(kProgramVersion)});
    EXPECT_EQ(caption.toStdString(), "Dravik");
    EXPECT_TRUE(text.endsWith("127.0.0.1")) << text.toStdString();
    EXPECT_EQ(buttons, 1);

    // An empty answer shows nothing (a box would block here).
    ShowVersionNotice(nullptr, std::string());
}

TEST(VersionCheckTest, TheAnswerIsHandedToTheUiThreadUnlessStoppedFirst) {
    for (const bool bStopFirst : {false, true}) {
        SCOPED_TRACE(bStopFirst ? "stopped before the answer is handed over" : "running");
        std::atomic<bool> fetched{false};
        std::thread::id fetchThread;
        CVersionCheck check([&](const std::string&) {
            fetchThread = std::this_thread::get_id();
            fetched = true;
            return std::string("ok:1.16");
        });
        std::vector<std::string> answers;
        std::thread::id answerThread;
        check.Start([&](const std::string& answer) {
            answerThread = std::this_thread::get_id();
            answers.push_back(answer);
        });
        EXPECT_TRUE(answers.empty()) << "never handed over inside Start()";
        if (bStopFirst) {
            // No events are processed while waiting: the answer is on its way when Stop() comes.
            const auto deadline = Clock::now() + std::chrono::seconds(10);
            while (!fetched && Clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            ASSERT_TRUE(fetched);
            check.Stop();
            QApplication::processEvents();
            QApplication::processEvents();
            EXPECT_TRUE(answers.empty());
            continue;
        }
        ASSERT_TRUE(ProcessEventsUntil([&] { return !answers.empty(); }));
        check.Stop();
        EXPECT_EQ(answers, std::vector<std::string>{"ok:1.16"});
        EXPECT_NE(fetchThread, std::this_thread::get_id());
        EXPECT_EQ(answerThread, std::this_thread::get_id());
    }
}

TEST(VersionCheckTest, ASiteThatNeverAnswersDelaysNeitherTheStartNorTheEnd) {
    test::HttpTestServer server;
    server.Stall("/wersja.php");
    const std::string siteUrl = server.Url("/");
    test::ScopedEnv site("DRAVIK_SITE_URL", siteUrl.c_str());
    bool answered = false;
    CVersionCheck check(nullptr);  // the real fetch
    const auto started = Clock::now();
    check.Start([&](const std::string&) { answered = true; });
    const auto startMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
    ASSERT_TRUE(
        ProcessEventsUntil([&] { return server.RequestCount("/wersja.php?w=" + std::string(kProgramVersion)) == 1; }));
    const auto stopping = Clock::now();
    check.Stop();
    const auto stopMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - stopping).count();
    QApplication::processEvents();
    EXPECT_FALSE(answered);
    if (test::kTimingMeaningful) {
        EXPECT_LT(startMs, 200);
        EXPECT_LT(stopMs, 1500);
    }
    std::printf("version check: Start() %lld ms, Stop() during a stalled fetch %lld ms\n",
                static_cast<long long>(startMs), static_cast<long long>(stopMs));
}

// The answer can come before the main window is shown: the notice waits for it and then stands on its middle.
TEST(VersionCheckTest, TheNoticeWaitsForItsWindowAndIsCentredOnIt) {
    QWidget window;
    window.setGeometry(260, 180, 640, 480);
    int notices = 0;
    bool windowWasShown = false;
    QRect boxFrame;
    QRect windowFrame;
    // Answers every notice, so that a box shown too early fails the test instead of blocking it.
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++notices;
            windowWasShown = window.isVisible();
            boxFrame = box->frameGeometry();
            windowFrame = window.frameGeometry();
            box->accept();
        }
    });
    answerer.start(10);

    ShowVersionNotice(&window, "ok:2.00");
    QApplication::processEvents();
    EXPECT_EQ(notices, 0) << "the notice came before its window";

    window.show();
    QElapsedTimer waited;
    waited.start();
    while (notices == 0 && waited.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    ASSERT_EQ(notices, 1) << "no notice after the window was shown";
    EXPECT_TRUE(windowWasShown);
    EXPECT_LE((boxFrame.center() - windowFrame.center()).manhattanLength(), 2)
        << boxFrame.center().x() << "," << boxFrame.center().y() << " vs " << windowFrame.center().x() << ","
        << windowFrame.center().y();

    // Shown once only: hiding and showing the window again brings no second notice.
    window.hide();
    window.show();
    QElapsedTimer again;
    again.start();
    while (again.elapsed() < 200) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_EQ(notices, 1);
}

}  // namespace
}  // namespace dravik
