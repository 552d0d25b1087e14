// The settings window: fields refused and taken, places, names and pictures in each language.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <clocale>
#include <cstdlib>
#include <set>

#include <gtest/gtest.h>

#include "app/alert_settings_key.h"
#include "app/notice_urgency.h"
#include "app/place_dlg.h"
#include "app/settings_dlg.h"
#include "app/ui_texts.h"
#include "controls/palette_colours.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/scoped_tz.h"

namespace dravik {
namespace {

using test::FakeSettingsStorage;
using test::kFakeLangKey;

TEST(SettingsDlgTest, BadValuesAreMarkedAndRefusedGoodOnesAccepted) {
    struct Case {
        const char* name;
        AlertField field;
        const char* text;
        bool accepted;
    };
    const Case cases[] = {
        {"latitude 91", AlertField::Latitude, "91", false},
        {"radius -5", AlertField::RadiusKm, "-5", false},
        {"letters", AlertField::GlobalMagnitude, "five", false},
        {"quiet from 25:00", AlertField::QuietFrom, "25:00", false},
        {"magnitude above 10", AlertField::NotifyMinMagnitude, "11", false},
        {"comma as decimal point", AlertField::GlobalMagnitude, "4,5", true},
        {"latitude -90", AlertField::Latitude, "-90", true},
        {"a source that is no web address", AlertField::Sources, "ftp://example.org/events", false},
        {"two sources", AlertField::Sources, " https://a.example/q  http://b.example/feed.geojson", true},
    };
    for (const Case& c : cases) {
        AlertSettings start;
        start.hasHome = true;
        start.homeLatitude = 52.23;
        start.homeLongitude = 21.01;
        CSettingsDlg dlg(start, "EN");
        dlg.Field(c.field)->setText(QString::fromLatin1(c.text));
        dlg.accept();
        EXPECT_EQ(dlg.result() == QDialog::Accepted, c.accepted) << c.name;
        EXPECT_EQ(dlg.IsMarked(c.field), !c.accepted) << c.name;
        EXPECT_EQ(dlg.ErrorLabel()->isVisibleTo(&dlg), !c.accepted) << c.name;
        if (!c.accepted) {
            // Nothing of a refused form is taken.
            EXPECT_EQ(dlg.Settings().homeLatitude, 52.23) << c.name;
            EXPECT_EQ(dlg.Settings().globalMagnitude, 0.0) << c.name;
            // Corrected, the form is taken and the mark goes.
            dlg.Field(c.field)->setText(QString::fromStdString(FormFromSettings(start).globalMagnitude));
            if (c.field == AlertField::Latitude) {
                dlg.Field(c.field)->setText(QStringLiteral("52.23"));
            } else if (c.field == AlertField::Sources) {
                dlg.Field(c.field)->setText(QString());
            } else if (c.field == AlertField::QuietFrom) {
                dlg.Field(c.field)->setText(QStringLiteral("22:00"));
            }
            dlg.accept();
            EXPECT_EQ(dlg.result(), QDialog::Accepted) << c.name;
            EXPECT_FALSE(dlg.IsMarked(c.field)) << c.name;
        }
    }
}

TEST(SettingsDlgTest, OkTakesEveryFieldCancelNone) {
    AlertSettings start;
    CSettingsDlg dlg(start, "PL");
    EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("Ustawienia"));
    EXPECT_EQ(dlg.Field(AlertField::Latitude)->text(), QString());
    EXPECT_EQ(dlg.Field(AlertField::GlobalMagnitude)->text(), QStringLiteral("0.0"));
    dlg.Field(AlertField::GlobalMagnitude)->setText(QStringLiteral("5.0"));
    dlg.Field(AlertField::Latitude)->setText(QStringLiteral("52.23"));
    dlg.Field(AlertField::Longitude)->setText(QStringLiteral("21.01"));
    dlg.Field(AlertField::RadiusKm)->setText(QStringLiteral("300"));
    dlg.Field(AlertField::HomeName)->setText(QStringLiteral("  Warszawa "));
    dlg.QuietBox()->setChecked(true);
    dlg.NotifyBox()->setChecked(false);
    dlg.SequenceSoundBox()->setChecked(true);
    dlg.TimeBox()->setCurrentIndex(2);

