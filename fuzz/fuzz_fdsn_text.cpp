#include "fuzz/fuzz_common.h"
#include "sources/fdsn_text.h"

// FDSN event text from any service: whatever bytes arrive, every event read keeps its texts within their
// bounds and its numbers within their ranges.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const dravik::QuakeEvent& e : dravik::ParseFdsnText(dravik::fuzz::Text(data, size), "emsc")) {
        if (!dravik::fuzz::TextsWithinBounds(e) || e.magnitude < -2.0 || e.magnitude > 10.0 || e.latitude < -90.0 ||
            e.latitude > 90.0 || e.longitude < -180.0 || e.longitude > 180.0) {
            std::abort();
        }
    }
    return 0;
}
