#include "mainwindow/list_colours.h"

#include "controls/palette_colours.h"
#include "shaking/intensity.h"

namespace dravik {

std::optional<QRgb> MagnitudeTextColour(int magnitudeClass, QRgb background) {
    // Amber, orange, red: the larger, the hotter, as the list's class images have it.
    static constexpr QRgb kClassColours[] = {0xFFB07800, 0xFFE05A00, 0xFFD00000};
    if (magnitudeClass < 1 || magnitudeClass > 3) {
        return std::nullopt;
    }
    return WithContrast(kClassColours[magnitudeClass - 1], background, kMinTextContrast);
}

QRgb ShakingTextColour(int level, QRgb background) {
    // The scale's low levels are pale tints meant as fills; as text they are moved to a readable shade.
    return WithContrast(0xFF000000u | IntensityColour(level), background, kMinTextContrast);
}

std::optional<QRgb> PagerTextColour(const std::string& alert, QRgb background) {
    QRgb colour = 0;
    if (alert == "green") {
        colour = 0xFF00A000;
    } else if (alert == "yellow") {
        colour = 0xFFE0C000;
    } else if (alert == "orange") {
        colour = 0xFFFF8C00;
    } else if (alert == "red") {
        colour = 0xFFE00000;
    } else {
        return std::nullopt;
    }
    return WithContrast(colour, background, kMinTextContrast);
}

QRgb TsunamiMarkColour(QRgb background) {
    return WithContrast(0xFF0050D0, background, kMinTextContrast);
}

QRgb FeltMarkColour(QRgb background) {
    return WithContrast(0xFF7A3DB8, background, kMinTextContrast);
}

BandColours HeadlineBandColours(QRgb window, QRgb windowText, QRgb highlight, bool down) {
    const QRgb background = MixColours(window, highlight, down ? 0.3 : 0.15);
    return {background, WithContrast(windowText, background, kMinTextContrast)};
}

}  // namespace dravik
