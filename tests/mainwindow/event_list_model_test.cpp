#include "mainwindow/event_list_model.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <string>
#include <vector>

#include "mainwindow/event_list_view.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/fake_ui_thread.h"

namespace dravik {
namespace {

constexpr std::int64_t kHour = 3600 * 1000;
constexpr std::int64_t kNow = 1'765'000'000'000LL;

// A quake of a structured source ("emsc:…", "usgs:…"), with its origin.
QuakeEvent Quake(const std::string& id, const std::string& mag, std::int64_t originUtcMs) {
    QuakeEvent e;
    e.eventId = id;
    e.mag = mag;
    e.region = "REGION " + id;
    e.data1 = "2026-12-06";
    e.data2 = "12:00:00";
    e.wsp1 = "1.00 ";
    e.wsp2 = "2.00 ";
    e.depth = "10";
    e.hasNumbers = true;
    e.originUtcMs = originUtcMs;
    e.magnitude = std::stod(mag);
    return e;
}

class EventListModelTest : public ::testing::Test {
protected:
    EventListModelTest() {
        SetUpEventList(m_list);
        new CEventListSorter(m_list);
    }

    std::vector<std::string> Ids() const {
        std::vector<std::string> ids;
        for (int row = 0; row < m_list.rowCount(); ++row) {
            ids.push_back(EventOfRow(m_list, row).eventId);
        }
        return ids;
    }

