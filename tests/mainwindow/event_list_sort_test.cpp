#include "mainwindow/event_list_sort.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QTest>
#include <cmath>
#include <map>
#include <optional>

#include "mainwindow/event_list_view.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/fake_ui_thread.h"

namespace dravik {
namespace {

TEST(EventListSortTest, HeaderClicksCycleFirstOrderReversedClassic) {
    const EventListOrder classic;
    const EventListOrder magDown{0, Qt::DescendingOrder};
    const EventListOrder magUp{0, Qt::AscendingOrder};
    const EventListOrder dateDown{2, Qt::DescendingOrder};
    const struct {
        EventListOrder now;
        int column;
        EventListOrder expected;
    } cases[] = {
        {classic, 0, magDown},
        {magDown, 0, magUp},
        {magUp, 0, classic},
        {classic, 2, dateDown},
        {dateDown, 3, {3, Qt::AscendingOrder}},  // date and time are one key
        {{3, Qt::AscendingOrder}, 2, classic},
        {magUp, 2, dateDown},
        {dateDown, 0, magDown},
        {magDown, 1, {1, Qt::AscendingOrder}},  // text A to Z first
        {{1, Qt::AscendingOrder}, 1, {1, Qt::DescendingOrder}},
        {{1, Qt::DescendingOrder}, 1, classic},
        {classic, 4, {4, Qt::DescendingOrder}},
        {classic, 6, {6, Qt::DescendingOrder}},
        {dateDown, 7, {7, Qt::AscendingOrder}},  // the distance nearest first
        {{7, Qt::AscendingOrder}, 7, {7, Qt::DescendingOrder}},
        {dateDown, 8, {8, Qt::DescendingOrder}},  // the strongest shaking first
        {magDown, 9, magDown},                    // no such column
        {magDown, -1, magDown},
    };
    for (const auto& c : cases) {
        const EventListOrder next = NextOrder(c.now, c.column);
        EXPECT_TRUE(next == c.expected) << c.now.column << "/" << c.now.order << " click " << c.column << " gave "
                                        << next.column << "/" << next.order;
    }
}

TEST(EventListSortTest, NumberKeysReadNumbersWhateverTheLocale) {
    EXPECT_DOUBLE_EQ(NumberSortKey("4.5"), 4.5);
    EXPECT_DOUBLE_EQ(NumberSortKey("10.0"), 10.0);
    EXPECT_DOUBLE_EQ(NumberSortKey(" 3.2x"), 3.2);
    EXPECT_LT(NumberSortKey(""), NumberSortKey("-1"));
    EXPECT_TRUE(std::isinf(NumberSortKey("M")));
    EXPECT_LT(DateTimeSortKey("2016-05-09", "23:59"), DateTimeSortKey("2016-05-10", "00:00"));
}

QuakeEvent Event(const std::string& id, const std::string& mag, const std::string& date, const std::string& time) {
    QuakeEvent e;
    e.eventId = id;
    e.mag = mag;
    e.region = "REGION " + id;
    e.data1 = date;
    e.data2 = time;
    e.wsp1 = "1.0 ";
    e.wsp2 = "2.0 ";
    e.depth = "10";
    return e;
}

class SortedListTest : public ::testing::Test {
protected:
    SortedListTest() {
        SetUpEventList(m_list);
        new CEventListSorter(m_list);
    }

    CEventListSorter& Sorter() { return *CEventListSorter::Of(m_list); }
    void Click(int column) { emit m_list.horizontalHeader()->sectionClicked(column); }

    std::vector<std::string> Ids() const {
        std::vector<std::string> ids;
        for (int row = 0; row < m_list.rowCount(); ++row) {
            const std::string region = m_list.Text(row, 1).toStdString();
            const std::string id = region.substr(7);
            // Every cell of a row belongs to the same event.
            EXPECT_EQ(m_list.Text(row, 0).toStdString(), m_mags.at(id)) << "row " << row;
            EXPECT_EQ(m_list.Text(row, 3).toStdString(), m_times.at(id)) << "row " << row;
            ids.push_back(id);
        }
        return ids;
    }

