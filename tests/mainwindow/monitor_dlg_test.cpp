#include "tests/mainwindow/monitor_dlg_fixture.h"

namespace dravik {
namespace {

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
