#include "history/history_dlg.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QPixmap>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "history/chart_frame.h"
#include "history/history_list_model.h"
#include "platform/qt/dialog_builder.h"
#include "store/event_table.h"
#include "store/quake_database.h"
#include "tests/common/process_events.h"
#include "tests/common/test_env.h"
#include "tests/common/timing.h"
#include "tests/history/scoped_tz.h"

namespace dravik {
namespace {

struct Event {
    std::string mag, region, data1, data2;
};

// Writes events in one transaction; coordinates are made unique so that every row is kept.
std::string MakeDatabase(const std::vector<Event>& events) {
    const std::string path = test::MakeTempDir("history-dlg") + "/dravik.dat";
    CreateEventTable(path);
    CQuakeDatabase db(path);
    db.Query("BEGIN");
    int n = 0;
    for (const Event& e : events) {
        ++n;
        db.ClearFields();
        db.AddField("ident", std::to_string(n));
        db.AddField("mag", e.mag);
        db.AddField("region", e.region);
        db.AddField("data1", e.data1);
        db.AddField("data2", e.data2);
        db.AddField("wsp1", std::to_string(n % 90) + ".5");
        db.AddField("wsp2", std::to_string(n % 180) + ".25");
        db.WriteRecord("trze");
    }
    db.Query("COMMIT");
    return path;
}

std::time_t LocalNoon(int year, int month, int day) {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = 12;
    parts.tm_isdst = -1;
    return std::mktime(&parts);
}

CHistoryDlg::Options OptionsFor(const std::string& path) {
    CHistoryDlg::Options options;
    options.databasePath = path;
    options.now = [] { return LocalNoon(2016, 3, 5); };
    return options;
}

QComboBox* Combo(CHistoryDlg& dlg) {
    return qobject_cast<QComboBox*>(FindControl(&dlg, 1014));
}
QTableView* List(CHistoryDlg& dlg) {
    return qobject_cast<QTableView*>(FindControl(&dlg, 1012));
}
QDateEdit* Picker(CHistoryDlg& dlg, int id) {
    return qobject_cast<QDateEdit*>(FindControl(&dlg, id));
}

std::vector<std::string> Column(const CHistoryDlg& dlg, std::string HistoryRow::*field) {
    std::vector<std::string> texts;
    for (const HistoryRow& row : dlg.ListedRows()) {
        texts.push_back(row.*field);
    }
    return texts;
}

// Runs the UI thread's events until the window's reads have come back; false when they never do.
bool Loaded(const CHistoryDlg& dlg) {
    return test::ProcessEventsUntil([&dlg] { return !dlg.IsLoading(); });
}

// Another program's write transaction: until it ends, no connection can read the file.
class ArchiveLock final {
public:
    explicit ArchiveLock(const std::string& path) : m_db(path) { m_db.Query("BEGIN EXCLUSIVE"); }
    bool Held() const { return m_db.GetLastResult() == 0; }
    void Release() { m_db.Query("ROLLBACK"); }

private:
    CQuakeDatabase m_db;
};

using Clock = std::chrono::steady_clock;
constexpr long long kPromptlyMs = 1000;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

const std::string kTitle = "Historia wstrząsów";
const std::string kLoadingTitle = kTitle + " - Wczytywanie…";

std::string Title(const QWidget& window) {
    return window.windowTitle().toStdString();
}

const std::vector<Event> kEvents = {
    {"4.9", "CRETE, GREECE", "2016-03-05", "08:10"},    {"3.9", "CRETE, GREECE", "2016-03-05", "11:20"},
    {"6.5", "O'HIGGINS, CHILE", "2016-03-04", "23:00"}, {"7.0", "ALASKA", "2016-03-03", "00:05"},
    {"5.0", "ALASKA", "2016-03-02", "12:00"},           {"8.2", "CRETE", "2016-03-06", "01:00"},
};

TEST(HistoryDlg, OpensOnTheDefaultRangeNewestFirst) {
    test::ScopedTimeZone tz("Europe/Warsaw");
    CHistoryDlg dlg(OptionsFor(MakeDatabase(kEvents)));
    ASSERT_TRUE(Loaded(dlg));
    EXPECT_EQ(Title(dlg), kTitle);
    EXPECT_EQ(Picker(dlg, 1010)->date(), QDate(2016, 3, 3));
    EXPECT_EQ(Picker(dlg, 1011)->date(), QDate(2016, 3, 5));
    EXPECT_EQ(Column(dlg, &HistoryRow::data2), (std::vector<std::string>{"11:20", "08:10", "23:00", "00:05"}));
    std::vector<int> images;
    for (const HistoryRow& row : dlg.ListedRows()) {
        images.push_back(row.image);
    }
    EXPECT_EQ(images, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(dlg.SelectedItem(), -1);

    // "WSZYSTKIE" comes first and is chosen; the region groups follow in order, letter case aside.
    QComboBox* combo = Combo(dlg);
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i) {
        entries << combo->itemText(i);
    }
    EXPECT_EQ(entries, (QStringList{"WSZYSTKIE", "ALASKA", "CHILE", "CRETE", "GREECE"}));
    EXPECT_EQ(combo->currentText(), "WSZYSTKIE");

    QAbstractItemModel* model = List(dlg)->model();
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Lokalizacja");
    EXPECT_EQ(model->headerData(5, Qt::Horizontal).toString(), QString::fromUtf8("Dług."));
    // Widths keep the proportions of 45, 180, 70, 55, 52, 52, the region taking the rest of the list's width.
    EXPECT_NEAR(List(dlg)->columnWidth(2), ScaledColumnWidth(dlg.font(), 70), 1);
    EXPECT_GE(List(dlg)->columnWidth(1), 4 * List(dlg)->columnWidth(0) - 4);
    EXPECT_FALSE(model->data(model->index(0, 0), Qt::DecorationRole).value<QPixmap>().isNull());
    EXPECT_EQ(model->data(model->index(0, 4), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight,
              Qt::AlignRight);
    EXPECT_TRUE(FindControl(&dlg, 1002)->isHidden());
}

std::string EnglishHeader(int n) {
    return std::vector<std::string>{"", "Mag", "Region", "Date", "Time", "Lat.", "Long."}.at(
        static_cast<std::size_t>(n));
}

TEST(HistoryDlg, HeadersComeFromTheTextSource) {
    // As the main window opens it: the default archive of the data directory, which holds no table here.
    CHistoryDlg dlg(&EnglishHeader);
    ASSERT_TRUE(Loaded(dlg));
    // A missing table is no news for the title.
    EXPECT_EQ(Title(dlg), kTitle);
    EXPECT_EQ(List(dlg)->model()->headerData(1, Qt::Horizontal).toString(), "Region");
    EXPECT_EQ(List(dlg)->model()->headerData(5, Qt::Horizontal).toString(), "Long.");
    // Only "WSZYSTKIE", no events.
    EXPECT_EQ(Combo(dlg)->count(), 1);
    EXPECT_TRUE(dlg.ListedRows().empty());
}

// What the chart shows on screen: the window's backing store, which only a paint of the chart changes.
QImage OnScreenChart(CHistoryDlg& dlg) {
    QApplication::processEvents();
    QWidget* frame = FindControl(&dlg, 1013);
    const QPixmap shot = dlg.screen()->grabWindow(dlg.winId());
    return shot.copy(QRect(frame->mapTo(&dlg, QPoint(0, 0)), frame->size())).toImage();
}

// Each control and each listing shows in the chart at once, without a click in the list.
TEST(HistoryDlg, ChartFollowsEveryControlAndListing) {
    test::ScopedTimeZone tz("Europe/Warsaw");
    CHistoryDlg dlg(OptionsFor(MakeDatabase(kEvents)));
    dlg.resize(900, 700);
    dlg.show();
    ASSERT_TRUE(Loaded(dlg));
    QImage before = OnScreenChart(dlg);
    ASSERT_FALSE(before.isNull());
    const auto click = [&dlg](int id) { qobject_cast<QAbstractButton*>(FindControl(&dlg, id))->click(); };
    const struct {
        const char* name;
        std::function<void()> change;
    } steps[] = {
        {"energy", [&] { click(1008); }},
        {"joined points", [&] { click(1017); }},
        {"magnitude", [&] { click(1007); }},
        {"bars", [&] { click(1016); }},
        {"region",
         [&] {
             QComboBox* combo = Combo(dlg);
             const int index = combo->findText("ALASKA");
             combo->setCurrentIndex(index);
             emit combo->activated(index);
         }},
        {"from date", [&] { Picker(dlg, 1010)->setDate(QDate(2016, 2, 1)); }},
        {"to date", [&] { Picker(dlg, 1011)->setDate(QDate(2016, 3, 3)); }},
        {"selection", [&] { List(dlg)->selectRow(0); }},
    };
    for (const auto& step : steps) {
        step.change();
        ASSERT_TRUE(Loaded(dlg)) << step.name;
        const QImage after = OnScreenChart(dlg);
        EXPECT_TRUE(after != before) << step.name << ": the chart on screen did not change";
        before = after;
    }
    // Bars and joined points differ, magnitude and energy differ: four modes, four pictures.
    std::vector<QImage> modes;
    for (const auto& [value, style] : {std::pair{1007, 1016}, {1007, 1017}, {1008, 1016}, {1008, 1017}}) {
        click(value);
        click(style);
        ASSERT_TRUE(Loaded(dlg));
        modes.push_back(OnScreenChart(dlg));
    }
    for (std::size_t i = 0; i < modes.size(); ++i) {
        for (std::size_t j = i + 1; j < modes.size(); ++j) {
            EXPECT_TRUE(modes[i] != modes[j]) << "modes " << i << " and " << j << " look the same";
        }
    }
}

// Enter in the list neither closes the window nor loses what it shows.
TEST(HistoryDlg, EnterInTheListKeepsTheWindow) {
    test::ScopedTimeZone tz("Europe/Warsaw");
    CHistoryDlg dlg(OptionsFor(MakeDatabase(kEvents)));
    dlg.show();
    ASSERT_TRUE(Loaded(dlg));
    List(dlg)->setFocus();
    List(dlg)->selectRow(1);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(List(dlg), &enter);
    QApplication::processEvents();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), 0);
    EXPECT_EQ(dlg.SelectedItem(), 1);
    EXPECT_EQ(dlg.ListedRows().size(), 4u);
    // Esc still closes it.
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(List(dlg), &esc);
    EXPECT_FALSE(dlg.isVisible());
}

TEST(HistoryDlg, DoubleClickNarrowsToTheRegionAndWidensAgain) {
    test::ScopedTimeZone tz("Europe/Warsaw");
    CHistoryDlg dlg(OptionsFor(MakeDatabase(kEvents)));
    ASSERT_TRUE(Loaded(dlg));
    QTableView* list = List(dlg);
    // A double-click without a selection changes nothing.
    emit list->doubleClicked(list->model()->index(0, 0));
    EXPECT_EQ(Combo(dlg)->currentText(), "WSZYSTKIE");

    list->selectRow(0);  // CRETE, GREECE: its group, not "CRETE"
    emit list->doubleClicked(list->model()->index(0, 0));
    EXPECT_EQ(Combo(dlg)->currentText(), "GREECE");
    ASSERT_TRUE(Loaded(dlg));
    EXPECT_EQ(Column(dlg, &HistoryRow::region), (std::vector<std::string>{"CRETE, GREECE", "CRETE, GREECE"}));

    list->selectRow(1);
    emit list->doubleClicked(list->model()->index(1, 0));
    EXPECT_EQ(Combo(dlg)->currentText(), "WSZYSTKIE");
    ASSERT_TRUE(Loaded(dlg));
    EXPECT_EQ(dlg.ListedRows().size(), 4u);
}

TEST(HistoryDlg, RegionWithAQuoteListsItsEvents) {
    test::ScopedTimeZone tz("Europe/Warsaw");
    std::vector<Event> events = kEvents;
    events.push_back({"4.1", "12 km S of Man, Cote d'Ivoire", "2016-03-05", "09:00"});
    CHistoryDlg dlg(OptionsFor(MakeDatabase(events)));
    ASSERT_TRUE(Loaded(dlg));
    QComboBox* combo = Combo(dlg);
    const int index = combo->findText("Cote d'Ivoire");
    ASSERT_GE(index, 0);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    ASSERT_TRUE(Loaded(dlg));
    EXPECT_EQ(Column(dlg, &HistoryRow::mag), (std::vector<std::string>{"4.1"}));
}

TEST(HistoryDlg, FromDateAfterToDateListsNothing) {
    test::ScopedTimeZone tz("Europe/Warsaw");
    CHistoryDlg dlg(OptionsFor(MakeDatabase(kEvents)));
    ASSERT_TRUE(Loaded(dlg));
    Picker(dlg, 1010)->setDate(QDate(2016, 3, 6));
    ASSERT_TRUE(Loaded(dlg));
    EXPECT_TRUE(dlg.ListedRows().empty());
    EXPECT_TRUE(dlg.CurrentChart().bars.empty());
    Picker(dlg, 1011)->setDate(QDate(2016, 3, 6));
    ASSERT_TRUE(Loaded(dlg));
    EXPECT_EQ(Column(dlg, &HistoryRow::mag), (std::vector<std::string>{"8.2"}));
}

TEST(HistoryDlg, SwitchingTheChartKindRefillsAndClearsTheSelection) {
    test::ScopedTimeZone tz("Europe/Warsaw");
    CHistoryDlg dlg(OptionsFor(MakeDatabase(kEvents)));
    ASSERT_TRUE(Loaded(dlg));
    List(dlg)->selectRow(2);
    EXPECT_EQ(dlg.SelectedItem(), 2);
    ChartGeometry chart = dlg.CurrentChart();
    ASSERT_EQ(chart.bars.size(), 4u);
    EXPECT_EQ(chart.bars[2].width, 3);

    qobject_cast<QAbstractButton*>(FindControl(&dlg, 1017))->click();
    ASSERT_TRUE(Loaded(dlg));
    EXPECT_EQ(dlg.SelectedItem(), -1);
    chart = dlg.CurrentChart();
    EXPECT_TRUE(chart.bars.empty());
    EXPECT_EQ(chart.polyline.size(), 4u);

    qobject_cast<QAbstractButton*>(FindControl(&dlg, 1016))->click();
    qobject_cast<QAbstractButton*>(FindControl(&dlg, 1008))->click();
    ASSERT_TRUE(Loaded(dlg));
    chart = dlg.CurrentChart();
    ASSERT_EQ(chart.bars.size(), 4u);
    // Energy on a log scale: magnitude 7.0's 192 under 10^3, its bar the tallest.
    EXPECT_TRUE(chart.valueAxis.logarithmic);
    EXPECT_EQ(chart.valueAxis.high, 3);
    for (const ChartBox& bar : chart.bars) {
        EXPECT_LE(bar.height, chart.bars[3].height);
    }
}

// The window as a user sees it, with a few hundred events; the picture is kept for a look.
TEST(HistoryDlg, ScreenshotWithAFewHundredEvents) {
    test::ScopedTimeZone tz("Europe/Warsaw");
    std::vector<Event> events;
    const char* regions[] = {"CRETE, GREECE", "SOUTHERN ITALY", "NEAR COAST OF PERU", "ALASKA PENINSULA", "POLAND"};
    for (int i = 0; i < 300; ++i) {
        const int day = 3 + i % 3;
        const int minute = (i * 37) % 1440;
        char date[16];
        char time[8];
        char mag[8];
        std::snprintf(date, sizeof date, "2016-03-%02d", day);
        std::snprintf(time, sizeof time, "%02d:%02d", minute / 60, minute % 60);
        std::snprintf(mag, sizeof mag, "%.1f", 2.0 + (i * 7 % 60) / 10.0);
        events.push_back({mag, regions[i % 5], date, time});
    }
    CHistoryDlg dlg(OptionsFor(MakeDatabase(events)));
    ASSERT_TRUE(Loaded(dlg));
    ASSERT_EQ(dlg.ListedRows().size(), 300u);
    List(dlg)->selectRow(10);
    dlg.show();
    const QImage image = dlg.grab().toImage();
    if (const char* dir = std::getenv("DRAVIK_TEST_BINARY_DIR")) {
        image.save(QString::fromUtf8(dir) + "/history_window.png");
    }
    QWidget* frame = FindControl(&dlg, 1013);
    const QRect area = frame->geometry().adjusted(1, 1, -1, -1);
    const QRgb bar = frame->palette().color(QPalette::Highlight).rgb();
    const ChartGeometry chart = dlg.CurrentChart();
    ASSERT_FALSE(chart.bars.empty());
    const ChartBox& selected = chart.bars.back();
    ASSERT_EQ(selected.row, 10);
    int bars = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            bars += image.pixel(x, y) == bar ? 1 : 0;
        }
    }
    EXPECT_GT(bars, 300);
    const QPoint inSelected =
        frame->geometry().topLeft() + QPoint(selected.x + selected.width / 2, selected.y + selected.height / 2);
    EXPECT_NE(image.pixel(inSelected), bar);
    EXPECT_NE(image.pixel(inSelected), frame->palette().color(QPalette::Base).rgb());
    EXPECT_EQ(image.pixel(area.left() + 1, area.top() + 1), frame->palette().color(QPalette::Base).rgb());

    // The other picture: energy as joined points, in a larger window.
    qobject_cast<QAbstractButton*>(FindControl(&dlg, 1008))->click();
    qobject_cast<QAbstractButton*>(FindControl(&dlg, 1017))->click();
    ASSERT_TRUE(Loaded(dlg));
    List(dlg)->selectRow(10);
    dlg.resize(1000, 760);
    QApplication::processEvents();
    EXPECT_EQ(dlg.CurrentChart().polyline.size(), 300u);
    if (const char* dir = std::getenv("DRAVIK_TEST_BINARY_DIR")) {
        dlg.grab().toImage().save(QString::fromUtf8(dir) + "/history_window_energy.png");
    }
}

