#include "mainwindow/monitor_dlg.h"
#include "mainwindow/event_list_view.h"

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
namespace {

using Clock = std::chrono::steady_clock;
using test::NumberedQuakeRows;
using test::QuakePageHtml;
using test::QuakeRow;

constexpr int kIdStatusLine = 1019;

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

std::vector<std::string> Regions(const std::vector<QuakeRow>& rows) {
    std::vector<std::string> out;
    for (const auto& row : rows) {
        out.push_back(row.region);
    }
    return out;
}

// While the archive cannot be written the status line says so, in the user's language, instead of the solar
// wind; the events stay listed once and are written when the archive works again.
TEST_F(MonitorDlgTest, StatusLineShowsAnArchiveProblemWhileItLasts) {
    SetLang("EN");
    auto dlg = MakeWindow();
    SetWindPage("Solar wind speed: <b>412.3</b> km/s density: <b>5.1</b>");
    const std::string wind = "Solar wind speed: 412.3 km/s, density: 5.1 protons/cm³";
    dlg->ReadSolarWind();
    EXPECT_EQ(dlg->GetDlgItemText(kIdStatusLine), wind);

    m_storeFault = ArchiveFault::kDiskFull;
    SetQuakePage(QuakePageHtml(NumberedQuakeRows(500000, 3)));
    dlg->RefreshQuakeList();
    EXPECT_EQ(dlg->GetDlgItemText(kIdStatusLine), "Archive unavailable: disk full");
    dlg->ReadSolarWind();
    EXPECT_EQ(dlg->GetDlgItemText(kIdStatusLine), "Archive unavailable: disk full");
    EXPECT_TRUE(m_stored.empty());

    m_storeFault = ArchiveFault::kNone;
    dlg->RefreshQuakeList();  // nothing new on the page: the listed events are written all the same
    EXPECT_EQ(m_stored.size(), 3U);
    EXPECT_EQ(dlg->GetItemCount(), 3);
    EXPECT_EQ(dlg->GetDlgItemText(kIdStatusLine), wind);
}

// A source that cannot be read names itself, and why, before the solar wind in the status line and in the tray
// icon's tooltip until it reads again; an empty list says why it is empty only while nothing can be read.
TEST_F(MonitorDlgTest, AFailingSourceIsShownUntilItReadsAgain) {
    SetLang("EN");
    SetWindPage("Solar wind speed: <b>412.3</b> km/s density: <b>5.1</b>");
    auto dlg = MakeWindow();
    dlg->ReadSolarWind();
    const std::string wind = dlg->GetDlgItemText(kIdStatusLine);
    ASSERT_NE(wind.find("412.3"), std::string::npos) << wind;
    const FetchResult refused{0, "", false, "Couldn't connect to server"};
    // What goes wrong first, so a line too long for the window loses the weather, not the problem.
    const std::string refusedLine = "Source unavailable: 127.0.0.1 (Couldn't connect to server) | " + wind;
    const struct {
        FetchResult answer;
        std::string line;
        bool note;
    } steps[] = {
        {refused, refusedLine, true},
        {{503, "Error 503", true, ""}, "Source unavailable: 127.0.0.1 (HTTP 503) | " + wind, true},
        {{200, QuakePageHtml({}), true, ""}, wind, false},
        {{200, QuakePageHtml(NumberedQuakeRows(500000, 2)), true, ""}, wind, false},
        {refused, refusedLine, false},  // the rows listed before are still there to see
    };
    for (const auto& step : steps) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_quakeAnswer = step.answer;
        }
        dlg->RefreshQuakeList();
        dlg->ReadSolarWind();
        EXPECT_EQ(dlg->GetDlgItemText(kIdStatusLine), step.line);
        const QLabel* note = dlg->EmptyListNote();
        EXPECT_EQ(note != nullptr && !note->isHidden(), step.note) << step.line;
        if (step.note && note != nullptr) {
            EXPECT_EQ(note->text().toStdString(), "No earthquakes to show: no source can be read.");
        }
    }
}

