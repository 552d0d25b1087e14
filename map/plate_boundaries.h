#pragma once

#include <cstdint>
#include <vector>

#include "map/map_viewport.h"
#include "map/mercator.h"

namespace dravik {

// The boundaries of the tectonic plates as open lines of places, from PB2002 (compiled in, simplified so that
// every original point lies within kPlateToleranceKm of its line). No line steps across the antimeridian: a
// line that meets it ends at longitude 180 or -180 and goes on as another.
const std::vector<std::vector<GeoPoint>>& PlateLines();

// What the simplification allowed, and what the rounding to a hundredth of a degree adds to it at most.
inline constexpr double kPlateToleranceKm = 5.0;
inline constexpr double kPlateRoundingKm = 0.8;

// The plate lines where the view shows them: on every copy of the world in view, each segment cut to the view
// grown by margin pixels, so that no point drawn lies farther out than that however far the map is zoomed in.
// A line that leaves the view and comes back is two polylines. Points nearer than step pixels to the last one
// kept are left out (each polyline's ends stay), so no line moves by more than that.
std::vector<std::vector<ScreenPoint>> PlateLinesOnScreen(const MapViewport& view, double margin, double step = 0);

extern const int kPlateLineCount;
extern const std::uint16_t kPlateLineSizes[];
extern const std::int16_t kPlateCoords[];

}  // namespace dravik
