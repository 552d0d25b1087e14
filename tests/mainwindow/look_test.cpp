#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QStyle>
#include <QStyleFactory>
#include <cstdlib>

#include "controls/palette_colours.h"
#include "controls/sheen_button.h"
#include "controls/status_line.h"
#include "mainwindow/event_list_view.h"
#include "mainwindow/monitor_dlg.h"
#include "tests/common/dark_palette.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/fake_sound.h"
#include "tests/common/test_hooks.h"

namespace dravik {
namespace {

// The whole application in one style and palette for a test, the old ones back afterwards.
class ScopedLook final {
public:
    explicit ScopedLook(const QPalette& palette)
        : m_style(QApplication::style()->name()), m_palette(QApplication::palette()) {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(palette);
    }
    ~ScopedLook() {
        QApplication::setStyle(QStyleFactory::create(m_style));
        QApplication::setPalette(m_palette);
    }
    ScopedLook(const ScopedLook&) = delete;
    ScopedLook& operator=(const ScopedLook&) = delete;

private:
    QString m_style;
    QPalette m_palette;
};

// The main window in a light and a dark theme: the drawn button follows the theme and its caption reads. With
// DRAVIK_SHOTS_DIR set, the window is saved there as main-light.png and main-dark.png.
TEST(MainWindowLook, DrawnControlsFollowLightAndDarkThemes) {
    test::FakeSettingsStorage storage;
    storage.StoreText(test::kFakeLangKey, "lang", "PL");
    test::ScopedSettingsStorage scoped(storage);
    test::FakeSound sound;
    const QPalette light = std::unique_ptr<QStyle>(QStyleFactory::create(QStringLiteral("Fusion")))->standardPalette();
    for (const auto& [name, palette] : {std::pair<const char*, QPalette>{"light", light},
                                        std::pair<const char*, QPalette>{"dark", test::DarkFusionPalette()}}) {
        const ScopedLook look(palette);
        MonitorServices services;
        services.sound = &sound;
        services.startFeedWorker = false;
        CMonitorDlg dlg(nullptr, services);
        dlg.OnInitDialog();
        CEventList* list = dlg.m_listEvents;
        const char* rows[][7] = {{"5.3", "NORTHERN ALGERIA", "2026-12-07", "15:03", "36.61", "4.21", "10"},
                                 {"4.1", "CRETE, GREECE", "2026-12-07", "14:41", "35.20", "25.11", "35"},
                                 {"2.8", "POLAND", "2026-12-07", "13:02", "51.45", "16.20", "5"}};
        for (int r = 0; r < 3; ++r) {
            QuakeEvent e;
            e.eventId = std::to_string(r);
            e.mag = rows[r][0];
            e.region = rows[r][1];
            e.data1 = rows[r][2];
            e.data2 = rows[r][3];
            e.wsp1 = rows[r][4];
            e.wsp2 = rows[r][5];
            e.depth = rows[r][6];
            InsertEventRow(*list, dlg.m_imageList, r, e, MagnitudeClass(e.mag));
        }
        list->selectRow(0);
        ShowStatusText(qobject_cast<QLabel*>(dlg.GetDlgItem(1019)),
                       QString::fromUtf8("Archiwum niedostępne: pełny dysk | Źródło niedostępne: "
                                         "www.seismicportal.eu (HTTP 503)"),
                       true);
        dlg.show();
        QApplication::processEvents();
        const QImage shot = dlg.grab().toImage().convertToFormat(QImage::Format_RGB32);
        if (const char* dir = std::getenv("DRAVIK_SHOTS_DIR")) {
            shot.save(QString::fromUtf8(dir) + QStringLiteral("/main-%1.png").arg(QString::fromLatin1(name)));
        }
        EXPECT_GE(list->columnWidth(3), list->horizontalHeader()->sectionSizeHint(3)) << "the time header whole";
        const QRect button = dlg.m_btnHide->geometry();
        const QRgb face = shot.pixel(button.left() + 3, button.center().y());
        const bool dark = std::string(name) == "dark";
        EXPECT_EQ(RelativeLuminance(face) < 0.2, dark) << name << ": the button's face follows the theme";
        const QRgb ground = palette.color(QPalette::Window).rgb();
        EXPECT_EQ(shot.pixel(2, shot.height() - 2), ground) << name;
        EXPECT_GE(ContrastRatio(SheenTextColour(palette, false), SheenFaceColours(palette, false).bottom),
                  kMinTextContrast)
            << name;
        dlg.hide();
    }
}

}  // namespace
}  // namespace dravik