// A fetch's failure reads in the window's language, the network stack's words left to the log; an HTTP status
// stays as it is.
TEST_F(MonitorDlgTest, AFailingSourceSaysWhyInTheLanguage) {
    const auto failed = [](FetchFailure failure) {
        FetchResult result;
        result.failure = failure;
        result.error = "Connection refused";
        return result;
    };
    const struct {
        const char* lang;
        FetchResult answer;
        const char* line;
    } cases[] = {
        {"PL", failed(FetchFailure::kCannotConnect), "Źródło niedostępne: 127.0.0.1 (nie można połączyć)"},
        {"EN", failed(FetchFailure::kCannotConnect), "Source unavailable: 127.0.0.1 (cannot connect)"},
        {"DE", failed(FetchFailure::kCannotConnect), "Quelle nicht erreichbar: 127.0.0.1 (keine Verbindung möglich)"},
        {"PL", failed(FetchFailure::kHostNotFound), "Źródło niedostępne: 127.0.0.1 (nieznany host)"},
        {"EN", failed(FetchFailure::kTimedOut), "Source unavailable: 127.0.0.1 (timed out)"},
        {"DE", failed(FetchFailure::kTls), "Quelle nicht erreichbar: 127.0.0.1 (TLS-Fehler)"},
        {"PL", failed(FetchFailure::kTooManyRedirects), "Źródło niedostępne: 127.0.0.1 (za dużo przekierowań)"},
        {"DE", failed(FetchFailure::kTooLarge), "Quelle nicht erreichbar: 127.0.0.1 (Antwort zu groß)"},
        {"EN", failed(FetchFailure::kOther), "Source unavailable: 127.0.0.1 (network error)"},
        {"DE", {503, "Error 503", true, ""}, "Quelle nicht erreichbar: 127.0.0.1 (HTTP 503)"},
    };
    for (const auto& c : cases) {
        SetLang(c.lang);
        auto dlg = MakeWindow();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_quakeAnswer = c.answer;
        }
        dlg->RefreshQuakeList();
        const std::string line = dlg->GetDlgItemText(kIdStatusLine);
        EXPECT_EQ(line, c.line) << c.lang;
        EXPECT_EQ(line.find("refused"), std::string::npos) << line;
    }
}

