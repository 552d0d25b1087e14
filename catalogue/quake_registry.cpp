#include "catalogue/quake_registry.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "catalogue/quake_list_update.h"
#include "sources/geo.h"

namespace dravik {
namespace {

bool SameValues(const QuakeEvent& a, const QuakeEvent& b) {
    return a.mag == b.mag && a.region == b.region && a.data1 == b.data1 && a.data2 == b.data2 && a.wsp1 == b.wsp1 &&
           a.wsp2 == b.wsp2 && a.depth == b.depth && a.felt == b.felt && a.reviewed == b.reviewed;
}

std::vector<std::string> ReportIds(const QuakeEvent& report) {
    std::vector<std::string> ids{report.eventId};
    ids.insert(ids.end(), report.otherIds.begin(), report.otherIds.end());
    return ids;
}

}  // namespace

std::string QuakeIdKey(const std::string& eventId) {
    return eventId.find(':') != std::string::npos ? eventId : LeadingNumberKey(eventId);
}

QuakeRegistry::QuakeRegistry(MergeLimits limits, std::size_t maxQuakes)
    : m_limits(limits), m_maxQuakes(std::max<std::size_t>(maxQuakes, kMinQuakes)) {
    // Two places within the distance limit differ by less than its angle on every axis of the unit sphere (a
    // chord is shorter than its arc); the kilometre more absorbs rounding. A limit past the globe is one cell.
    const double size = (std::max(m_limits.distanceKm, 0.0) + 1.0) / kEarthRadiusKm;
    m_cellSize = std::isfinite(size) ? std::min(size, 4.0) : 4.0;
}

KnownQuake* QuakeRegistry::Find(const std::string& eventId) {
    const auto it = m_byKey.find(QuakeIdKey(eventId));
    return it == m_byKey.end() ? nullptr : it->second;
}

KnownQuake* QuakeRegistry::FindByIds(const QuakeEvent& report) {
    for (const std::string& id : ReportIds(report)) {
        if (KnownQuake* quake = Find(id)) {
            return quake;
        }
    }
    return nullptr;
}

KnownQuake* QuakeRegistry::FindByMergeRule(const QuakeEvent& report, const std::string& source, int* replaces) {
    *replaces = -1;
    if (!report.hasNumbers || m_limits.originMs < 0) {
        return nullptr;
    }
    std::int64_t cell[4];
    if (!CellOf(report, cell)) {
        return nullptr;
    }
    // The 81 cells around the report's; a quake within the limits lies in one of them.
    std::vector<std::uint64_t> keys;
    keys.reserve(81);
    for (int i = 0; i < 81; ++i) {
        std::int64_t near[4];
        int step = i;
        for (int axis = 0; axis < 4; ++axis, step /= 3) {
            near[axis] = static_cast<std::int64_t>(static_cast<std::uint64_t>(cell[axis]) +
                                                   static_cast<std::uint64_t>(step % 3 - 1));
        }
        keys.push_back(CellKey(near));
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    KnownQuake* best = nullptr;
    double bestDistance = 0.0;
    std::pair<std::int64_t, std::uint64_t> bestOrder{};
    for (const std::uint64_t key : keys) {
        const auto range = m_byCell.equal_range(key);
        for (auto it = range.first; it != range.second; ++it) {
            KnownQuake& quake = *it->second;
            // A quake that already has a report of this agency is another quake of it (one agency's distinct ids
            // are distinct quakes, an aftershock sequence), unless that report was merged in this run and fits it
            // worse: then this one is that quake's report and the earlier one another quake. Asked first: it is
            // cheap, and a busy sequence puts many of the agency's own quakes in the cells.
            if (quake.source == source) {
                continue;
            }
            auto earlier = quake.merged.end();
            if (quake.HasSource(source)) {
                earlier = std::find_if(quake.merged.begin(), quake.merged.end(), [&](const QuakeEvent& m) {
                    return EventSource(QuakeIdKey(m.eventId)) == source;
                });
                if (earlier == quake.merged.end()) {
                    continue;
                }
            }
            if (!SameEarthquake(report, quake.values, m_limits)) {
                continue;
            }
            const double distance = MergeDistance(report, quake.values, m_limits);
            int replacing = -1;
            if (earlier != quake.merged.end()) {
                if (distance >= MergeDistance(*earlier, quake.values, m_limits)) {
                    continue;
                }
                replacing = static_cast<int>(earlier - quake.merged.begin());
            }
            // Ties go as a scan by origin would take them: the earlier origin, then the quake indexed first.
            const std::pair<std::int64_t, std::uint64_t> order{quake.values.originUtcMs, quake.indexOrder};
            if (best == nullptr || distance < bestDistance || (distance == bestDistance && order < bestOrder)) {
                best = &quake;
                bestDistance = distance;
                bestOrder = order;
                *replaces = replacing;
            }
        }
    }
    return best;
}

bool KnownQuake::HasSource(const std::string& of) const {
    // As EventSource(key) == of, without making the string: a key without a colon has the empty source.
    return std::any_of(keys.begin(), keys.end(), [&](const std::string& key) {
        return of.empty() ? key.find(':') == std::string::npos
                          : key.size() > of.size() && key[of.size()] == ':' && key.compare(0, of.size(), of) == 0;
    });
}

KnownQuake& QuakeRegistry::Detach(KnownQuake& quake, std::size_t index) {
    const QuakeEvent report = quake.merged[index];
    quake.merged.erase(quake.merged.begin() + static_cast<std::ptrdiff_t>(index));
    for (const std::string& id : ReportIds(report)) {
        const std::string key = QuakeIdKey(id);
        const auto it = m_byKey.find(key);
        if (it != m_byKey.end() && it->second == &quake) {
            m_byKey.erase(it);
            quake.keys.erase(std::remove(quake.keys.begin(), quake.keys.end(), key), quake.keys.end());
        }
    }
    return Register(report, ReportIds(report));
}

ReportMatch QuakeRegistry::Resolve(const QuakeEvent& report) {
    ReportMatch match;
    const std::string source = EventSource(report.eventId);
    KnownQuake* quake = FindByIds(report);
    int replaces = -1;
    if (quake == nullptr) {
        quake = FindByMergeRule(report, source, &replaces);
    }
    if (quake == nullptr) {
        match.quake = &Register(report, ReportIds(report));
        return match;
    }
    match.quake = quake;
    if (replaces >= 0) {
        match.detached = &Detach(*quake, static_cast<std::size_t>(replaces));
    }
    match.newIds = AddKeys(*quake, report);
    if (source != quake->source) {
        match.kind = ReportKind::kOtherAgency;
        if (report.hasNumbers) {
            const std::string key = QuakeIdKey(report.eventId);
            const auto known = std::find_if(quake->merged.begin(), quake->merged.end(),
                                            [&](const QuakeEvent& m) { return QuakeIdKey(m.eventId) == key; });
            if (known != quake->merged.end()) {
                match.newFelt = known->felt != report.felt;
                *known = report;
            } else if (std::find(quake->keys.begin(), quake->keys.end(), key) != quake->keys.end()) {
                quake->merged.push_back(report);
            }
        }
        return match;
    }
    // Older news than the quake holds (a lagging copy of the service, a poll behind a push) changes nothing; nor
    // does a copy that does not say when it changed (FDSN text) over values that did.
    const bool stale = quake->values.updatedUtcMs != 0 &&
                       (report.updatedUtcMs == 0 || report.updatedUtcMs < quake->values.updatedUtcMs);
    if (stale || SameValues(report, quake->values)) {
        match.kind = ReportKind::kRepeat;
        return match;
    }
    match.kind = ReportKind::kRevision;
    match.previous = quake->values;
    // Re-indexed under its new origin and place.
    QuakeListIt place = m_quakes.end();
    if (quake->values.hasNumbers) {
        const auto it = m_byOrigin.find({quake->values.originUtcMs, quake->indexOrder});
        if (it != m_byOrigin.end()) {
            place = it->second;
        }
    }
    if (place == m_quakes.end()) {
        place = std::find_if(m_quakes.begin(), m_quakes.end(), [quake](const KnownQuake& q) { return &q == quake; });
    }
    UnindexOrigin(*quake);
    const std::int64_t updated = std::max(report.updatedUtcMs, quake->values.updatedUtcMs);
    std::string id = std::move(quake->values.eventId);
    quake->values = report;
    quake->values.eventId = std::move(id);
    quake->values.updatedUtcMs = updated;
    IndexOrigin(place);
    return match;
}

KnownQuake* QuakeRegistry::AddArchived(const QuakeEvent& values, const std::vector<std::string>& ids, bool alerted,
                                       const std::vector<QuakeEvent>& merged) {
    if (ids.empty()) {
        return nullptr;
    }
    QuakeEvent report = values;
    report.eventId = ids.front();
    report.otherIds.assign(ids.begin() + 1, ids.end());
    if (KnownQuake* known = FindByIds(report)) {
        AddKeys(*known, report);
        return nullptr;
    }
    // A quake of this run that is another agency's report of the archived one: listed while the archive could
    // not be read. It takes the archived quake's ids, and its reports are stored on the archived row.
    int replaces = -1;
    KnownQuake* fold = FindByMergeRule(values, EventSource(QuakeIdKey(ids.front())), &replaces);
    if (fold != nullptr && !fold->archived && replaces < 0) {
        AddKeys(*fold, report);
        fold->archived = true;
        return fold;
    }
    KnownQuake& added = Register(values, ids);
    added.alerted = alerted;
    added.archived = true;
    for (const QuakeEvent& other : merged) {
        // Only a report whose id is still the quake's (not another's since).
        const auto it = m_byKey.find(QuakeIdKey(other.eventId));
        if (other.hasNumbers && it != m_byKey.end() && it->second == &added) {
            added.merged.push_back(other);
        }
    }
    return nullptr;
}

KnownQuake& QuakeRegistry::Register(const QuakeEvent& values, const std::vector<std::string>& ids) {
    KnownQuake quake;
    quake.values = values;
    quake.values.eventId = QuakeIdKey(ids.front());
    quake.source = EventSource(quake.values.eventId);
    m_quakes.push_back(std::move(quake));
    const QuakeListIt place = std::prev(m_quakes.end());
    KnownQuake& added = *place;
    for (const std::string& id : ids) {
        QuakeEvent report;
        report.eventId = id;
        AddKeys(added, report);
    }
    IndexOrigin(place);
    return added;
}

bool QuakeRegistry::AddKeys(KnownQuake& quake, const QuakeEvent& report) {
    bool added = false;
    for (const std::string& id : ReportIds(report)) {
        const std::string key = QuakeIdKey(id);
        if (id.empty() || !m_byKey.emplace(key, &quake).second) {
            continue;
        }
        quake.keys.push_back(key);
        added = true;
    }
    return added;
}

bool QuakeRegistry::CellOf(const QuakeEvent& values, std::int64_t cell[4]) const {
    if (!values.hasNumbers || !std::isfinite(values.latitude) || !std::isfinite(values.longitude) ||
        !std::isfinite(values.magnitude)) {
        return false;  // matches nothing
    }
    const std::int64_t width = std::max<std::int64_t>(m_limits.originMs, 1);
    const std::int64_t t = values.originUtcMs;
    cell[0] = t / width - (t % width < 0 ? 1 : 0);
    constexpr double kRadians = 3.14159265358979323846 / 180.0;
    const double lat = values.latitude * kRadians, lon = values.longitude * kRadians;
    const double point[3] = {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
    for (int axis = 0; axis < 3; ++axis) {
        cell[axis + 1] = static_cast<std::int64_t>(std::floor(point[axis] / m_cellSize));
    }
    return true;
}

std::uint64_t QuakeRegistry::CellKey(const std::int64_t cell[4]) {
    std::uint64_t key = 0;
    for (int axis = 0; axis < 4; ++axis) {
        key = (key ^ static_cast<std::uint64_t>(cell[axis])) * 0x9E3779B97F4A7C15ULL;
        key ^= key >> 29;
    }
    return key;
}

void QuakeRegistry::IndexOrigin(QuakeListIt quake) {
    if (!quake->values.hasNumbers) {
        return;
    }
    quake->indexOrder = m_nextIndexOrder++;
    m_byOrigin.emplace(std::make_pair(quake->values.originUtcMs, quake->indexOrder), quake);
    std::int64_t cell[4];
    if (CellOf(quake->values, cell)) {
        m_byCell.emplace(CellKey(cell), &*quake);
    }
}

void QuakeRegistry::UnindexOrigin(const KnownQuake& quake) {
    if (!quake.values.hasNumbers) {
        return;
    }
    m_byOrigin.erase({quake.values.originUtcMs, quake.indexOrder});
    std::int64_t cell[4];
    if (!CellOf(quake.values, cell)) {
        return;
    }
    const auto range = m_byCell.equal_range(CellKey(cell));
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second == &quake) {
            m_byCell.erase(it);
            return;
        }
    }
}

void QuakeRegistry::Erase(QuakeListIt quake) {
    UnindexOrigin(*quake);
    for (const std::string& key : quake->keys) {
        m_byKey.erase(key);
    }
    m_quakes.erase(quake);
}

void QuakeRegistry::EnforceBound() {
    while (m_quakes.size() > m_maxQuakes) {
        Erase(m_quakes.begin());
    }
}

std::vector<std::int64_t> QuakeRegistry::ListedOrigins() const {
    std::vector<std::int64_t> origins;
    for (const auto& [origin, quake] : m_byOrigin) {
        if (quake->listed) {
            origins.push_back(origin.first);
        }
    }
    return origins;
}

std::size_t QuakeRegistry::ForgetOlderThan(std::int64_t cutoffUtcMs) {
    std::vector<QuakeListIt> old;
    for (auto it = m_byOrigin.begin(); it != m_byOrigin.end() && it->first.first < cutoffUtcMs; ++it) {
        if (!it->second->listed) {
            old.push_back(it->second);
        }
    }
    for (const QuakeListIt quake : old) {
        Erase(quake);
    }
    return old.size();
}

}  // namespace dravik
