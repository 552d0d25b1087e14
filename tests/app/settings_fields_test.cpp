// The settings window as a keyboard and screen reader user and a wide address meet it, and the choices' look on a
// dark theme.
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTabWidget>
#include <algorithm>
#include <cstdlib>
#include <memory>

#include <gtest/gtest.h>

#include "app/alert_settings_key.h"
#include "app/application_look.h"
#include "app/settings_dlg.h"
#include "controls/palette_colours.h"
#include "tests/common/dark_palette.h"
#include "tests/common/fake_settings_storage.h"

namespace dravik {
namespace {

QString AccessibleName(QWidget* widget) {
    QAccessibleInterface* exposed = QAccessible::queryAccessibleInterface(widget);
    return exposed != nullptr ? exposed->text(QAccessible::Name) : QString();
}

// Every field is named by its label, the time box too (not by the display it shows), in both languages.
TEST(SettingsFieldsTest, EveryFieldIsNamedByItsLabel) {
    const struct {
        const char* lang;
        const char* latitude;
        const char* time;
    } rows[] = {
        {"PL", "Szerokość (°, puste = brak)", "Pokazuj czas"},
        {"EN", "Latitude (°, empty = none)", "Show times as"},
    };
    for (const auto& row : rows) {
        AlertSettings settings;
        CSettingsDlg dlg(settings, row.lang);
        EXPECT_EQ(AccessibleName(dlg.Field(AlertField::Latitude)).toStdString(), row.latitude);
        EXPECT_EQ(AccessibleName(dlg.TimeBox()).toStdString(), row.time);
        for (int i = 0; i < dlg.TimeBox()->count(); ++i) {
            dlg.TimeBox()->setCurrentIndex(i);
            EXPECT_EQ(AccessibleName(dlg.TimeBox()).toStdString(), row.time) << "named by its value";
            EXPECT_EQ(QAccessible::queryAccessibleInterface(dlg.TimeBox())->text(QAccessible::Value),
                      dlg.TimeBox()->currentText());
        }
    }
}

// The addresses of several services fit: the field spans the window under its label and grows with it.
TEST(SettingsFieldsTest, TheSourceFieldIsAsWideAsTheWindow) {
    AlertSettings settings;
    CSettingsDlg dlg(settings, "EN");
    QLineEdit* sources = dlg.Field(AlertField::Sources);
    ASSERT_NE(sources, nullptr);
    // Its own page shown: a hidden page is laid out only when it is shown.
    for (int page = 0; page < dlg.Pages()->count(); ++page) {
        if (dlg.Pages()->widget(page)->isAncestorOf(sources)) {
            dlg.Pages()->setCurrentIndex(page);
        }
    }
    dlg.show();
    QApplication::processEvents();
    const QString address = QStringLiteral("https://www.seismicportal.eu/fdsnws/event/1/query");
    EXPECT_GE(sources->width(), sources->fontMetrics().horizontalAdvance(address));
    QWidget* group = sources->parentWidget();
    EXPECT_GE(sources->width(), group->contentsRect().width() - 40) << "the field leaves the window's width unused";
    const int before = sources->width();
    dlg.resize(dlg.width() + 300, dlg.height());
    QApplication::processEvents();
    EXPECT_GE(sources->width(), before + 250) << "the field does not grow with the window";
}

// On a dark theme an unchecked radio button is a ring that stands out from the window, not a dark blob.
TEST(SettingsFieldsTest, RadioButtonsReadOnADarkTheme) {
    UseReadableIndicators();
    UseReadableIndicators();  // once is enough; a second call keeps the style
    const QPalette light = std::unique_ptr<QStyle>(QStyleFactory::create(QStringLiteral("Fusion")))->standardPalette();
    for (const QPalette& palette : {test::DarkFusionPalette(), light}) {
        const QRgb window = palette.color(QPalette::Window).rgb();
        EXPECT_GE(ContrastRatio(IndicatorOutlineColour(palette), window), kMinMarkContrast);
        EXPECT_GE(ContrastRatio(IndicatorOutlineColour(palette), palette.color(QPalette::Base).rgb()),
                  kMinMarkContrast);
        QWidget host;
        host.setPalette(palette);
        auto* radio = new QRadioButton(QStringLiteral("Normalna"), &host);
        radio->adjustSize();
        host.resize(radio->size());
        const QImage image = radio->grab().toImage().convertToFormat(QImage::Format_RGB32);
        if (const char* dir = std::getenv("DRAVIK_SHOTS_DIR")) {
            image.save(QString::fromUtf8(dir) + QStringLiteral("/radio-%1.png").arg(RelativeLuminance(window) < 0.2));
        }
        const int indicator = radio->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, radio);
        double best = 1.0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < std::min(indicator + 4, image.width()); ++x) {
                best = std::max(best, ContrastRatio(image.pixel(x, y), window));
            }
        }
        EXPECT_GE(best, kMinMarkContrast) << "the unchecked indicator cannot be told from the window";
    }
}

}  // namespace
}  // namespace dravik
