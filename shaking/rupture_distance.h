#pragma once

// How far a place lies from a large quake's rupture rather than from its epicentre. A quake of M 6 or more
// breaks a fault tens to hundreds of kilometres long, and the places along it shake as if the quake were
// under them. Plain functions, no Qt.
namespace dravik {

// From this magnitude on the expected intensity is taken at the distance to the rupture.
inline constexpr double kRuptureFromMagnitude = 6.0;

// The rupture's length in km for a magnitude: Wells & Coppersmith (1994), subsurface rupture length of all
// slip types, log10 L = -2.44 + 0.59 M (magnitude taken within 0..9.5).
double RuptureLengthKm(double magnitude);

// The mean horizontal distance in km from a place at `epicentralKm` to a straight rupture of the magnitude's
// length that passes through the epicentre, taken over every strike and every place of the epicentre along the
// rupture (Thompson & Worden 2018, the case of a rupture of unknown orientation; shaking/INTENSITY.md). Below
// kRuptureFromMagnitude, and for a distance that is not a number, the epicentral distance itself. Never above
// the epicentral distance, never falling as it grows.
double MeanRuptureDistanceKm(double magnitude, double epicentralKm);

}  // namespace dravik
