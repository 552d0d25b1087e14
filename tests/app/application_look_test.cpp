#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/about_dlg.h"
#include "app/application_look.h"
#include "app/first_start.h"
#include "app/language_dlg.h"
#include "app/settings_key.h"
#include "platform/dialog_template.h"
#include "resources/resource_images.h"
#include "resources/resource_tables.h"

namespace dravik {
namespace {

struct StandardTexts {
    std::string yes, no, cancel;
};

StandardTexts QuestionButtons() {
    QMessageBox box(QMessageBox::Question, "t", "q", QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    return {box.button(QMessageBox::Yes)->text().toStdString(), box.button(QMessageBox::No)->text().toStdString(),
            box.button(QMessageBox::Cancel)->text().toStdString()};
}

// Qt's catalogue is a package of the machine's (qt6-translations-l10n); without it the test says so by name.
void RequirePolishCatalogue() {
    const std::string path = QtTranslationsDir() + "/qtbase_pl.qm";
    ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(path)))
        << path << " is missing: install qt6-translations-l10n (scripts/install-deps)";
}

TEST(ApplicationLookTest, StandardButtonsFollowTheLanguageBothWays) {
    RequirePolishCatalogue();
    const struct {
        std::string lang;
        StandardTexts expected;
    } rows[] = {
        {"PL", {"&Tak", "&Nie", "Anuluj"}},
        {"PL", {"&Tak", "&Nie", "Anuluj"}},  // a second call keeps the one
                                             // catalogue
        {"EN", {"&Yes", "&No", "Cancel"}},
        {"", {"&Yes", "&No", "Cancel"}},
        {"PL", {"&Tak", "&Nie", "Anuluj"}},
        {"XX", {"&Yes", "&No", "Cancel"}},  // an unknown stored value reads as English, as the texts do
        {"DE", {"&Ja", "&Nein", "Abbrechen"}},
        {"PL", {"&Tak", "&Nie", "Anuluj"}},  // one catalogue replaces the other
    };
    for (const auto& row : rows) {
        EXPECT_TRUE(ApplyQtTranslations(row.lang)) << row.lang;
        const StandardTexts texts = QuestionButtons();
        EXPECT_EQ(texts.yes, row.expected.yes) << row.lang;
        EXPECT_EQ(texts.no, row.expected.no) << row.lang;
        EXPECT_EQ(texts.cancel, row.expected.cancel) << row.lang;
    }
}

TEST(ApplicationLookTest, TheFirstStartChoiceSwitchesQtsTextsForTheRestOfTheRun) {
    RequirePolishCatalogue();
    ApplyQtTranslations("EN");
    {
        CSettingsKey key;
        key.m_strLang.clear();
    }
    RunFirstStartStep(
        {},
        [](CLanguageDlg& dlg) {
            dlg.m_nLanguage = 0;
            return kIdOk;
        },
        [](const std::string&) {});
    EXPECT_EQ(QuestionButtons().yes, "&Tak");

    RunFirstStartStep({}, {});  // stored already: no question, the catalogue stays
    EXPECT_EQ(QuestionButtons().no, "&Nie");
    ApplyQtTranslations("EN");
}

TEST(ApplicationLookTest, EveryWindowCarriesTheProgramsIcon) {
    SetApplicationIcon();
    const QImage expected = ResourceIcon(kIconProgram).pixmap(32, 32).toImage();
    ASSERT_FALSE(expected.isNull());
    CAboutDlg about;
    CLanguageDlg language;
    QMessageBox box(QMessageBox::NoIcon, "t", "q");
    const std::vector<QWidget*> windows = {&about, &language, &box};
    for (QWidget* window : windows) {
        EXPECT_EQ(window->windowIcon().pixmap(32, 32).toImage(), expected) << window->metaObject()->className();
    }
    // The entry the package installs as /usr/share/applications/dravik.desktop.
    EXPECT_EQ(QGuiApplication::desktopFileName(), "dravik");
}

}  // namespace
}  // namespace dravik
