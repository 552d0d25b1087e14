#include "map/tile_source.h"

#include <cstdlib>

#include "dravik_version.h"

namespace dravik {

namespace {

const std::vector<AttributionPart> kOsmAttribution = {
    {"\xC2\xA9 OpenStreetMap contributors", "https://www.openstreetmap.org/copyright"}};
// Esri asks for "Powered by Esri" and the data providers of the layer's item page on every map it serves.
const std::vector<AttributionPart> kEsriAttribution = {
    {"Powered by Esri", "https://www.esri.com"},
    {" | Source: Esri, Maxar, Earthstar Geographics, and the GIS User Community", ""}};
// GIBS asks to be acknowledged as NASA EOSDIS GIBS; the Blue Marble is the Earth Observatory's.
const std::vector<AttributionPart> kGibsAttribution = {
    {"Imagery: NASA EOSDIS GIBS",
     "https://www.earthdata.nasa.gov/eosdis/science-system-description/eosdis-components/gibs"},
    {", Blue Marble: NASA Earth Observatory", ""}};

// Esri's key-based endpoint for its basemap tiles; the key travels as the token of every tile.
constexpr const char* kEsriImagery =
    "https://ibasemaps-api.arcgis.com/arcgis/rest/services/World_Imagery/MapServer/tile/{z}/{y}/{x}";
constexpr const char* kEsriLabels =
    "https://ibasemaps-api.arcgis.com/arcgis/rest/services/Reference/World_Boundaries_and_Places/MapServer/tile/"
    "{z}/{y}/{x}";
// Web Mercator, GoogleMapsCompatible_Level8: the layer ends at zoom 8.
constexpr const char* kGibsImagery =
    "https://gibs.earthdata.nasa.gov/wmts/epsg3857/best/BlueMarble_NextGeneration/default/GoogleMapsCompatible_Level8/"
    "{z}/{y}/{x}.jpeg";
constexpr int kGibsMaxZoom = 8;
constexpr const char* kGibsLabels =
    "https://gibs.earthdata.nasa.gov/wmts/epsg3857/best/Reference_Labels_15m/default/GoogleMapsCompatible_Level13/"
    "{z}/{y}/{x}.png";
constexpr std::size_t kLongestKey = 512;

void ReplaceAll(std::string* text, const std::string& what, const std::string& with) {
    for (std::size_t at = text->find(what); at != std::string::npos; at = text->find(what, at + with.size())) {
        text->replace(at, what.size(), with);
    }
}

bool KeyCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
           c == '-';
}

std::vector<AttributionPart> OpenTopoMapAttribution(const std::string& lang) {
    if (lang == "DE") {
        return {{"Kartendaten: \xC2\xA9 OpenStreetMap-Mitwirkende", "https://www.openstreetmap.org/copyright"},
                {", SRTM | Kartendarstellung: \xC2\xA9 OpenTopoMap", "https://opentopomap.org"},
                {" (CC-BY-SA)", "https://creativecommons.org/licenses/by-sa/3.0/"}};
    }
    return {{"Map data: \xC2\xA9 OpenStreetMap contributors", "https://www.openstreetmap.org/copyright"},
            {", SRTM | Map display: \xC2\xA9 OpenTopoMap", "https://opentopomap.org"},
            {" (CC-BY-SA)", "https://creativecommons.org/licenses/by-sa/3.0/"}};
}

}  // namespace

MapKindLayers LayersOfKind(int kind, const TileChoice& choice) {
    MapKindLayers layers;
    const bool esri = !choice.esriKey.empty();
    const std::string token = "?token=" + choice.esriKey;
    switch (kind) {
        case 1:
        case 2:
            if (esri) {
                layers.base = {kEsriImagery + token, ""};
                layers.attribution = kEsriAttribution;
                if (kind == 2) {
                    layers.overlay = {kEsriLabels + token, ""};
                    layers.attribution.push_back({" | Labels \xC2\xA9 Esri", ""});
                }
            } else {
                layers.base = {kGibsImagery, ""};
                layers.maxZoom = kGibsMaxZoom;
                layers.attribution = kGibsAttribution;
                if (kind == 2) {
                    // GIBS's labels are drawn from OpenStreetMap's data.
                    layers.overlay = {kGibsLabels, ""};
                    layers.attribution.push_back(
                        {" | Labels: \xC2\xA9 OpenStreetMap contributors", "https://www.openstreetmap.org/copyright"});
                }
            }
            break;
        case 3:
            layers.base = {"https://{s}.tile.opentopomap.org/{z}/{x}/{y}.png", "abc"};
            layers.maxZoom = 17;
            layers.attribution = OpenTopoMapAttribution(choice.lang);
            break;
        default:
            layers.base = {"https://tile.openstreetmap.org/{z}/{x}/{y}.png", ""};
            layers.attribution = kOsmAttribution;
            break;
    }
    if (!choice.urlOverride.empty()) {
        layers.base = {choice.urlOverride, choice.overrideSubdomains.empty() ? "abc" : choice.overrideSubdomains};
        layers.overlay = {};
    }
    return layers;
}

MapKindLayers LayersOfKind(int kind, const std::string& urlOverride) {
    TileChoice choice;
    choice.urlOverride = urlOverride;
    return LayersOfKind(kind, choice);
}

std::string TileUrlOverride() {
    const char* value = std::getenv("DRAVIK_TILE_URL");
    return value != nullptr ? std::string(value) : std::string();
}

std::string TileSubdomainsOverride() {
    const char* value = std::getenv("DRAVIK_TILE_SUBDOMAINS");
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

std::string ServiceOfLayer(const TileLayer& layer) {
    return HostOfUrl(layer.urlTemplate);
}

std::optional<std::string> EsriKeyFromText(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return std::string();
    }
    const std::string key = text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
    if (key.size() > kLongestKey) {
        return std::nullopt;
    }
    for (const char c : key) {
        if (!KeyCharacter(c)) {
            return std::nullopt;
        }
    }
    return key;
}

std::string TileUserAgent(const std::string& contact) {
    const std::string product = std::string("Dravik/") + kDravikVersion;
    return contact.empty() ? product : product + " (+" + contact + ")";
}

}  // namespace dravik
