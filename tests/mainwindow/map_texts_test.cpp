#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <memory>
#include <string>

#include "app/alert_settings_key.h"
#include "app/language_dlg.h"
#include "app/settings_dlg.h"
#include "app/setup_dlg.h"
#include "mainwindow/map_browser.h"
#include "mainwindow/monitor_dlg.h"
#include "mainwindow/version_check.h"
#include "map/tile_source.h"
#include "platform/dialog_template.h"
#include "platform/qt/dialog_builder.h"
#include "resources/translations.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/fake_sound.h"
#include "tests/common/scoped_env.h"

namespace dravik {
namespace {

std::string Credits(const CMapWidget& map) {
    std::string credits;
    for (const AttributionPart& part : map.Layers().attribution) {
        credits += part.text;
    }
    return credits;
}

class MapTextsTest : public ::testing::Test {
protected:
    std::unique_ptr<CMonitorDlg> MakeWindow() {
        MonitorServices services;
        services.sound = &m_sound;
        services.startFeedWorker = false;
        services.fetchPage = [](const std::string&) { return std::string(); };
        auto dlg = std::make_unique<CMonitorDlg>(nullptr, services);
        dlg->OnInitDialog();
        return dlg;
    }
    QString Text(CMonitorDlg& dlg, int id) { return qobject_cast<QAbstractButton*>(dlg.GetDlgItem(id))->text(); }

    test::FakeSettingsStorage m_storage;
    test::ScopedSettingsStorage m_scoped{m_storage};
    test::FakeSound m_sound;
};

TEST_F(MapTextsTest, TheFirstStartsLanguageReachesTheMapWithoutARestart) {
    struct Row {
        std::string lang;
        const char* kinds[4];
        const char* plates;
        const char* legend;
        const char* tilesFailed;
        const char* name;
        const char* topoCredit;
    };
    const Row rows[] = {
        {"EN",
         {"Normal", "Satellite", "Hybrid", "Terrain"},
         "Plate boundaries",
         "Last hour",
         "Map tiles cannot be loaded.",
         "Earthquake map",
         "Map data: \xC2\xA9 OpenStreetMap contributors"},
        {"DE",
         {"Normal", "Satellit", "Hybrid", "Gel\xC3\xA4nde"},
         "Plattengrenzen",
         "Letzte Stunde",
         "Kartenkacheln k\xC3\xB6nnen nicht geladen werden.",
         "Erdbebenkarte",
         "Kartendaten: \xC2\xA9 OpenStreetMap-Mitwirkende"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.lang);
        // No language stored yet: a first start.
        test::FakeSettingsStorage fresh;
        test::ScopedSettingsStorage scoped(fresh);
        // The first-start dialog, answered as a user does: the language's button, then OK.
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            // The steps after the language are skipped, as a user may.
            QWidget* modal = QApplication::activeModalWidget();
            if (qobject_cast<CWhereDlg*>(modal) != nullptr || qobject_cast<CAlertPresetDlg*>(modal) != nullptr) {
                qobject_cast<QDialog*>(modal)->reject();
                return;
            }
            if (auto* dialog = qobject_cast<CLanguageDlg*>(modal)) {
                qobject_cast<QAbstractButton*>(FindControl(dialog, 1007 + LanguageIndex(row.lang)))->click();
                qobject_cast<QAbstractButton*>(FindControl(dialog, kIdOk))->click();
            }
        });
        answer.start(5);
        auto dlg = MakeWindow();
        answer.stop();
        const int kindIds[] = {1007, 1008, 1016, 1017};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(Text(*dlg, kindIds[i]).toStdString(), row.kinds[i]);
        }
        EXPECT_EQ(Text(*dlg, 1020).toStdString(), row.plates);
        CMapBrowser& map = *dlg->m_browser;
        EXPECT_EQ(map.Legend().value(0).toStdString(), row.legend);
        EXPECT_EQ(map.TilesFailedText().toStdString(), row.tilesFailed);
        EXPECT_EQ(map.accessibleName().toStdString(), row.name);
        map.SetKind(3);
        EXPECT_EQ(Credits(map).rfind(row.topoCredit, 0), 0U) << Credits(map);
    }
}

