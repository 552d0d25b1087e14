#pragma once

#include <string>
#include <vector>

// Every outside address and place the program uses, each with a built-in default and a DRAVIK_* override,
// so that tests can point the program at servers on 127.0.0.1 and at a temporary data directory.
namespace dravik {

// DRAVIK_DATA_DIR, else $XDG_DATA_HOME/dravik, else ~/.local/share/dravik; created when missing.
std::string DataDir();
// A file in the data directory.
std::string DataFilePath(const std::string& name);

std::string QuakeUrl();  // DRAVIK_QUAKE_URL
// The earthquake sources, read in this order every cycle: DRAVIK_QUAKE_URL's addresses (separated by blanks)
// when set, else `configured` (the user's list, blank-separated) when it names any, else the built-in one.
std::vector<std::string> QuakeUrls(const std::string& configured = std::string());
// The words of `text` between blanks (spaces, tabs, line ends).
std::vector<std::string> SplitBlanks(const std::string& text);
std::string SolarWindUrl();  // DRAVIK_SOLAR_WIND_URL
std::string XRayUrl();       // DRAVIK_XRAY_URL
std::string SiteUrl();       // DRAVIK_SITE_URL, the product's web site root, without a trailing slash
std::string SiteHost();      // the host name of SiteUrl(), for the texts that name it
std::string MapUrl();        // DRAVIK_MAP_URL; empty means the built-in map pages
int PollSeconds();           // DRAVIK_POLL_SECONDS, the pause between feed cycles (default 300)
// The tsunami warning centres' Atom feeds, read every cycle: DRAVIK_TSUNAMI_URL's addresses (blank-separated)
// when set, none when it is set but blank, else the Pacific and the National Tsunami Warning Center's.
std::vector<std::string> TsunamiUrls();
// DRAVIK_PUSH_URL, EMSC's WebSocket of new and updated events. Set but empty, it switches push off: the
// result is then empty.
std::string PushUrl();
// The address of a USGS event's detail (GeoJSON) without its id, which is appended: DRAVIK_EVENT_DETAIL_URL,
// else USGS's FDSN event query. Set but empty, no detail is read: the result is then empty.
std::string EventDetailBaseUrl();

// The application's name (the executable's file name), used as the fetch's user agent and as the caption
// of message boxes without their own. Set once by main(); "dravik" until then.
std::string ApplicationName();
void SetApplicationName(const std::string& name);

}  // namespace dravik
