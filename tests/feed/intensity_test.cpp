#include "feed/intensity.h"

#include <gtest/gtest.h>

#include <limits>

namespace dravik {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(CrustAtTest, KnownPlaces) {
    struct Case {
        const char* name;
        double latitude, longitude;
        CrustKind crust;
    };
    const Case cases[] = {
        {"Oklahoma City", 35.4676, -97.5164, CrustKind::Stable},
        {"Mineral, Virginia", 37.91, -77.94, CrustKind::Stable},
        {"Warsaw", 52.2297, 21.0122, CrustKind::Stable},
        {"Moscow", 55.7558, 37.6173, CrustKind::Stable},
        {"Yakutsk", 62.03, 129.73, CrustKind::Stable},
        {"Perth", -31.95, 115.86, CrustKind::Stable},
        {"Johannesburg", -26.20, 28.05, CrustKind::Stable},
        {"Bangalore", 12.97, 77.59, CrustKind::Stable},
        {"Brasilia", -15.79, -47.88, CrustKind::Stable},
        {"Vostok station", -78.46, 106.84, CrustKind::Stable},
        {"Los Angeles", 34.0522, -118.2437, CrustKind::Active},
        {"San Francisco", 37.7749, -122.4194, CrustKind::Active},
        {"El Mayor-Cucapah", 32.2862, -115.2953, CrustKind::Active},
        {"Athens", 37.9838, 23.7275, CrustKind::Active},
        {"Tokyo", 35.6762, 139.6503, CrustKind::Active},
        {"Vrancea", 45.7, 26.6, CrustKind::Active},
        {"Irkutsk, by the Baikal rift", 52.29, 104.30, CrustKind::Active},
        {"Atlantic 500 km off Virginia", 37.0, -70.0, CrustKind::Active},
        {"Gulf of Mexico", 25.0, -90.0, CrustKind::Active},
        {"North Sea", 56.0, 3.0, CrustKind::Active},
        {"Indian Ocean off Perth", -32.0, 110.0, CrustKind::Active},
        {"Warsaw as 0..360", 52.2297, 381.0122, CrustKind::Stable},
        {"latitude not a number", kNaN, 21.0, CrustKind::Active},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CrustAt(c.latitude, c.longitude), c.crust) << c.name;
    }
}

}  // namespace
}  // namespace dravik
