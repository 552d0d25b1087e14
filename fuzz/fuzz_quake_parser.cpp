#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

#include "feed/quake_parser.h"
#include "feed/space_weather.h"

// The earthquake page and the event service text come from the network: whatever bytes arrive, parsing
// must neither crash nor read out of bounds.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ::setenv("TZ", "Europe/Warsaw", 1);
    ::tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)dravik::ParseQuakePage(text);
    (void)dravik::ParseQuakeRow(text);
    (void)dravik::SolarWindStatusText(text);
    return 0;
}
