// The main window in each language: status line, menus, headers, map kinds and questions.
#include "tests/mainwindow/monitor_dlg_fixture.h"

namespace dravik {
namespace {

TEST_F(MonitorDlgTest, StatusLineShowsTheSolarWindInTheLanguage) {
    const struct {
        const char* lang;
        const char* page;
        const char* expected;
    } cases[] = {
        {"PL", "x speed: <b>412.3</b> y density: <b>5.1</b>",
         "Prędkość wiatru słonecznego: 412.3 km/s, gęstość: 5.1 protonów/cm³"},
        {"PL", "x speed: <b> 412.3 </b> density: <b>5.1 </b>",
         "Prędkość wiatru słonecznego:  412.3  km/s, gęstość: 5.1  protonów/cm³"},
        {"PL", "x speed: <b>399</b>", "Prędkość wiatru słonecznego: 399 km/s, gęstość:  protonów/cm³"},
        // No reading at all (no page, or a page without the values) says so rather than showing bare units.
        {"PL", "", "Wiatr słoneczny: brak danych (127.0.0.1)"},
        {"EN", "", "Solar wind: no data (127.0.0.1)"},
        {"DE", "<html>Wartung</html>", "Sonnenwind: keine Daten (127.0.0.1)"},
        {"EN", "x speed: <b>412.3</b> y density: <b>5.1</b>", "Solar wind speed: 412.3 km/s, density: 5.1 protons/cm³"},
        {"DE", "x speed: <b>412.3</b> y density: <b>5.1</b>", "Sonnenwind: 412.3 km/s, Dichte: 5.1 Protonen/cm³"},
    };
    for (const auto& c : cases) {
        SetLang(c.lang);
        auto dlg = MakeWindow();
        EXPECT_EQ(dlg->GetDlgItemText(kIdStatusLine), "");
        SetWindPage(c.page);
        dlg->ReadSolarWind();
        EXPECT_EQ(dlg->GetDlgItemText(kIdStatusLine), c.expected) << c.lang << " " << c.page;
    }
}

// The main window, its menus and the map's choices in English and German: no Polish left, and German without
// English.
TEST_F(MonitorDlgTest, MainWindowShowsOnlyItsLanguage) {
    const struct {
        const char* lang;
        QStringList words;
    } cases[] = {{"EN", test::kPolishWords}, {"DE", test::kPolishWords + test::kEnglishWords}, {"PL", {}}};
    for (const auto& c : cases) {
        SetLang(c.lang);
        auto dlg = MakeWindow();
        SetWindPage("Solar wind speed: <b>412.3</b> km/s density: <b>5.1</b>");
        dlg->ReadSolarWind();
        const QStringList texts = test::ShownTexts(dlg.get());
        const QStringList foreign = test::ForeignTexts(texts, test::kPolishLetters, c.words);
        if (c.words.isEmpty()) {
            // The Polish window is caught by the check, so the check can fail.
            EXPECT_NE(test::ForeignTexts(texts, test::kPolishLetters, test::kPolishWords), QStringList());
            continue;
        }
        EXPECT_EQ(foreign.join(" | ").toStdString(), "") << c.lang << ": " << texts.join(" | ").toStdString();
    }
}

// The first start's choice takes hold at once: the window, made before the choice, shows nothing of Polish
// (or, in German, of English) after it. The map draws its own texts and is left out here.
TEST_F(MonitorDlgTest, MainWindowFollowsTheFirstStartsChoiceWithoutARestart) {
    const struct {
        const char* radio;
        const char* lang;
        QStringList words;
    } cases[] = {{"English", "EN", test::kPolishWords}, {"Deutsch", "DE", test::kPolishWords + test::kEnglishWords}};
    for (const auto& c : cases) {
        SetLang("");  // stored empty: the first start asks
        QTimer answerer;
        QObject::connect(&answerer, &QTimer::timeout, [&c] {
            // The steps after the language are skipped, as a user may.
            QWidget* modal = QApplication::activeModalWidget();
            if (qobject_cast<CWhereDlg*>(modal) != nullptr || qobject_cast<CAlertPresetDlg*>(modal) != nullptr) {
                qobject_cast<QDialog*>(modal)->reject();
                return;
            }
            auto* dialog = qobject_cast<CLanguageDlg*>(modal);
            if (dialog == nullptr) {
                return;
            }
            for (QRadioButton* radio : dialog->findChildren<QRadioButton*>()) {
                if (radio->text() == QLatin1String(c.radio)) {
                    radio->click();
                }
            }
            qobject_cast<QAbstractButton*>(FindControl(dialog, kIdOk))->click();
        });
        answerer.start(5);
        auto dlg = MakeWindow();
        answerer.stop();
        ASSERT_EQ(UiLanguage(), c.lang);
        QStringList texts = test::ShownTexts(dlg.get());
        const QStringList mapTexts = dlg->m_browser != nullptr ? test::ShownTexts(dlg->m_browser) : QStringList();
        for (const QString& text : mapTexts) {
            texts.removeOne(text);
        }
        EXPECT_GE(texts.size(), 15) << c.lang;
        EXPECT_TRUE(texts.contains(QString::fromStdString(Translate(c.lang, "MainWindow", "Fizyczna")))) << c.lang;
        EXPECT_EQ(test::ForeignTexts(texts, test::kPolishLetters, c.words).join(" | ").toStdString(), "")
            << c.lang << ": " << texts.join(" | ").toStdString();
    }
}

TEST_F(MonitorDlgTest, CloseQuestionPerLanguage) {
    const struct {
        const char* lang;
        const char* caption;
        const char* text;
        // The yes button names the action with the tray menu's verb; Qt's own "Yes" where there is none.
        const char* yes;
    } cases[] = {{"PL", "Pytanie", "Zamknąć program?", "Zakończ"},
                 {"EN", "Dravik", "Quit Dravik?", "Quit"},
                 {"XX", "", "", "Zakończ"}};
    for (const auto& c : cases) {
        SetLang(c.lang);
        auto dlg = MakeWindow();
        {
            MessageBoxAnswerer no(QMessageBox::No);
            dlg->close();                   // the caption's close box
            dlg->OnCommand(kCmdMenuClose);  // menu "Zamknij"
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(dlg.get(), &esc);
            ASSERT_EQ(no.asked.size(), 3u) << c.lang;
            for (const auto& asked : no.asked) {
                EXPECT_EQ(asked.first, c.caption) << c.lang;
                EXPECT_EQ(asked.second, c.text) << c.lang;
            }
            EXPECT_EQ(no.yesTexts, std::vector<std::string>(3, c.yes)) << c.lang;
            EXPECT_FALSE(dlg->IsEnded());
            EXPECT_TRUE(dlg->isVisible());
        }
        MessageBoxAnswerer yes(QMessageBox::Yes);
        dlg->OnCommand(kCmdMenuClose);
        EXPECT_EQ(yes.asked.size(), 1u);
        EXPECT_TRUE(dlg->IsEnded());
        EXPECT_EQ(dlg->result(), QDialog::Rejected);
    }
}

TEST_F(MonitorDlgTest, ColumnHeadersAndMapKindsFollowTheLanguage) {
    const struct {
        const char* lang;
        std::vector<std::string> headers;
        const char* firstMapKind;
    } cases[] = {
        // A new user sees local times, and the header names their zone.
        {"PL",
         {"Mag", "Lokalizacja", "Data", TimeHeaderText("PL", TimeDisplay::Local), "Szer.", "Dług.", "Głęb.",
          "Odległość", "Odczuwalność"},
         "Normalna"},
        {"EN",
         {"Mag", "Region", "Date", TimeHeaderText("EN", TimeDisplay::Local), "Lat.", "Long.", "Depth", "Distance",
          "Shaking"},
         "Normal"},
    };
    for (const auto& c : cases) {
        SetLang(c.lang);
        auto dlg = MakeWindow();
        std::vector<std::string> headers;
        for (int column = 0; column < kEventColumnCount; ++column) {
            headers.push_back(dlg->m_listEvents->model()->headerData(column, Qt::Horizontal).toString().toStdString());
        }
        EXPECT_EQ(headers, c.headers) << c.lang;
        EXPECT_EQ(dlg->windowTitle().toStdString(), "Dravik 1.15");
        EXPECT_EQ(dlg->GetDlgItemText(1007), c.firstMapKind);
        // Without a home place the distance column is hidden, the list as it always was.
        EXPECT_TRUE(dlg->m_listEvents->isColumnHidden(7));
        const int widths[] = {40, 160, 70, 55, 52, 52, 55};
        const QFont font = dlg->m_listEvents->font();
        for (int column = 0; column < 7; ++column) {
            if (column == 3) {
                // The time column also shows its header whole, zone and all.
                EXPECT_EQ(dlg->m_listEvents->columnWidth(column),
                          std::max(ScaledColumnWidth(font, widths[column]),
                                   dlg->m_listEvents->horizontalHeader()->sectionSizeHint(column)));
                continue;
            }
            if (column == 1) {
                continue;  // the region takes the room the others leave: below
            }
            EXPECT_EQ(dlg->m_listEvents->columnWidth(column), ScaledColumnWidth(font, widths[column]));
        }
        // The region column fills the list's spare width, and never shrinks below its own.
        CEventList& list = *dlg->m_listEvents;
        const auto others = [&] {
            int sum = 0;
            for (int column = 0; column < 7; ++column) {
                sum += column == 1 ? 0 : list.columnWidth(column);
            }
            return sum;
        };
        for (const int width : {1400, 300}) {
            list.resize(width, list.height());
            QApplication::sendPostedEvents();
            EXPECT_EQ(list.columnWidth(1), std::max(ScaledColumnWidth(font, 160), list.viewport()->width() - others()))
                << width;
        }
        EXPECT_EQ(list.columnWidth(1), ScaledColumnWidth(font, 160)) << "a narrow list keeps the region's own width";
        list.resize(1400, list.height());
        QApplication::sendPostedEvents();
        EXPECT_GT(list.columnWidth(1), 1400 - others() - 40) << "a wide list gives the region the rest";
        // The widths follow the font, so a date and a magnitude beside its image are read whole.
        const QFontMetrics metrics(font);
        EXPECT_GT(dlg->m_listEvents->columnWidth(2), metrics.horizontalAdvance(QStringLiteral("2016-05-10")));
        EXPECT_GT(dlg->m_listEvents->columnWidth(0), 16 + metrics.horizontalAdvance(QStringLiteral("4.5")));
        EXPECT_TRUE(dlg->m_listEvents->showGrid());
    }
}

}  // namespace
}  // namespace dravik