TEST_F(MonitorDlgTest, FeedCyclesFillTheListInPageOrderThenAtTheTop) {
    // The rows in the archive's own form: the page's time plus an hour.
    m_storage.StoreText(test::kFakeLangKey, kDisplayTime, "classic");
    auto dlg = MakeWindow();
    auto rows = NumberedQuakeRows(500000, 50);
    SetQuakePage(QuakePageHtml(rows));
    bool lockedDuringFetch = false;
    bool waitCursorDuringFetch = false;
    m_onQuakeFetch = [&] {
        lockedDuringFetch = !dlg->m_listEvents->updatesEnabled();
        waitCursorDuringFetch =
            QApplication::overrideCursor() != nullptr && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    };

    dlg->RefreshQuakeList();
    EXPECT_EQ(Column(*dlg, 1), Regions(rows));
    EXPECT_EQ(m_stored, Regions(rows));
    EXPECT_EQ(dlg->GetFirstSelectedItem(), 0);
    EXPECT_EQ(dlg->m_mapView.LastLat(), dlg->GetItemText(0, 4)) << "item 0 is handed to the map view";
    EXPECT_EQ(dlg->m_mapView.LastLon(), dlg->GetItemText(0, 5));
    EXPECT_TRUE(m_sound.Played().empty());
    EXPECT_TRUE(dlg->m_bNewEvent);
    EXPECT_TRUE(dlg->m_bFirstFillDone);
    EXPECT_FALSE(dlg->m_bFeedBusy);
    // The list keeps drawing during the fetch, which may hang for a minute while a pushed quake comes: it stops
    // only while it is filled.
    EXPECT_FALSE(lockedDuringFetch);
    EXPECT_FALSE(waitCursorDuringFetch);
    EXPECT_TRUE(dlg->m_listEvents->updatesEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    const std::vector<std::string> first = {
        "4.5", "REGION 500000", "2016-05-10", "19:03", rows[0].lat + " ", rows[0].lon + " ", "10"};
    for (int sub = 0; sub < 7; ++sub) {
        EXPECT_EQ(dlg->GetItemText(0, sub), first[static_cast<std::size_t>(sub)]) << "sub-item " << sub;
    }

    // The same page again changes nothing.
    dlg->m_bNewEvent = false;
    dlg->RefreshQuakeList();
    EXPECT_EQ(dlg->GetItemCount(), 50);
    EXPECT_FALSE(dlg->m_bNewEvent);
    EXPECT_TRUE(m_sound.Played().empty());

    // Two new rows A above B: B on top, then A, then the older items; the selection stays on its event.
    QuakeRow a{"600001"}, b{"600002"};
    a.region = "A";
    b.region = "B";
    rows.insert(rows.begin(), {a, b});
    SetQuakePage(QuakePageHtml(rows));
    dlg->RefreshQuakeList();
    const auto regions = Column(*dlg, 1);
    ASSERT_EQ(regions.size(), 52u);
    EXPECT_EQ(regions[0], "B");
    EXPECT_EQ(regions[1], "A");
    EXPECT_EQ(regions[2], "REGION 500000");
    EXPECT_EQ(m_sound.Played(), (std::vector<std::string>{"earthquake-04.wav", "earthquake-04.wav"}));
    EXPECT_EQ(dlg->GetFirstSelectedItem(), 2);
    EXPECT_TRUE(dlg->m_bNewEvent);
}

TEST_F(MonitorDlgTest, ItemImageIsTheMagnitudeClass) {
    auto dlg = MakeWindow();
    const std::vector<std::pair<std::string, int>> cases = {{"3.9", 0}, {"4.0", 1}, {"5.9", 1}, {"6.0", 2},
                                                            {"7.0", 3}, {"8.2", 3}, {"", 0}};
    std::vector<QuakeRow> rows;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        QuakeRow row{std::to_string(510000 + i)};
        row.mag = cases[i].first;
        rows.push_back(row);
    }
    SetQuakePage(QuakePageHtml(rows));
    dlg->RefreshQuakeList();
    ASSERT_EQ(dlg->GetItemCount(), static_cast<int>(cases.size()));
    ASSERT_EQ(dlg->m_imageList.size(), 4);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const QIcon icon =
            qvariant_cast<QIcon>(dlg->m_listEvents->model()->index(static_cast<int>(i), 0).data(Qt::DecorationRole));
        EXPECT_EQ(icon.cacheKey(), dlg->m_imageList[cases[i].second].cacheKey()) << '"' << cases[i].first << '"';
    }
}

TEST_F(MonitorDlgTest, FailedFirstFetchThenAGoodPageGoesToTheTopWithSound) {
    auto dlg = MakeWindow();
    dlg->RefreshQuakeList();
    EXPECT_EQ(dlg->GetItemCount(), 0);
    EXPECT_EQ(dlg->GetFirstSelectedItem(), -1);
    EXPECT_TRUE(dlg->m_bFirstFillDone);

    SetQuakePage(QuakePageHtml(NumberedQuakeRows(500000, 3)));
    dlg->RefreshQuakeList();
    EXPECT_EQ(Column(*dlg, 1), (std::vector<std::string>{"REGION 500002", "REGION 500001", "REGION 500000"}));
    EXPECT_EQ(m_sound.Played().size(), 3u);
    EXPECT_EQ(dlg->GetFirstSelectedItem(), -1);
}

TEST_F(MonitorDlgTest, EventsAlreadyInTheArchiveAreListedAgainWithoutSoundAndNotStoredTwice) {
    const test::ScopedEnv dataDir("DRAVIK_DATA_DIR", test::MakeTempDir("archive").c_str());
    const auto rows = NumberedQuakeRows(520000, 5);
    CreateEventTable();
    for (const auto& row : rows) {
        StoreEventIfNew(row.mag, row.region, "2016-05-10", "19:03", row.lat + " ", row.lon + " ");
    }
    auto dlg = MakeWindow(false, true);
    SetQuakePage(QuakePageHtml(rows));
    dlg->RefreshQuakeList();

    EXPECT_EQ(dlg->GetItemCount(), 5);
    EXPECT_TRUE(m_sound.Played().empty());
    CQuakeDatabase db;
    db.Query("select * from trze");
    EXPECT_EQ(db.GetRowCount(), 5);
}

