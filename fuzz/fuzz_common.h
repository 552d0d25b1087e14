#pragma once

// What every fuzz target shares: times read as on a Polish desktop, the input as a text, and the bounds every
// event read from the network keeps. Each target is a program of its own, so the entry point is defined here.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

#include "sources/event_fields.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ::setenv("TZ", "Europe/Warsaw", 1);
    ::tzset();
    return 0;
}

namespace dravik::fuzz {

inline std::string Text(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

inline bool TextsWithinBounds(const QuakeEvent& e) {
    return e.region.size() <= kMaxRegionBytes && e.mag.size() <= kMaxFieldBytes && e.wsp1.size() <= kMaxFieldBytes &&
           e.wsp2.size() <= kMaxFieldBytes && e.depth.size() <= kMaxFieldBytes;
}

}  // namespace dravik::fuzz