    test::FakeSettingsStorage m_storage;
    test::ScopedSettingsStorage m_scoped{m_storage};
    CEventList m_list;
    QList<QIcon> m_images;
    test::FakeUiThread m_ui;
};

// With two sources the classic order is newest first over both: at the first fill, as the feed appends each
// source's page after the other's, and afterwards, when a late report (a catch-up's) of an older quake comes.
// A classic page's rows, which have no origin to trust, keep going to the top, and a sort and back keeps it all.
TEST_F(EventListModelTest, TwoSourcesListNewestFirstOverBoth) {
    CEventListView view(m_list, m_images, m_ui, [] {});
    view.InsertEvents(
        IQuakeListView::kAppendItem,
        {Quake("emsc:a1", "1.6", kNow - 72 * kHour), Quake("emsc:a2", "1.8", kNow - 73 * kHour),
         Quake("emsc:a3", "1.6", kNow - 74 * kHour), Quake("usgs:b1", "6.8", kNow - 2 * kHour),
         Quake("usgs:b2", "2.5", kNow - 73 * kHour - kHour / 2), Quake("usgs:b3", "3.0", kNow - 80 * kHour)});
    const std::vector<std::string> firstFill{"usgs:b1", "emsc:a1", "emsc:a2", "usgs:b2", "emsc:a3", "usgs:b3"};
    EXPECT_EQ(Ids(), firstFill) << "the M6.8 of two hours ago on top";

    // The next rounds: a new quake on top, a late one at its place, a classic page's row on top.
    view.InsertEvents(0, {Quake("emsc:a4", "2.0", kNow - kHour)});
    view.InsertEvents(0, {Quake("emsc:a0", "2.2", kNow - 75 * kHour), Quake("usgs:b4", "4.1", kNow - 3 * kHour)});
    QuakeEvent classic = Quake("123456", "3.3", 0);
    classic.hasNumbers = false;
    view.InsertEvent(0, classic, 0);
    const std::vector<std::string> later{"123456",  "emsc:a4", "usgs:b1", "usgs:b4", "emsc:a1",
                                         "emsc:a2", "usgs:b2", "emsc:a3", "emsc:a0", "usgs:b3"};
    EXPECT_EQ(Ids(), later);

    // Sorted, a late quake takes its sorted place, and its classic one comes back with the classic order.
    CEventListSorter::Of(m_list)->SetOrder({kColumnMagnitude, Qt::DescendingOrder});
    view.InsertEvents(0, {Quake("usgs:b5", "5.0", kNow - 76 * kHour)});
    EXPECT_EQ(Ids()[1], "usgs:b5");
    CEventListSorter::Of(m_list)->SetOrder({});
    std::vector<std::string> back = later;
    back.insert(back.end() - 1, "usgs:b5");
    EXPECT_EQ(Ids(), back);
}

// One agency's first fill goes by the origins too: its two addresses' pages (an older feed's, then a newer one's)
// or a page oldest first put the newest quake on top; a classic page's rows, without an origin, keep its order.
TEST_F(EventListModelTest, OneSourceListsNewestFirstOverItsPages) {
    CEventListView view(m_list, m_images, m_ui, [] {});
    QuakeEvent classic = Quake("123456", "3.3", 0);
    classic.hasNumbers = false;
    QuakeEvent classic2 = classic;
    classic2.eventId = "123457";
    view.InsertEvents(IQuakeListView::kAppendItem,
                      {Quake("usgs:old1", "4.6", kNow - 30 * kHour), Quake("usgs:old2", "5.1", kNow - 40 * kHour),
                       classic, Quake("usgs:new1", "1.2", kNow - kHour / 2), classic2,
                       Quake("usgs:new2", "2.0", kNow - 35 * kHour), Quake("usgs:new3", "1.0", kNow)});
    EXPECT_EQ(Ids(), (std::vector<std::string>{"usgs:new3", "usgs:new1", "usgs:old1", "usgs:new2", "usgs:old2",
                                               "123456", "123457"}));
}

// Quake after quake going into the same gap of the classic order (each a little older, all newer than the last
// row) halves the room between two places until none is left; the order must hold through it, shown classic and
// shown sorted.
TEST_F(EventListModelTest, ManyLateQuakesInOneGapKeepTheirOrder) {
    CEventListView view(m_list, m_images, m_ui, [] {});
    view.InsertEvents(IQuakeListView::kAppendItem,
                      {Quake("emsc:top", "1.0", kNow), Quake("usgs:bottom", "1.0", kNow - 1000 * kHour)});
    std::vector<std::string> expected{"emsc:top"};
    for (int i = 0; i < 200; ++i) {
        const std::string id = "emsc:" + std::to_string(i);
        if (i == 100) {
            CEventListSorter::Of(m_list)->SetOrder({kColumnRegion, Qt::AscendingOrder});
        }
        view.InsertEvents(0, {Quake(id, "1.0", kNow - (i + 1) * kHour)});
        expected.push_back(id);
    }
    CEventListSorter::Of(m_list)->SetOrder({});
    expected.push_back("usgs:bottom");
    EXPECT_EQ(Ids(), expected);
}

// The list is named for screen readers in the program's language, and the columns of the places are not there
// for them (nor for anyone) while no place is set.
TEST_F(EventListModelTest, AccessibleNameAndNoHiddenColumns) {
    for (const auto& [lang, name] : {std::pair<const char*, const char*>{"PL", "Lista trzęsień"},
                                     {"EN", "Earthquake list"},
                                     {"DE", "Erdbebenliste"}}) {
        m_storage.StoreText(test::kFakeLangKey, "lang", lang);
        CEventList list;
        SetUpEventList(list);
        EXPECT_EQ(list.accessibleName(), QString::fromUtf8(name)) << lang;
    }
    m_storage.StoreText(test::kFakeLangKey, "lang", "EN");
    CEventList list;
    SetUpEventList(list);
    CEventListView view(list, m_images, m_ui, [] {});
    view.InsertEvents(IQuakeListView::kAppendItem, {Quake("emsc:1", "4.0", kNow)});
    list.show();
    QApplication::processEvents();
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&list);
    ASSERT_NE(table, nullptr);
    ASSERT_NE(table->tableInterface(), nullptr);
    const auto headers = [&] {
        QStringList texts;
        for (int column = 0; column < table->tableInterface()->columnCount(); ++column) {
            texts << list.model()->headerData(column, Qt::Horizontal).toString();
        }
        return texts;
    };
    EXPECT_EQ(table->tableInterface()->columnCount(), 7);
    EXPECT_FALSE(headers().contains(QStringLiteral("Distance")));
    ShowPlaceColumns(list, true);
    EXPECT_EQ(table->tableInterface()->columnCount(), 9);
    EXPECT_TRUE(headers().contains(QStringLiteral("Distance")));
    ShowPlaceColumns(list, false);
    EXPECT_EQ(table->tableInterface()->columnCount(), 7);
}

// A sort shows the new order from its top, wherever the list was scrolled; the feed's rows move nothing.
TEST_F(EventListModelTest, ASortScrollsToTheTop) {
    CEventListView view(m_list, m_images, m_ui, [] {});
    std::vector<QuakeEvent> many;
    for (int i = 0; i < 300; ++i) {
        many.push_back(Quake("emsc:" + std::to_string(i), std::to_string(i % 9) + ".0", kNow - i * kHour));
    }
    view.InsertEvents(IQuakeListView::kAppendItem, many);
    m_list.resize(500, 300);
    m_list.show();
    QApplication::processEvents();
    QScrollBar* bar = m_list.verticalScrollBar();
    bar->setValue(bar->maximum());
    ASSERT_GT(bar->value(), 0);
    emit m_list.horizontalHeader()->sectionClicked(kColumnMagnitude);
    EXPECT_EQ(bar->value(), 0);
    bar->setValue(bar->maximum() / 2);
    const int scrolled = bar->value();
    view.InsertEvents(0, {Quake("emsc:new", "1.0", kNow + kHour)});
    EXPECT_EQ(bar->value(), scrolled);
}

}  // namespace
}  // namespace dravik
