#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <chrono>

#include <gtest/gtest.h>

#include "app/place_dlg.h"
#include "app/place_search_box.h"
#include "app/setup_dlg.h"
#include "tests/common/process_events.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

std::string DataDir() {
    return test::SourceDir() + "/places/data";
}

// Types as a user does, key by key, and waits for the list to show the whole text's search.
bool TypeAndWait(CPlaceSearchBox* box, const QString& text) {
    int shown = 0;
    const auto connection = QObject::connect(box, &CPlaceSearchBox::resultsShown, [&] { ++shown; });
    QTest::keyClicks(box->QueryField(), text);
    const bool done = test::ProcessEventsUntil([&] { return shown > 0; }, std::chrono::seconds(20));
    QObject::disconnect(connection);
    return done;
}

TEST(SetupDialogTest, WhereAreYouFindsAndTakesAPlaceByTheKeyboard) {
    CWhereDlg dlg("EN", nullptr, DataDir());
    dlg.show();
    CPlaceSearchBox* box = dlg.SearchBox();
    EXPECT_FALSE(dlg.NextButton()->isEnabled());
    // Enter with nothing found yet chooses nothing and leaves the dialog open.
    QTest::keyClick(box->QueryField(), Qt::Key_Return);
    EXPECT_TRUE(dlg.isVisible());

    ASSERT_TRUE(TypeAndWait(box, QStringLiteral("Warsaw")));
    ASSERT_GE(box->ResultList()->count(), 2);
    EXPECT_EQ(box->ResultList()->item(0)->text(), QStringLiteral("Warsaw, Mazovia, Poland"));
    EXPECT_TRUE(dlg.NextButton()->isEnabled());
    // Down in the field moves in the list; Enter takes that one.
    QTest::keyClick(box->QueryField(), Qt::Key_Down);
    QTest::keyClick(box->QueryField(), Qt::Key_Up);
    QTest::keyClick(box->QueryField(), Qt::Key_Return);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    ASSERT_TRUE(dlg.Chosen().has_value());
    EXPECT_EQ(dlg.Chosen()->countryCode, "PL");
    EXPECT_EQ(dlg.Chosen()->name, "Warsaw");
}

// A fast typist's Enter comes before the places of the whole name: it takes the first of those, not of "W".
TEST(SetupDialogTest, EnterRightAfterTypingTakesTheTypedNamesPlace) {
    CWhereDlg dlg("EN", nullptr, DataDir());
    dlg.show();
    CPlaceSearchBox* box = dlg.SearchBox();
    ASSERT_TRUE(TypeAndWait(box, QStringLiteral("T")));
    QTest::keyClicks(box->QueryField(), QStringLiteral("bilisi"));
    QTest::keyClick(box->QueryField(), Qt::Key_Return);
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return dlg.result() == QDialog::Accepted; }, std::chrono::seconds(20)));
    ASSERT_TRUE(dlg.Chosen().has_value());
    EXPECT_EQ(dlg.Chosen()->name, "Tbilisi");
    EXPECT_EQ(dlg.Chosen()->countryCode, "GE");
}

TEST(SetupDialogTest, SearchShowsCountriesInTheLanguageAndSaysWhenNothingIsFound) {
    CPlaceFindDlg dlg("PL", nullptr, DataDir());
    CPlaceSearchBox* box = dlg.SearchBox();
    ASSERT_TRUE(TypeAndWait(box, QStringLiteral("istanbul")));
    ASSERT_FALSE(box->Results().empty());
    EXPECT_EQ(box->Results()[0].geonameId, 745044);
    EXPECT_TRUE(box->ResultList()->item(0)->text().endsWith(QStringLiteral(", Turcja")))
        << box->ResultList()->item(0)->text().toStdString();
    EXPECT_TRUE(box->StatusLabel()->text().isEmpty());

    box->QueryField()->clear();
    ASSERT_TRUE(TypeAndWait(box, QStringLiteral("qqxqq")));
    EXPECT_EQ(box->ResultList()->count(), 0);
    EXPECT_EQ(box->StatusLabel()->text(), QStringLiteral("Nie ma miejscowości o takiej nazwie."));

    // Without the places' file the search says so, and the place dialog's coordinates still serve.
    CPlaceFindDlg missing("EN", nullptr, test::MakeTempDir("noplaces"));
    ASSERT_TRUE(TypeAndWait(missing.SearchBox(), QStringLiteral("Warsaw")));
    EXPECT_EQ(missing.SearchBox()->StatusLabel()->text(),
              QStringLiteral("The file of towns is missing; give the coordinates."));
}

TEST(SetupDialogTest, PlaceDialogTakesTheFoundPlace) {
    CPlaceDlg dlg(Place{}, false, "EN");
    EXPECT_FALSE(dlg.OkButton()->isEnabled());
    EXPECT_EQ(dlg.FindButton()->text(), QStringLiteral("Find…"));
    FoundPlace tokyo;
    tokyo.name = "Tokyo";
    tokyo.latitude = 35.6895;
    tokyo.longitude = 139.69171;
    dlg.TakeFoundPlace(tokyo);
    EXPECT_EQ(dlg.NameField()->text(), QStringLiteral("Tokyo"));
    EXPECT_EQ(dlg.LatitudeField()->text(), QStringLiteral("35.6895"));
    EXPECT_EQ(dlg.LongitudeField()->text(), QStringLiteral("139.6917"));
    ASSERT_TRUE(dlg.OkButton()->isEnabled());
    dlg.accept();
    EXPECT_EQ(dlg.Result().name, "Tokyo");
    EXPECT_NEAR(dlg.Result().longitude, 139.6917, 1e-9);
}

TEST(SetupDialogTest, PresetDialogOffersTheThreeWaysEveryQuakeFirst) {
    CAlertPresetDlg dlg("EN");
    EXPECT_EQ(dlg.Preset(), AlertPreset::EveryQuake);
    EXPECT_EQ(dlg.PresetButton(AlertPreset::EveryQuake)->text(), QStringLiteral("Every new quake, as before"));
    EXPECT_EQ(dlg.PresetButton(AlertPreset::NearAndStrong)->text(), QStringLiteral("Near me and strong ones"));
    EXPECT_EQ(dlg.PresetButton(AlertPreset::OnlyFelt)->text(), QStringLiteral("Only what I would feel"));
    dlg.PresetButton(AlertPreset::OnlyFelt)->click();
    EXPECT_EQ(dlg.Preset(), AlertPreset::OnlyFelt);
}

}  // namespace
}  // namespace dravik
