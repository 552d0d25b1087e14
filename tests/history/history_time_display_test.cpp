#include <gtest/gtest.h>

#include <QLocale>

#include "history/history_list_model.h"
#include "tests/history/scoped_tz.h"

namespace dravik {
namespace {

TEST(HistoryListModelTest, DatesAndTimesShownInTheChosenDisplayRowsKeepTheArchiveForm) {
    const test::ScopedTimeZone tz("Europe/Warsaw");
    CHistoryListModel model;
    // Stored from a source time of 2017-10-31 00:42 UTC, read as local time and one hour later. In winter the
    // classic form is the local time; in summer it is an hour behind it.
    model.SetRows({HistoryRow{"4.6", "NORTHERN CHILE", "2017-10-31", "01:42", "-21.71 ", "-68.50 ", 1},
                   HistoryRow{"3.0", "UNREADABLE", "", "", "", "", 0}});
    struct Case {
        TimeDisplay display;
        const char* date;
        const char* time;
    };
    const Case cases[] = {{TimeDisplay::Classic, "2017-10-31", "01:42"},
                          {TimeDisplay::Utc, "2017-10-31", "00:42"},
                          {TimeDisplay::Local, "2017-10-31", "01:42"}};
    for (const Case& c : cases) {
        model.SetTimeDisplay(c.display);
        EXPECT_EQ(model.data(model.index(0, 2)).toString().toStdString(), c.date);
        EXPECT_EQ(model.data(model.index(0, 3)).toString().toStdString(), c.time);
        EXPECT_EQ(model.data(model.index(1, 3)).toString().toStdString(), "");
        EXPECT_EQ(model.Rows()[0].data2, "01:42");
    }
    model.SetRows({HistoryRow{"4.6", "SUMMER", "2017-07-01", "00:30", "", "", 1}});
    model.SetTimeDisplay(TimeDisplay::Utc);
    EXPECT_EQ(model.data(model.index(0, 2)).toString().toStdString(), "2017-06-30");
    EXPECT_EQ(model.data(model.index(0, 3)).toString().toStdString(), "23:30");
    model.SetTimeDisplay(TimeDisplay::Local);
    EXPECT_EQ(model.data(model.index(0, 3)).toString().toStdString(), "01:30");
}

TEST(HistoryListModelTest, DatesReadInTheWindowsLanguageTheUtcDayIncluded) {
    const test::ScopedTimeZone tz("Europe/Warsaw");
    CHistoryListModel model;
    model.SetRows({HistoryRow{"4.6", "SUMMER", "2017-07-01", "00:30", "", "", 1},
                   HistoryRow{"3.0", "ODD", "2017-13-45", "", "", "", 0}});
    const struct {
        QLocale locale;
        TimeDisplay display;
        const char* date;
    } cases[] = {
        {QLocale(QLocale::Polish, QLocale::Poland), TimeDisplay::Classic, "1.07.2017"},
        {QLocale(QLocale::German, QLocale::Germany), TimeDisplay::Classic, "01.07.2017"},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), TimeDisplay::Classic, "01/07/2017"},
        // The date shown is the one of the time shown, not the stored one.
        {QLocale(QLocale::German, QLocale::Germany), TimeDisplay::Utc, "30.06.2017"},
    };
    for (const auto& c : cases) {
        model.SetDateLocale(c.locale);
        model.SetTimeDisplay(c.display);
        EXPECT_EQ(model.data(model.index(0, 2)).toString().toStdString(), c.date) << c.locale.name().toStdString();
        // A text that is no date is shown as it is stored.
        EXPECT_EQ(model.data(model.index(1, 2)).toString().toStdString(), "2017-13-45");
        EXPECT_EQ(model.Rows()[0].data1, "2017-07-01");
    }
}

}  // namespace
}  // namespace dravik
