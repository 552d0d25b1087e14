#include "fuzz/fuzz_common.h"
#include "sources/xml_reader.h"

namespace {

// Every element within the depth and text bounds, however the bytes arrive.
bool WithinBounds(const dravik::XmlElement& e, const dravik::XmlLimits& limits, std::size_t depth) {
    if (depth > limits.maxDepth || e.text.size() > limits.maxTextBytes) {
        return false;
    }
    for (const dravik::XmlElement& child : e.children) {
        if (!WithinBounds(child, limits, depth + 1)) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    dravik::XmlLimits limits;
    limits.maxDepth = 8;
    limits.maxTextBytes = 64;
    const auto root = dravik::ParseXml(dravik::fuzz::Text(data, size), limits);
    if (root && !WithinBounds(*root, limits, 1)) {
        std::abort();
    }
    return 0;
}