    void Insert(CEventListView& view, int index, const QuakeEvent& e) {
        m_mags[e.eventId] = e.mag;
        m_times[e.eventId] = e.data2;
        view.InsertEvent(index, e, 0);
    }

    test::FakeSettingsStorage m_storage;
    test::ScopedSettingsStorage m_scoped{m_storage};
    CEventList m_list;
    QList<QIcon> m_images;
    test::FakeUiThread m_ui;
    std::map<std::string, std::string> m_mags;
    std::map<std::string, std::string> m_times;
};

// The feed keeps inserting at the top in classic order while the user has sorted: every new event takes its
// sorted place at once, its cells stay together, the selection stays on its event, and the third click
// gives the classic order with the new events on top.
TEST_F(SortedListTest, InsertionWhileSortedKeepsTheListConsistent) {
    CEventListView view(m_list, m_images, m_ui, [] {});
    // First cycle: appended in page order (newest first).
    Insert(view, IQuakeListView::kAppendItem, Event("a", "4.0", "2016-05-10", "19:03"));
    Insert(view, IQuakeListView::kAppendItem, Event("b", "5.5", "2016-05-10", "18:00"));
    Insert(view, IQuakeListView::kAppendItem, Event("c", "3.1", "2016-05-10", "18:00"));
    Insert(view, IQuakeListView::kAppendItem, Event("d", "", "2016-05-09", "23:59"));
    m_list.selectRow(2);  // "c"
    EXPECT_EQ(Ids(), (std::vector<std::string>{"a", "b", "c", "d"}));

    Click(0);
    EXPECT_EQ(Ids(), (std::vector<std::string>{"b", "a", "c", "d"}));
    EXPECT_TRUE(m_list.horizontalHeader()->isSortIndicatorShown());
    EXPECT_EQ(m_list.horizontalHeader()->sortIndicatorSection(), 0);

    // Next cycle: one event, then a batch of two, each at the top.
    Insert(view, 0, Event("e", "4.5", "2016-05-10", "19:10"));
    EXPECT_EQ(Ids(), (std::vector<std::string>{"b", "e", "a", "c", "d"}));
    m_mags["f"] = "6.1";
    m_times["f"] = "19:20";
    m_mags["g"] = "2.0";
    m_times["g"] = "19:30";
    view.InsertEvents(0, {Event("f", "6.1", "2016-05-10", "19:20"), Event("g", "2.0", "2016-05-10", "19:30")});
    EXPECT_EQ(Ids(), (std::vector<std::string>{"f", "b", "e", "a", "c", "g", "d"}));
    ASSERT_EQ(m_list.selectionModel()->selectedIndexes().size(), 7);
    EXPECT_EQ(m_list.selectionModel()->selectedIndexes().front().row(), 4) << "still on c";

    Click(0);
    EXPECT_EQ(Ids(), (std::vector<std::string>{"d", "g", "c", "a", "e", "b", "f"}));
    Click(2);  // newest first: date and time together; equal times in classic order (b above c)
    EXPECT_EQ(Ids(), (std::vector<std::string>{"g", "f", "e", "a", "b", "c", "d"}));
    Click(3);  // oldest first
    EXPECT_EQ(Ids(), (std::vector<std::string>{"d", "c", "b", "a", "e", "f", "g"}));
    Click(3);
    EXPECT_EQ(Ids(), (std::vector<std::string>{"g", "f", "e", "a", "b", "c", "d"}));
    EXPECT_FALSE(m_list.horizontalHeader()->isSortIndicatorShown());
    EXPECT_EQ(Sorter().Order().column, -1);
    EXPECT_EQ(m_list.selectionModel()->selectedIndexes().front().row(), 5) << "still on c";

    // Back in classic order, the feed's index means a row again.
    Insert(view, 0, Event("h", "1.0", "2016-05-10", "19:40"));
    EXPECT_EQ(Ids().front(), "h");
}

// Rows leave the list by age and then, oldest first, by count; each contiguous run goes in one removal, and
// the ids of the rows taken out come back. Sorted or not, what stays is the same.
TEST_F(SortedListTest, TrimmingTakesOutOldRowsInRuns) {
    constexpr std::int64_t kHour = 3600 * 1000;
    constexpr std::int64_t kT0 = 1'750'000'000'000LL;
    const auto quake = [&](const std::string& id, const std::string& mag, std::int64_t origin) {
        QuakeEvent e = Event(id, mag, "2025-06-15", "12:00");
        e.hasNumbers = origin != 0;
        e.originUtcMs = origin;
        if (origin == 0) {
            e.data1 = e.data2 = "";  // no time at all
        }
        m_mags[id] = mag;
        m_times[id] = e.data2;
        return e;
    };
    int removals = 0;
    QObject::connect(m_list.model(), &QAbstractItemModel::rowsRemoved, [&] { ++removals; });
    CEventListView view(m_list, m_images, m_ui, [] {});

    // Newest first, the row without an origin where the page had it: p, r, q, x, s.
    view.InsertEvents(IQuakeListView::kAppendItem,
                      {quake("p", "4.0", kT0 + 10 * kHour), quake("q", "4.0", kT0 + kHour), quake("x", "4.0", 0),
                       quake("r", "4.0", kT0 + 9 * kHour), quake("s", "4.0", kT0)});
    EXPECT_EQ(view.TrimRows(kT0 + 2 * kHour, 100), (std::vector<std::string>{"q", "s"}));
    EXPECT_EQ(Ids(), (std::vector<std::string>{"p", "r", "x"}));
    EXPECT_EQ(removals, 2);
    EXPECT_TRUE(view.TrimRows(kT0 + 2 * kHour, 3).empty());

    // Rows without the source's origin (a classic page's) leave by the count only, before the others.
    QuakeEvent classic = Event("e", "1.5", "2016-05-10", "19:03");
    m_mags["e"] = "1.5";
    m_times["e"] = "19:03";
    view.InsertEvents(
        0, {quake("a", "5.5", kT0 + 11 * kHour), quake("c", "3.1", kT0 + 8 * kHour), classic, quake("f", "1.0", 0)});
    Click(0);  // largest first: a, p, r, x, c, e, f
    ASSERT_EQ(Ids(), (std::vector<std::string>{"a", "p", "r", "x", "c", "e", "f"}));
    removals = 0;
    EXPECT_EQ(view.TrimRows(kT0 + 2 * kHour, 3), (std::vector<std::string>{"x", "c", "e", "f"}));
    EXPECT_EQ(Ids(), (std::vector<std::string>{"a", "p", "r"}));
    EXPECT_EQ(removals, 1);
    EXPECT_EQ(view.TrimRows(kT0 + 2 * kHour, 1), (std::vector<std::string>{"p", "r"}));
    EXPECT_EQ(Ids(), std::vector<std::string>{"a"});
}

// Single rows go straight to their sorted places: the list is then just as a full sort leaves it, in either
// direction and for either key, ties among equal keys included.
TEST_F(SortedListTest, RowsPlacedOneByOneEndWhereASortPutsThem) {
    const EventListOrder orders[] = {
        {0, Qt::DescendingOrder}, {0, Qt::AscendingOrder}, {2, Qt::DescendingOrder}, {3, Qt::AscendingOrder}};
    for (const EventListOrder& order : orders) {
        m_list.Model().Clear();
        CEventListView view(m_list, m_images, m_ui, [] {});
        Sorter().SetOrder(order);
        for (int i = 0; i < 120; ++i) {
            const std::string id = std::to_string(i);
            // Few distinct keys, so that ties are common; now and then a batch of two.
            const QuakeEvent e = Event(id, i % 7 == 0 ? "" : std::to_string(i % 5) + ".5", "2016-05-10",
                                       "1" + std::to_string(i % 4) + ":00");
            m_mags[id] = e.mag;
            m_times[id] = e.data2;
            view.InsertEvents(i % 9 == 0 ? IQuakeListView::kAppendItem : 0, {e});
        }
        const std::vector<std::string> placed = Ids();
        m_list.Model().sort(order.column, order.order);
        EXPECT_EQ(Ids(), placed) << "column " << order.column << " order " << order.order;
        Sorter().SetOrder({});
    }
}

// Five quakes that every column orders differently; the row view gives each its distance from home.
struct ColumnQuake {
    const char *id, *mag, *region, *date, *time, *lat, *lon, *depth;
    std::optional<double> km;
};
const ColumnQuake kColumnQuakes[] = {
    {"a", "4.0", "Alpha 10", "2016-05-10", "19:03", "-4.00 ", "20.00 ", "10", 1234.4},
    {"b", "5.5", "dół", "2016-05-10", "18:00", "12.25 ", "-120.50 ", "120", 80.0},
    {"c", "3.1", "alpha 9", "2016-05-11", "01:00", "5.00 ", "3.00 ", "9", std::nullopt},
    {"d", "", "Ćma", "2016-05-09", "23:59", "-33.50 ", "150.00 ", "", 950.0},
    {"e", "2.2", "b region", "2016-05-09", "10:00", "0.50 ", "-2.00 ", "35", 15000.6},
};

class EveryColumnTest : public SortedListTest {
protected:
    EveryColumnTest() {
        ShowPlaceColumns(m_list, true);
        m_list.resize(1200, 300);
        m_list.show();
        QApplication::processEvents();
    }

