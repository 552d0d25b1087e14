#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "feed/quake_parser.h"

// One earthquake reported by several agencies is listed once: the first report wins, later reports of the
// same quake are dropped.
namespace dravik {

// How far two reports of one earthquake may lie apart; every bound is inclusive.
struct MergeLimits {
    std::int64_t originMs = 60 * 1000;
    double distanceKm = 100.0;
    double magnitude = 1.0;
};

// Both reports carry numbers and lie within all three limits. Reports without numbers (the old home page
// table) never match anything.
bool SameEarthquake(const QuakeEvent& a, const QuakeEvent& b, const MergeLimits& limits = {});

// The source of a qualified event id ("usgs" of "usgs:us6000m0yf"); empty for an id without one.
std::string EventSource(const std::string& eventId);

// The reports already listed, indexed by origin time; only reports of other sources count as duplicates
// (one agency's two reports close in time and place are two quakes: an aftershock sequence). so a new report is
// compared only with those of nearby times. Bounded twice: reports whose origin lies more than `keepMs` before the
// current time are forgotten, and beyond `maxReports` the oldest origins go first.
class ReportMerge final {
public:
    static constexpr std::int64_t kDefaultKeepMs = 3LL * 24 * 3600 * 1000;
    static constexpr std::size_t kDefaultMaxReports = 10000;

    explicit ReportMerge(MergeLimits limits = {}, std::int64_t keepMs = kDefaultKeepMs,
                         std::size_t maxReports = kDefaultMaxReports);

    // A remembered report describes the same earthquake.
    bool IsDuplicate(const QuakeEvent& report) const;
    // Remembers a listed report (one without numbers is not kept: it can never match) and forgets what has
    // grown too old by `nowUtcMs`.
    void Remember(const QuakeEvent& report, std::int64_t nowUtcMs);
    // The usual step: true when the report is to be listed (not a duplicate); it is then remembered.
    bool Admit(const QuakeEvent& report, std::int64_t nowUtcMs);

    std::size_t Size() const { return m_reports.size(); }

private:
    struct Place {
        double latitude, longitude, magnitude;
        std::string source;
    };

    void Forget(std::int64_t nowUtcMs);

    MergeLimits m_limits;
    std::int64_t m_keepMs;
    std::size_t m_maxReports;
    std::multimap<std::int64_t, Place> m_reports;  // by origin time, UTC milliseconds
};

}  // namespace dravik
