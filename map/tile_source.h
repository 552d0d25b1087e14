#pragma once

#include <optional>
#include <string>
#include <vector>

#include "map/mercator.h"

// Where the tiles of each map kind come from and whom the map credits for them.
namespace dravik {

struct TileLayer {
    // {z}, {x}, {y} and {s} (one of subdomains) are filled in.
    std::string urlTemplate;
    std::string subdomains;
};

// One piece of the credit line; a piece with a link opens it in the user's browser.
struct AttributionPart {
    std::string text;
    std::string link;
};

struct MapKindLayers {
    TileLayer base;
    // Drawn over the base; no template for kinds without one.
    TileLayer overlay;
    int maxZoom = kMaxZoom;
    std::vector<AttributionPart> attribution;
};

// What decides a kind's layers besides the kind.
struct TileChoice {
    // DRAVIK_TILE_URL: one layer of its own for every kind; zoom and credits stay the kind's.
    std::string urlOverride;
    // Its sub-domains, "abc" when empty.
    std::string overrideSubdomains;
    // The user's Esri key (map/esriKey, as EsriKeyFromText reads it): Esri's imagery is asked for only with one.
    std::string esriKey;
    // "DE" takes a service's German credit where it gives one; English otherwise.
    std::string lang;
};

// The layers of map kind 0 "Normalna" (street map), 1 "Satelita", 2 "Hybryda" (satellite with labels) or
// 3 "Fizyczna" (topographic); any other kind is taken as 0. Without an Esri key kinds 1 and 2 show NASA GIBS's
// Blue Marble, whose use needs neither a key nor an account.
MapKindLayers LayersOfKind(int kind, const TileChoice& choice);
MapKindLayers LayersOfKind(int kind, const std::string& urlOverride = {});

// DRAVIK_TILE_URL, a template in the form above; empty when unset. DRAVIK_TILE_SUBDOMAINS its {s} letters.
std::string TileUrlOverride();
std::string TileSubdomainsOverride();

// The address of one tile; {s} takes a subdomain that depends on the tile, so a tile always has one address.
std::string TileUrl(const TileLayer& layer, const TileId& tile);

// The host (and port) of an address.
std::string HostOfUrl(const std::string& url);
// The service a layer's tiles count against for the bound on concurrent requests: its template's host, so that
// the {s} sub-domains of one service count together.
std::string ServiceOfLayer(const TileLayer& layer);

// A key as typed in the settings window, trimmed; nullopt when it holds what no key holds (a key goes into
// every tile's address). Empty for no key.
std::optional<std::string> EsriKeyFromText(const std::string& text);

// "Dravik/<version> (+contact)": the services ask a program to name itself and say how to reach its makers.
std::string TileUserAgent(const std::string& contact);

}  // namespace dravik
