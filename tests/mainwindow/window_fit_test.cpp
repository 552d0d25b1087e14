// Every window's texts get the room their language needs; run at 1x and, by a second registration, at 2x.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableView>
#include <cstdlib>
#include <functional>
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
#include "history/history_dlg.h"
#include "mainwindow/monitor_dlg.h"
#include "store/event_table.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/fake_sound.h"
#include "tests/common/process_events.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

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

class WindowFit : public ::testing::Test {
protected:
    void SetLang(const char* lang) { m_storage.StoreText(test::kFakeLangKey, "lang", lang); }

    test::FakeSettingsStorage m_storage;
    test::ScopedSettingsStorage m_scopedStorage{m_storage};
};

TEST_F(WindowFit, EveryTextHasTheRoomItsLanguageNeedsInEveryWindow) {
    if (std::getenv("DRAVIK_EXPECT_HIDPI") != nullptr) {
        ASSERT_EQ(qApp->devicePixelRatio(), 2.0);
    }
    const std::string archive = test::MakeTempDir("window-fit") + "/dravik.dat";
    CreateEventTable(archive);
    const std::vector<std::pair<const char*, std::function<std::unique_ptr<QDialog>(const std::string&)>>> dialogs = {
        {"settings", [](const std::string& lang) { return std::make_unique<CSettingsDlg>(AlertSettings{}, lang); }},
        {"history",
         [&archive](const std::string&) {
             CHistoryDlg::Options options;
             options.databasePath = archive;
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
    for (const char* lang : {"PL", "EN", "DE"}) {
        SetLang(lang);
        for (const auto& [name, make] : dialogs) {
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
        // The main window with a place of the user's: its distance column comes too, and the list's columns
        // fit at the opening width without a scroll bar across.
        AlertSettings withHome;
        withHome.hasHome = true;
        withHome.homeLatitude = 41.01;
        withHome.homeLongitude = 28.97;
        withHome.places = {{"Tokyo", 35.68, 139.69}};
        SaveAlertSettings(withHome);
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

}  // namespace
}  // namespace dravik
