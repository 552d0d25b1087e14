#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

#include "feed/event_fields.h"
#include "feed/fdsn_text.h"

// FDSN event text from any service: whatever bytes arrive, every event read keeps its texts within their
// bounds and its numbers within their ranges.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ::setenv("TZ", "Europe/Warsaw", 1);
    ::tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const dravik::QuakeEvent& e : dravik::ParseFdsnText(text, "emsc")) {
        if (e.region.size() > dravik::kMaxRegionBytes || e.mag.size() > dravik::kMaxFieldBytes ||
            e.wsp1.size() > dravik::kMaxFieldBytes || e.wsp2.size() > dravik::kMaxFieldBytes ||
            e.depth.size() > dravik::kMaxFieldBytes || e.magnitude < -2.0 || e.magnitude > 10.0 || e.latitude < -90.0 ||
            e.latitude > 90.0 || e.longitude < -180.0 || e.longitude > 180.0) {
            std::abort();
        }
    }
    return 0;
}
