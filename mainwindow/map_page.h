#pragma once

#include <optional>
#include <string>

// The built-in map server's pages, as pure functions of the request.
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

// The number as the page's script gets it: plain decimal notation, '.' as separator, whatever the locale.
std::string FormatCoordinate(double value);

// The HTML of page kind for the raw query values wsp1 and wsp2: a map centred on the position with a marker,
// or the "position unknown" page when a value is not a valid coordinate. No query text reaches the page.
std::string MapPageHtml(int mapKind, const std::string& wsp1, const std::string& wsp2);

// The "position unknown" page.
std::string UnknownPositionPageHtml();

}  // namespace dravik
