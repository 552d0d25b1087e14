#pragma once

#include <optional>
#include <vector>

#include "sources/event_detail.h"

// The shaking an agency measured or was told at a place: ShakeMap's intensity contours, the "Did You Feel It?"
// cells, and the distance to its rupture model. Plain functions, no Qt.
namespace dravik {

// The intensity of the highest contour the place lies within (a contour cut by the map's edge closed by a
// straight line); nothing when it lies within none.
std::optional<double> ContourIntensityAt(const std::vector<IntensityContour>& contours, double latitude,
                                         double longitude);

// Felt reports within this distance of a place speak for it: a cell is 10 km across.
inline constexpr double kFeltCellReachKm = 10.0;

// The cell the place lies in, else the one whose centre is nearest within kFeltCellReachKm; null when none.
const FeltCell* FeltCellAt(const std::vector<FeltCell>& cells, double latitude, double longitude);

// The distance in km from the place to the nearest of the rupture's planes (0 horizontally above one, with the
// plane's shallowest depth below); nothing without planes.
std::optional<double> RuptureDistanceKm(const std::vector<RupturePlane>& planes, double latitude, double longitude);

}  // namespace dravik