TEST_F(MapTextsTest, TheMapIsANamedPictureAndFollowsALanguageChangeWhileItRuns) {
    m_storage.StoreText(test::kFakeLangKey, "lang", "PL");
    auto dlg = MakeWindow();
    CMapBrowser& map = *dlg->m_browser;
    map.Navigate(std::string(kBuiltInMapServer) + "/mapa/m.php?wsp1=x&wsp2=y&mag=4.3");
    EXPECT_EQ(map.accessibleName(), QStringLiteral("Mapa trz\u0119sie\u0144"));
    EXPECT_EQ(map.Note(), QStringLiteral("Nieznane po\u0142o\u017Cenie zdarzenia."));
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&map);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Graphic) << "not an unnamed filler";
    EXPECT_EQ(accessible->text(QAccessible::Name), map.accessibleName());

    // A translator installed (or removed) while the program runs tells every widget; the map takes its texts anew.
    m_storage.StoreText(test::kFakeLangKey, "lang", "EN");
    QEvent change(QEvent::LanguageChange);
    QApplication::sendEvent(&map, &change);
    EXPECT_EQ(map.accessibleName().toStdString(), "Earthquake map");
    EXPECT_EQ(map.Legend().value(1).toStdString(), "Last day");
    EXPECT_EQ(map.Note().toStdString(), "Position unknown.");
    EXPECT_EQ(map.TilesFailedText().toStdString(), "Map tiles cannot be loaded.");
}

TEST_F(MapTextsTest, EsriIsAskedOnlyWithTheUsersKey) {
    // The services' own layers; the window is never shown, so nothing is fetched.
    test::ScopedEnv services("DRAVIK_TILE_URL", nullptr);
    m_storage.StoreText(test::kFakeLangKey, "lang", "EN");
    auto dlg = MakeWindow();
    CMapBrowser& map = *dlg->m_browser;
    ASSERT_FALSE(map.isVisible());
    map.SetKind(2);
    const auto asksEsri = [&] {
        return map.Layers().base.urlTemplate.find("arcgis") != std::string::npos ||
               map.Layers().overlay.urlTemplate.find("arcgis") != std::string::npos;
    };
    EXPECT_FALSE(asksEsri());
    EXPECT_EQ(Credits(map).rfind("Imagery: NASA EOSDIS GIBS", 0), 0U);

    // Typed in the settings window: trimmed and kept; one that would change the tiles' address is refused.
    CSettingsDlg settings(LoadAlertSettings(), "EN");
    settings.EsriKeyField()->setText(QStringLiteral("  AAPK-key_1.x "));
    settings.accept();
    EXPECT_EQ(settings.result(), QDialog::Accepted);
    EXPECT_EQ(settings.EsriKey(), "AAPK-key_1.x");
    CSettingsDlg refused(LoadAlertSettings(), "EN");
    refused.EsriKeyField()->setText(QStringLiteral("key&f=json"));
    refused.accept();
    EXPECT_NE(refused.result(), QDialog::Accepted);
    EXPECT_FALSE(refused.ErrorLabel()->isHidden());
    EXPECT_NE(refused.ErrorLabel()->text().toStdString().find("Esri API key"), std::string::npos);

    m_storage.StoreText(test::kFakeLangKey, kEsriKeySetting, settings.EsriKey());
    dlg->ApplyStoredSettings();
    EXPECT_TRUE(asksEsri());
    EXPECT_EQ(
        TileUrl(map.Layers().base, {3, 1, 2}),
        "https://ibasemaps-api.arcgis.com/arcgis/rest/services/World_Imagery/MapServer/tile/3/2/1?token=AAPK-key_1.x");
    EXPECT_EQ(Credits(map).rfind("Powered by Esri", 0), 0U);
    // A key edited by hand into something no key is, is not sent.
    m_storage.StoreText(test::kFakeLangKey, kEsriKeySetting, "a b");
    dlg->ApplyStoredSettings();
    EXPECT_FALSE(asksEsri());
    m_storage.StoreText(test::kFakeLangKey, kEsriKeySetting, "");
    dlg->ApplyStoredSettings();
    EXPECT_FALSE(asksEsri());
}

TEST(MapVersionTest, TheTilesNameTheVersionTheTitleShowsAndTheirContact) {
    EXPECT_EQ(TileUserAgent("https://dravik.example"),
              std::string("Dravik/") + kProgramVersion + " (+https://dravik.example)");
    EXPECT_EQ(TileUserAgent(""), std::string("Dravik/") + kProgramVersion);
}

}  // namespace
}  // namespace dravik