    QuakeEvent Quake(const ColumnQuake& q) {
        QuakeEvent e;
        e.eventId = std::string("x:") + q.id;
        e.mag = q.mag;
        e.region = q.region;
        e.data1 = q.date;
        e.data2 = q.time;
        e.wsp1 = q.lat;
        e.wsp2 = q.lon;
        e.depth = q.depth;
        m_km[e.eventId] = q.km;
        return e;
    }

    CEventListView::RowViewSource RowView() {
        return [this](const QuakeEvent& e) {
            EventRowView view;
            view.distanceKm = m_km.at(e.eventId);
            return view;
        };
    }

    std::vector<std::string> RowIds() const {
        std::vector<std::string> ids;
        for (int row = 0; row < m_list.rowCount(); ++row) {
            ids.push_back(EventOfRow(m_list, row).eventId.substr(2));
        }
        return ids;
    }

    // A click as the user's: the header itself turns its indicator before it tells of the click.
    void ClickHeader(int column) {
        QHeaderView* header = m_list.horizontalHeader();
        const QPoint middle(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
    }

    std::map<std::string, std::optional<double>> m_km;
};

// Every column sorts on a header click, the way it is read first (text A to Z by collation, numbers by value,
// the distance nearest, missing values last), the second click reverses it, the third brings back the classic
// order; the header's indicator follows.
TEST_F(EveryColumnTest, HeaderClicksSortEachColumnAndShowWhich) {
    CEventListView view(
        m_list, m_images, m_ui, [] {}, RowView());
    for (const ColumnQuake& q : kColumnQuakes) {
        view.InsertEvent(IQuakeListView::kAppendItem, Quake(q), 0);
    }
    const std::vector<std::string> classic{"a", "b", "c", "d", "e"};
    const struct {
        int column;
        Qt::SortOrder first;
        std::vector<std::string> ids;
    } cases[] = {
        {kColumnMagnitude, Qt::DescendingOrder, {"b", "a", "c", "e", "d"}},
        {kColumnRegion, Qt::AscendingOrder, {"c", "a", "e", "d", "b"}},  // "alpha 9", "Alpha 10", "b", "Ć", "d"
        {kColumnDate, Qt::DescendingOrder, {"c", "a", "b", "d", "e"}},
        {kColumnTime, Qt::DescendingOrder, {"c", "a", "b", "d", "e"}},
        {kColumnLatitude, Qt::DescendingOrder, {"b", "c", "e", "a", "d"}},
        {kColumnLongitude, Qt::DescendingOrder, {"d", "a", "c", "e", "b"}},
        {kColumnDepth, Qt::DescendingOrder, {"b", "e", "a", "c", "d"}},
        {kColumnDistance, Qt::AscendingOrder, {"b", "d", "a", "e", "c"}},
    };
    QHeaderView* header = m_list.horizontalHeader();
    for (const auto& c : cases) {
        SCOPED_TRACE("column " + std::to_string(c.column));
        ClickHeader(c.column);
        EXPECT_EQ(RowIds(), c.ids);
        EXPECT_TRUE(header->isSortIndicatorShown());
        EXPECT_EQ(header->sortIndicatorSection(), c.column);
        EXPECT_EQ(header->sortIndicatorOrder(), c.first);
        ClickHeader(c.column);
        EXPECT_EQ(RowIds(), std::vector<std::string>(c.ids.rbegin(), c.ids.rend()));
        EXPECT_EQ(header->sortIndicatorSection(), c.column);
        EXPECT_NE(header->sortIndicatorOrder(), c.first);
        ClickHeader(c.column);
        EXPECT_EQ(RowIds(), classic);
        EXPECT_FALSE(header->isSortIndicatorShown());
    }
    // From one column's order straight to another's.
    for (const auto& c : {cases[6], cases[1], cases[0], cases[7], cases[3], cases[4]}) {
        ClickHeader(c.column);
        EXPECT_EQ(RowIds(), c.ids) << c.column;
        EXPECT_EQ(header->sortIndicatorSection(), c.column);
        EXPECT_EQ(header->sortIndicatorOrder(), c.first) << c.column;
    }
}

// Sorted by the region or by the distance, the feed's rows go straight to their places (equal keys in classic
// order), just where a full sort puts them, and a revision that changes a key moves its row.
TEST_F(EveryColumnTest, FeedRowsAndRevisionsKeepTextAndDistanceOrders) {
    CEventListView view(
        m_list, m_images, m_ui, [] {}, RowView());
    for (const ColumnQuake& q : kColumnQuakes) {
        view.InsertEvent(IQuakeListView::kAppendItem, Quake(q), 0);
    }
    Sorter().SetOrder({kColumnRegion, Qt::AscendingOrder});
    view.InsertEvents(0, {Quake({"f", "1.0", "ALPHA 9", "2016-05-11", "02:00", "1.00 ", "1.00 ", "5", 300.0})});
    view.InsertEvents(IQuakeListView::kAppendItem,
                      {Quake({"g", "1.0", "Bz", "2016-05-08", "02:00", "1.00 ", "1.00 ", "5", std::nullopt})});
    const std::vector<std::string> byRegion{"f", "c", "a", "e", "g", "d", "b"};
    EXPECT_EQ(RowIds(), byRegion);
    m_list.Model().sort(kColumnRegion, Qt::AscendingOrder);
    EXPECT_EQ(RowIds(), byRegion) << "as a full sort leaves it";

    QuakeEvent e = Quake(kColumnQuakes[4]);
    e.region = "Zeta";
    view.ReviseEvents({{e, "region"}});
    EXPECT_EQ(RowIds(), (std::vector<std::string>{"f", "c", "a", "g", "d", "b", "e"}));

    Sorter().SetOrder({kColumnDistance, Qt::AscendingOrder});
    EXPECT_EQ(RowIds(), (std::vector<std::string>{"b", "f", "d", "a", "e", "c", "g"}));
    view.InsertEvents(0, {Quake({"h", "1.0", "H", "2016-05-11", "03:00", "1.00 ", "1.00 ", "5", 500.0})});
    view.InsertEvents(0, {Quake({"i", "1.0", "I", "2016-05-11", "04:00", "1.00 ", "1.00 ", "5", std::nullopt})});
    const std::vector<std::string> byDistance{"b", "f", "h", "d", "a", "e", "i", "c", "g"};
    EXPECT_EQ(RowIds(), byDistance);
    m_list.Model().sort(kColumnDistance, Qt::AscendingOrder);
    EXPECT_EQ(RowIds(), byDistance) << "as a full sort leaves it";

    // The quake moved: nearer than all.
    QuakeEvent a = Quake(kColumnQuakes[0]);
    m_km["x:a"] = 10.0;
    view.ReviseEvents({{a, "position"}});
    EXPECT_EQ(RowIds(), (std::vector<std::string>{"a", "b", "f", "h", "d", "e", "i", "c", "g"}));
}

}  // namespace
}  // namespace dravik
