#include "fuzz/fuzz_common.h"
#include "sources/geojson_events.h"

// GeoJSON from USGS or EMSC: whatever bytes arrive, reading neither crashes nor lets a text past its bound.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const dravik::QuakeEvent& e : dravik::ParseGeoJsonEvents(dravik::fuzz::Text(data, size), "usgs")) {
        if (!dravik::fuzz::TextsWithinBounds(e) || !e.hasNumbers) {
            std::abort();
        }
    }
    return 0;
}
