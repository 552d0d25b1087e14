#include "map/tile_source.h"

#include <cstdlib>

namespace dravik {

namespace {

const std::vector<AttributionPart> kOsmAttribution = {
    {"\xC2\xA9 OpenStreetMap contributors", "https://www.openstreetmap.org/copyright"}};
// Esri asks for "Powered by Esri" and the data providers of the layer's item page on every map it serves.
const std::vector<AttributionPart> kEsriAttribution = {
    {"Powered by Esri", "https://www.esri.com"},
    {" | Source: Esri, Maxar, Earthstar Geographics, and the GIS User Community", ""}};

constexpr const char* kEsriImagery =
    "https://server.arcgisonline.com/ArcGIS/rest/services/World_Imagery/MapServer/tile/{z}/{y}/{x}";

void ReplaceAll(std::string* text, const std::string& what, const std::string& with) {
    for (std::size_t at = text->find(what); at != std::string::npos; at = text->find(what, at + with.size())) {
        text->replace(at, what.size(), with);
    }
}

}  // namespace

MapKindLayers LayersOfKind(int kind, const std::string& urlOverride) {
    MapKindLayers layers;
    switch (kind) {
        case 1:
            layers.base = {kEsriImagery, ""};
            layers.attribution = kEsriAttribution;
            break;
        case 2:
            layers.base = {kEsriImagery, ""};
            layers.overlay = {
                "https://server.arcgisonline.com/ArcGIS/rest/services/Reference/World_Boundaries_and_Places/"
                "MapServer/tile/{z}/{y}/{x}",
                ""};
            layers.attribution = kEsriAttribution;
            layers.attribution.push_back({" | Labels \xC2\xA9 Esri", ""});
            break;
        case 3:
            layers.base = {"https://{s}.tile.opentopomap.org/{z}/{x}/{y}.png", "abc"};
            layers.maxZoom = 17;
            layers.attribution = {
                {"Map data: \xC2\xA9 OpenStreetMap contributors", "https://www.openstreetmap.org/copyright"},
                {", SRTM | Map style: \xC2\xA9 OpenTopoMap", "https://opentopomap.org"},
                {" (CC-BY-SA)", "https://creativecommons.org/licenses/by-sa/3.0/"}};
            break;
        default:
            layers.base = {"https://tile.openstreetmap.org/{z}/{x}/{y}.png", ""};
            layers.attribution = kOsmAttribution;
            break;
    }
    if (!urlOverride.empty()) {
        layers.base = {urlOverride, "abc"};
        layers.overlay = {};
    }
    return layers;
}

std::string TileUrlOverride() {
    const char* value = std::getenv("DRAVIK_TILE_URL");
    return value != nullptr ? std::string(value) : std::string();
}

std::string TileUrl(const TileLayer& layer, const TileId& tile) {
    std::string url = layer.urlTemplate;
    ReplaceAll(&url, "{z}", std::to_string(tile.z));
    ReplaceAll(&url, "{x}", std::to_string(tile.x));
    ReplaceAll(&url, "{y}", std::to_string(tile.y));
    if (!layer.subdomains.empty()) {
        const std::size_t pick = static_cast<std::size_t>(tile.x + tile.y) % layer.subdomains.size();
        ReplaceAll(&url, "{s}", std::string(1, layer.subdomains[pick]));
    }
    return url;
}

std::string HostOfUrl(const std::string& url) {
    const std::size_t scheme = url.find("://");
    const std::size_t start = scheme == std::string::npos ? 0 : scheme + 3;
    const std::size_t end = url.find_first_of("/?#", start);
    return url.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace dravik