TEST_F(MonitorDlgTest, AnOldFormatArchiveIsConvertedByTheFeedsFirstRound) {
    const std::string missing = test::MissingFixtures("sqlite2");
    ASSERT_TRUE(missing.empty()) << missing;
    const std::string fixtures = test::FixturesDir();
    const std::string dir = test::MakeTempDir("old-archive");
    const test::ScopedEnv dataDir("DRAVIK_DATA_DIR", dir.c_str());
    std::filesystem::copy_file(fixtures + "/sqlite2/small.dat", dir + "/dravik.dat");

    auto dlg = MakeWindow(false, true);
    EXPECT_FALSE(std::filesystem::exists(dir + "/dravik.dat.sqlite2")) << "not on the UI thread";
    dlg->RefreshQuakeList();  // the feed's first round

    EXPECT_TRUE(std::filesystem::exists(dir + "/dravik.dat.sqlite2"));
    CQuakeDatabase db;
    db.Query("select * from trze where region like 'POLSKA%'");
    ASSERT_EQ(db.GetRowCount(), 1);
    EXPECT_EQ(db.GetValue("region"), "POLSKA - Lądek-Zdrój, Gać");
}

// Another program holds the archive at start: the window is made at once, its status line says the archive is
// locked, and ending the program does not wait for the lock.
TEST_F(MonitorDlgTest, ALockedArchiveAtStartHoldsNeitherTheWindowNorTheEnd) {
    const std::string dir = test::MakeTempDir("locked-at-start");
    const test::ScopedEnv dataDir("DRAVIK_DATA_DIR", dir.c_str());
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open((dir + "/dravik.dat").c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "CREATE TABLE other (x); BEGIN EXCLUSIVE; INSERT INTO other VALUES (1)", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    SetQuakePage(QuakePageHtml(NumberedQuakeRows(530000, 3)));

    const auto start = std::chrono::steady_clock::now();
    auto dlg = MakeWindow(true, true);
    const auto made = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(
        ProcessEventsUntil([&] { return dlg->GetDlgItemText(kIdStatusLine).find("zablokowane") != std::string::npos; },
                           std::chrono::seconds(30)))
        << dlg->GetDlgItemText(kIdStatusLine);
    const auto stopStart = std::chrono::steady_clock::now();
    dlg->StopFeedWorker();
    const auto stopped = std::chrono::steady_clock::now() - stopStart;
    sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    if (test::kTimingMeaningful) {
        EXPECT_LT(made, std::chrono::milliseconds(1500));
        EXPECT_LT(stopped, std::chrono::seconds(2));
    }
}

TEST_F(MonitorDlgTest, StatusLineShowsTheSolarWindInTheLanguage) {
    const struct {
        const char* lang;
        const char* page;
        const char* expected;
    } cases[] = {
        {"PL", "x speed: <b>412.3</b> y density: <b>5.1</b>",
         "Prędkość wiatru słonecznego: 412.3 km/s, gęstość: 5.1 protonów/cm³"},
        {"PL", "x speed: <b> 412.3 </b> density: <b>5.1 </b>",
         "Prędkość wiatru słonecznego:  412.3  km/s, gęstość: 5.1  protonów/cm³"},
        {"PL", "x speed: <b>399</b>", "Prędkość wiatru słonecznego: 399 km/s, gęstość:  protonów/cm³"},
        // No reading at all (no page, or a page without the values) says so rather than showing bare units.
        {"PL", "", "Wiatr słoneczny: brak danych (127.0.0.1)"},
        {"EN", "", "Solar wind: no data (127.0.0.1)"},
        {"DE", "<html>Wartung</html>", "Sonnenwind: keine Daten (127.0.0.1)"},
        {"EN", "x speed: <b>412.3</b> y density: <b>5.1</b>", "Solar wind speed: 412.3 km/s, density: 5.1 protons/cm³"},
        {"DE", "x speed: <b>412.3</b> y density: <b>5.1</b>", "Sonnenwind: 412.3 km/s, Dichte: 5.1 Protonen/cm³"},
    };
    for (const auto& c : cases) {
        SetLang(c.lang);
        auto dlg = MakeWindow();
        EXPECT_EQ(dlg->GetDlgItemText(kIdStatusLine), "");
        SetWindPage(c.page);
        dlg->ReadSolarWind();
        EXPECT_EQ(dlg->GetDlgItemText(kIdStatusLine), c.expected) << c.lang << " " << c.page;
    }
}

// The main window, its menus and the map's choices in English and German: no Polish left, and German without
// English.
TEST_F(MonitorDlgTest, MainWindowShowsOnlyItsLanguage) {
    const struct {
        const char* lang;
        QStringList words;
    } cases[] = {{"EN", test::kPolishWords}, {"DE", test::kPolishWords + test::kEnglishWords}, {"PL", {}}};
    for (const auto& c : cases) {
        SetLang(c.lang);
        auto dlg = MakeWindow();
        SetWindPage("Solar wind speed: <b>412.3</b> km/s density: <b>5.1</b>");
        dlg->ReadSolarWind();
        const QStringList texts = test::ShownTexts(dlg.get());
        const QStringList foreign = test::ForeignTexts(texts, test::kPolishLetters, c.words);
        if (c.words.isEmpty()) {
            // The Polish window is caught by the check, so the check can fail.
            EXPECT_NE(test::ForeignTexts(texts, test::kPolishLetters, test::kPolishWords), QStringList());
            continue;
        }
        EXPECT_EQ(foreign.join(" | ").toStdString(), "") << c.lang << ": " << texts.join(" | ").toStdString();
    }
}

// The first start's choice takes hold at once: the window, made before the choice, shows nothing of Polish
// (or, in German, of English) after it. The map draws its own texts and is left out here.
TEST_F(MonitorDlgTest, MainWindowFollowsTheFirstStartsChoiceWithoutARestart) {
    const struct {
        const char* radio;
        const char* lang;
        QStringList words;
    } cases[] = {{"English", "EN", test::kPolishWords}, {"Deutsch", "DE", test::kPolishWords + test::kEnglishWords}};
    for (const auto& c : cases) {
        SetLang("");  // stored empty: the first start asks
        QTimer answerer;
        QObject::connect(&answerer, &QTimer::timeout, [&c] {
            // The steps after the language are skipped, as a user may.
            QWidget* modal = QApplication::activeModalWidget();
            if (qobject_cast<CWhereDlg*>(modal) != nullptr || qobject_cast<CAlertPresetDlg*>(modal) != nullptr) {
                qobject_cast<QDialog*>(modal)->reject();
                return;
            }
            auto* dialog = qobject_cast<CLanguageDlg*>(modal);
            if (dialog == nullptr) {
                return;
            }
            for (QRadioButton* radio : dialog->findChildren<QRadioButton*>()) {
                if (radio->text() == QLatin1String(c.radio)) {
                    radio->click();
                }
            }
            qobject_cast<QAbstractButton*>(FindControl(dialog, kIdOk))->click();
        });
        answerer.start(5);
        auto dlg = MakeWindow();
        answerer.stop();
        ASSERT_EQ(UiLanguage(), c.lang);
        QStringList texts = test::ShownTexts(dlg.get());
        const QStringList mapTexts = dlg->m_browser != nullptr ? test::ShownTexts(dlg->m_browser) : QStringList();
        for (const QString& text : mapTexts) {
            texts.removeOne(text);
        }
        EXPECT_GE(texts.size(), 15) << c.lang;
        EXPECT_TRUE(texts.contains(QString::fromStdString(Translate(c.lang, "MainWindow", "Fizyczna")))) << c.lang;
        EXPECT_EQ(test::ForeignTexts(texts, test::kPolishLetters, c.words).join(" | ").toStdString(), "")
            << c.lang << ": " << texts.join(" | ").toStdString();
    }
}

TEST_F(MonitorDlgTest, CloseQuestionPerLanguage) {
    const struct {
        const char* lang;
        const char* caption;
        const char* text;
        // The yes button names the action with the tray menu's verb; Qt's own "Yes" where there is none.
        const char* yes;
    } cases[] = {{"PL", "Pytanie", "Zamknąć program?", "Zakończ"},
                 {"EN", "Dravik", "Quit Dravik?", "Quit"},
                 {"XX", "", "", "Zakończ"}};
    for (const auto& c : cases) {
        SetLang(c.lang);
        auto dlg = MakeWindow();
        {
            MessageBoxAnswerer no(QMessageBox::No);
            dlg->close();                   // the caption's close box
            dlg->OnCommand(kCmdMenuClose);  // menu "Zamknij"
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(dlg.get(), &esc);
            ASSERT_EQ(no.asked.size(), 3u) << c.lang;
            for (const auto& asked : no.asked) {
                EXPECT_EQ(asked.first, c.caption) << c.lang;
                EXPECT_EQ(asked.second, c.text) << c.lang;
            }
            EXPECT_EQ(no.yesTexts, std::vector<std::string>(3, c.yes)) << c.lang;
            EXPECT_FALSE(dlg->IsEnded());
            EXPECT_TRUE(dlg->isVisible());
        }
        MessageBoxAnswerer yes(QMessageBox::Yes);
        dlg->OnCommand(kCmdMenuClose);
        EXPECT_EQ(yes.asked.size(), 1u);
        EXPECT_TRUE(dlg->IsEnded());
        EXPECT_EQ(dlg->result(), QDialog::Rejected);
    }
}

// Enter never ends the monitor: on the list it shows the current row on the map, on a button it presses it;
// neither OK nor accept() ends the run.
TEST_F(MonitorDlgTest, EnterShowsTheListsRowOnTheMapAndNeverEndsTheWindow) {
    auto dlg = MakeWindow();
    SetQuakePage(QuakePageHtml(NumberedQuakeRows(500000, 3)));
    dlg->RefreshQuakeList();
    ASSERT_EQ(dlg->GetItemCount(), 3);
    ASSERT_EQ(dlg->m_mapView.LastLat(), dlg->GetItemText(0, 4));
    MessageBoxAnswerer no(QMessageBox::No);
    const int resultBefore = dlg->result();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QKeyEvent keypadEnter(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier);

    // The keyboard's current row, not (yet) selected.
    CEventList* list = dlg->m_listEvents;
    list->setFocus();
    list->selectionModel()->setCurrentIndex(list->model()->index(2, 0), QItemSelectionModel::ClearAndSelect);
    list->clearSelection();
    ASSERT_EQ(dlg->GetFirstSelectedItem(), -1);
    ASSERT_NE(dlg->GetItemText(2, 4), dlg->GetItemText(0, 4));
    QApplication::sendEvent(list, &enter);
    EXPECT_EQ(dlg->GetFirstSelectedItem(), 2);
    EXPECT_EQ(dlg->m_mapView.LastLat(), dlg->GetItemText(2, 4));
    EXPECT_EQ(dlg->m_mapView.LastLon(), dlg->GetItemText(2, 5));

    list->selectRow(1);
    QApplication::sendEvent(list, &keypadEnter);
    EXPECT_EQ(dlg->m_mapView.LastLat(), dlg->GetItemText(1, 4));
    static_cast<QDialog*>(dlg.get())->accept();  // what a default-button path would call
    dlg->OnOK();
    QApplication::processEvents();
    EXPECT_FALSE(dlg->IsEnded());
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), resultBefore);
    EXPECT_TRUE(no.asked.empty());

    // On the hide button Enter presses it, which hides the window; the run goes on.
    dlg->m_btnHide->setFocus();
    QApplication::sendEvent(dlg->m_btnHide, &enter);
    EXPECT_TRUE(dlg->isMinimized() || dlg->m_bHiddenToTray);
    EXPECT_FALSE(dlg->IsEnded());
    EXPECT_EQ(dlg->result(), resultBefore);
}