// The longest gap between the ticks of a 10 ms timer on the UI thread: how long the window stopped answering.
class StallMeter final {
public:
    StallMeter() {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const Clock::time_point now = Clock::now();
            m_longestMs = std::max(
                m_longestMs,
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(now - m_last).count()));
            m_last = now;
        });
        m_last = Clock::now();
        m_timer.start();
    }
    long long LongestMs() const { return m_longestMs; }

private:
    QTimer m_timer;
    Clock::time_point m_last;
    long long m_longestMs = 0;
};

// A year of USGS places names nearly every quake differently: the window must list them all without freezing.
TEST(HistoryDlg, ManyRegionsAreListedWithoutStallingTheWindow) {
    test::ScopedTimeZone tz("Europe/Warsaw");
    constexpr int kRegions = 100000;
    // Groups that differ in letter case alone, and one beyond ASCII, are distinct entries; blanks about a group
    // are not part of it.
    const std::vector<std::string> unusual = {"o'higgins, chile", "O'HIGGINS, CHILE", " CRETE ", "Ölüdeniz, Türkiye"};
    const std::vector<std::string> groups = {"chile", "CHILE", "CRETE", "Türkiye"};
    std::vector<Event> events;
    for (int i = 0; i < kRegions; ++i) {
        // Written out of order: the order is the listing's, not the table's.
        const int n = (i * 7919) % kRegions;
        events.push_back(
            {"2.0", std::to_string(n % 97) + " km N of Place " + std::to_string(n), "2016-03-01", "10:00"});
    }
    for (std::size_t i = 0; i < unusual.size(); ++i) {
        events.push_back({std::to_string(i + 5) + ".0", unusual[i], "2016-03-05", "1" + std::to_string(i) + ":00"});
    }
    CHistoryDlg dlg(OptionsFor(MakeDatabase(events)));
    dlg.show();
    QComboBox* combo = Combo(dlg);
    long long longestMs = 0;
    {
        StallMeter meter;
        ASSERT_TRUE(test::ProcessEventsUntil([&dlg] { return !dlg.IsLoading(); }, std::chrono::seconds(30)));
        // Dropping the list down and typing in it walk the entries too.
        combo->showPopup();
        QApplication::processEvents();
        QKeyEvent key(QEvent::KeyPress, Qt::Key_O, Qt::NoModifier, "o");
        QApplication::sendEvent(combo->view(), &key);
        QApplication::processEvents();
        combo->hidePopup();
        QApplication::processEvents();
        longestMs = meter.LongestMs();
    }
    if (test::kTimingMeaningful) {
        EXPECT_LT(longestMs, 100);
    }

    ASSERT_EQ(combo->count(), kRegions + static_cast<int>(unusual.size()) + 1);
    EXPECT_EQ(combo->itemText(0), "WSZYSTKIE");
    EXPECT_EQ(combo->itemData(0).toByteArray(), QByteArray("WSZYSTKIE"));
    EXPECT_EQ(combo->currentIndex(), 0);
    for (int i = 2; i < combo->count(); ++i) {
        ASSERT_LE(QString::compare(combo->itemText(i - 1), combo->itemText(i), Qt::CaseInsensitive), 0) << i;
    }

    // Each entry lists its own group's events, byte for byte.
    for (std::size_t i = 0; i < unusual.size(); ++i) {
        const QByteArray bytes(groups[i].data(), static_cast<qsizetype>(groups[i].size()));
        const int index = combo->findData(bytes);
        ASSERT_GE(index, 1) << groups[i];
        EXPECT_EQ(combo->itemText(index), QString::fromStdString(groups[i]));
        combo->setCurrentIndex(index);
        emit combo->activated(index);
        ASSERT_TRUE(Loaded(dlg));
        EXPECT_EQ(Column(dlg, &HistoryRow::region), std::vector<std::string>{unusual[i]});
    }

    // A double-click still narrows to the event's region and widens again.
    combo->setCurrentIndex(0);
    emit combo->activated(0);
    ASSERT_TRUE(Loaded(dlg));
    QTableView* list = List(dlg);
    list->selectRow(0);  // Ölüdeniz, Türkiye, the newest
    emit list->doubleClicked(list->model()->index(0, 0));
    EXPECT_EQ(Combo(dlg)->currentText(), QString::fromUtf8("Türkiye"));
    ASSERT_TRUE(Loaded(dlg));
    ASSERT_EQ(dlg.ListedRows().size(), 1u);
    list->selectRow(0);
    emit list->doubleClicked(list->model()->index(0, 0));
    EXPECT_EQ(Combo(dlg)->currentIndex(), 0);
    ASSERT_TRUE(Loaded(dlg));
    EXPECT_EQ(dlg.ListedRows().size(), unusual.size());
}

