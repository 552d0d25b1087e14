#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sources/event_detail.h"
#include "sources/geo.h"
#include "sources/quake_parser.h"

// The shaking a quake may cause at a place: expected Modified Mercalli intensity from an intensity
// prediction equation chosen by the crust at the epicentre. Plain functions, no Qt.
namespace dravik {

// Where shaking dies out fast (active crust) or carries far (old, cold stable continental crust).
enum class CrustKind { Active, Stable };

// The crust at a point, from a coarse compiled-in map of stable continental regions (shaking/STABLE_CRUST.md);
// the sea, and a point that is not a number, count as active.
CrustKind CrustAt(double latitude, double longitude);

// Expected intensity (unrounded, at least 1.0) at a hypocentral distance in km, magnitude as given: within
// 1.0..12.0 and never rising with distance (shaking/intensity_equations.h has the equations and their sources).
double ActiveCrustIntensity(double magnitude, double hypocentralKm);
double StableCrustIntensity(double magnitude, double hypocentralKm);

// The quake's expected intensity at an epicentral distance, with its depth, by the equation of `crust`. From
// M 6 on the distance is the mean one to a rupture of unknown strike (shaking/rupture_distance.h).
double ExpectedIntensity(double magnitude, double depthKm, double epicentralKm, CrustKind crust);

// The same at a distance already known in full: to the agency's rupture model, or hypocentral.
double IntensityAtDistance(double magnitude, double distanceKm, CrustKind crust);

// Whole intensity levels as shown (I..XII): the expected intensity rounded to the nearest level.
inline constexpr int kMinIntensity = 1;
inline constexpr int kMaxIntensity = 12;
int IntensityLevel(double intensity);

// "I".."XII" for a level 1..12; empty otherwise.
std::string RomanNumeral(int level);

// The MMI colour of a level, as ShakeMap's scale draws it: 0xRRGGBB.
std::uint32_t IntensityColour(int level);

// The epicentral distance in km within which the quake is expected to reach `level` (0 where it reaches
// it nowhere), found from the same equation.
double ReachKm(double magnitude, double depthKm, int level, CrustKind crust);

// A quake's depth in km from its depth text; 10 km (a typical crustal depth) where it does not read.
inline constexpr double kUnknownDepthKm = 10.0;
double DepthKmOf(const QuakeEvent& event);

// The quake's shaking at one of the user's places: what was measured there where it was, else the expectation.
struct PlaceShaking {
    std::size_t place = 0;  // index into the places given
    double intensity = 1.0;
    int level = 1;
    double distanceKm = 0.0;
    double bearingDeg = 0.0;
    // The expectation alone, and whether its distance was the one to the agency's rupture model.
    double expectedIntensity = 1.0;
    int expectedLevel = 1;
    bool toRuptureModel = false;
    // ShakeMap's level at the place (0: outside its contours, or no ShakeMap).
    int shakeMapLevel = 0;
    // The felt reports of the place's cell (level 0: none within kFeltCellReachKm).
    int feltLevel = 0;
    int feltReports = 0;
};

// The shaking at each place, strongest first, the nearer first among equal levels. Empty when the quake's
// magnitude or position is unknown. With `measured`, ShakeMap's level goes before the felt reports' and
// both before the expectation, which takes the distance to its rupture model where one is given.
std::vector<PlaceShaking> ShakingAtPlaces(const QuakeEvent& event, const std::vector<Place>& places);
std::vector<PlaceShaking> ShakingAtPlaces(double magnitude, double depthKm, double latitude, double longitude,
                                          const std::vector<Place>& places, const QuakeProducts* measured = nullptr);

}  // namespace dravik