    CSettingsDlg cancelled(start, "PL");
    cancelled.Field(AlertField::GlobalMagnitude)->setText(QStringLiteral("5.0"));
    cancelled.reject();
    EXPECT_EQ(cancelled.Settings().globalMagnitude, 0.0);

    dlg.accept();
    ASSERT_EQ(dlg.result(), QDialog::Accepted);
    const AlertSettings& s = dlg.Settings();
    EXPECT_EQ(s.globalMagnitude, 5.0);
    EXPECT_TRUE(s.hasHome);
    EXPECT_EQ(s.homeLatitude, 52.23);
    EXPECT_EQ(s.radiusKm, 300.0);
    EXPECT_EQ(s.homeName, "Warszawa");
    EXPECT_TRUE(s.quietEnabled);
    EXPECT_FALSE(s.notifyEnabled);
    EXPECT_TRUE(s.sequenceSound);
    EXPECT_EQ(s.timeDisplay, TimeDisplay::Utc);
}

TEST(SettingsDlgTest, PlacesAreAddedEditedAndRemovedAndTheShakingRuleChosen) {
    AlertSettings start;
    start.places = {{"Tulsa", 36.15, -95.99}};
    start.minIntensity = 4;
    CSettingsDlg dlg(start, "EN");
    ASSERT_EQ(dlg.PlaceList()->count(), 1);
    EXPECT_EQ(dlg.PlaceList()->item(0)->text(), QStringLiteral("Tulsa (36.15, -95.99)"));
    EXPECT_EQ(dlg.IntensityBox()->currentText(), QStringLiteral("IV – Light"));
    EXPECT_EQ(dlg.IntensityBox()->itemText(0), QStringLiteral("never (magnitude only)"));
    EXPECT_EQ(dlg.IntensityBox()->count(), 13);

    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(dlg.AddPlace({"P" + std::to_string(i), 1.0 * i, 2.0}), i < 8) << i;
    }
    EXPECT_EQ(dlg.Places().size(), kMaxOtherPlaces);
    dlg.PlaceList()->setCurrentRow(0);
    dlg.RenameSelectedPlace("  Oklahoma City ");
    dlg.RenameSelectedPlace("");  // refused: a place has a name
    dlg.PlaceList()->setCurrentRow(1);
    dlg.RemoveSelectedPlace();
    dlg.IntensityBox()->setCurrentIndex(0);

    // The place dialog takes only what reads.
    CPlaceDlg place(Place{"", 48.5, 9.1}, true, "EN");
    EXPECT_EQ(place.LatitudeField()->text(), QStringLiteral("48.5"));
    EXPECT_FALSE(place.OkButton()->isEnabled()) << "no name";
    EXPECT_FALSE(place.OkButton()->toolTip().isEmpty());
    place.accept();
    EXPECT_NE(place.result(), QDialog::Accepted) << "Enter in a field";
    place.NameField()->setText(QStringLiteral("Tübingen"));
    place.LongitudeField()->setText(QStringLiteral("9,05"));
    EXPECT_TRUE(place.OkButton()->isEnabled());
    place.accept();
    ASSERT_EQ(place.result(), QDialog::Accepted);
    EXPECT_EQ(place.Result().longitude, 9.05);

    dlg.accept();
    ASSERT_EQ(dlg.result(), QDialog::Accepted);
    const AlertSettings& s = dlg.Settings();
    ASSERT_EQ(s.places.size(), 8u);
    EXPECT_EQ(s.places[0].name, "Oklahoma City");
    EXPECT_EQ(s.places[1].name, "P1");
    EXPECT_EQ(s.minIntensity, 0);
}

