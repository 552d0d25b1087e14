#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sources/page_fetch.h"

// What USGS publishes about one quake besides its summary, found through the event's detail (GeoJSON): the
// ShakeMap's intensity contours and rupture, the "Did You Feel It?" cells, the finite-fault model and the
// aftershock forecast. Readers are pure functions over the bodies; EventProductReader fetches them.
namespace dravik {

struct LatLon {
    double latitude = 0.0;
    double longitude = 0.0;
};

// One intensity contour of a ShakeMap (`cont_mmi.json`): the lines along which the intensity is `value`.
// A contour cut by the map's edge is an open line.
struct IntensityContour {
    double value = 0.0;
    std::vector<std::vector<LatLon>> lines;
};

// One cell of "Did You Feel It?" (`dyfi_geo_10km.geojson`): the intensity people there reported and how many.
struct FeltCell {
    double intensity = 0.0;
    int reports = 0;
    LatLon centre{};
    std::vector<LatLon> ring;
};

// One plane of a rupture model (ShakeMap's `rupture.json`): its corners with their depth in km.
struct RupturePoint {
    double latitude = 0.0;
    double longitude = 0.0;
    double depthKm = 0.0;
};
using RupturePlane = std::vector<RupturePoint>;

// The addresses of a quake's products in its detail; empty where USGS has published none.
struct ProductLinks {
    std::string contours;     // shakemap: download/cont_mmi.json
    std::string rupture;      // shakemap: download/rupture.json
    std::string feltCells;    // dyfi: dyfi_geo_10km.geojson
    std::string finiteFault;  // finite-fault: FFM.geojson
    std::string forecast;     // oaf: forecast.json
};

// The links of a detail answer, each only where it is an http or https address on the detail's own host or
// on usgs.gov; nothing when the body is not an event's detail.
std::optional<ProductLinks> ParseEventDetail(const std::string& body, const std::string& detailUrl);

// The readers of the products: what does not read is left out; too many lines, cells or points end the reading
// (kMaxProductPoints in all), so a hostile body costs no more than a real one.
inline constexpr std::size_t kMaxProductPoints = 200000;
std::vector<IntensityContour> ParseIntensityContours(const std::string& body);
// Cells of fewer than `minReports` reports say little and are left out.
std::vector<FeltCell> ParseFeltCells(const std::string& body, int minReports = 3);
// The planes of a finite rupture; none for a point source.
std::vector<RupturePlane> ParseRupture(const std::string& body);

// USGS's own aftershock forecast of a quake (the `oaf` product's forecast.json): for its one-week window, the
// chance (0..1) of an aftershock of M 5 or more and of the main shock's magnitude or more. The file holds a
// window a label ("1 Week") and a span each, its `bins` a chance per least magnitude, and `aboveMainshockMag`
// the main shock's; a chance of -1 is one USGS holds back. Nothing when the week or its M 5 chance is not given.
struct UsgsForecast {
    double chanceM5 = 0.0;
    double chanceMain = 0.0;
    bool hasMain = false;
    double mainMagnitude = 0.0;
    std::int64_t startUtcMs = 0;
    std::int64_t endUtcMs = 0;
};
inline constexpr std::size_t kMaxForecastBytes = 512u * 1024;
std::optional<UsgsForecast> ParseUsgsForecast(const std::string& body);

// What was measured of one quake, as the shaking at places reads it.
struct QuakeProducts {
    std::string usgsId;  // the id the detail was asked for
    std::vector<IntensityContour> contours;
    std::vector<FeltCell> feltCells;
    std::vector<RupturePlane> rupture;
    ProductLinks links;
    bool Any() const { return !contours.empty() || !feltCells.empty() || !rupture.empty(); }
};

// The caps on each body: a detail lists every product's files (tens to hundreds of kB); contours and
// ruptures are small; the cells of a quake felt across a continent run to a few MB.
inline constexpr std::size_t kMaxDetailBytes = 2u * 1024 * 1024;
inline constexpr std::size_t kMaxContourBytes = 4u * 1024 * 1024;
inline constexpr std::size_t kMaxFeltCellBytes = 8u * 1024 * 1024;
inline constexpr std::size_t kMaxRuptureBytes = 1u * 1024 * 1024;

// Reads one quake's products and keeps them, with the validators of every body, for the next look: the detail
// is asked for conditionally, and a product whose address has not changed (USGS gives each version its own) is
// not asked for again. At most 1 + 3 requests a look, 1 once nothing changed.
class EventProductReader final {
public:
    using Fetch =
        std::function<FetchResult(const std::string& url, const ConditionalRequest& request, std::size_t maxBytes)>;

    EventProductReader(std::string usgsId, std::string detailUrl);

    // One look. Returns whether what is held changed; `requests` counts the requests made.
    bool Read(const Fetch& fetch, int* requests = nullptr);
    // What is held: null until a product has been read.
    std::shared_ptr<const QuakeProducts> Products() const { return m_products; }
    const std::string& UsgsId() const { return m_usgsId; }
    // The last look's problem ("HTTP 404", a fetch failure's name); empty when it went well.
    const std::string& Problem() const { return m_problem; }

private:
    struct Held {
        std::string url;
        std::string etag, lastModified;
    };
    // Fetches `url` unless it is the one held; returns the new body, or nothing (unchanged or failed).
    std::optional<std::string> FetchChanged(const Fetch& fetch, const std::string& url, std::size_t maxBytes,
                                            Held& held, int* requests);

    std::string m_usgsId;
    std::string m_detailUrl;
    Held m_detail, m_contours, m_felt, m_rupture;
    std::shared_ptr<const QuakeProducts> m_products;
    std::string m_problem;
};

// The address of a USGS event's detail: DRAVIK_EVENT_DETAIL_URL (the id appended), else USGS's FDSN event query;
// empty when DRAVIK_EVENT_DETAIL_URL is set but empty (no detail is read).
std::string EventDetailUrl(const std::string& usgsId);

}  // namespace dravik
