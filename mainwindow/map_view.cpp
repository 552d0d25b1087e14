#include "mainwindow/map_view.h"

#include <algorithm>
#include <utility>

#include "platform/environment.h"

namespace dravik {

namespace {

std::string WithoutSpaces(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    return text;
}

}  // namespace

std::string MapServerAddress() {
    const std::string external = MapUrl();
    return external.empty() ? std::string(kBuiltInMapServer) : external;
}

std::string BuildMapAddress(const std::string& server, int mapKind, const std::string& lat, const std::string& lon) {
    static const char* const kPages[] = {"/mapa/m.php", "/mapa/ms.php", "/mapa/mh.php", "/mapa/mf.php"};
    if (mapKind < 0 || mapKind > 3) {
        return {};
    }
    std::string address = server + kPages[mapKind] + "?wsp1=" + lat + "&wsp2=" + lon;
    if (mapKind == 0) {
        // A constant of the street map page, whatever the event's magnitude.
        address += "&mag=4.3";
    }
    return address;
}

MapView::MapView(std::string server) : m_strServer(std::move(server)) {}

bool MapView::RefreshMap(IBrowser& browser, bool showMap, const std::optional<MapCoordinates>& selected, bool feedBusy,
                         int mapKind) {
    if (!showMap || !selected || feedBusy) {
        return false;
    }
    // The comparison keeps the spaces: the same list texts mean the same event.
    if (selected->lat == m_strLastLat && selected->lon == m_strLastLon && !m_bMapKindChanged) {
        return false;
    }
    m_bMapKindChanged = false;
    m_strLastLat = selected->lat;
    m_strLastLon = selected->lon;
    const std::string address =
        BuildMapAddress(m_strServer, mapKind, WithoutSpaces(selected->lat), WithoutSpaces(selected->lon));
    if (address.empty()) {
        return false;
    }
    browser.SetSilent(true);
    browser.Navigate(address);
    return true;
}

}  // namespace dravik
