#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/language_dlg.h"
#include "app/ui_texts.h"
#include "controls/sheen_button.h"
#include "mainwindow/monitor_dlg.h"
#include "mainwindow/system_tray.h"
#include "platform/dialog_template.h"
#include "platform/environment.h"
#include "platform/qt/dialog_builder.h"
#include "resources/resource_tables.h"
#include "tests/common/fake_notifier.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/fake_sound.h"
#include "tests/common/fake_tray_shell.h"
#include "tests/common/scoped_env.h"

namespace dravik {
namespace {

void ProcessEventsFor(std::chrono::milliseconds span) {
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

// Answers the modal windows that open while it lives: the language dialog with a radio button and a
// button, message boxes with one button; records what the boxes said.
class ModalAnswerer final {
public:
    ModalAnswerer(int radioId, int dialogButton, QMessageBox::StandardButton boxAnswer) {
        QObject::connect(&m_timer, &QTimer::timeout, [=] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                asked.push_back({box->windowTitle().toStdString(), box->text().toStdString()});
                box->button(boxAnswer)->click();
            } else if (auto* dialog = qobject_cast<CLanguageDlg*>(modal)) {
                if (radioId != 0) {
                    qobject_cast<QAbstractButton*>(FindControl(dialog, radioId))->click();
                }
                qobject_cast<QAbstractButton*>(FindControl(dialog, dialogButton))->click();
            }
        });
        m_timer.start(5);
    }
    std::vector<std::pair<std::string, std::string>> asked;  // caption, text

private:
    QTimer m_timer;
};

class TrayMonitorDlgTest : public ::testing::Test {
protected:
    void SetLang(const std::string& lang) { m_storage.StoreText(test::kFakeLangKey, "lang", lang); }
    std::string StoredLang() {
        auto bytes = m_storage.Stored(test::kFakeLangKey, "lang");
        return bytes ? std::string(bytes->bytes.c_str()) : std::string("<none>");
    }

    std::unique_ptr<CMonitorDlg> MakeWindow(bool show = true) {
        MonitorServices services;
        services.fetchPage = [](const std::string&) { return std::string(); };
        services.sound = &m_sound;
        services.storeEvents = [](const std::vector<QuakeEvent>&, const std::atomic<bool>*) {
            return ArchiveWriteResult{};
        };
        services.startFeedWorker = false;
        services.trayShell = &m_shell;
        services.notifier = &m_notifier;
        auto dlg = std::make_unique<CMonitorDlg>(nullptr, services);
        dlg->OnInitDialog();
        if (show) {
            dlg->show();
        }
        return dlg;
    }

    std::vector<TrayImage> Tick(CMonitorDlg& dlg, int ticks) {
        std::vector<TrayImage> images;
        for (int i = 0; i < ticks; ++i) {
            const std::size_t before = m_shell.calls.size();
            dlg.OnTimer();
            images.push_back(m_shell.calls.size() > before ? m_shell.calls.back().data.icon : 0);
        }
        return images;
    }

    void SetUp() override { SetLang("PL"); }

