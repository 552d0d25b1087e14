#include "controls/palette_colours.h"

#include <QPalette>
#include <algorithm>
#include <cmath>

namespace dravik {
namespace {

constexpr QRgb kBlack = qRgb(0, 0, 0);
constexpr QRgb kWhite = qRgb(255, 255, 255);
constexpr QRgb kWarningRed = qRgb(220, 30, 30);

double Linear(int channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

}  // namespace

double RelativeLuminance(QRgb colour) {
    return 0.2126 * Linear(qRed(colour)) + 0.7152 * Linear(qGreen(colour)) + 0.0722 * Linear(qBlue(colour));
}

double ContrastRatio(QRgb a, QRgb b) {
    const double la = RelativeLuminance(a);
    const double lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QRgb MixColours(QRgb a, QRgb b, double share) {
    const double t = std::clamp(share, 0.0, 1.0);
    const auto mix = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return qRgb(mix(qRed(a), qRed(b)), mix(qGreen(a), qGreen(b)), mix(qBlue(a), qBlue(b)));
}

QRgb WithContrast(QRgb colour, QRgb background, double minRatio) {
    if (ContrastRatio(colour, background) >= minRatio) {
        return colour;
    }
    // Away from the background: towards black on a light one, towards white on a dark one. The ratio grows
    // with the share, so the least share that reaches it is found by halving.
    const bool lightBackground = ContrastRatio(kBlack, background) >= ContrastRatio(kWhite, background);
    const QRgb pole = lightBackground ? kBlack : kWhite;
    if (ContrastRatio(pole, background) < minRatio) {
        return pole;
    }
    double low = 0.0;
    double high = 1.0;
    for (int i = 0; i < 20; ++i) {
        const double mid = (low + high) / 2.0;
        if (ContrastRatio(MixColours(colour, pole, mid), background) >= minRatio) {
            high = mid;
        } else {
            low = mid;
        }
    }
    // Rounding to whole channels may land a hair short: step on until it holds.
    QRgb result = MixColours(colour, pole, high);
    for (double share = high; ContrastRatio(result, background) < minRatio && share < 1.0;) {
        share = std::min(1.0, share + 0.01);
        result = MixColours(colour, pole, share);
    }
    return result;
}

QRgb WarningTextColour(const QPalette& palette) {
    return WithContrast(kWarningRed, palette.color(QPalette::Window).rgb(), kMinTextContrast);
}

QRgb IndicatorOutlineColour(const QPalette& palette) {
    const QColor window = palette.color(QPalette::Active, QPalette::Window);
    const QRgb base = palette.color(QPalette::Active, QPalette::Base).rgb();
    // Text's margin rather than a line's: the ring is thin and drawn smooth, so its pixels come out paler.
    const QRgb outline = WithContrast(window.darker(140).rgb(), window.rgb(), kMinTextContrast);
    // The base is usually a shade of the window: the one move serves both.
    return WithContrast(outline, base, kMinTextContrast);
}

MarkedFieldLook MarkedFieldColours(const QPalette& palette) {
    const QRgb base = palette.color(QPalette::Base).rgb();
    MarkedFieldLook look;
    look.background = MixColours(base, kWarningRed, 0.2);
    look.text = WithContrast(palette.color(QPalette::Text).rgb(), look.background, kMinTextContrast);
    look.border = WithContrast(kWarningRed, palette.color(QPalette::Window).rgb(), kMinMarkContrast);
    return look;
}

}  // namespace dravik
