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
    sequence.mainId = event.eventId;
    sequence.magnitudeText = event.mag;
    sequence.region = event.region;
    sequence.magnitude = magnitude;
    sequence.latitude = latitude;
    sequence.longitude = longitude;
    sequence.originUtcMs = event.originUtcMs;
    sequence.endUtcMs = event.originUtcMs + SequenceDurationMs(magnitude);
    sequence.radiusKm = SequenceRadiusKm(magnitude);
    sequence.aftershocks = 0;
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
        if (event.originUtcMs < s.originUtcMs || event.originUtcMs > s.endUtcMs) {
            continue;
        }
        if (GreatCircleKm(s.latitude, s.longitude, n.latitude, n.longitude) > s.radiusKm) {
            continue;
        }
        if (holder == nullptr || s.magnitude > holder->magnitude) {
            holder = &s;
        }
    }
    SequenceVerdict verdict;
    if (holder != nullptr && n.magnitude + kSlack < holder->magnitude - kAftershockStep) {
        verdict.aftershock = true;
        verdict.mainId = holder->mainId;
        verdict.mainMagnitude = holder->magnitudeText;
        verdict.mainRegion = holder->region;
        ++holder->aftershocks;
        m_verdicts[event.eventId] = Kept{verdict, holder->endUtcMs};
    } else if (holder != nullptr && n.magnitude > holder->magnitude + kSlack) {
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
        if (s.mainId == eventId) {
            return s.aftershocks;
        }
    }
    return 0;
}

bool SequenceTracker::ZoneOf(const std::string& mainId, Zone* zone) const {
    for (const Sequence& s : m_sequences) {
        if (s.mainId == mainId) {
            *zone = Zone{s.latitude, s.longitude, s.radiusKm};
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