TEST(SettingsDlgTest, EveryFieldNamesItselfAndWhatItMustHoldInBothLanguages) {
    const AlertField fields[] = {AlertField::GlobalMagnitude,    AlertField::NearMagnitude, AlertField::RadiusKm,
                                 AlertField::Latitude,           AlertField::Longitude,     AlertField::HomeName,
                                 AlertField::QuietFrom,          AlertField::QuietTo,       AlertField::WakeMagnitude,
                                 AlertField::NotifyMinMagnitude, AlertField::Sources};
    std::set<std::string> seen;
    for (AlertField field : fields) {
        const std::string pl = FieldProblemText("PL", field);
        const std::string en = FieldProblemText("EN", field);
        EXPECT_NE(pl.find(": "), std::string::npos) << pl;
        EXPECT_NE(en.find(": "), std::string::npos) << en;
        EXPECT_NE(pl, en);
        EXPECT_TRUE(seen.insert(pl).second) << pl;
        EXPECT_TRUE(seen.insert(en).second) << en;
        EXPECT_EQ(FieldProblemText("XX", field), pl) << "the window's own language otherwise";
    }
    // Two refused fields: both reasons, each on a line of its own.
    CSettingsDlg dlg(AlertSettings{}, "PL");
    dlg.Field(AlertField::QuietTo)->setText(QStringLiteral("7.00"));
    dlg.Field(AlertField::RadiusKm)->setText(QStringLiteral("-1"));
    dlg.accept();
    const QStringList lines = dlg.ErrorLabel()->text().split(QLatin1Char('\n'));
    EXPECT_EQ(lines, (QStringList{QString::fromUtf8("Popraw zaznaczone pola."),
                                  QString::fromStdString(FieldProblemText("PL", AlertField::RadiusKm)),
                                  QString::fromStdString(FieldProblemText("PL", AlertField::QuietTo))}));
}

TEST(SettingsDlgTest, EachTimeDisplaySaysWhatItShowsInBothLanguages) {
    for (const char* lang : {"PL", "EN"}) {
        AlertSettings start;
        start.timeDisplay = TimeDisplay::Utc;
        CSettingsDlg dlg(start, lang);
        QStringList hints;
        for (int i = 0; i < 3; ++i) {
            dlg.TimeBox()->setCurrentIndex(i);
            const QString hint = dlg.TimeHint()->text();
            EXPECT_EQ(hint, QString::fromStdString(TimeDisplayHint(lang, static_cast<TimeDisplay>(i)))) << lang;
            EXPECT_EQ(dlg.TimeBox()->itemData(i, Qt::ToolTipRole).toString(), hint) << lang;
            EXPECT_FALSE(hint.isEmpty());
            EXPECT_FALSE(hints.contains(hint)) << lang << " " << i;
            hints << hint;
        }
    }
    EXPECT_NE(TimeDisplayHint("PL", TimeDisplay::Local), TimeDisplayHint("EN", TimeDisplay::Local));
}

TEST(SettingsDlgTest, ScreenshotsInBothLanguagesShowTheMarkedField) {
    for (const char* lang : {"PL", "EN"}) {
        AlertSettings start;
        start.hasHome = true;
        start.homeLatitude = 52.23;
        start.homeLongitude = 21.01;
        start.radiusKm = 300.0;
        CSettingsDlg dlg(start, lang);
        dlg.Field(AlertField::Latitude)->setText(QStringLiteral("91"));
        dlg.show();
        dlg.accept();
        QApplication::processEvents();
        const QImage image = dlg.grab().toImage();
        if (const char* dir = std::getenv("DRAVIK_TEST_BINARY_DIR")) {
            image.save(QString::fromUtf8(dir) + "/settings_window_" + QString::fromLatin1(lang).toLower() + ".png");
        }
        // The refused field is drawn on its warning colour, the others are not.
        const auto inside = [&](AlertField field) {
            const QLineEdit* edit = dlg.Field(field);
            return image.pixel(edit->mapTo(&dlg, QPoint(edit->width() - 4, edit->height() / 2)));
        };
        const QRgb marked = MarkedFieldColours(dlg.palette()).background;
        EXPECT_EQ(inside(AlertField::Latitude), marked) << lang;
        EXPECT_NE(inside(AlertField::Longitude), marked) << lang;
        // The window says what is wrong with it, beside the field and under the form.
        const QString reason = QString::fromStdString(FieldProblemText(lang, AlertField::Latitude));
        EXPECT_EQ(dlg.Field(AlertField::Latitude)->toolTip(), reason);
        EXPECT_TRUE(dlg.ErrorLabel()->text().contains(reason)) << dlg.ErrorLabel()->text().toStdString();
        EXPECT_TRUE(dlg.Field(AlertField::Longitude)->toolTip().isEmpty());
    }
}

}  // namespace
}  // namespace dravik

