#include <QAbstractButton>
#include <QLabel>
#include <QTimer>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/about_dlg.h"
#include "app/language_dlg.h"
#include "app/settings_key.h"
#include "platform/dialog_template.h"
#include "platform/qt/dialog_builder.h"
#include "tests/common/scoped_env.h"

namespace dravik {
namespace {

void StoreLanguage(const std::string& lang) {
    CSettingsKey key;
    key.m_strLang = lang;
}

QAbstractButton* Button(QWidget* dialog, int id) {
    return qobject_cast<QAbstractButton*>(FindControl(dialog, id));
}

struct Texts {
    std::string ok, cancel, caption;
    bool operator==(const Texts& other) const {
        return ok == other.ok && cancel == other.cancel && caption == other.caption;
    }
};

Texts TextsOf(CLanguageDlg& dialog) {
    return {Button(&dialog, kIdOk)->text().toStdString(), Button(&dialog, kIdCancel)->text().toStdString(),
            dialog.windowTitle().toStdString()};
}

const Texts kPolish{"Dalej", "Zakończ", "Język programu (language)"};
const Texts kEnglish{"Next", "Cancel", "Language"};
const Texts kGerman{"Weiter", "Abbrechen", "Sprache"};

TEST(LanguageDlgTest, TextsFollowTheClickedRadioButton) {
    // A Polish system: with nothing stored the dialog opens on Polish (FirstStartTest has the other systems).
    test::ScopedEnv system("LC_ALL", "pl_PL.UTF-8");
    struct Row {
        std::string stored;
        int checked;
        Texts opening;
    };
    const std::vector<Row> rows = {
        {"", 0, kPolish},   {"PL", 0, kPolish},
        {"XX", 0, kPolish}, {"EN", 1, kEnglish},  // the dialog opens in the stored language
        {"DE", 2, kGerman},
    };
    for (const auto& row : rows) {
        StoreLanguage(row.stored);
        CLanguageDlg dialog;
        dialog.OnInitDialog();
        EXPECT_EQ(CheckedRadioIndex(&dialog, 1007), row.checked) << row.stored;
        EXPECT_EQ(dialog.m_nLanguage, row.checked);
        EXPECT_TRUE(TextsOf(dialog) == row.opening) << row.stored;

        Button(&dialog, 1008)->click();
        EXPECT_TRUE(TextsOf(dialog) == kEnglish) << row.stored;
        EXPECT_EQ(dialog.m_nLanguage, row.checked);  // clicks change texts, not the choice
        Button(&dialog, 1007)->click();
        EXPECT_TRUE(TextsOf(dialog) == kPolish) << row.stored;
        EXPECT_EQ(Button(&dialog, 1007)->text().toStdString(), "Polski");
        EXPECT_EQ(Button(&dialog, 1008)->text().toStdString(), "English");
        EXPECT_EQ(Button(&dialog, 1009)->text().toStdString(), "Deutsch");
        Button(&dialog, 1009)->click();
        EXPECT_TRUE(TextsOf(dialog) == kGerman) << row.stored;
    }
    StoreLanguage("");
}

// Runs the dialog modally and presses the buttons given once it is up.
int RunWithClicks(CLanguageDlg& dialog, std::vector<int> ids) {
    QTimer::singleShot(0, &dialog, [&dialog, ids] {
        for (int id : ids) {
            Button(&dialog, id)->click();
        }
    });
    return dialog.DoModal();
}

TEST(LanguageDlgTest, OkReturnsTheCheckedButtonAndCancelKeepsTheInitialIndex) {
    test::ScopedEnv system("LC_ALL", "pl_PL.UTF-8");
    struct Row {
        std::string stored;
        std::vector<int> clicks;
        int result;
        int language;
    };
    const std::vector<Row> rows = {
        {"", {1008, kIdOk}, kIdOk, 1},           {"", {kIdOk}, kIdOk, 0},
        {"", {1008, kIdCancel}, kIdCancel, 0},   {"EN", {1007, kIdOk}, kIdOk, 0},
        {"EN", {1007, kIdCancel}, kIdCancel, 1}, {"", {1009, kIdOk}, kIdOk, 2},
        {"DE", {1008, kIdCancel}, kIdCancel, 2},
    };
    for (const auto& row : rows) {
        StoreLanguage(row.stored);
        CLanguageDlg dialog;
        EXPECT_EQ(RunWithClicks(dialog, row.clicks), row.result) << row.stored;
        EXPECT_EQ(dialog.m_nLanguage, row.language) << row.stored;
    }
    StoreLanguage("");
}

TEST(LanguageChoiceTest, OnlyAnotherLanguageIsAChange) {
    const struct {
        const char* stored;
        int index;
        bool changes;
    } rows[] = {{"PL", 0, false}, {"EN", 1, false}, {"PL", 1, true},  {"EN", 0, true}, {"", 0, true},
                {"pl", 0, true},  {"XX", 1, true},  {"DE", 2, false}, {"DE", 1, true}, {"EN", 2, true}};
    for (const auto& row : rows) {
        EXPECT_EQ(ChoiceChangesLanguage(row.stored, row.index), row.changes) << row.stored << " " << row.index;
    }
}

TEST(AboutDlgTest, NamesTheSourcesInUseByHost) {
    const struct {
        std::vector<std::string> urls;
        const char* line;
    } rows[] = {
        {{"https://www.seismicportal.eu/fdsnws/event/1/query?format=text"}, "Dane sejsmiczne: www.seismicportal.eu"},
        {{"https://www.seismicportal.eu/a", "https://EARTHQUAKE.usgs.gov/feed/all_hour.geojson",
          "https://www.seismicportal.eu/b"},
         "Dane sejsmiczne: www.seismicportal.eu, earthquake.usgs.gov"},
        {{"http://a.example/", "http://b.example/", "http://c.example/", "http://d.example/", "http://e.example/"},
         "Dane sejsmiczne: a.example, b.example (+3)"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(AboutSourcesText(row.urls), row.line);
    }
    CAboutDlg about(rows[1].urls);
    QStringList texts;
    for (const QLabel* label : about.findChildren<QLabel*>()) {
        texts << label->text();
        if (label->text().startsWith(QStringLiteral("Dane sejsmiczne"))) {
            // Read whole: wrapped within its room, inside the box.
            EXPECT_LE(label->heightForWidth(label->width()), label->height());
            EXPECT_LE(label->geometry().right(), about.width());
        }
    }
    EXPECT_TRUE(texts.contains(QString::fromUtf8(rows[1].line))) << texts.join('|').toStdString();
    EXPECT_FALSE(texts.contains(QStringLiteral("Dane sejsmiczne: EMSC")));
}

TEST(AboutDlgTest, ShowsNameAndAddressesAndClosesWithOk) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle().toStdString(), "O programie Dravik");
    QStringList texts;
    bool hasIcon = false;
    for (const QLabel* label : about.findChildren<QLabel*>()) {
        texts << label->text();
        hasIcon = hasIcon || !label->pixmap().isNull();
    }
    EXPECT_TRUE(texts.contains("Dravik 1.15"));
    EXPECT_TRUE(texts.contains("127.0.0.1")) << texts.join('|').toStdString();  // the tests' site address
    EXPECT_TRUE(texts.contains("dravik@dravik.example")) << texts.join('|').toStdString();
    EXPECT_TRUE(hasIcon);
    // The credit the plate boundaries' licence asks for, read whole within the box.
    const QString plates =
        QString::fromUtf8("Granice płyt: PB2002 (Peter Bird), GeoJSON: Hugo Ahlenius, Nordpil (ODC-By)");
    bool credited = false;
    for (const QLabel* label : about.findChildren<QLabel*>()) {
        if (label->text() == plates) {
            credited = true;
            EXPECT_LE(label->heightForWidth(label->width()), label->height());
            EXPECT_LE(label->geometry().right(), about.width());
            EXPECT_LE(label->geometry().bottom(), about.height());
        }
    }
    EXPECT_TRUE(credited) << texts.join('|').toStdString();
    QTimer::singleShot(0, &about, [&about] { Button(&about, kIdOk)->click(); });
    EXPECT_EQ(about.DoModal(), kIdOk);
}

TEST(AboutDlgTest, NamesTheHostTheSiteAddressPointsTo) {
    const struct {
        const char* siteUrl;  // null: not set, the built-in address
        const char* host;
    } rows[] = {
        {nullptr, "dravik.example"},
        {"http://dravik.example/", "dravik.example"},
        {"https://quakes.example.org:8443/monitor/", "quakes.example.org"},
        {"http://127.0.0.1:9/", "127.0.0.1"},
        {"https://seismic-observatory.example.org", "seismic-observatory.example.org"},
    };
    for (const auto& row : rows) {
        const test::ScopedEnv site("DRAVIK_SITE_URL", row.siteUrl);
        CAboutDlg about;
        const QLabel* siteLine = nullptr;
        for (QLabel* label : about.findChildren<QLabel*>()) {
            if (label->text() == row.host) {
                siteLine = label;
            }
        }
        ASSERT_NE(siteLine, nullptr) << row.host;
        // The whole host is readable, not cut at the template's width.
        EXPECT_GE(siteLine->width(), siteLine->fontMetrics().horizontalAdvance(siteLine->text())) << row.host;
        EXPECT_LE(siteLine->geometry().right(), about.width()) << row.host;
    }
}

}  // namespace
}  // namespace dravik
