#include "platform/environment.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>

namespace dravik {
namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? std::string(value) : fallback;
}

// mkdir -p; failures are left to whoever opens a file there.
void MakeDirs(const std::string& path) {
    for (std::string::size_type pos = 1; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == '/') {
            const std::string part = path.substr(0, pos);
            if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
                return;
            }
        }
    }
}

std::string StripTrailingSlashes(std::string url) {
    while (!url.empty() && url.back() == '/') {
        url.pop_back();
    }
    return url;
}

std::mutex g_nameMutex;
std::string g_applicationName = "dravik";

}  // namespace

std::string DataDir() {
    std::string dir = EnvOr("DRAVIK_DATA_DIR", "");
    if (dir.empty()) {
        const std::string xdg = EnvOr("XDG_DATA_HOME", "");
        dir = !xdg.empty() ? xdg + "/dravik" : EnvOr("HOME", ".") + "/.local/share/dravik";
    }
    MakeDirs(dir);
    return dir;
}

std::string DataFilePath(const std::string& name) {
    return DataDir() + "/" + name;
}

// EMSC's event service in its text format, newest first; the parser still reads the old home page too.
const char kDefaultQuakeUrl[] = "https://www.seismicportal.eu/fdsnws/event/1/query?format=text&limit=50";

std::string QuakeUrl() {
    return EnvOr("DRAVIK_QUAKE_URL", kDefaultQuakeUrl);
}

std::vector<std::string> SplitBlanks(const std::string& text) {
    std::vector<std::string> words;
    std::string::size_type pos = 0;
    while ((pos = text.find_first_not_of(" \t\r\n", pos)) != std::string::npos) {
        const auto end = text.find_first_of(" \t\r\n", pos);
        words.push_back(text.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
        pos = end;
    }
    return words;
}

std::vector<std::string> QuakeUrls(const std::string& configured) {
    const char* value = std::getenv("DRAVIK_QUAKE_URL");
    std::vector<std::string> urls = SplitBlanks(value != nullptr ? value : "");
    if (urls.empty()) {
        urls = SplitBlanks(configured);
    }
    return urls.empty() ? std::vector<std::string>{kDefaultQuakeUrl} : urls;
}

// NOAA's real-time solar wind readings (JSON); a page with "speed: <b>" cells still reads.
std::string SolarWindUrl() {
    return EnvOr("DRAVIK_SOLAR_WIND_URL", "https://services.swpc.noaa.gov/json/rtsw/rtsw_wind_1m.json");
}

std::string XRayUrl() {
    return EnvOr("DRAVIK_XRAY_URL", "http://www.swpc.noaa.gov/rt_plots/xray_1m.html");
}

std::vector<std::string> TsunamiUrls() {
    const char* value = std::getenv("DRAVIK_TSUNAMI_URL");
    if (value != nullptr) {
        return SplitBlanks(value);
    }
    return {"https://www.tsunami.gov/events/xml/PHEBAtom.xml", "https://www.tsunami.gov/events/xml/PAAQAtom.xml"};
}

std::string EventDetailBaseUrl() {
    const char* value = std::getenv("DRAVIK_EVENT_DETAIL_URL");
    if (value != nullptr) {
        return value;
    }
    return "https://earthquake.usgs.gov/fdsnws/event/1/query?format=geojson&eventid=";
}

std::string SiteUrl() {
    return StripTrailingSlashes(EnvOr("DRAVIK_SITE_URL", "http://dravik.example/"));
}

std::string SiteHost() {
    std::string url = SiteUrl();
    const auto scheme = url.find("://");
    if (scheme != std::string::npos) {
        url.erase(0, scheme + 3);
    }
    url = url.substr(0, url.find_first_of("/?#"));
    // A user name and password before the host are not the host.
    const auto at = url.rfind('@');
    if (at != std::string::npos) {
        url.erase(0, at + 1);
    }
    if (!url.empty() && url[0] == '[') {
        const auto close = url.find(']');
        return close == std::string::npos ? url : url.substr(0, close + 1);  // an IPv6 address keeps its brackets
    }
    return url.substr(0, url.find(':'));
}

std::string MapUrl() {
    return StripTrailingSlashes(EnvOr("DRAVIK_MAP_URL", ""));
}

// Unlike the other addresses, an empty value counts: it is how push is switched off.
std::string PushUrl() {
    const char* value = std::getenv("DRAVIK_PUSH_URL");
    return value != nullptr ? std::string(value) : std::string("wss://www.seismicportal.eu/standing_order/websocket");
}

int PollSeconds() {
    const std::string text = EnvOr("DRAVIK_POLL_SECONDS", "");
    if (text.empty()) {
        return 300;
    }
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || value < 1 || value > 86400) {
        return 300;
    }
    return static_cast<int>(value);
}

std::string ApplicationName() {
    std::lock_guard<std::mutex> lock(g_nameMutex);
    return g_applicationName;
}

void SetApplicationName(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_nameMutex);
    g_applicationName = name;
}

}  // namespace dravik
