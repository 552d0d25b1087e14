#pragma once

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "catalogue/event_merge.h"
#include "sources/quake_parser.h"

// Which earthquake a report is. An agency's id names one quake for good, whatever its values become; another
// agency's report of a known quake is found by the merge rule. Every known quake keeps the values of its own
// source's latest report, whether this run lists it and whether it has alerted, so that a quake is one row,
// is revised in place and alerts at most once.
namespace dravik {

// The form in which an id names its quake: a qualified id ("usgs:us6000m0yf") whole, a classic page's id by
// its leading number ("012345" and "12345\"" are both "12345").
std::string QuakeIdKey(const std::string& eventId);

// A quake the archive holds, as the registry takes it: its values and every id it is known by, its own first.
struct ArchivedQuakeIds {
    QuakeEvent values;
    std::vector<std::string> ids;
    // Other agencies' reports taken for it, with their origin and numbers (what decides whether a better report
    // of one of them takes its place).
    std::vector<QuakeEvent> merged{};
};

struct KnownQuake {
    // The key of the report that made it: its row's id in the list and in the archive (kept once, as the
    // values' eventId).
    const std::string& Id() const { return values.eventId; }
    std::string source;
    // Its own source's latest values; eventId is Id().
    QuakeEvent values;
    // Every id known for it (its keys).
    std::vector<std::string> keys;
    // Whether one of its keys comes from the source `of` (EventSource of the key).
    bool HasSource(const std::string& of) const;
    // Has a row in this run's list.
    bool listed = false;
    // Matched the alert rule while fresh, or was known before this run (announced then, if ever).
    bool alerted = false;
    // Read from the archive (stored by an earlier run).
    bool archived = false;
    // One of its reports was dropped from the archive backlog before it was written: the next report of it,
    // even a repeat, writes what the archive lacks.
    bool dropped = false;
    // The archive backlog's round lane holds one of its reports while its number is below this.
    std::uint64_t roundLaneUntil = 0;
    // The reports of other agencies taken for it in this run, with their values: a better fitting report of
    // one of those agencies takes the place of its earlier one (which becomes a quake of its own).
    std::vector<QuakeEvent> merged;
    // When the registry last indexed it under its origin: of two quakes that fit a report equally, the one
    // indexed first takes it.
    std::uint64_t indexOrder = 0;
};

enum class ReportKind {
    kNew,          // a quake not known before: now registered
    kRevision,     // its own source's report with other values: the quake's values replaced
    kRepeat,       // its own source's report with the same values
    kOtherAgency,  // another agency's report of a known quake: only its ids are added
};

struct ReportMatch {
    ReportKind kind = ReportKind::kNew;
    KnownQuake* quake = nullptr;
    // The values before a revision.
    QuakeEvent previous;
    // The report brought ids the quake did not have (worth telling the archive).
    bool newIds = false;
    // Another agency's report says other things of what people felt than its last one did (also worth telling).
    bool newFelt = false;
    // The same agency's earlier report, which this one replaced on the quake: now a quake of its own, not
    // yet listed; null when none.
    KnownQuake* detached = nullptr;
};

class QuakeRegistry final {
public:
    // Quakes remembered at most; past it those registered first are forgotten (the archive still knows them).
    // The bound is kept between rounds only (EnforceBound), so a quake a round holds is never freed under it.
    static constexpr std::size_t kDefaultMaxQuakes = 100000;
    static constexpr std::size_t kMinQuakes = 1000;

    explicit QuakeRegistry(MergeLimits limits = {}, std::size_t maxQuakes = kDefaultMaxQuakes);

    // A quake the archive held before this run: known (so another agency's report of it or a repeat adds no
    // row), not listed; `alerted` when it matched the alert rule (it was announced then, or was too old to be).
    // `ids` hold its own id first. Returns the quake of this run that turns out to be the archived one (another
    // agency's report of it, listed while the archive could not be read), or null.
    // `merged`: other agencies' reports taken for it, as the archive keeps them.
    KnownQuake* AddArchived(const QuakeEvent& values, const std::vector<std::string>& ids, bool alerted,
                            const std::vector<QuakeEvent>& merged = {});
    ReportMatch Resolve(const QuakeEvent& report);
    // The quake that one of its ids (any form) names; null when none.
    KnownQuake* Find(const std::string& eventId);
    std::size_t Size() const { return m_quakes.size(); }
    // Forgets the quakes whose origin is before `cutoffUtcMs` and that have no row, so the registry spans a
    // window of days (the archive knows older ones by their ids). Quakes without an origin stay, bounded by
    // the count alone. Returns how many went.
    std::size_t ForgetOlderThan(std::int64_t cutoffUtcMs);
    // Forgets the quakes registered first beyond the count bound. Only between rounds: no pointer a round
    // holds may point at them.
    void EnforceBound();
    // The newest origin among the quakes the list let go for want of room: while it is full, a quake that old
    // would only go in to come out again, so it is not listed.
    std::int64_t ListFloorMs() const { return m_listFloorMs; }
    // The origins of the listed quakes that have one.
    std::vector<std::int64_t> ListedOrigins() const;
    void RaiseListFloor(std::int64_t originUtcMs) { m_listFloorMs = std::max(m_listFloorMs, originUtcMs); }

private:
    using QuakeList = std::list<KnownQuake>;
    using QuakeListIt = QuakeList::iterator;

    KnownQuake* FindByIds(const QuakeEvent& report);
    // The quake the report fits best, and the same agency's earlier report on it that it fits better than
    // (to be replaced; -1 when none).
    KnownQuake* FindByMergeRule(const QuakeEvent& report, const std::string& source, int* replaces);
    // Takes the merged report at `index` off the quake and makes it a quake of its own.
    KnownQuake& Detach(KnownQuake& quake, std::size_t index);
    KnownQuake& Register(const QuakeEvent& values, const std::vector<std::string>& ids);
    // Returns whether any id was new to the quake.
    bool AddKeys(KnownQuake& quake, const QuakeEvent& report);
    void IndexOrigin(QuakeListIt quake);
    void UnindexOrigin(const KnownQuake& quake);
    // The merge's candidates are found by cell: the origin's bucket of the time limit and the place's cube of the
    // distance limit on the unit sphere, so a report looks only at the 81 cells around its own, however many
    // quakes share its minute. Keys are hashes: a collision only adds candidates the rule then refuses.
    bool CellOf(const QuakeEvent& values, std::int64_t cell[4]) const;
    static std::uint64_t CellKey(const std::int64_t cell[4]);
    void Erase(QuakeListIt quake);

    MergeLimits m_limits;
    std::size_t m_maxQuakes;
    QuakeList m_quakes;  // oldest registered first
    // Elements of a list stay where they are, so the indexes point at them.
    std::unordered_map<std::string, KnownQuake*> m_byKey;
    // Quakes with numbers, by origin and then the order they were indexed in.
    std::map<std::pair<std::int64_t, std::uint64_t>, QuakeListIt> m_byOrigin;
    std::uint64_t m_nextIndexOrder = 0;
    double m_cellSize = 1.0;  // of the place's cube, in unit-sphere coordinates
    std::unordered_multimap<std::uint64_t, KnownQuake*> m_byCell;
    std::int64_t m_listFloorMs = INT64_MIN;
};

}  // namespace dravik
