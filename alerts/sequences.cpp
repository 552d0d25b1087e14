#include "alerts/sequences.h"

#include <algorithm>
#include <cmath>

#include "sources/geo.h"

namespace dravik {
namespace {

constexpr std::int64_t kDayMs = 86400000;
constexpr std::int64_t kForgetEveryMs = 3600 * 1000;
// As the alert rule compares magnitudes: a 5.0 read through a sum still counts as 5.0.
constexpr double kSlack = 1e-9;

}  // namespace

double SequenceRadiusKm(double magnitude) {
    const double ruptureKm = std::pow(10.0, -3.22 + 0.69 * magnitude);
    return std::max(20.0, 2.0 * ruptureKm);
}

std::int64_t SequenceDurationMs(double magnitude) {
    const double m = std::clamp(magnitude, 5.0, 8.0);
    const double days = 10.0 * std::pow(12.0, (m - 5.0) / 3.0);
    return static_cast<std::int64_t>(std::llround(days * kDayMs));
}

void SequenceTracker::Open(Sequence& sequence, const QuakeEvent& event, double magnitude, double latitude,
                           double longitude) {
    SequenceSummary& s = sequence.s;
    s = SequenceSummary{};
    s.mainId = event.eventId;
    s.mainMagnitude = event.mag;
    s.mainRegion = event.region;
    s.magnitude = magnitude;
    s.latitude = latitude;
    s.longitude = longitude;
    s.originUtcMs = event.originUtcMs;
    double depth = 0.0;
    if (ReadDecimal(event.depth, &depth) && depth >= 0.0) {
        s.depthKm = depth;
    }
    sequence.endUtcMs = event.originUtcMs + SequenceDurationMs(magnitude);
    sequence.radiusKm = SequenceRadiusKm(magnitude);
    m_verdicts[event.eventId] = Kept{SequenceVerdict{}, sequence.endUtcMs};
}

SequenceVerdict SequenceTracker::Add(const QuakeEvent& event, double minMagnitude, bool opensAtPlace) {
    const EventNumbers n = NumbersOf(event);
    if (!n.hasMagnitude || !n.hasPosition || !event.hasNumbers || event.eventId.empty()) {
        return {};
    }
    if (const auto known = m_verdicts.find(event.eventId); known != m_verdicts.end()) {
        return known->second.verdict;
    }
    if (event.originUtcMs > m_newestUtcMs) {
        m_newestUtcMs = event.originUtcMs;
    }
    Forget();
    // Overlapping sequences: the largest main shock whose zone holds it takes it.
    Sequence* holder = nullptr;
    for (Sequence& s : m_sequences) {
        if (event.originUtcMs < s.s.originUtcMs || event.originUtcMs > s.endUtcMs) {
            continue;
        }
        if (GreatCircleKm(s.s.latitude, s.s.longitude, n.latitude, n.longitude) > s.radiusKm) {
            continue;
        }
        if (holder == nullptr || s.s.magnitude > holder->s.magnitude) {
            holder = &s;
        }
    }
    SequenceVerdict verdict;
    if (holder != nullptr && n.magnitude + kSlack < holder->s.magnitude - kAftershockStep) {
        verdict.aftershock = true;
        verdict.mainId = holder->s.mainId;
        verdict.mainMagnitude = holder->s.mainMagnitude;
        verdict.mainRegion = holder->s.mainRegion;
        SequenceSummary& s = holder->s;
        ++s.aftershocks;
        if (s.largestId.empty() || n.magnitude > s.largest + kSlack) {
            s.largestId = event.eventId;
            s.largestMagnitude = event.mag;
            s.largest = n.magnitude;
        }
        if (s.latestMagnitude.empty() || event.originUtcMs >= s.latestUtcMs) {
            s.latestMagnitude = event.mag;
            s.latestData1 = event.data1;
            s.latestData2 = event.data2;
            s.latestUtcMs = event.originUtcMs;
        }
        m_verdicts[event.eventId] = Kept{verdict, holder->endUtcMs};
    } else if (holder != nullptr && n.magnitude > holder->s.magnitude + kSlack) {
        // The sequence's main shock was a foreshock: the larger one takes its place, zone and time.
        Open(*holder, event, n.magnitude, n.latitude, n.longitude);
        return verdict;
    }
    if (n.magnitude + kSlack >= minMagnitude || opensAtPlace) {
        if (m_sequences.size() >= kMaxSequences) {
            m_sequences.erase(
                std::min_element(m_sequences.begin(), m_sequences.end(),
                                 [](const Sequence& a, const Sequence& b) { return a.endUtcMs < b.endUtcMs; }));
        }
        m_sequences.emplace_back();
        Open(m_sequences.back(), event, n.magnitude, n.latitude, n.longitude);
        // Opening a sequence of its own does not undo being another's aftershock.
        if (verdict.aftershock) {
            m_verdicts[event.eventId].verdict = verdict;
        }
    }
    return verdict;
}

void SequenceTracker::Forget() {
    if (m_lastForgetUtcMs != INT64_MIN && m_newestUtcMs - m_lastForgetUtcMs < kForgetEveryMs &&
        m_verdicts.size() < kMaxVerdicts) {
        return;
    }
    m_lastForgetUtcMs = m_newestUtcMs;
    const std::int64_t now = m_newestUtcMs;
    m_sequences.erase(
        std::remove_if(m_sequences.begin(), m_sequences.end(), [now](const Sequence& s) { return s.endUtcMs < now; }),
        m_sequences.end());
    for (auto it = m_verdicts.begin(); it != m_verdicts.end();) {
        it = it->second.forgetUtcMs < now ? m_verdicts.erase(it) : std::next(it);
    }
    if (m_verdicts.size() >= kMaxVerdicts) {
        // A feed gone wrong: the tenth that would be forgotten first goes now.
        std::vector<std::int64_t> times;
        times.reserve(m_verdicts.size());
        for (const auto& [id, kept] : m_verdicts) {
            times.push_back(kept.forgetUtcMs);
        }
        const auto tenth = times.begin() + static_cast<std::ptrdiff_t>(times.size() / 10);
        std::nth_element(times.begin(), tenth, times.end());
        const std::int64_t before = *tenth;
        for (auto it = m_verdicts.begin(); it != m_verdicts.end();) {
            it = it->second.forgetUtcMs <= before ? m_verdicts.erase(it) : std::next(it);
        }
    }
}

SequenceVerdict SequenceTracker::Of(const std::string& eventId) const {
    const auto it = m_verdicts.find(eventId);
    return it == m_verdicts.end() ? SequenceVerdict{} : it->second.verdict;
}

std::size_t SequenceTracker::AftershocksOf(const std::string& eventId) const {
    for (const Sequence& s : m_sequences) {
        if (s.s.mainId == eventId) {
            return s.s.aftershocks;
        }
    }
    return 0;
}

std::vector<std::string> SequenceTracker::MainIds() const {
    std::vector<std::string> ids;
    ids.reserve(m_sequences.size());
    for (const Sequence& s : m_sequences) {
        ids.push_back(s.s.mainId);
    }
    return ids;
}

bool SequenceTracker::SummaryOf(const std::string& mainId, SequenceSummary* summary) const {
    for (const Sequence& s : m_sequences) {
        if (s.s.mainId == mainId) {
            *summary = s.s;
            return true;
        }
    }
    return false;
}

bool SequenceTracker::Revise(const QuakeEvent& event, double minMagnitude) {
    const EventNumbers n = NumbersOf(event);
    if (!n.hasMagnitude || !n.hasPosition || !event.hasNumbers || event.eventId.empty()) {
        return false;
    }
    for (Sequence& sequence : m_sequences) {
        if (sequence.s.mainId != event.eventId) {
            continue;
        }
        // Its aftershocks so far stay its own; the zone and time ahead follow the new values.
        SequenceSummary kept = sequence.s;
        Open(sequence, event, n.magnitude, n.latitude, n.longitude);
        sequence.s.aftershocks = kept.aftershocks;
        sequence.s.largestId = kept.largestId;
        sequence.s.largestMagnitude = kept.largestMagnitude;
        sequence.s.largest = kept.largest;
        sequence.s.latestMagnitude = kept.latestMagnitude;
        sequence.s.latestData1 = kept.latestData1;
        sequence.s.latestData2 = kept.latestData2;
        sequence.s.latestUtcMs = kept.latestUtcMs;
        for (auto& [id, verdict] : m_verdicts) {
            if (verdict.verdict.aftershock && verdict.verdict.mainId == event.eventId) {
                verdict.verdict.mainMagnitude = event.mag;
                verdict.verdict.mainRegion = event.region;
                verdict.forgetUtcMs = sequence.endUtcMs;
            }
        }
        return true;
    }
    const auto known = m_verdicts.find(event.eventId);
    if (known != m_verdicts.end() && known->second.verdict.aftershock) {
        return false;  // an aftershock stays its main shock's
    }
    if (known != m_verdicts.end()) {
        m_verdicts.erase(known);
    }
    // Classed anew: grown past the sequences' magnitude, what follows it is its own sequence.
    Add(event, minMagnitude, false);
    return std::any_of(m_sequences.begin(), m_sequences.end(),
                       [&](const Sequence& s) { return s.s.mainId == event.eventId; });
}

bool SequenceTracker::ZoneOf(const std::string& mainId, Zone* zone) const {
    for (const Sequence& s : m_sequences) {
        if (s.s.mainId == mainId) {
            *zone = Zone{s.s.latitude, s.s.longitude, s.radiusKm};
            return true;
        }
    }
    return false;
}

bool GroupedAftershock(const SequenceVerdict& verdict, const AlertDecision& decision, const AlertSettings& settings) {
    return settings.sequenceEnabled && verdict.aftershock && decision.maxLevel < kAftershockOwnLevel;
}

SequencePlan PlanSequenceNotifications(const std::vector<QuakeEvent>& events,
                                       const std::vector<AlertDecision>& decisions,
                                       const std::vector<SequenceVerdict>& verdicts, const AlertSettings& settings,
                                       bool firstCycle) {
    SequencePlan out;
    if (firstCycle) {
        return out;
    }
    std::vector<AlertDecision> others = decisions;
    for (std::size_t i = 0; i < events.size() && i < decisions.size() && i < verdicts.size(); ++i) {
        if (!decisions[i].notify || !GroupedAftershock(verdicts[i], decisions[i], settings)) {
            continue;
        }
        others[i].notify = false;
        auto summary = std::find_if(out.aftershocks.begin(), out.aftershocks.end(),
                                    [&](const AftershockSummary& s) { return s.mainId == verdicts[i].mainId; });
        if (summary == out.aftershocks.end()) {
            out.aftershocks.push_back({verdicts[i].mainId, verdicts[i].mainMagnitude, verdicts[i].mainRegion, {}, i});
            summary = out.aftershocks.end() - 1;
        }
        summary->members.push_back(i);
        const EventNumbers now = NumbersOf(events[i]);
        const EventNumbers largest = NumbersOf(events[summary->largest]);
        if (now.hasMagnitude && (!largest.hasMagnitude || now.magnitude > largest.magnitude)) {
            summary->largest = i;
        }
    }
    out.plan = PlanNotifications(events, others, firstCycle);
    return out;
}

}  // namespace dravik
