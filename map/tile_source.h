#pragma once

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

// The layers of map kind 0 "Normalna" (street map), 1 "Satelita", 2 "Hybryda" (satellite with labels) or
// 3 "Fizyczna" (topographic); any other kind is taken as 0. A non-empty urlOverride replaces every kind's
// tiles with one layer of its own; zoom and credits stay the kind's.
MapKindLayers LayersOfKind(int kind, const std::string& urlOverride = {});

// DRAVIK_TILE_URL, a template in the form above; empty when unset.
std::string TileUrlOverride();

// The address of one tile; {s} takes a subdomain that depends on the tile, so a tile always has one address.
std::string TileUrl(const TileLayer& layer, const TileId& tile);

// The host (and port) of an address, for keeping to the services' limit of connections per host.
std::string HostOfUrl(const std::string& url);

}  // namespace dravik