// The plates' box under the map: on for a new user, its change drawn at once and kept for the next start.
TEST_F(MonitorDlgTest, PlateBoundariesBoxSwitchesTheLinesAndIsKept) {
    SetLang("EN");
    auto dlg = MakeWindow();
    auto* box = qobject_cast<QAbstractButton*>(dlg->GetDlgItem(1020));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text().toStdString(), "Plate boundaries");
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(dlg->m_browser->PlatesShown());

    box->click();
    EXPECT_FALSE(dlg->m_browser->PlatesShown());
    ASSERT_TRUE(m_storage.Stored(test::kFakeLangKey, "map/plates"));
    EXPECT_EQ(m_storage.Stored(test::kFakeLangKey, "map/plates")->bytes, std::string("0", 2));
    dlg.reset();

    auto again = MakeWindow();
    box = qobject_cast<QAbstractButton*>(again->GetDlgItem(1020));
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(again->m_browser->PlatesShown());
    box->click();
    EXPECT_TRUE(again->m_browser->PlatesShown());
    EXPECT_EQ(m_storage.Stored(test::kFakeLangKey, "map/plates")->bytes, std::string("1", 2));
}

TEST_F(MonitorDlgTest, ColumnHeadersAndMapKindsFollowTheLanguage) {
    const struct {
        const char* lang;
        std::vector<std::string> headers;
        const char* firstMapKind;
    } cases[] = {
        // A new user sees local times, and the header names their zone.
        {"PL",
         {"Mag", "Lokalizacja", "Data", TimeHeaderText("PL", TimeDisplay::Local), "Szer.", "Dług.", "Głęb.",
          "Odległość", "Odczuwalność"},
         "Normalna"},
        {"EN",
         {"Mag", "Region", "Date", TimeHeaderText("EN", TimeDisplay::Local), "Lat.", "Long.", "Depth", "Distance",
          "Shaking"},
         "Normal"},
    };
    for (const auto& c : cases) {
        SetLang(c.lang);
        auto dlg = MakeWindow();
        std::vector<std::string> headers;
        for (int column = 0; column < kEventColumnCount; ++column) {
            headers.push_back(dlg->m_listEvents->model()->headerData(column, Qt::Horizontal).toString().toStdString());
        }
        EXPECT_EQ(headers, c.headers) << c.lang;
        EXPECT_EQ(dlg->windowTitle().toStdString(), "Dravik 1.15");
        EXPECT_EQ(dlg->GetDlgItemText(1007), c.firstMapKind);
        // Without a home place the distance column is hidden, the list as it always was.
        EXPECT_TRUE(dlg->m_listEvents->isColumnHidden(7));
        const int widths[] = {40, 160, 70, 55, 52, 52, 55};
        const QFont font = dlg->m_listEvents->font();
        for (int column = 0; column < 7; ++column) {
            if (column == 3) {
                // The time column also shows its header whole, zone and all.
                EXPECT_EQ(dlg->m_listEvents->columnWidth(column),
                          std::max(ScaledColumnWidth(font, widths[column]),
                                   dlg->m_listEvents->horizontalHeader()->sectionSizeHint(column)));
                continue;
            }
            if (column == 1) {
                continue;  // the region takes the room the others leave: below
            }
            EXPECT_EQ(dlg->m_listEvents->columnWidth(column), ScaledColumnWidth(font, widths[column]));
        }
        // The region column fills the list's spare width, and never shrinks below its own.
        CEventList& list = *dlg->m_listEvents;
        const auto others = [&] {
            int sum = 0;
            for (int column = 0; column < 7; ++column) {
                sum += column == 1 ? 0 : list.columnWidth(column);
            }
            return sum;
        };
        for (const int width : {1400, 300}) {
            list.resize(width, list.height());
            QApplication::sendPostedEvents();
            EXPECT_EQ(list.columnWidth(1), std::max(ScaledColumnWidth(font, 160), list.viewport()->width() - others()))
                << width;
        }
        EXPECT_EQ(list.columnWidth(1), ScaledColumnWidth(font, 160)) << "a narrow list keeps the region's own width";
        list.resize(1400, list.height());
        QApplication::sendPostedEvents();
        EXPECT_GT(list.columnWidth(1), 1400 - others() - 40) << "a wide list gives the region the rest";
        // The widths follow the font, so a date and a magnitude beside its image are read whole.
        const QFontMetrics metrics(font);
        EXPECT_GT(dlg->m_listEvents->columnWidth(2), metrics.horizontalAdvance(QStringLiteral("2016-05-10")));
        EXPECT_GT(dlg->m_listEvents->columnWidth(0), 16 + metrics.horizontalAdvance(QStringLiteral("4.5")));
        EXPECT_TRUE(dlg->m_listEvents->showGrid());
    }
}

