#pragma once

#include <QRgb>
#include <optional>
#include <string>

// The main list's colours: the magnitude by its class, the shaking level, PAGER's level and a tsunami message,
// each moved just far enough from the list's background to read (kMinTextContrast), light theme or dark.
namespace dravik {

// The magnitude's text colour for its class (0 below M 4, 1 to M 6, 2 to M 7, 3 from M 7); none for class 0,
// which keeps the theme's own text colour.
std::optional<QRgb> MagnitudeTextColour(int magnitudeClass, QRgb background);
// The shaking level's text colour: the MMI scale's hue of the level.
QRgb ShakingTextColour(int level, QRgb background);
// PAGER's colour for "green", "yellow", "orange" or "red"; none for anything else.
std::optional<QRgb> PagerTextColour(const std::string& alert, QRgb background);
// A tsunami message in force.
QRgb TsunamiMarkColour(QRgb background);
// What people felt.
QRgb FeltMarkColour(QRgb background);

// The headline band: a tint of the selection's colour on the window's (more while pressed), its text the
// window's moved until it reads there.
struct BandColours {
    QRgb background;
    QRgb text;
};
BandColours HeadlineBandColours(QRgb window, QRgb windowText, QRgb highlight, bool down);

}  // namespace dravik