namespace dravik {
namespace {

// The letter a text's mnemonic gives, or none.
QChar MnemonicLetter(const QString& text) {
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&') && text.at(i + 1) != QLatin1Char('&')) {
            return text.at(i + 1).toLower();
        }
        if (text.at(i) == QLatin1Char('&')) {
            ++i;
        }
    }
    return QChar();
}

// In pages that fit a 1366x768 screen, each with its own mnemonics; a refused field says why under itself, on
// its page, which is shown.
TEST(SettingsDlgTest, PagesFitTheScreenEachLabelHasItsKeyAndProblemsStandByTheirFields) {
    for (const char* lang : {"PL", "EN", "DE"}) {
        SCOPED_TRACE(lang);
        CSettingsDlg dlg(AlertSettings{}, lang);
        EXPECT_LE(dlg.height(), 600);
        ASSERT_EQ(dlg.Pages()->count(), 6);
        for (int page = 0; page < dlg.Pages()->count(); ++page) {
            // OK and Cancel stand under every page.
            std::set<QChar> letters = {MnemonicLetter(dlg.findChild<QDialogButtonBox*>()->buttons()[0]->text()),
                                       MnemonicLetter(dlg.findChild<QDialogButtonBox*>()->buttons()[1]->text())};
            EXPECT_EQ(letters.size(), 2u);
            for (QWidget* w : dlg.Pages()->widget(page)->findChildren<QWidget*>()) {
                auto* label = qobject_cast<QLabel*>(w);
                auto* box = qobject_cast<QCheckBox*>(w);
                const QString text = label != nullptr && label->buddy() != nullptr ? label->text()
                                     : box != nullptr                              ? box->text()
                                                                                   : QString();
                if (!text.isEmpty()) {
                    const QChar letter = MnemonicLetter(text);
                    EXPECT_FALSE(letter.isNull()) << text.toStdString();
                    EXPECT_TRUE(letter.isNull() || letters.insert(letter).second) << "twice: " << text.toStdString();
                }
            }
        }
        // A problem on a page not shown: its page comes up and the reason stands right under the field.
        dlg.Pages()->setCurrentIndex(0);
        dlg.show();
        dlg.Field(AlertField::RadiusKm)->setText(QStringLiteral("-1"));
        dlg.accept();
        QApplication::processEvents();
        QLabel* problem = dlg.ProblemLabel(AlertField::RadiusKm);
        ASSERT_NE(problem, nullptr);
        EXPECT_TRUE(problem->isVisible());
        EXPECT_EQ(problem->text().toStdString(), FieldProblemText(lang, AlertField::RadiusKm));
        const QRect field = dlg.Field(AlertField::RadiusKm)->geometry();
        EXPECT_LE(std::abs(problem->geometry().top() - field.bottom()), 12);
        EXPECT_FALSE(dlg.ProblemLabel(AlertField::Latitude)->isVisible());
        EXPECT_LE(dlg.height(), 600) << "the reasons make the window no taller";
    }
}

}  // namespace
}  // namespace dravik
