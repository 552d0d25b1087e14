#pragma once

// The main window as the program initialises it, with its pages, archive and sound stood in for.
#include "mainwindow/event_list_view.h"
#include "mainwindow/monitor_dlg.h"

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <QAbstractButton>
#include <QAction>
#include <QLabel>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <optional>
#include <thread>

#include "app/alert_settings_key.h"
#include "app/language_dlg.h"
#include "app/settings_key.h"
#include "app/setup_dlg.h"
#include "app/ui_texts.h"
#include "controls/sheen_button.h"
#include "mainwindow/map_browser.h"
#include "platform/environment.h"
#include "platform/qt/dialog_builder.h"
#include "resources/resource_tables.h"
#include "resources/translations.h"
#include "store/event_table.h"
#include "store/quake_database.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/fake_sound.h"
#include "tests/common/process_events.h"
#include "tests/common/quake_page.h"
#include "tests/common/scoped_env.h"
#include "tests/common/test_env.h"
#include "tests/common/timing.h"
#include "tests/mainwindow/widget_texts.h"

namespace dravik {

using Clock = std::chrono::steady_clock;
using test::NumberedQuakeRows;
using test::QuakePageHtml;
using test::QuakeRow;

inline constexpr int kIdStatusLine = 1019;

// Answers every message box that opens while it lives with one button and records what it asked.
class MessageBoxAnswerer final {
public:
    explicit MessageBoxAnswerer(QMessageBox::StandardButton answer) {
        QObject::connect(&m_timer, &QTimer::timeout, [this, answer] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                asked.push_back({box->windowTitle().toStdString(), box->text().toStdString()});
                if (QAbstractButton* yes = box->button(QMessageBox::Yes)) {
                    yesTexts.push_back(yes->text().toStdString());
                }
                box->button(answer)->click();
            }
        });
        m_timer.start(5);
    }
    std::vector<std::pair<std::string, std::string>> asked;  // caption, text
    std::vector<std::string> yesTexts;

private:
    QTimer m_timer;
};

using test::ProcessEventsUntil;

class MonitorDlgTest : public ::testing::Test {
protected:
    void SetLang(const std::string& lang) { m_storage.StoreText(test::kFakeLangKey, "lang", lang); }

    void SetQuakePage(std::string page) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quakePage = std::move(page);
    }
    void SetWindPage(std::string page) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_windPage = std::move(page);
    }

    // The window as the program initialises it, shown offscreen; the test drives the feed unless
    // startWorker is given.
    std::unique_ptr<CMonitorDlg> MakeWindow(bool startWorker = false, bool realStore = false) {
        MonitorServices services;
        services.fetchPage = [this](const std::string& url) { return Fetch(url); };
        services.sound = &m_sound;
        if (!realStore) {
            services.storeEvents = [this](const std::vector<QuakeEvent>& events, const std::atomic<bool>*) {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (m_storeFault != ArchiveFault::kNone) {
                    return ArchiveWriteResult{m_storeFault, "test", 0};
                }
                for (const QuakeEvent& e : events) {
                    m_stored.push_back(e.region);
                }
                return ArchiveWriteResult{};
            };
        }
        services.startFeedWorker = startWorker;
        services.fetchStatus = [this](const std::string& url) {
            std::optional<FetchResult> answer;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                answer = m_quakeAnswer;
            }
            if (answer && url == QuakeUrl()) {
                return *answer;
            }
            const std::string body = Fetch(url);
            return FetchResult{body.empty() ? 0L : 200L, body, !body.empty(), body.empty() ? "no answer" : ""};
        };
        auto dlg = std::make_unique<CMonitorDlg>(nullptr, services);
        dlg->OnInitDialog();
        dlg->show();
        return dlg;
    }

    std::string Fetch(const std::string& url) {
        if (url == QuakeUrl()) {
            if (m_onQuakeFetch) {
                m_onQuakeFetch();
            }
            std::lock_guard<std::mutex> lock(m_mutex);
            return m_quakePage;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        return url == SolarWindUrl() ? m_windPage : std::string();
    }

    static std::vector<std::string> Column(const CMonitorDlg& dlg, int subItem) {
        std::vector<std::string> out;
        for (int row = 0; row < dlg.GetItemCount(); ++row) {
            out.push_back(dlg.GetItemText(row, subItem));
        }
        return out;
    }

    // Each page at its own address.
    test::ScopedEnv m_quakeUrl{"DRAVIK_QUAKE_URL", "http://127.0.0.1:9/quake"};
    test::ScopedEnv m_windUrl{"DRAVIK_SOLAR_WIND_URL", "http://127.0.0.1:9/wind"};
    test::ScopedEnv m_xrayUrl{"DRAVIK_XRAY_URL", "http://127.0.0.1:9/xray"};
    test::ScopedEnv m_siteUrl{"DRAVIK_SITE_URL", "http://127.0.0.1:9/site"};
    test::FakeSettingsStorage m_storage;
    test::ScopedSettingsStorage m_scopedStorage{m_storage};
    test::FakeSound m_sound;
    std::mutex m_mutex;
    std::string m_quakePage;
    std::string m_windPage;
    std::vector<std::string> m_stored;
    ArchiveFault m_storeFault = ArchiveFault::kNone;
    std::function<void()> m_onQuakeFetch;
    // When set, the earthquake source answers this way (status and failure) instead of with its page.
    std::optional<FetchResult> m_quakeAnswer;

    void SetUp() override { SetLang("PL"); }
};

inline std::vector<std::string> Regions(const std::vector<QuakeRow>& rows) {
    std::vector<std::string> out;
    for (const auto& row : rows) {
        out.push_back(row.region);
    }
    return out;
}

}  // namespace dravik
