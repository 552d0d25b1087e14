#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

#include "feed/event_fields.h"
#include "feed/geojson_events.h"

// One message of EMSC's push service, as the WebSocket hands it over: any text at all.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ::setenv("TZ", "Europe/Warsaw", 1);
    ::tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (const auto push = dravik::ParseEmscPushMessage(text)) {
        if ((push->action != "create" && push->action != "update") || push->event.eventId.compare(0, 5, "emsc:") != 0 ||
            push->event.region.size() > dravik::kMaxRegionBytes) {
            std::abort();
        }
    }
    return 0;
}
