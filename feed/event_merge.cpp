#include "feed/event_merge.h"

#include <cmath>
#include <cstdint>

#include "feed/geo.h"

namespace dravik {
namespace {

// Magnitudes come with one decimal and differences of such doubles miss the exact bound by an ulp or two
// (3.2 - 2.2 > 1.0); the slack keeps the bounds inclusive as written without widening them in any real sense.
constexpr double kSlack = 1e-9;

bool WithinLimits(std::int64_t originA, double latA, double lonA, double magA, std::int64_t originB, double latB,
                  double lonB, double magB, const MergeLimits& limits) {
    // Differences are taken in the unsigned domain so that wild origin times cannot overflow.
    const std::uint64_t dt = originA >= originB
                                 ? static_cast<std::uint64_t>(originA) - static_cast<std::uint64_t>(originB)
                                 : static_cast<std::uint64_t>(originB) - static_cast<std::uint64_t>(originA);
    if (limits.originMs < 0 || dt > static_cast<std::uint64_t>(limits.originMs)) {
        return false;
    }
    // A number that did not read (NaN, infinity) matches nothing; GreatCircleKm would take NaN for 0 km.
    for (const double v : {latA, lonA, magA, latB, lonB, magB}) {
        if (!std::isfinite(v)) {
            return false;
        }
    }
    if (!(std::fabs(magA - magB) <= limits.magnitude + kSlack)) {
        return false;
    }
    return GreatCircleKm(latA, lonA, latB, lonB) <= limits.distanceKm + kSlack;
}

}  // namespace

bool SameEarthquake(const QuakeEvent& a, const QuakeEvent& b, const MergeLimits& limits) {
    if (!a.hasNumbers || !b.hasNumbers) {
        return false;
    }
    return WithinLimits(a.originUtcMs, a.latitude, a.longitude, a.magnitude, b.originUtcMs, b.latitude, b.longitude,
                        b.magnitude, limits);
}

std::string EventSource(const std::string& eventId) {
    const auto colon = eventId.find(':');
    return colon == std::string::npos ? std::string() : eventId.substr(0, colon);
}

ReportMerge::ReportMerge(MergeLimits limits, std::int64_t keepMs, std::size_t maxReports)
    : m_limits(limits), m_keepMs(keepMs < 0 ? 0 : keepMs), m_maxReports(maxReports) {}

bool ReportMerge::IsDuplicate(const QuakeEvent& report) const {
    if (!report.hasNumbers || m_limits.originMs < 0) {
        return false;
    }
    const std::int64_t t = report.originUtcMs;
    // Saturating window ends: an origin near the ends of the range must not wrap around.
    const std::int64_t span = m_limits.originMs;
    const std::int64_t from = t < INT64_MIN + span ? INT64_MIN : t - span;
    const std::int64_t to = t > INT64_MAX - span ? INT64_MAX : t + span;
    const std::string source = EventSource(report.eventId);
    for (auto it = m_reports.lower_bound(from); it != m_reports.end() && it->first <= to; ++it) {
        const Place& p = it->second;
        if (p.source != source && WithinLimits(t, report.latitude, report.longitude, report.magnitude, it->first,
                                               p.latitude, p.longitude, p.magnitude, m_limits)) {
            return true;
        }
    }
    return false;
}

void ReportMerge::Remember(const QuakeEvent& report, std::int64_t nowUtcMs) {
    if (report.hasNumbers) {
        m_reports.emplace(report.originUtcMs,
                          Place{report.latitude, report.longitude, report.magnitude, EventSource(report.eventId)});
    }
    Forget(nowUtcMs);
}

bool ReportMerge::Admit(const QuakeEvent& report, std::int64_t nowUtcMs) {
    if (IsDuplicate(report)) {
        return false;
    }
    Remember(report, nowUtcMs);
    return true;
}

void ReportMerge::Forget(std::int64_t nowUtcMs) {
    const std::int64_t oldest = nowUtcMs < INT64_MIN + m_keepMs ? INT64_MIN : nowUtcMs - m_keepMs;
    m_reports.erase(m_reports.begin(), m_reports.lower_bound(oldest));
    while (m_reports.size() > m_maxReports) {
        m_reports.erase(m_reports.begin());
    }
}

}  // namespace dravik
