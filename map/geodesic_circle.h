#pragma once

#include <cstddef>
#include <vector>

#include "map/map_viewport.h"
#include "map/mercator.h"

namespace dravik {

// The part of the world within a great-circle distance of a place, as Web Mercator draws it, in zoom-0 world
// pixels. The ring's x runs on across the date line without a jump, so it may leave [0, 256); the area repeats
// every world's width east and west. A cap around a pole runs once round the world and is closed along the map's
// top or bottom edge; its first curvePoints points are the circle itself, the rest that closure.
// outside: the area is everything but the ring's inside (a cap holding both poles, drawn as the hole around the
// antipode); outside with no ring is the whole world; no ring otherwise is nothing.
struct WorldArea {
    std::vector<WorldPoint> ring;
    std::size_t curvePoints = 0;
    bool outside = false;
};

// arcDegrees: the great-circle radius in degrees of arc (kilometres / Earth's radius, in degrees).
WorldArea GeodesicCircle(const GeoPoint& centre, double arcDegrees, int segments);

// The points a circle needs to stay within half a pixel of the true one at a zoom, within [64, 16384].
int CircleSegments(const GeoPoint& centre, double arcDegrees, int zoom);

// What of a polygon's inside lies within a rectangle (Sutherland-Hodgman): the cut runs along the rectangle's
// edges. For filling, so that a band of thousands of kilometres at a street's zoom reaches the painter with
// coordinates near the screen.
std::vector<ScreenPoint> ClipPolygon(const std::vector<ScreenPoint>& polygon, double left, double top, double right,
                                     double bottom);

}  // namespace dravik