    test::FakeSettingsStorage m_storage;
    test::ScopedSettingsStorage m_scopedStorage{m_storage};
    test::FakeSound m_sound;
    test::FakeTrayShell m_shell;
    test::FakeNotifier m_notifier;
};

// Two sources that cannot be read while the window is in the tray: the tooltip says so first, as far as the tray
// shows, and the status line names both before anything else.
TEST_F(TrayMonitorDlgTest, TheTooltipStartsWithWhatGoesWrongAndFitsTheTray) {
    test::ScopedEnv sources("DRAVIK_QUAKE_URL", "http://127.0.0.1:9/a http://127.0.0.2:9/b");
    test::ScopedEnv wind("DRAVIK_SOLAR_WIND_URL", "http://127.0.0.1:9/wind");
    test::ScopedEnv xray("DRAVIK_XRAY_URL", "http://127.0.0.1:9/xray");
    auto dlg = MakeWindow();
    dlg->OnHide();
    ASSERT_NE(dlg->m_pTray, nullptr);
    EXPECT_EQ(m_shell.calls.back().Tip(), "Dravik - monitoring sejsmiczny");
    dlg->RefreshQuakeList();
    const std::string tip = m_shell.calls.back().Tip();
    EXPECT_EQ(tip.rfind("Źródło niedostępne: 127.0.0.1 (no answer)\nŹródło nied", 0), 0u) << tip;
    EXPECT_LE(tip.size(), kTrayTipSize - 1);
    EXPECT_EQ(tip.substr(tip.size() - 3), "\xE2\x80\xA6") << "a cut tip says it goes on";
    EXPECT_EQ(dlg->GetDlgItemText(1019).rfind("Źródło niedostępne: 127.0.0.1 (no answer) | Źródło niedostępne: "
                                              "127.0.0.2 (no answer)",
                                              0),
              0u)
        << dlg->GetDlgItemText(1019);
}

TEST_F(TrayMonitorDlgTest, HidingAddsTheIconOfTheLanguageAndShowingRemovesIt) {
    struct Row {
        std::string lang;
        unsigned id;
        std::string tip;
    };
    const std::vector<Row> rows = {
        {"PL", 129, "Dravik - monitoring sejsmiczny"},
        {"EN", 137, "Dravik - earthquake monitor"},
    };
    for (const auto& row : rows) {
        SetLang(row.lang);
        m_shell.calls.clear();
        auto dlg = MakeWindow();
        dlg->m_bNewEvent = true;  // an event while shown causes no blinking later
        dlg->OnHide();
        EXPECT_FALSE(dlg->isVisible()) << row.lang;
        EXPECT_TRUE(dlg->m_bHiddenToTray);
        EXPECT_FALSE(dlg->m_bNewEvent);
        ASSERT_NE(dlg->m_pTray, nullptr);
        ASSERT_EQ(m_shell.IconCount(), 1u) << row.lang;
        const auto& added = m_shell.calls.front();
        EXPECT_EQ(added.op, TrayOp::Add);
        EXPECT_EQ(added.data.id, row.id);
        EXPECT_EQ(added.Tip(), row.tip);
        EXPECT_EQ(added.data.icon, dlg->m_hTrayIcon);
        EXPECT_EQ(added.data.callbackMessage, dlg->m_uTrayMessage);
        dlg->OnShowList();
        EXPECT_TRUE(dlg->isVisible());
        EXPECT_FALSE(dlg->isMinimized());
        EXPECT_EQ(dlg->m_pTray, nullptr);
        EXPECT_EQ(m_shell.IconCount(), 0u);
        EXPECT_FALSE(dlg->IsEnded());
    }
}

TEST_F(TrayMonitorDlgTest, IconBlinksFromTheNextTickUntilShownAndHiddenAgain) {
    auto dlg = MakeWindow();
    const TrayImage normal = dlg->m_hTrayIcon;
    const TrayImage blink = dlg->m_hBlinkIcon;
    EXPECT_EQ(Tick(*dlg, 1), std::vector<TrayImage>{0}) << "no icon while shown";
    dlg->OnHide();
    // A steady icon is not set again: nothing reaches the tray host.
    EXPECT_EQ(Tick(*dlg, 2), (std::vector<TrayImage>{0, 0}));
    dlg->m_bNewEvent = true;
    EXPECT_EQ(Tick(*dlg, 4), (std::vector<TrayImage>{normal, blink, normal, blink}));
    dlg->OnShowList();
    EXPECT_TRUE(dlg->m_bNewEvent);
    dlg->OnHide();
    EXPECT_EQ(Tick(*dlg, 3), (std::vector<TrayImage>{0, 0, 0}));
}

// Hidden with nothing new the program has no timer of its own running; news starts the blink, and showing the
// window stops it.
TEST_F(TrayMonitorDlgTest, TheBlinkTimerRunsOnlyWhileTheHiddenWindowHasNews) {
    auto dlg = MakeWindow();
    EXPECT_FALSE(dlg->BlinkTimerRunning());
    dlg->m_bNewEvent = true;
    dlg->StartBlinkTimer();  // news while shown: nothing blinks
    EXPECT_FALSE(dlg->BlinkTimerRunning());
    dlg->OnHide();
    EXPECT_FALSE(dlg->BlinkTimerRunning());
    m_shell.calls.clear();
    ProcessEventsFor(std::chrono::milliseconds(1200));
    EXPECT_TRUE(m_shell.calls.empty());

    dlg->m_bNewEvent = true;
    dlg->StartBlinkTimer();  // as the feed does when it announces a quake
    ASSERT_TRUE(dlg->BlinkTimerRunning());
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::vector<TrayImage> shown;
    while (shown.size() < 2 && std::chrono::steady_clock::now() < until) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        shown.clear();
        for (const auto& call : m_shell.calls) {
            shown.push_back(call.data.icon);
        }
    }
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown[0], dlg->m_hTrayIcon);
    EXPECT_EQ(shown[1], dlg->m_hBlinkIcon);

    dlg->OnShowList();
    EXPECT_FALSE(dlg->BlinkTimerRunning());
    dlg->OnHide();  // hiding clears the news
    EXPECT_FALSE(dlg->BlinkTimerRunning());
}