TEST_F(MonitorDlgTest, WorkerFillsTheListThroughTheUiThreadAndStopsPromptly) {
    SetQuakePage(QuakePageHtml(NumberedQuakeRows(500000, 500)));
    SetWindPage("speed: <b>1</b> density: <b>2</b>");
    Clock::time_point fetched;
    m_onQuakeFetch = [&] { fetched = Clock::now(); };
    auto dlg = MakeWindow(true);
    ASSERT_EQ(g_pMainDlg, dlg.get());
    ASSERT_TRUE(ProcessEventsUntil([&] { return dlg->m_bFirstFillDone.load(); }));
    const auto fillMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - fetched).count();
    std::cout << "[ figure ] 500-row first fill through the UI-thread bridge: " << fillMs << " ms\n";
    RecordProperty("first_fill_500_ms", static_cast<int>(fillMs));
    EXPECT_EQ(dlg->GetItemCount(), 500);
    EXPECT_EQ(dlg->GetFirstSelectedItem(), 0);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !dlg->GetDlgItemText(kIdStatusLine).empty(); }));

    const auto start = Clock::now();
    dlg->StopFeedWorker();
    if (test::kTimingMeaningful) {
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    }

    // The same fill on the UI thread itself, where no operation waits for another thread.
    auto direct = MakeWindow();
    const auto directStart = Clock::now();
    direct->RefreshQuakeList();
    const auto directMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - directStart).count();
    std::cout << "[ figure ] 500-row first fill on the UI thread: " << directMs << " ms\n";
    EXPECT_EQ(direct->GetItemCount(), 500);
}

