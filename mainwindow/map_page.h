#pragma once

#include <optional>
#include <string>

// What the map reads from a map address: the kind from its page, the place from its query.
namespace dravik {

struct MapPosition {
    double lat = 0;
    double lon = 0;
};

// The map kind a page path answers (0 "/mapa/m.php", 1 ms.php, 2 mh.php, 3 mf.php), or -1.
int MapKindForPath(const std::string& path);

// A decimal number (optional sign, digits, optional fraction) within [-limit, limit]; nothing else.
std::optional<double> ParseCoordinate(const std::string& text, double limit);

// Both coordinates valid, else none.
std::optional<MapPosition> ParseMapPosition(const std::string& wsp1, const std::string& wsp2);

}  // namespace dravik