TEST(HistoryDlg, OpensAtOnceOnALockedArchiveAndListsOnceItIsFree) {
    test::ScopedTimeZone tz("Europe/Warsaw");
    const std::string path = MakeDatabase(kEvents);
    ArchiveLock lock(path);
    ASSERT_TRUE(lock.Held());

    const Clock::time_point start = Clock::now();
    CHistoryDlg dlg(OptionsFor(path));
    if (test::kTimingMeaningful) {
        EXPECT_LT(MsSince(start), kPromptlyMs);
    }
    EXPECT_TRUE(dlg.IsLoading());
    EXPECT_EQ(Title(dlg), kLoadingTitle);
    EXPECT_EQ(List(dlg)->model()->rowCount(), 0);

    // The reads give up after the busy time: an empty list and the reason, not the loading text for ever.
    ASSERT_TRUE(Loaded(dlg));
    EXPECT_EQ(List(dlg)->model()->rowCount(), 0);
    EXPECT_EQ(Title(dlg), kTitle + " - Archiwum niedostępne: zablokowane przez inny program");
    EXPECT_EQ(Combo(dlg)->count(), 1);

    lock.Release();
    dlg.RefreshList();
    EXPECT_EQ(Title(dlg), kLoadingTitle);
    ASSERT_TRUE(Loaded(dlg));
    EXPECT_EQ(Title(dlg), kTitle);
    EXPECT_EQ(Column(dlg, &HistoryRow::data2), (std::vector<std::string>{"11:20", "08:10", "23:00", "00:05"}));
    EXPECT_EQ(Combo(dlg)->count(), 5);  // the regions are asked for again
    EXPECT_EQ(Combo(dlg)->currentText(), "WSZYSTKIE");
}

