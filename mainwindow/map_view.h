#pragma once

#include <optional>
#include <string>

namespace dravik {

// What the map view needs of the browser control in the main window's lower half.
class IBrowser {
public:
    virtual ~IBrowser() = default;
    // In silent mode the control shows no dialog boxes of its own.
    virtual void SetSilent(bool silent) = 0;
    virtual void Navigate(const std::string& address) = 0;
};

// The built-in map server: its addresses name the kind and the place the map widget shows.
inline constexpr const char* kBuiltInMapServer = "dravik-map://map";

// DRAVIK_MAP_URL when set, else the built-in map server; never ends in "/".
std::string MapServerAddress();

// The map page address for a map kind (0 "Normalna", 1 "Satelita", 2 "Hybryda", 3 "Fizyczna"), with the
// coordinate texts inserted as they are. Empty for any other kind.
std::string BuildMapAddress(const std::string& server, int mapKind, const std::string& lat, const std::string& lon);

// The coordinate texts of the selected event: sub-items 4 and 5 of the event list, as the feed wrote them.
struct MapCoordinates {
    std::string lat;
    std::string lon;
};

// The map's memory of what it shows, and the decision whether a refresh navigates. The main window owns one
// and calls RefreshMap on the UI thread with what it reads from its controls.
class MapView final {
public:
    explicit MapView(std::string server = MapServerAddress());

    // A map-kind radio button was clicked: the next refresh navigates even for the same event.
    void SetMapKindChanged() { m_bMapKindChanged = true; }

    // showMap: whether the "show map" box is checked, read from the control; selected: the first selected list
    // item's coordinates, or none; mapKind: the checked radio button's index. Returns true when it navigated.
    bool RefreshMap(IBrowser& browser, bool showMap, const std::optional<MapCoordinates>& selected, bool feedBusy,
                    int mapKind);

    const std::string& LastLat() const { return m_strLastLat; }
    const std::string& LastLon() const { return m_strLastLon; }
    bool MapKindChanged() const { return m_bMapKindChanged; }
    const std::string& Server() const { return m_strServer; }

private:
    std::string m_strServer;
    std::string m_strLastLat;
    std::string m_strLastLon;
    bool m_bMapKindChanged = false;
};

}  // namespace dravik
