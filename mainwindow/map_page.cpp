#include "mainwindow/map_page.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace dravik {

namespace {

// Longer texts are no coordinate the feed writes; the cap also bounds the work done for a hostile query.
constexpr std::size_t kMaxCoordinateLength = 32;

struct TileLayer {
    const char* url;
    int maxZoom;
    const char* attribution;
};

struct MapKindLayers {
    TileLayer base;
    TileLayer overlay;  // url null when the kind has none
};

constexpr const char* kOsmAttribution =
    "&copy; <a href=\"https://www.openstreetmap.org/copyright\">OpenStreetMap</a> contributors";
// Esri asks for "Powered by Esri" and the data providers of the layer's item page on every map it serves.
constexpr const char* kEsriImageryAttribution =
    "Powered by <a href=\"https://www.esri.com\">Esri</a> | Source: Esri, Maxar, Earthstar Geographics, and the "
    "GIS User Community";

const MapKindLayers kLayers[] = {
    {{"https://tile.openstreetmap.org/{z}/{x}/{y}.png", 19, kOsmAttribution}, {nullptr, 0, nullptr}},
    {{"https://server.arcgisonline.com/ArcGIS/rest/services/World_Imagery/MapServer/tile/{z}/{y}/{x}", 19,
      kEsriImageryAttribution},
     {nullptr, 0, nullptr}},
    {{"https://server.arcgisonline.com/ArcGIS/rest/services/World_Imagery/MapServer/tile/{z}/{y}/{x}", 19,
      kEsriImageryAttribution},
     {"https://server.arcgisonline.com/ArcGIS/rest/services/Reference/World_Boundaries_and_Places/MapServer/tile/"
      "{z}/{y}/{x}",
      19, "Labels &copy; Esri"}},
    {{"https://{s}.tile.opentopomap.org/{z}/{x}/{y}.png", 17,
      "Map data: &copy; <a href=\"https://www.openstreetmap.org/copyright\">OpenStreetMap</a> contributors, SRTM "
      "| Map style: &copy; <a href=\"https://opentopomap.org\">OpenTopoMap</a> "
      "(<a href=\"https://creativecommons.org/licenses/by-sa/3.0/\">CC-BY-SA</a>)"},
     {nullptr, 0, nullptr}},
};

constexpr int kInitialZoom = 5;

// The page may load only its own script and styles, and images from its own server and the tile services.
constexpr const char* kPageHead =
    "<!DOCTYPE html>\n"
    "<html>\n<head>\n<meta charset=\"utf-8\">\n"
    "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; script-src 'self' "
    "'unsafe-inline'; style-src 'self' 'unsafe-inline'; img-src 'self' data: https:\">\n"
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
    "<title>Dravik</title>\n";

// A JavaScript string literal of text that is safe inside a <script> element: quotes, backslashes, angle
// brackets and control characters are written as escapes.
std::string ScriptString(const std::string& text) {
    static const char kHex[] = "0123456789abcdef";
    std::string literal = "\"";
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x20 || ch == '"' || ch == '\\' || ch == '<' || ch == '>' || ch == '\'') {
            literal += "\\u00";
            literal += kHex[byte >> 4];
            literal += kHex[byte & 0xF];
        } else {
            literal += ch;
        }
    }
    return literal + "\"";
}

std::string TileLayerScript(const TileLayer& layer) {
    std::string script = "L.tileLayer(" + ScriptString(layer.url) + ", {maxZoom: " + std::to_string(layer.maxZoom);
    if (std::strstr(layer.url, "{s}") != nullptr) {
        script += ", subdomains: \"abc\"";
    }
    script += ", attribution: " + ScriptString(layer.attribution) + "}).addTo(map);\n";
    return script;
}

}  // namespace

int MapKindForPath(const std::string& path) {
    static const char* const kPaths[] = {"/mapa/m.php", "/mapa/ms.php", "/mapa/mh.php", "/mapa/mf.php"};
    for (int kind = 0; kind < 4; ++kind) {
        if (path == kPaths[kind]) {
            return kind;
        }
    }
    return -1;
}

