#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sources/event_detail.h"
#include "sources/quake_parser.h"

namespace dravik {

// The levels whose areas the map shows around the selected quake: III (felt indoors by many), V (felt by nearly
// everyone, small things fall) and VII (damage to weak buildings).
inline constexpr int kShakingBandLevels[] = {3, 5, 7};
// The level the map draws as an outline (its colour filled is the sea's).
inline constexpr int kOutlinedBandLevel = 3;

// The area within which the quake is expected to shake at a level or more: a circle round the epicentre.
struct ShakingBand {
    int level = 0;
    double radiusKm = 0;
    double arcDegrees = 0;  // the radius as an angle at the Earth's centre
    std::uint32_t rgb = 0;  // the level's colour, 0xRRGGBB
    std::string label;      // "III"
    // Measured: ShakeMap's contour lines that bound the level (inside an odd number of them); empty: the circle.
    std::vector<std::vector<LatLon>> rings{};
};

struct QuakeShaking {
    double latitude = 0;
    double longitude = 0;
    // The bands are ShakeMap's contours, not the expectation's circles.
    bool measured = false;
    // The outermost first; a level the quake reaches nowhere has none.
    std::vector<ShakingBand> bands{};
};

// The zone of the aftershock sequence the selected quake opened or belongs to, drawn among the bands.
struct SequenceZoneBand {
    double latitude = 0;
    double longitude = 0;
    double arcDegrees = 0;
};
inline constexpr std::uint32_t kSequenceZoneRgb = 0x78909C;
SequenceZoneBand ZoneBandOf(double latitude, double longitude, double radiusKm);

// The bands of a quake of a magnitude and depth at an epicentre, by the crust there; none when a number is not
// finite.
QuakeShaking ShakingOf(double magnitude, double depthKm, double latitude, double longitude);
// The bands where ShakeMap's contours bound each level: a level's band is inside its lowest contour that rounds to
// it (4.5 for V); a level whose edge lies beyond the lowest contour drawn, or that no contour reaches, has none.
// The radius is the farthest point's distance.
QuakeShaking MeasuredShakingOf(const std::vector<IntensityContour>& contours, double latitude, double longitude);
// The same from a listed report, from its ShakeMap's contours where the row has them; none without its
// magnitude and position.
QuakeShaking ShakingOf(const QuakeEvent& event);

}  // namespace dravik
