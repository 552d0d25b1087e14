// The crust at places whose crust the literature on stable continental regions names (shaking/STABLE_CRUST.md).
#include <gtest/gtest.h>

#include "shaking/intensity.h"

namespace dravik {
namespace {

struct Known {
    const char* name;
    double latitude, longitude;
    CrustKind crust;
};

constexpr CrustKind S = CrustKind::Stable;
constexpr CrustKind A = CrustKind::Active;

// Stable: Johnston et al. (1994) and Schulte & Mooney (2005) count them in, including the quakes named; the
// active ones lie on or between plate boundaries, rifts and young mountain belts.
const Known kPlaces[] = {
    // Western and central Europe north of the Alps.
    {"London", 51.5074, -0.1278, S},
    {"Paris", 48.8566, 2.3522, S},
    {"Berlin", 52.5200, 13.4050, S},
    {"Krakow", 50.0647, 19.9450, S},
    {"Copenhagen", 55.6761, 12.5683, S},
    {"Dogger Bank 1931, North Sea", 54.08, 1.50, S},
    {"North Sea", 56.0, 3.0, S},
    {"Amsterdam", 52.3676, 4.9041, S},
    {"Brussels", 50.8503, 4.3517, S},
    {"Dublin", 53.3498, -6.2603, S},
    {"Edinburgh", 55.9533, -3.1883, S},
    {"Hamburg", 53.5511, 9.9937, S},
    {"Prague", 50.0755, 14.4378, S},
    {"Oslo", 59.9139, 10.7522, S},
    {"Stockholm", 59.3293, 18.0686, S},
    {"Helsinki", 60.1699, 24.9384, S},
    {"Kyiv", 50.4501, 30.5234, S},
    {"Minsk", 53.9006, 27.5590, S},
    // Africa.
    {"Cape Town", -33.9249, 18.4241, S},
    {"Ceres-Tulbagh 1969", -33.37, 19.31, S},
    {"Durban", -29.8587, 31.0218, S},
    {"Windhoek", -22.5609, 17.0658, S},
    {"Accra", 5.6037, -0.1870, S},
    {"Lagos", 6.5244, 3.3792, S},
    {"Khartoum", 15.5007, 32.5599, S},
    {"Kinshasa", -4.4419, 15.2663, S},
    {"Lusaka", -15.3875, 28.3228, S},
    {"Harare", -17.8252, 31.0335, S},
    {"Gaborone", -24.6282, 25.9231, S},
    {"Bamako", 12.6392, -8.0029, S},
    {"Niamey", 13.5116, 2.1254, S},
    {"Abuja", 9.0765, 7.3986, S},
    {"Johannesburg", -26.2041, 28.0473, S},
    // Arabia, central Asia, the Americas, Australia, India.
    {"Riyadh", 24.7136, 46.6753, S},
    {"Astana", 51.1694, 71.4491, S},
    {"Novosibirsk", 55.0084, 82.9357, S},
    {"Moscow", 55.7558, 37.6173, S},
    {"Buenos Aires", -34.6037, -58.3816, S},
    {"Montevideo", -34.9011, -56.1645, S},
    {"Sao Paulo", -23.5505, -46.6333, S},
    {"Manaus", -3.1190, -60.0217, S},
    {"Grand Banks 1929", 44.69, -56.00, S},
    {"New York", 40.7128, -74.0060, S},
    {"Chicago", 41.8781, -87.6298, S},
    {"Toronto", 43.6532, -79.3832, S},
    {"Houston", 29.7604, -95.3698, S},
    {"Sydney", -33.8688, 151.2093, S},
    {"Adelaide", -34.9285, 138.6007, S},
    {"Hyderabad", 17.3850, 78.4867, S},
    // Active crust stays active.
    {"Tokyo", 35.6762, 139.6503, A},
    {"Los Angeles", 34.0522, -118.2437, A},
    {"Athens", 37.9838, 23.7275, A},
    {"Istanbul", 41.0082, 28.9784, A},
    {"Tehran", 35.6892, 51.3890, A},
    {"Lima", -12.0464, -77.0428, A},
    {"Reykjavik", 64.1466, -21.9426, A},
    {"Santiago", -33.4489, -70.6693, A},
    {"Mexico City", 19.4326, -99.1332, A},
    {"Kathmandu", 27.7172, 85.3240, A},
    {"Christchurch", -43.5321, 172.6362, A},
    {"Anchorage", 61.2181, -149.9003, A},
    {"Seattle", 47.6062, -122.3321, A},
    {"Rome", 41.9028, 12.4964, A},
    {"L'Aquila", 42.3498, 13.3995, A},
    {"Bucharest", 44.4268, 26.1025, A},
    {"Lisbon", 38.7223, -9.1393, A},
    {"Granada", 37.1773, -3.5986, A},
    {"Zagreb", 45.8150, 15.9819, A},
    {"Algiers", 36.7538, 3.0588, A},
    {"Jerusalem, by the Dead Sea transform", 31.7683, 35.2137, A},
    {"Addis Ababa", 9.0300, 38.7400, A},
    {"Nairobi", -1.2921, 36.8219, A},
    {"Kigali, on the western rift", -1.9441, 30.0619, A},
    {"Kabul", 34.5553, 69.2075, A},
    {"Almaty", 43.2220, 76.8512, A},
    {"Manila", 14.5995, 120.9842, A},
    {"Jakarta", -6.2088, 106.8456, A},
    {"Quito", -0.1807, -78.4678, A},
    {"Bogota", 4.7110, -74.0721, A},
    {"Wellington", -41.2865, 174.7762, A},
    {"Atlantic 500 km off Virginia", 37.0, -70.0, A},
};

TEST(StableCrustTest, PlacesWhoseCrustTheLiteratureNames) {
    std::size_t stable = 0;
    for (const Known& k : kPlaces) {
        EXPECT_EQ(CrustAt(k.latitude, k.longitude), k.crust) << k.name;
        stable += k.crust == S ? 1 : 0;
    }
    EXPECT_GE(std::size(kPlaces), 60u);
    EXPECT_GE(stable, 30u);
}

// The figures the issue gives for a moderate quake: stable crust carries shaking farther, by 0.8 levels at
// 50 km and 1.4 at 300 km at M 5.
TEST(StableCrustTest, StableCrustCarriesAModerateQuakeFarther) {
    EXPECT_NEAR(ExpectedIntensity(5.0, 10.0, 50.0, S) - ExpectedIntensity(5.0, 10.0, 50.0, A), 0.8, 0.15);
    EXPECT_NEAR(ExpectedIntensity(5.0, 10.0, 300.0, S) - ExpectedIntensity(5.0, 10.0, 300.0, A), 1.4, 0.15);
}

}  // namespace
}  // namespace dravik
