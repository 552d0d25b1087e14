#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLibraryInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QString>
#include <QTableView>
#include <QXmlStreamReader>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/about_dlg.h"
#include "app/alert_settings_key.h"
#include "app/language_dlg.h"
#include "app/place_dlg.h"
#include "app/settings_dlg.h"
#include "app/setup_dlg.h"
#include "app/ui_texts.h"
#include "history/history_dlg.h"
#include "mainwindow/monitor_dlg.h"
#include "platform/qt/dialog_builder.h"
#include "resources/resource_tables.h"
#include "resources/translations.h"
#include "store/event_table.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/fake_sound.h"
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

QString WithoutMnemonic(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text;
}

// The shown labels, buttons and combo boxes of a window whose text is cut or that leave the window.
std::string CutTexts(QWidget* window) {
    std::string faults;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->window() != window) {
            continue;
        }
        const QRect inWindow(w->mapTo(window, QPoint(0, 0)), w->size());
        QString text;
        bool cut = false;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            text = label->text();
            const bool plain = label->textFormat() != Qt::RichText && !Qt::mightBeRichText(text);
            if (text.isEmpty() || label->wordWrap() || !plain || label->pixmap().isNull() == false) {
                continue;
            }
            for (const QString& line : WithoutMnemonic(text).split(QLatin1Char('\n'))) {
                cut = cut || label->fontMetrics().horizontalAdvance(line) > label->contentsRect().width();
            }
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            text = button->text();
            if (text.isEmpty() || w->parentWidget()->inherits("QTabBar")) {
                continue;
            }
            cut = button->sizeHint().width() > button->width();
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            text = combo->currentText();
            cut = combo->minimumSizeHint().width() > combo->width();
        } else {
            continue;
        }
        if (cut) {
            faults += "cut: \"" + text.toStdString() + "\"; ";
        }
        if (!window->rect().contains(inWindow)) {
            faults += "outside: \"" + text.toStdString() + "\"; ";
        }
    }
    return faults;
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
        {"place",
         [](const std::string& lang) {
             return std::make_unique<CPlaceDlg>(Place{std::string(), 46.4, 14.1}, true, lang);
         }},
        {"where are you", [](const std::string& lang) { return std::make_unique<CWhereDlg>(lang); }},
        {"what alerts", [](const std::string& lang) { return std::make_unique<CAlertPresetDlg>(lang); }},
        {"find a place", [](const std::string& lang) { return std::make_unique<CPlaceFindDlg>(lang); }},
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

// Every window's texts get the room their language needs; run at 1x and, by a second registration, at 2x.
class WindowFit : public TranslatedWindowsTest {};

TEST_F(WindowFit, EveryTextHasTheRoomItsLanguageNeedsInEveryWindow) {
    if (std::getenv("DRAVIK_EXPECT_HIDPI") != nullptr) {
        ASSERT_EQ(qApp->devicePixelRatio(), 2.0);
    }
    for (const char* lang : {"PL", "EN", "DE"}) {
        SetLang(lang);
        for (const auto& [name, make] : Dialogs()) {
            std::unique_ptr<QDialog> dlg = make(lang);
            dlg->show();
            QApplication::processEvents();
            EXPECT_EQ(CutTexts(dlg.get()), "") << lang << " " << name;
            // Dates read one way in every language: 2026-12-08, as in the main list.
            for (const QDateEdit* date : dlg->findChildren<QDateEdit*>()) {
                EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$")).match(date->text()).hasMatch())
                    << lang << " " << name << ": " << date->text().toStdString();
            }
        }
        // The main window with places: their columns come too, and fit at the opening width with no bar across.
        AlertSettings withPlaces;
        withPlaces.hasHome = true;
        withPlaces.homeLatitude = 41.01;
        withPlaces.homeLongitude = 28.97;
        withPlaces.places = {{"Tokyo", 35.68, 139.69}};
        SaveAlertSettings(withPlaces);
        test::FakeSound sound;
        MonitorServices services;
        services.sound = &sound;
        services.startFeedWorker = false;
        services.fetchPage = [](const std::string&) { return std::string(); };
        services.storeEvents = [](const std::vector<QuakeEvent>&, const std::atomic<bool>*) {
            return ArchiveWriteResult{};
        };
        CMonitorDlg main(nullptr, services);
        main.OnInitDialog();
        main.show();
        QApplication::processEvents();
        EXPECT_EQ(CutTexts(&main), "") << lang << " main window";
        auto* list = main.findChild<QTableView*>();
        ASSERT_NE(list, nullptr);
        EXPECT_FALSE(list->horizontalScrollBar()->isVisible()) << lang;
        EXPECT_LE(list->horizontalHeader()->length(), list->viewport()->width()) << lang;
        main.hide();
    }
}