TEST_F(TrayMonitorDlgTest, DoubleClickOnTheIconShowsTheWindow) {
    auto dlg = MakeWindow();
    dlg->OnHide();
    dlg->m_pTray->WindowProc(dlg->m_uTrayMessage, 129, kTrayLButtonDblClk);
    EXPECT_FALSE(dlg->isVisible()) << "the command arrives after the notification has been answered";
    ProcessEventsFor(std::chrono::milliseconds(50));
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->m_pTray, nullptr);
    EXPECT_EQ(m_shell.IconCount(), 0u);
}

TEST_F(TrayMonitorDlgTest, WithoutAnIconHideOnlyMinimises) {
    struct Row {
        bool available;
        bool refuse;
        std::string lang;
        std::size_t shellCalls;
    };
    const std::vector<Row> rows = {
        {false, false, "PL", 0},  // no tray host on the desktop
        {true, true, "PL", 1},    // the shell refuses the icon
        {true, false, "XX", 0},   // an unknown language gets no icon
    };
    for (const auto& row : rows) {
        m_shell.available = row.available;
        m_shell.refuseAdd = row.refuse;
        m_shell.calls.clear();
        SetLang(row.lang);
        auto dlg = MakeWindow();
        dlg->m_bNewEvent = true;
        dlg->OnHide();
        EXPECT_TRUE(dlg->isVisible()) << row.lang << row.available;
        EXPECT_TRUE(dlg->isMinimized());
        EXPECT_FALSE(dlg->m_bHiddenToTray);
        EXPECT_FALSE(dlg->m_bNewEvent);
        EXPECT_EQ(dlg->m_pTray, nullptr);
        EXPECT_EQ(m_shell.calls.size(), row.shellCalls);
        EXPECT_EQ(m_shell.IconCount(), 0u);
        dlg->OnShowList();
        EXPECT_FALSE(dlg->isMinimized());
    }
}

// Without a tray the button says before it is pressed what it will do, and the first hiding of a run says how
// the window comes back; a tray host that appears later makes it hide to the tray again.
TEST_F(TrayMonitorDlgTest, WithoutATrayHideSaysOnceHowTheWindowComesBack) {
    m_shell.available = false;
    auto dlg = MakeWindow();
    const QString hint = QString::fromStdString(NoTrayHideHint("PL"));
    ASSERT_FALSE(hint.isEmpty());
    EXPECT_EQ(dlg->m_btnHide->toolTip(), hint);
    EXPECT_EQ(FindCommand(dlg->m_menuBar, kCmdHide)->toolTip(), hint);
    for (int hide = 0; hide < 2; ++hide) {
        dlg->OnHide();
        EXPECT_TRUE(dlg->isMinimized()) << hide;
        dlg->OnShowList();
    }
    ASSERT_EQ(m_notifier.notices.size(), 1u);
    EXPECT_EQ(QString::fromStdString(m_notifier.notices[0].body), hint);
    EXPECT_EQ(m_notifier.notices[0].key, "*") << "a click on it shows the window";

    m_shell.available = true;
    dlg->OnHide();
    EXPECT_TRUE(dlg->m_bHiddenToTray);
    EXPECT_EQ(dlg->m_btnHide->toolTip(), QString());
    EXPECT_EQ(m_notifier.notices.size(), 1u);
}

