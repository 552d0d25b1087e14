#include "sources/event_detail.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <nlohmann/json.hpp>

#include "platform/environment.h"

namespace dravik {
namespace {

using Json = nlohmann::json;

// No product nests deeper than a MultiPolygon's points (six levels under the root); a body that does is refused
// before it is parsed, so nesting cannot exhaust the stack.
constexpr int kMaxNesting = 16;

bool NestingWithin(const std::string& body, int limit) {
    int depth = 0;
    bool inString = false, escaped = false;
    for (const char c : body) {
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit) {
                return false;
            }
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return true;
}

Json Parse(const std::string& body) {
    if (!NestingWithin(body, kMaxNesting)) {
        return Json();
    }
    return Json::parse(body, nullptr, false);
}

std::optional<double> Number(const Json& j, const char* key) {
    if (!j.is_object()) {
        return std::nullopt;
    }
    const auto it = j.find(key);
    if (it == j.end() || !it->is_number()) {
        return std::nullopt;
    }
    const double v = it->get<double>();
    return std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

// [lon, lat(, depth)] within the globe.
std::optional<RupturePoint> PointOf(const Json& j) {
    if (!j.is_array() || j.size() < 2 || !j[0].is_number() || !j[1].is_number()) {
        return std::nullopt;
    }
    RupturePoint p;
    p.longitude = j[0].get<double>();
    p.latitude = j[1].get<double>();
    p.depthKm = j.size() > 2 && j[2].is_number() ? j[2].get<double>() : 0.0;
    if (!std::isfinite(p.latitude) || !std::isfinite(p.longitude) || !std::isfinite(p.depthKm) ||
        std::fabs(p.latitude) > 90.0 || std::fabs(p.longitude) > 360.0) {
        return std::nullopt;
    }
    if (p.longitude > 180.0) {
        p.longitude -= 360.0;
    }
    return p;
}

// A line of points, with the count spent so far; false once the bound is reached.
bool ReadLine(const Json& j, std::vector<LatLon>& line, std::size_t& budget) {
    if (!j.is_array()) {
        return true;
    }
    for (const Json& point : j) {
        if (budget == 0) {
            return false;
        }
        if (const auto p = PointOf(point)) {
            line.push_back({p->latitude, p->longitude});
            --budget;
        }
    }
    return true;
}

const Json* Features(const Json& doc) {
    if (!doc.is_object()) {
        return nullptr;
    }
    const auto it = doc.find("features");
    return it != doc.end() && it->is_array() ? &*it : nullptr;
}

const Json* Geometry(const Json& feature, std::string* type) {
    if (!feature.is_object()) {
        return nullptr;
    }
    const auto g = feature.find("geometry");
    if (g == feature.end() || !g->is_object()) {
        return nullptr;
    }
    const auto t = g->find("type");
    const auto c = g->find("coordinates");
    if (t == g->end() || !t->is_string() || c == g->end() || !c->is_array()) {
        return nullptr;
    }
    *type = t->get<std::string>();
    return &*c;
}

std::string LowerHost(const std::string& url, std::string* scheme) {
    const auto sep = url.find("://");
    if (sep == std::string::npos) {
        return {};
    }
    *scheme = url.substr(0, sep);
    std::transform(scheme->begin(), scheme->end(), scheme->begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::string host = url.substr(sep + 3);
    host = host.substr(0, host.find_first_of("/?#"));
    const auto at = host.rfind('@');
    if (at != std::string::npos) {
        host.erase(0, at + 1);
    }
    if (!host.empty() && host[0] == '[') {
        host = host.substr(0, host.find(']') + 1);
    } else {
        host = host.substr(0, host.find(':'));
    }
    std::transform(host.begin(), host.end(), host.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return host;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// A product's address is followed only to where its detail came from, or to USGS itself: a detail is outside
// text, and an address in it must not send the program anywhere else.
bool TrustedLink(const std::string& url, const std::string& detailHost) {
    std::string scheme;
    const std::string host = LowerHost(url, &scheme);
    if ((scheme != "http" && scheme != "https") || host.empty() || url.size() > 2048) {
        return false;
    }
    for (const char c : url) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) {
            return false;
        }
    }
    return host == detailHost || host == "usgs.gov" || EndsWith(host, ".usgs.gov");
}

// The preferred (first) version's file `name` of product `type`.
std::string ContentUrl(const Json& products, const char* type, const char* name, const std::string& detailHost) {
    const auto list = products.find(type);
    if (list == products.end() || !list->is_array() || list->empty() || !(*list)[0].is_object()) {
        return {};
    }
    const auto contents = (*list)[0].find("contents");
    if (contents == (*list)[0].end() || !contents->is_object()) {
        return {};
    }
    const auto file = contents->find(name);
    if (file == contents->end() || !file->is_object()) {
        return {};
    }
    const auto url = file->find("url");
    if (url == file->end() || !url->is_string()) {
        return {};
    }
    std::string text = url->get<std::string>();
    return TrustedLink(text, detailHost) ? text : std::string();
}

}  // namespace

std::optional<ProductLinks> ParseEventDetail(const std::string& body, const std::string& detailUrl) {
    const Json doc = Parse(body);
    if (!doc.is_object()) {
        return std::nullopt;
    }
    const auto properties = doc.find("properties");
    if (properties == doc.end() || !properties->is_object()) {
        return std::nullopt;
    }
    ProductLinks links;
    const auto products = properties->find("products");
    if (products == properties->end() || !products->is_object()) {
        return links;  // a quake with no products yet
    }
    std::string scheme;
    const std::string host = LowerHost(detailUrl, &scheme);
    links.contours = ContentUrl(*products, "shakemap", "download/cont_mmi.json", host);
    links.rupture = ContentUrl(*products, "shakemap", "download/rupture.json", host);
    links.feltCells = ContentUrl(*products, "dyfi", "dyfi_geo_10km.geojson", host);
    links.finiteFault = ContentUrl(*products, "finite-fault", "FFM.geojson", host);
    links.forecast = ContentUrl(*products, "oaf", "forecast.json", host);
    return links;
}

std::vector<IntensityContour> ParseIntensityContours(const std::string& body) {
    std::vector<IntensityContour> out;
    const Json doc = Parse(body);
    const Json* features = Features(doc);
    if (features == nullptr) {
        return out;
    }
    std::size_t budget = kMaxProductPoints;
    for (const Json& feature : *features) {
        std::string type;
        const Json* coordinates = Geometry(feature, &type);
        const auto properties = feature.is_object() ? feature.find("properties") : feature.end();
        if (coordinates == nullptr || properties == feature.end()) {
            continue;
        }
        const std::optional<double> value = Number(*properties, "value");
        if (!value || *value < 0.0 || *value > 12.0) {
            continue;
        }
        IntensityContour contour;
        contour.value = *value;
        bool more = true;
        // Lines, and (in older maps) polygons' rings, all read as lines.
        if (type == "LineString") {
            contour.lines.emplace_back();
            more = ReadLine(*coordinates, contour.lines.back(), budget);
        } else if (type == "MultiLineString" || type == "Polygon") {
            for (const Json& line : *coordinates) {
                contour.lines.emplace_back();
                if (!(more = ReadLine(line, contour.lines.back(), budget))) {
                    break;
                }
            }
        } else if (type == "MultiPolygon") {
            for (const Json& polygon : *coordinates) {
                for (const Json& ring : polygon.is_array() ? polygon : Json::array()) {
                    contour.lines.emplace_back();
                    if (!(more = ReadLine(ring, contour.lines.back(), budget))) {
                        break;
                    }
                }
                if (!more) {
                    break;
                }
            }
        }
        contour.lines.erase(std::remove_if(contour.lines.begin(), contour.lines.end(),
                                           [](const std::vector<LatLon>& l) { return l.size() < 2; }),
                            contour.lines.end());
        if (!contour.lines.empty()) {
            out.push_back(std::move(contour));
        }
        if (!more) {
            break;
        }
    }
    return out;
}

std::vector<FeltCell> ParseFeltCells(const std::string& body, int minReports) {
    std::vector<FeltCell> out;
    const Json doc = Parse(body);
    const Json* features = Features(doc);
    if (features == nullptr) {
        return out;
    }
    std::size_t budget = kMaxProductPoints;
    for (const Json& feature : *features) {
        std::string type;
        const Json* coordinates = Geometry(feature, &type);
        const auto properties = feature.is_object() ? feature.find("properties") : feature.end();
        if (coordinates == nullptr || properties == feature.end() || type != "Polygon" || coordinates->empty()) {
            continue;
        }
        std::optional<double> intensity = Number(*properties, "cdi");
        if (!intensity) {
            intensity = Number(*properties, "intensity");
        }
        const std::optional<double> reports = Number(*properties, "nresp");
        if (!intensity || *intensity < 1.0 || *intensity > 12.0 || !reports || *reports < minReports ||
            *reports > 1e8) {
            continue;
        }
        FeltCell cell;
        cell.intensity = *intensity;
        cell.reports = static_cast<int>(*reports);
        if (!ReadLine((*coordinates)[0], cell.ring, budget)) {
            break;
        }
        if (cell.ring.size() < 3) {
            continue;
        }
        // The centre the file gives, else the mean of the corners (the closing one not counted twice).
        const auto centre = properties->find("center");
        std::optional<RupturePoint> given;
        if (centre != properties->end() && centre->is_object() && centre->contains("coordinates")) {
            given = PointOf((*centre)["coordinates"]);
        }
        if (given) {
            cell.centre = {given->latitude, given->longitude};
        } else {
            const std::size_t n = cell.ring.size() - (cell.ring.front().latitude == cell.ring.back().latitude &&
                                                              cell.ring.front().longitude == cell.ring.back().longitude
                                                          ? 1
                                                          : 0);
            for (std::size_t i = 0; i < n; ++i) {
                cell.centre.latitude += cell.ring[i].latitude / n;
                cell.centre.longitude += cell.ring[i].longitude / n;
            }
        }
        out.push_back(std::move(cell));
    }
    return out;
}

std::vector<RupturePlane> ParseRupture(const std::string& body) {
    std::vector<RupturePlane> out;
    const Json doc = Parse(body);
    const Json* features = Features(doc);
    if (features == nullptr) {
        return out;
    }
    std::size_t budget = kMaxProductPoints;
    const auto addRing = [&out, &budget](const Json& ring) {
        RupturePlane plane;
        for (const Json& point : ring.is_array() ? ring : Json::array()) {
            if (budget == 0) {
                return false;
            }
            if (const auto p = PointOf(point)) {
                // Depths in a rupture model are km below the surface; a few hundred is the deepest any quake has.
                if (p->depthKm >= -10.0 && p->depthKm <= 800.0) {
                    plane.push_back(*p);
                    --budget;
                }
            }
        }
        if (plane.size() >= 3) {
            out.push_back(std::move(plane));
        }
        return true;
    };
    for (const Json& feature : *features) {
        std::string type;
        const Json* coordinates = Geometry(feature, &type);
        if (coordinates == nullptr) {
            continue;
        }
        if (type == "Polygon" && !coordinates->empty()) {
            if (!addRing((*coordinates)[0])) {
                break;
            }
        } else if (type == "MultiPolygon") {
            for (const Json& polygon : *coordinates) {
                if (polygon.is_array() && !polygon.empty() && !addRing(polygon[0])) {
                    return out;
                }
            }
        }
    }
    return out;
}

EventProductReader::EventProductReader(std::string usgsId, std::string detailUrl)
    : m_usgsId(std::move(usgsId)), m_detailUrl(std::move(detailUrl)) {}

std::optional<std::string> EventProductReader::FetchChanged(const Fetch& fetch, const std::string& url,
                                                            std::size_t maxBytes, Held& held, int* requests) {
    if (url.empty() || url == held.url) {
        return std::nullopt;
    }
    ConditionalRequest request;
    const FetchResult page = fetch(url, request, maxBytes);
    ++*requests;
    if (!IsReadable(page)) {
        m_problem = FetchProblem(page);
        return std::nullopt;
    }
    held = Held{url, page.etag, page.lastModified};
    return page.body;
}

bool EventProductReader::Read(const Fetch& fetch, int* requests) {
    int count = 0;
    int* made = requests != nullptr ? requests : &count;
    *made = 0;
    m_problem.clear();
    ConditionalRequest request;
    if (m_detail.url == m_detailUrl) {
        request.ifNoneMatch = m_detail.etag;
        request.ifModifiedSince = m_detail.lastModified;
    }
    const FetchResult detail = fetch(m_detailUrl, request, kMaxDetailBytes);
    ++*made;
    if (detail.ok && detail.status == 304) {
        return false;
    }
    if (!IsReadable(detail)) {
        m_problem = FetchProblem(detail);
        return false;
    }
    const std::optional<ProductLinks> links = ParseEventDetail(detail.body, m_detailUrl);
    if (!links) {
        m_problem = "not an event's detail";
        return false;
    }
    auto products = std::make_shared<QuakeProducts>(m_products ? *m_products : QuakeProducts{});
    products->usgsId = m_usgsId;
    bool changed = products->links.contours != links->contours || products->links.feltCells != links->feltCells ||
                   products->links.rupture != links->rupture || products->links.finiteFault != links->finiteFault ||
                   products->links.forecast != links->forecast;
    if (auto body = FetchChanged(fetch, links->contours, kMaxContourBytes, m_contours, made)) {
        products->contours = ParseIntensityContours(*body);
        changed = true;
    }
    if (auto body = FetchChanged(fetch, links->feltCells, kMaxFeltCellBytes, m_felt, made)) {
        products->feltCells = ParseFeltCells(*body);
        changed = true;
    }
    if (auto body = FetchChanged(fetch, links->rupture, kMaxRuptureBytes, m_rupture, made)) {
        products->rupture = ParseRupture(*body);
        changed = true;
    }
    // A product withdrawn from the detail is no longer held.
    if (links->contours.empty()) {
        products->contours.clear();
        m_contours = Held{};
    }
    if (links->feltCells.empty()) {
        products->feltCells.clear();
        m_felt = Held{};
    }
    if (links->rupture.empty()) {
        products->rupture.clear();
        m_rupture = Held{};
    }
    products->links = *links;
    // The detail's validators are kept only once every product it names was read: a product that failed is
    // asked for again at the next look, which a 304 for the detail would otherwise skip.
    m_detail = m_problem.empty() ? Held{m_detailUrl, detail.etag, detail.lastModified} : Held{};
    if (changed || !m_products) {
        m_products = std::move(products);
        return true;
    }
    return false;
}

std::optional<UsgsForecast> ParseUsgsForecast(const std::string& body) {
    if (body.size() > kMaxForecastBytes) {
        return std::nullopt;
    }
    const Json j = Parse(body);
    if (!j.is_object() || !j.contains("forecast") || !j["forecast"].is_array()) {
        return std::nullopt;
    }
    const auto chance = [](const Json& bin) -> std::optional<double> {
        const std::optional<double> p = Number(bin, "probability");
        return p && *p >= 0.0 && *p <= 1.0 ? p : std::nullopt;
    };
    constexpr std::int64_t kWeekMs = 7LL * 24 * 3600 * 1000;
    for (const Json& window : j["forecast"]) {
        const std::optional<double> start = Number(window, "timeStart"), end = Number(window, "timeEnd");
        const bool labelled = window.is_object() && window.contains("label") && window["label"].is_string() &&
                              window["label"].get<std::string>() == "1 Week";
        // The label names the week; a window without one is taken for it when it spans seven days (a day either way).
        const bool week = labelled || (start && end && std::fabs(*end - *start - kWeekMs) <= kWeekMs / 7.0);
        if (!week || !window.contains("bins") || !window["bins"].is_array()) {
            continue;
        }
        UsgsForecast forecast;
        bool m5 = false;
        for (const Json& bin : window["bins"]) {
            const std::optional<double> magnitude = Number(bin, "magnitude");
            const std::optional<double> p = chance(bin);
            if (magnitude && p && std::fabs(*magnitude - 5.0) < 0.05) {
                forecast.chanceM5 = *p;
                m5 = true;
            }
        }
        if (!m5) {
            continue;
        }
        if (window.contains("aboveMainshockMag")) {
            const Json& main = window["aboveMainshockMag"];
            const std::optional<double> magnitude = Number(main, "magnitude");
            const std::optional<double> p = chance(main);
            if (magnitude && p) {
                forecast.hasMain = true;
                forecast.mainMagnitude = *magnitude;
                forecast.chanceMain = *p;
            }
        }
        forecast.startUtcMs = start && std::fabs(*start) < 9e15 ? static_cast<std::int64_t>(*start) : 0;
        forecast.endUtcMs = end && std::fabs(*end) < 9e15 ? static_cast<std::int64_t>(*end) : 0;
        return forecast;
    }
    return std::nullopt;
}

std::string EventDetailUrl(const std::string& usgsId) {
    const std::string base = EventDetailBaseUrl();
    return base.empty() ? base : base + usgsId;
}

}  // namespace dravik
