#include <gtest/gtest.h>

#include <QDialog>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/about_dlg.h"
#include "app/alert_settings_key.h"
#include "app/language_dlg.h"
#include "app/settings_dlg.h"
#include "history/history_dlg.h"
#include "resources/translations.h"
#include "store/event_table.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/process_events.h"
#include "tests/common/test_env.h"
#include "tests/mainwindow/widget_texts.h"

namespace dravik {
namespace {

struct Language {
    const char* code;
    QString letters;
    QStringList words;
};

// English shows no Polish; German shows neither Polish nor English.
const std::vector<Language>& Languages() {
    static const std::vector<Language> languages = {
        {"EN", test::kPolishLetters, test::kPolishWords},
        {"DE", test::kPolishLetters, test::kPolishWords + test::kEnglishWords},
    };
    return languages;
}

class TranslatedWindowsTest : public ::testing::Test {
protected:
    void SetLang(const std::string& lang) { m_storage.StoreText(test::kFakeLangKey, "lang", lang); }

    test::FakeSettingsStorage m_storage;
    test::ScopedSettingsStorage m_scopedStorage{m_storage};
};

// Each dialog the program opens, made as the program makes it in the stored language.
std::vector<std::pair<const char*, std::function<std::unique_ptr<QDialog>(const std::string&)>>> Dialogs() {
    return {
        {"settings", [](const std::string& lang) { return std::make_unique<CSettingsDlg>(AlertSettings{}, lang); }},
        {"history",
         [](const std::string&) {
             CHistoryDlg::Options options;
             options.databasePath = test::MakeTempDir("translated") + "/dravik.dat";
             CreateEventTable(options.databasePath);
             auto dlg = std::make_unique<CHistoryDlg>(options);
             EXPECT_TRUE(test::ProcessEventsUntil([&dlg] { return !dlg->IsLoading(); }));
             return std::unique_ptr<QDialog>(std::move(dlg));
         }},
        {"about",
         [](const std::string&) {
             return std::make_unique<CAboutDlg>(std::vector<std::string>{"https://www.seismicportal.eu/x"});
         }},
        {"language",
         [](const std::string&) {
             auto dlg = std::make_unique<CLanguageDlg>();
             dlg->OnInitDialog();
             return std::unique_ptr<QDialog>(std::move(dlg));
         }},
    };
}

TEST_F(TranslatedWindowsTest, EveryDialogShowsOnlyItsLanguage) {
    for (const Language& language : Languages()) {
        SetLang(language.code);
        for (const auto& [name, make] : Dialogs()) {
            std::unique_ptr<QDialog> dlg = make(language.code);
            const QStringList texts = test::ShownTexts(dlg.get());
            EXPECT_GE(texts.size(), 3) << name;
            EXPECT_EQ(test::ForeignTexts(texts, language.letters, language.words).join(" | ").toStdString(), "")
                << language.code << " " << name << ": " << texts.join(" | ").toStdString();
        }
    }
}

// The check itself: the Polish windows are caught by it, so a text left untranslated would be.
TEST_F(TranslatedWindowsTest, PolishWindowsAreCaught) {
    SetLang("PL");
    for (const auto& [name, make] : Dialogs()) {
        std::unique_ptr<QDialog> dlg = make("PL");
        EXPECT_NE(test::ForeignTexts(test::ShownTexts(dlg.get()), test::kPolishLetters, test::kPolishWords),
                  QStringList())
            << name;
    }
}

// Each built-in translation loads and is complete: lrelease leaves out nothing, and no entry waits for its
// translation (a new text is added to every .ts file with its translation, or this fails).
TEST(TranslationsTest, EveryLanguageLoadsAndIsComplete) {
    const std::vector<LanguageInfo>& languages = AvailableLanguages();
    ASSERT_GE(languages.size(), 3u);
    EXPECT_EQ(languages[0].code, "PL");
    EXPECT_EQ(languages[1].code, "EN");
    EXPECT_EQ(languages[1].name, "English");
    EXPECT_EQ(languages[2].code, "DE");
    EXPECT_EQ(languages[2].name, "Deutsch");
    for (std::size_t i = 1; i < languages.size(); ++i) {
        const std::string& code = languages[i].code;
        EXPECT_TRUE(TranslationLoads(code)) << code;
        const QString path = QString::fromStdString(test::SourceDir()) +
                             QStringLiteral("/translations/dravik_%1.ts").arg(QString::fromStdString(code).toLower());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QString ts = QString::fromUtf8(file.readAll());
        EXPECT_GT(ts.count(QStringLiteral("<message")), 100) << code;
        EXPECT_FALSE(ts.contains(QStringLiteral("type=\"unfinished\""))) << code;
        EXPECT_FALSE(ts.contains(QStringLiteral("type=\"vanished\""))) << code;
        EXPECT_FALSE(ts.contains(QStringLiteral("<translation></translation>"))) << code;
    }
    EXPECT_FALSE(IsKnownLanguage("pl"));
    EXPECT_FALSE(IsKnownLanguage("XX"));
    EXPECT_FALSE(TranslationLoads("PL"));
    EXPECT_FALSE(TranslationLoads("XX"));
}

}  // namespace
}  // namespace dravik