TEST_F(TrayMonitorDlgTest, HidingKeepsTheModalRunGoingUntilTheTrayCloseIsConfirmed) {
    SetLang("EN");
    auto dlg = MakeWindow();
    bool hiddenWhileRunning = false;
    std::vector<std::pair<std::string, std::string>> asked;
    QTimer::singleShot(10, dlg.get(), [&] { dlg->OnHide(); });
    QTimer::singleShot(200, dlg.get(), [&] {
        hiddenWhileRunning = !dlg->isVisible() && !dlg->IsEnded();
        {
            ModalAnswerer no(0, 0, QMessageBox::No);
            dlg->OnTrayClose();
            asked.insert(asked.end(), no.asked.begin(), no.asked.end());
        }
        EXPECT_FALSE(dlg->IsEnded());
        ModalAnswerer yes(0, 0, QMessageBox::Yes);
        dlg->OnTrayClose();
        asked.insert(asked.end(), yes.asked.begin(), yes.asked.end());
    });
    dlg->DoModal();
    EXPECT_TRUE(hiddenWhileRunning);
    EXPECT_TRUE(dlg->IsEnded());
    EXPECT_EQ(dlg->m_pTray, nullptr);
    EXPECT_EQ(m_shell.IconCount(), 0u);
    const std::pair<std::string, std::string> question{"Dravik", "Quit Dravik?"};
    EXPECT_EQ(asked, (std::vector<std::pair<std::string, std::string>>{question, question}));
}

TEST_F(TrayMonitorDlgTest, EndsWhileHiddenToTheTrayEndTheModalRun) {
    // The language change and the clean close on a signal end the program without showing the window.
    struct Row {
        const char* what;
        std::function<void(CMonitorDlg&)> end;
    };
    const std::vector<Row> rows = {
        {"language change",
         [](CMonitorDlg& dlg) {
             ModalAnswerer answerer(1008, kIdOk, QMessageBox::Ok);
             dlg.OnChangeLanguage();
         }},
        {"close without question", [](CMonitorDlg& dlg) { dlg.CloseWithoutQuestion(); }},
    };
    for (const auto& row : rows) {
        SetLang("PL");
        auto dlg = MakeWindow();
        bool stuck = false;
        QTimer::singleShot(10, dlg.get(), [&] { dlg->OnHide(); });
        QTimer::singleShot(100, dlg.get(), [&] { row.end(*dlg); });
        // Should the run go on, it is ended from outside so that the test can report it.
        QTimer::singleShot(3000, dlg.get(), [&] {
            stuck = true;
            dlg->QWidget::setVisible(true);
            dlg->done(QDialog::Rejected);
        });
        dlg->DoModal();
        EXPECT_FALSE(stuck) << row.what;
        EXPECT_TRUE(dlg->IsEnded()) << row.what;
    }
}

// Counts the times a window is shown.
class ShowCounter final : public QObject {
public:
    explicit ShowCounter(QWidget* window) { window->installEventFilter(this); }
    int shows = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            ++shows;
        }
        return QObject::eventFilter(watched, event);
    }
};