TEST_F(MonitorDlgTest, StopReleasesAWorkerWaitingForTheUiThread) {
    SetQuakePage(QuakePageHtml(NumberedQuakeRows(500000, 10)));
    auto dlg = MakeWindow(true);
    // The UI thread handles no events now, so the worker's first list operation waits for it.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto start = Clock::now();
    dlg->StopFeedWorker();
    if (test::kTimingMeaningful) {
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    }
    QApplication::processEvents();
    EXPECT_EQ(dlg->GetItemCount(), 0) << "no list operation runs after the stop";
    dlg.reset();
    EXPECT_EQ(g_pMainDlg, nullptr);
}

TEST_F(MonitorDlgTest, MenuCommandsOpenTheirWindowsModally) {
    auto dlg = MakeWindow();
    std::vector<std::string> opened;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            opened.push_back(modal->metaObject()->className());
            modal->done(QDialog::Rejected);
        }
    });
    closer.start(5);
    for (int command : {kCmdHistory, kCmdAbout}) {
        QAction* action = FindCommand(dlg->m_menuBar, command);
        ASSERT_NE(action, nullptr) << command;
        action->trigger();
    }
    EXPECT_EQ(opened, (std::vector<std::string>{"dravik::CHistoryDlg", "dravik::CAboutDlg"}));
    EXPECT_FALSE(dlg->IsEnded());
}

TEST_F(MonitorDlgTest, CloseWithoutQuestionEndsOpenMessageBoxesAndTheWindow) {
    auto dlg = MakeWindow();
    QTimer::singleShot(50, dlg.get(), [&] { dlg->CloseWithoutQuestion(); });
    dlg->OnCancel();  // the question is open when the signal arrives
    EXPECT_TRUE(dlg->IsEnded());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
}  // namespace dravik
