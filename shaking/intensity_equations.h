#pragma once

// Intensity prediction equations: Modified Mercalli intensity from the magnitude as given and the hypocentral
// distance in km, no site term. The program reads them through shaking/intensity.h; the raw forms are here so that
// the felt-report comparison can put every candidate beside the one in use.
namespace dravik {

enum class IntensityEquation {
    Aww2012,     // Allen, Wald & Worden (2012), active crust, hypocentral form
    Aw2007Ceus,  // Atkinson & Wald (2007), central and eastern United States
    Aww2014,     // Atkinson, Worden & Wald (2014), North America as fitted (the western form)
    Aww2014Ena,  // the same with its eastern North America correction
};

// The equation as published: unbounded, and not necessarily falling with distance.
double RawIntensity(IntensityEquation equation, double magnitude, double hypocentralKm);

// What the program shows: the magnitude taken within 0..9.5, the running minimum of the raw value over
// distance (never rising further out), within 1..12; 1 where the magnitude or distance is not a number.
double HeldIntensity(IntensityEquation equation, double magnitude, double hypocentralKm);

// Allen, Wald & Worden (2012)'s total standard deviation at a hypocentral distance (hypocentral form).
double Aww2012Sigma(double hypocentralKm);

// The equation of each crust, chosen by the felt-report comparison (tests/shaking/intensity_felt_test.cpp).
inline constexpr IntensityEquation kActiveCrustEquation = IntensityEquation::Aww2014;
inline constexpr IntensityEquation kStableCrustEquation = IntensityEquation::Aww2014Ena;

}  // namespace dravik