// Started with the session, the run goes straight to the tray without ever showing the window, also when the
// tray host comes a moment later; another start's request for the window, or an end, during the wait is
// served at once.
TEST_F(TrayMonitorDlgTest, StartInTheTrayNeverShowsTheWindowAndWaitsForALateTrayHost) {
    struct Row {
        const char* what;
        int trayComesMs;  // -1: never within the test
        bool activate;    // another start asks for the window at 150 ms
        bool inTray;      // in the tray at 700 ms, the window never shown
    };
    const Row rows[] = {
        {"tray host there", 0, false, true},
        {"tray host 300 ms late", 300, false, true},
        {"window asked for while waiting", -1, true, false},
    };
    for (const Row& row : rows) {
        m_shell.available = row.trayComesMs == 0;
        auto dlg = MakeWindow(false);
        ShowCounter counter(dlg.get());
        dlg->StartInTray();
        bool hidden = false;
        bool shown = false;
        int showsBefore = -1;
        if (row.trayComesMs > 0) {
            QTimer::singleShot(row.trayComesMs, dlg.get(), [&] { m_shell.available = true; });
        }
        if (row.activate) {
            QTimer::singleShot(150, dlg.get(), [&] { EXPECT_TRUE(dlg->OnActivateRequest()) << row.what; });
        }
        QTimer::singleShot(700, dlg.get(), [&] {
            showsBefore = counter.shows;
            hidden = dlg->m_bHiddenToTray && !dlg->isVisible() && dlg->m_pTray != nullptr && m_shell.IconCount() == 1;
            shown = dlg->isVisible() && !dlg->m_bHiddenToTray && m_shell.IconCount() == 0;
            m_shell.available = true;
        });
        // A tray host coming after the window was asked for does not take it away.
        QTimer::singleShot(1200, dlg.get(), [&] {
            if (row.activate) {
                EXPECT_TRUE(dlg->isVisible()) << row.what;
                EXPECT_EQ(m_shell.IconCount(), 0u) << row.what;
            }
            dlg->CloseWithoutQuestion();
        });
        QTimer::singleShot(5000, dlg.get(), [&] {
            ADD_FAILURE() << row.what << ": the run did not end";
            dlg->QWidget::setVisible(true);
            dlg->done(QDialog::Rejected);
        });
        dlg->DoModal();
        EXPECT_TRUE(dlg->IsEnded()) << row.what;
        if (row.inTray) {
            EXPECT_TRUE(hidden) << row.what;
            EXPECT_EQ(showsBefore, 0) << row.what;
        } else {
            EXPECT_TRUE(shown) << row.what;
        }
    }
    // Ended while still waiting for a tray host: the run ends all the same.
    m_shell.available = false;
    auto dlg = MakeWindow(false);
    dlg->StartInTray();
    bool stuck = false;
    QTimer::singleShot(100, dlg.get(), [&] { dlg->CloseWithoutQuestion(); });
    QTimer::singleShot(3000, dlg.get(), [&] {
        stuck = true;
        dlg->QWidget::setVisible(true);
        dlg->done(QDialog::Rejected);
    });
    dlg->DoModal();
    EXPECT_FALSE(stuck);
    m_shell.available = true;
}

TEST_F(TrayMonitorDlgTest, ChangingTheLanguageStoresItAsksForARestartAndEndsChoosingTheSameSaysNothing) {
    struct Row {
        std::string stored;
        int radio;
        int button;
        bool ends;
        std::string storedAfter;
        std::string message;
    };
    const std::vector<Row> rows = {
        {"PL", 1008, kIdOk, true, "EN", "Please restart application"},
        {"EN", 1007, kIdOk, true, "PL", "Uruchom program ponownie"},
        // The language in use: nothing said, the program runs on.
        {"PL", 0, kIdOk, false, "PL", ""},
        {"EN", 1008, kIdOk, false, "EN", ""},
        {"PL", 1008, kIdCancel, false, "PL", ""},
    };
    for (const auto& row : rows) {
        SetLang(row.stored);
        auto dlg = MakeWindow();
        dlg->OnHide();
        ModalAnswerer answerer(row.radio, row.button, QMessageBox::Ok);
        dlg->OnChangeLanguage();
        EXPECT_EQ(dlg->IsEnded(), row.ends) << row.stored << " " << row.radio;
        // An end for a new language is a restart, not the end of the monitoring.
        EXPECT_EQ(dlg->RestartWanted(), row.ends);
        EXPECT_EQ(StoredLang(), row.storedAfter);
        if (row.message.empty()) {
            EXPECT_TRUE(answerer.asked.empty());
        } else {
            ASSERT_EQ(answerer.asked.size(), 1u);
            EXPECT_EQ(answerer.asked[0].first, "Dravik");
            EXPECT_EQ(answerer.asked[0].second, row.message);
        }
    }
}

}  // namespace
}  // namespace dravik