TEST(HistoryDlg, ClosingOrDestroyingDoesNotWaitForALockedArchive) {
    test::ScopedTimeZone tz("Europe/Warsaw");
    const std::string path = MakeDatabase(kEvents);
    ArchiveLock lock(path);
    ASSERT_TRUE(lock.Held());

    auto dlg = std::make_unique<CHistoryDlg>(OptionsFor(path));
    dlg->show();
    QApplication::processEvents();
    ASSERT_TRUE(dlg->IsLoading());
    Clock::time_point start = Clock::now();
    dlg->close();
    if (test::kTimingMeaningful) {
        EXPECT_LT(MsSince(start), kPromptlyMs);
    }
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_FALSE(dlg->IsLoading());
    EXPECT_EQ(Title(*dlg), kTitle);
    // What the given-up reads posted is dropped.
    QApplication::processEvents();
    EXPECT_EQ(List(*dlg)->model()->rowCount(), 0);
    dlg.reset();

    dlg = std::make_unique<CHistoryDlg>(OptionsFor(path));
    ASSERT_TRUE(dlg->IsLoading());
    start = Clock::now();
    dlg.reset();
    if (test::kTimingMeaningful) {
        EXPECT_LT(MsSince(start), kPromptlyMs);
    }
    // Nothing is left to arrive at the window that is gone.
    QApplication::processEvents();
}

TEST(HistoryDlg, OnlyTheLastOfTwoRefreshesIsListed) {
    test::ScopedTimeZone tz("Europe/Warsaw");
    CHistoryDlg dlg(OptionsFor(MakeDatabase(kEvents)));
    ASSERT_TRUE(Loaded(dlg));
    // Each date change refreshes at once, before the first refresh's rows can come back.
    Picker(dlg, 1010)->setDate(QDate(2016, 3, 2));
    Picker(dlg, 1011)->setDate(QDate(2016, 3, 6));
    ASSERT_TRUE(Loaded(dlg));
    EXPECT_EQ(Column(dlg, &HistoryRow::mag), (std::vector<std::string>{"8.2", "3.9", "4.9", "6.5", "7.0", "5.0"}));
}

}  // namespace
}  // namespace dravik
