#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

#include "feed/event_fields.h"
#include "feed/geojson_events.h"

// GeoJSON from USGS or EMSC: whatever bytes arrive, reading neither crashes nor lets a text past its bound.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ::setenv("TZ", "Europe/Warsaw", 1);
    ::tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const dravik::QuakeEvent& e : dravik::ParseGeoJsonEvents(text, "usgs")) {
        if (e.region.size() > dravik::kMaxRegionBytes || e.mag.size() > dravik::kMaxFieldBytes ||
            e.wsp1.size() > dravik::kMaxFieldBytes || e.wsp2.size() > dravik::kMaxFieldBytes ||
            e.depth.size() > dravik::kMaxFieldBytes || !e.hasNumbers) {
            std::abort();
        }
    }
    return 0;
}
