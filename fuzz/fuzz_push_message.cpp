#include "fuzz/fuzz_common.h"
#include "sources/geojson_events.h"

// One message of EMSC's push service, as the WebSocket hands it over: any text at all.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (const auto push = dravik::ParseEmscPushMessage(dravik::fuzz::Text(data, size))) {
        if ((push->action != "create" && push->action != "update") || push->event.eventId.compare(0, 5, "emsc:") != 0 ||
            push->event.region.size() > dravik::kMaxRegionBytes) {
            std::abort();
        }
    }
    return 0;
}