// The tray's menu, which the main window does not hold.
TEST_F(TranslatedWindowsTest, TrayMenuShowsOnlyItsLanguage) {
    for (const Language& language : Languages()) {
        const MenuTemplate* menu = FindMenuTemplate(TrayMenuId(language.code), language.code);
        ASSERT_NE(menu, nullptr) << language.code;
        QWidget holder;
        std::unique_ptr<QMenu> popup(BuildPopupMenu(*menu, 0, &holder));
        ASSERT_NE(popup, nullptr);
        QStringList texts;
        for (QAction* action : popup->actions()) {
            test::AddActionTexts(action, texts);
        }
        texts.removeAll(QString());
        EXPECT_EQ(texts.size(), 8) << language.code;  // four commands, their tooltips
        EXPECT_EQ(test::ForeignTexts(texts, language.letters, language.words).join(" | ").toStdString(), "")
            << language.code;
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

using Messages = std::map<std::pair<QString, QString>, QString>;

// The (context, source) pairs of a Linguist file with their translations; unfinished ones read as empty.
Messages ReadMessages(const QString& path) {
    Messages messages;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    QXmlStreamReader xml(&file);
    QString context;
    QString source;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const bool finished = xml.attributes().value(QLatin1String("type")).isEmpty();
            const QString text = xml.readElementText();
            messages[{context, source}] = finished ? text : QString();
        }
    }
    EXPECT_FALSE(xml.hasError()) << path.toStdString() << ": " << xml.errorString().toStdString();
    return messages;
}

// lupdate run over the code finds every text marked for translation; each language's file translates exactly
// those: a text added without its translations, or a translation left after its text went, fails here.
TEST(TranslationsTest, EveryMarkedTextIsTranslatedInEveryLanguage) {
    const QString source = QString::fromStdString(test::SourceDir());
    const QString found = QString::fromStdString(test::MakeTempDir("lupdate")) + "/found.ts";
    QProcess lupdate;
    lupdate.setWorkingDirectory(source);
    lupdate.start(QLibraryInfo::path(QLibraryInfo::BinariesPath) + "/lupdate",
                  {"-silent", "-locations", "none", "app", "controls", "sources", "shaking", "alerts", "catalogue",
                   "places", "history", "mainwindow", "platform", "resources", "map", "-ts", found});
    ASSERT_TRUE(lupdate.waitForFinished(60000)) << lupdate.errorString().toStdString();
    ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();
    const Messages marked = ReadMessages(found);
    ASSERT_GT(marked.size(), 100u);
    for (std::size_t i = 1; i < AvailableLanguages().size(); ++i) {
        const QString code = QString::fromStdString(AvailableLanguages()[i].code).toLower();
        const Messages translated = ReadMessages(source + "/translations/dravik_" + code + ".ts");
        for (const auto& [key, text] : marked) {
            const auto it = translated.find(key);
            EXPECT_TRUE(it != translated.end() && !it->second.isEmpty())
                << code.toStdString() << " lacks " << key.first.toStdString() << " / " << key.second.toStdString();
        }
        for (const auto& [key, text] : translated) {
            EXPECT_TRUE(marked.count(key) == 1)
                << code.toStdString() << " translates what the code no longer has: " << key.first.toStdString() << " / "
                << key.second.toStdString();
        }
    }
}

}  // namespace
}  // namespace dravik
