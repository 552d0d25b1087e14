#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "alerts/alert_rule.h"
#include "sources/quake_parser.h"

// Aftershock sequences: which quakes follow a larger one close by, so that a sequence notifies once a round
// rather than once a quake. Plain C++, no Qt.
namespace dravik {

// A main shock's zone: twice its surface rupture length (Wells & Coppersmith 1994, all slip types:
// log10(SRL km) = -3.22 + 0.69 M), at least 20 km.
double SequenceRadiusKm(double magnitude);
// How long a main shock's sequence lasts: log-linear from 10 days at M 5 to 120 days at M 8, clamped to that
// range (days = 10 * 12^((M - 5) / 3)).
std::int64_t SequenceDurationMs(double magnitude);

// An aftershock is smaller than its main shock by more than this.
inline constexpr double kAftershockStep = 1.0;
// From this expected level at a place on an aftershock alerts on its own.
inline constexpr int kAftershockOwnLevel = 5;

// What the tracker knows of one quake.
struct SequenceVerdict {
    bool aftershock = false;
    // The main shock it follows (its id as listed, magnitude text and region).
    std::string mainId;
    std::string mainMagnitude;
    std::string mainRegion;
};

// What a main shock's sequence holds so far.
struct SequenceSummary {
    std::string mainId, mainMagnitude, mainRegion;
    double magnitude = 0.0;
    double latitude = 0.0;
    double longitude = 0.0;
    double depthKm = 10.0;  // where the report gives none, as the alert rule takes it
    std::int64_t originUtcMs = 0;
    // Every aftershock fed, whatever its magnitude.
    std::size_t aftershocks = 0;
    std::string largestId, largestMagnitude;
    double largest = 0.0;
    // The newest by origin: its magnitude text, origin and the texts its row shows the time by.
    std::string latestMagnitude, latestData1, latestData2;
    std::int64_t latestUtcMs = 0;
};

// Feeds on every listed quake in origin order and remembers the open sequences. Deterministic: the state
// depends only on the quakes fed and their order; the clock is the newest origin seen.
class SequenceTracker final {
public:
    // Bounds against a feed gone wrong: past them the oldest are forgotten.
    static constexpr std::size_t kMaxSequences = 2000;
    static constexpr std::size_t kMaxVerdicts = 100000;

    // `opensAtPlace`: it alerted at one of the user's places (near or shaking rule), which opens a sequence
    // whatever its magnitude. A quake already fed (by its id) is not taken again.
    SequenceVerdict Add(const QuakeEvent& event, double minMagnitude, bool opensAtPlace);
    // The verdict given to the quake of this id; none (not an aftershock) when unknown.
    SequenceVerdict Of(const std::string& eventId) const;
    // How many aftershocks the quake of this id has had as main shock; 0 when it is none.
    std::size_t AftershocksOf(const std::string& eventId) const;

    // The main shocks of the open sequences.
    std::vector<std::string> MainIds() const;
    // The sequence of the main shock of this id so far; false when it is none.
    bool SummaryOf(const std::string& mainId, SequenceSummary* summary) const;
    // A quake fed before has new values: a main shock's zone and time follow its magnitude and place (the
    // quakes fed after it are classed by them), its aftershocks' verdicts name its new magnitude; one that
    // opened no sequence and now reaches `minMagnitude` opens its own. Whether a sequence changed.
    bool Revise(const QuakeEvent& event, double minMagnitude);

    // The main shock and its zone, for the map.
    struct Zone {
        double latitude = 0.0;
        double longitude = 0.0;
        double radiusKm = 0.0;
    };
    bool ZoneOf(const std::string& mainId, Zone* zone) const;

    std::size_t OpenSequences() const { return m_sequences.size(); }

private:
    struct Sequence {
        SequenceSummary s;
        std::int64_t endUtcMs = 0;
        double radiusKm = 0.0;
    };
    struct Kept {
        SequenceVerdict verdict;
        std::int64_t forgetUtcMs = 0;
    };

    void Open(Sequence& sequence, const QuakeEvent& event, double magnitude, double latitude, double longitude);
    void Forget();

    std::vector<Sequence> m_sequences;
    std::unordered_map<std::string, Kept> m_verdicts;
    std::int64_t m_newestUtcMs = INT64_MIN;
    std::int64_t m_lastForgetUtcMs = INT64_MIN;
};

// Whether an aftershock is notified only in its sequence's summary: it is one, grouping is on, and it is not
// strong at a place.
bool GroupedAftershock(const SequenceVerdict& verdict, const AlertDecision& decision, const AlertSettings& settings);

// One summary a round for each sequence's grouped aftershocks.
struct AftershockSummary {
    std::string mainId, mainMagnitude, mainRegion;
    std::vector<std::size_t> members;  // indexes into the round's events, in page order
    std::size_t largest = 0;           // the largest of them
};
struct SequencePlan {
    NotificationPlan plan;  // the others, as PlanNotifications plans them
    std::vector<AftershockSummary> aftershocks;
};
// `verdicts` parallel to the round's events.
SequencePlan PlanSequenceNotifications(const std::vector<QuakeEvent>& events,
                                       const std::vector<AlertDecision>& decisions,
                                       const std::vector<SequenceVerdict>& verdicts, const AlertSettings& settings,
                                       bool firstCycle);

}  // namespace dravik
