#include "fuzz/fuzz_common.h"
#include "sources/quake_parser.h"
#include "sources/space_weather.h"

// The earthquake page and the event service text come from the network: whatever bytes arrive, parsing
// must neither crash nor read out of bounds.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text = dravik::fuzz::Text(data, size);
    (void)dravik::ParseQuakePage(text);
    (void)dravik::ParseQuakeRow(text);
    (void)dravik::SolarWindStatusText(text);
    return 0;
}
