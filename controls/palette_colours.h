#pragma once

#include <QRgb>

class QPalette;

// Colours taken from the palette in use, so that a dark desktop theme reads as well as a light one. Text is
// kept at least kMinTextContrast from its background (the WCAG ratio for normal text).
namespace dravik {

inline constexpr double kMinTextContrast = 4.5;
// Lines and frames that mark something need less than text.
inline constexpr double kMinMarkContrast = 3.0;

// The WCAG relative luminance (0 black .. 1 white) and contrast ratio (1 .. 21) of sRGB colours.
double RelativeLuminance(QRgb colour);
double ContrastRatio(QRgb a, QRgb b);

// a and b mixed, `share` of b (0 gives a, 1 gives b).
QRgb MixColours(QRgb a, QRgb b, double share);

// The colour itself where it already stands minRatio from the background; otherwise the least mix of it with
// black (light background) or white (dark background) that does, or the better of black and white where even
// those fall short.
QRgb WithContrast(QRgb colour, QRgb background, double minRatio);

// Red text for warnings on the window's background.
QRgb WarningTextColour(const QPalette& palette);

// The outline of a radio button's or check box's indicator: the style's own shade (the window's, darker), moved
// just far enough to stand kMinTextContrast from both the window and the indicator's base (a thin smooth ring
// draws paler than its colour), so an unchecked choice never reads as a blob on a dark theme.
QRgb IndicatorOutlineColour(const QPalette& palette);

// A field whose text was refused: a reddish tint of the field's background, its text readable on it, and a
// red frame that stands out from the window.
struct MarkedFieldLook {
    QRgb background;
    QRgb text;
    QRgb border;
};
MarkedFieldLook MarkedFieldColours(const QPalette& palette);

}  // namespace dravik