std::optional<double> ParseCoordinate(const std::string& text, double limit) {
    if (text.empty() || text.size() > kMaxCoordinateLength) {
        return std::nullopt;
    }
    std::size_t pos = 0;
    bool negative = false;
    if (text[0] == '-' || text[0] == '+') {
        negative = text[0] == '-';
        pos = 1;
    }
    // Digits, then optionally a point and more digits: no exponent, no hex, no "inf" or "nan".
    const std::size_t intStart = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        ++pos;
    }
    if (pos == intStart) {
        return std::nullopt;
    }
    if (pos < text.size() && text[pos] == '.') {
        const std::size_t fracStart = ++pos;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            ++pos;
        }
        if (pos == fracStart) {
            return std::nullopt;
        }
    }
    if (pos != text.size()) {
        return std::nullopt;
    }
    double value = 0;
    const char* first = text.data() + intStart;
    const char* last = text.data() + text.size();
    const auto result = std::from_chars(first, last, value, std::chars_format::fixed);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value) || value > limit) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::optional<MapPosition> ParseMapPosition(const std::string& wsp1, const std::string& wsp2) {
    const auto lat = ParseCoordinate(wsp1, 90.0);
    const auto lon = ParseCoordinate(wsp2, 180.0);
    if (!lat || !lon) {
        return std::nullopt;
    }
    return MapPosition{*lat, *lon};
}

std::string FormatCoordinate(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec != std::errc()) {
        return "0";
    }
    return std::string(buffer, result.ptr);
}

std::string UnknownPositionPageHtml() {
    return std::string(kPageHead) +
           "<style>body{font:14px sans-serif;margin:2em;color:#333}</style>\n</head>\n<body>\n"
           "<p>Nieznane położenie zdarzenia.</p>\n<p>Position unknown.</p>\n</body>\n</html>\n";
}

std::string MapPageHtml(int mapKind, const std::string& wsp1, const std::string& wsp2) {
    const auto position = ParseMapPosition(wsp1, wsp2);
    if (mapKind < 0 || mapKind > 3 || !position) {
        return UnknownPositionPageHtml();
    }
    const MapKindLayers& layers = kLayers[mapKind];
    std::string page = kPageHead;
    page +=
        "<link rel=\"stylesheet\" href=\"/leaflet/leaflet.css\">\n"
        "<style>html,body,#map{height:100%;margin:0;padding:0}"
        ".dravik-legend{background:rgba(255,255,255,.85);padding:4px 6px;border-radius:4px;font:12px sans-serif;"
        "line-height:16px}.dravik-legend i{display:inline-block;width:10px;height:10px;border-radius:50%;"
        "margin-right:5px;border:1px solid #333;vertical-align:-1px}"
        ".dravik-home{background:none;border:none}</style>\n"
        "<script src=\"/leaflet/leaflet.js\"></script>\n"
        "</head>\n<body>\n<div id=\"map\"></div>\n<script>\n";
    page += "var position = [" + FormatCoordinate(position->lat) + ", " + FormatCoordinate(position->lon) + "];\n";
    // Thousands of circles draw on one canvas rather than as as many SVG elements.
    page += "var map = L.map(\"map\", {center: position, zoom: " + std::to_string(kInitialZoom) +
            ", preferCanvas: true});\n";
    page += "window.dravikMap = map;\n";
    page += TileLayerScript(layers.base);
    if (layers.overlay.url != nullptr) {
        page += TileLayerScript(layers.overlay);
    }
    page += "window.dravikMarker = L.marker(position).addTo(map);\n</script>\n";
    // The listed events come through the web channel as data, never as script text.
    page += "<script src=\"/qwebchannel.js\"></script>\n<script src=\"/quakes.js\"></script>\n";
    page += "</body>\n</html>\n";
    return page;
}

}  // namespace dravik
