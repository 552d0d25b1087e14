// The window's start when the product's site is slow, and a second start's request to show the window.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/about_dlg.h"
#include "controls/link_static.h"
#include "mainwindow/monitor_dlg.h"
#include "mainwindow/version_check.h"
#include "platform/environment.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/fake_sound.h"
#include "tests/common/fake_tray_shell.h"
#include "tests/common/process_events.h"
#include "tests/common/scoped_env.h"
#include "tests/common/timing.h"

namespace dravik {
namespace {

using Clock = std::chrono::steady_clock;

using test::ProcessEventsUntil;

// The product's site as a fetch that answers only when the test says so.
class HeldSite final {
public:
    ~HeldSite() { Answer(std::string()); }
    std::string Fetch(const std::string& url) {
        if (url.find("/wersja.php") == std::string::npos) {
            return std::string();
        }
        std::unique_lock<std::mutex> lock(m_mutex);
        m_bAsked = true;
        m_wake.notify_all();
        m_wake.wait(lock, [this] { return m_bAnswered; });
        return m_answer;
    }
    void Answer(std::string answer) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_bAnswered) {
            m_answer = std::move(answer);
            m_bAnswered = true;
        }
        m_wake.notify_all();
    }
    bool Asked() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_bAsked;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bAsked = false;
    bool m_bAnswered = false;
    std::string m_answer;
};

class MonitorDlgStartTest : public ::testing::Test {
protected:
    std::unique_ptr<CMonitorDlg> MakeWindow() {
        MonitorServices services;
        services.fetchPage = [this](const std::string& url) { return m_site.Fetch(url); };
        services.sound = &m_sound;
        services.storeEvents = [](const std::vector<QuakeEvent>&, const std::atomic<bool>*) {
            return ArchiveWriteResult{};
        };
        services.startFeedWorker = false;
        services.trayShell = &m_shell;
        return std::make_unique<CMonitorDlg>(nullptr, services);
    }
    void SetUp() override { m_storage.StoreText(test::kFakeLangKey, "lang", "PL"); }

    test::ScopedEnv m_siteUrl{"DRAVIK_SITE_URL", "http://127.0.0.1:9/site"};
    HeldSite m_site;  // answered before the windows go, so no check waits on it then
    test::FakeSettingsStorage m_storage;
    test::ScopedSettingsStorage m_scopedStorage{m_storage};
    test::FakeSound m_sound;
    test::FakeTrayShell m_shell;
};

// A newer version is told without stopping anyone: no box at the start, the status line (and the site link's
// tooltip) names both versions and where to get the new one, and a line of problems keeps them first.
TEST_F(MonitorDlgStartTest, TheWindowDoesNotWaitForTheSiteAndTheNoticeStandsInTheStatusLine) {
    auto dlg = MakeWindow();
    const auto start = Clock::now();
    dlg->OnInitDialog();
    dlg->show();
    const auto initMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    ASSERT_TRUE(ProcessEventsUntil([&] { return m_site.Asked(); }));
    EXPECT_TRUE(dlg->isVisible());
    if (test::kTimingMeaningful) {
        EXPECT_LT(initMs, 5000) << "the initialisation waited for the site";
    }
    const std::string wanted =
        "Dostępna jest nowa wersja 1.16 (masz " + std::string(kProgramVersion) + "): http://127.0.0.1:9/site";
    m_site.Answer("ok:1.16");
    ASSERT_TRUE(ProcessEventsUntil([&] { return dlg->GetDlgItemText(1019).find("1.16") != std::string::npos; }))
        << dlg->GetDlgItemText(1019);
    EXPECT_EQ(dlg->GetDlgItemText(1019), wanted);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "a box stops the user at the start";
    ASSERT_NE(dlg->m_linkSite, nullptr);
    EXPECT_EQ(dlg->m_linkSite->toolTip().toStdString(), wanted);
    EXPECT_EQ(dlg->m_linkSite->URL().toStdString(), "http://127.0.0.1:9/site");
}

TEST_F(MonitorDlgStartTest, AnotherStartsRequestShowsTheWindowAsShowListDoes) {
    m_site.Answer(std::string());
    enum class From { Shown, Minimised, Tray, TrayWithAboutBox, NotYetRun, Ended };
    struct Row {
        const char* name;
        From from;
        bool bShownAfter;
    };
    const Row rows[] = {
        {"shown", From::Shown, true},
        {"minimised", From::Minimised, true},
        {"hidden to the tray", From::Tray, true},
        {"hidden to the tray, about box open", From::TrayWithAboutBox, true},
        {"initialised, run not begun", From::NotYetRun, false},
        {"run ended", From::Ended, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto dlg = MakeWindow();
        dlg->OnInitDialog();
        if (row.from != From::NotYetRun) {
            dlg->show();
        }
        if (row.from == From::Minimised) {
            dlg->showMinimized();
        }
        std::unique_ptr<CAboutDlg> about;
        if (row.from == From::Tray || row.from == From::TrayWithAboutBox) {
            dlg->OnHide();
            ASSERT_TRUE(dlg->m_bHiddenToTray);
            ASSERT_EQ(m_shell.IconCount(), 1u);
        }
        if (row.from == From::TrayWithAboutBox) {
            about = std::make_unique<CAboutDlg>();
            about->setWindowModality(Qt::ApplicationModal);
            about->show();
            ASSERT_EQ(QApplication::activeModalWidget(), about.get());
        }
        if (row.from == From::Ended) {
            dlg->EndDialog(QDialog::Rejected);
        }

        EXPECT_EQ(dlg->OnActivateRequest(), row.bShownAfter);

        EXPECT_EQ(dlg->isVisible() && !dlg->isMinimized(), row.bShownAfter);
        if (row.from == From::Tray || row.from == From::TrayWithAboutBox) {
            EXPECT_FALSE(dlg->m_bHiddenToTray);
            EXPECT_EQ(m_shell.IconCount(), 0u) << "the tray icon goes as with \"Pokaż listę\"";
        }
        if (about) {
            EXPECT_TRUE(about->isVisible()) << "the dialog stays open above the window";
            about->close();
        }
        EXPECT_EQ(dlg->IsEnded(), row.from == From::Ended);
    }
}

}  // namespace
}  // namespace dravik
