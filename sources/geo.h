#pragma once

#include <string>

// Distances and directions on the Earth taken as a sphere.
namespace dravik {

inline constexpr double kEarthRadiusKm = 6371.0;

// Great-circle distance in kilometres between two points in decimal degrees (haversine formula); NaN when
// a coordinate is not a finite number.
double GreatCircleKm(double lat1, double lon1, double lat2, double lon2);

// Initial bearing from the first point to the second, degrees clockwise from north in [0, 360).
double InitialBearingDeg(double lat1, double lon1, double lat2, double lon2);

// One of the eight compass points ("N", "NE", ... "NW") for a bearing in degrees.
std::string CompassPoint(double bearingDeg);

// A place the user cares about: the home or one of the others of the settings.
struct Place {
    std::string name;  // empty: the language's name for the home
    double latitude = 0.0;
    double longitude = 0.0;
};

}  // namespace dravik
