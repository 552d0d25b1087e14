#include "alerts/headline.h"

#include <cmath>

#include "shaking/intensity.h"

namespace dravik {

int ObservedLevel(const FeltData& felt) {
    return felt.cdi >= 1.0 ? IntensityLevel(felt.cdi) : 0;
}

int LevelAtPlaces(const HeadlineCandidate& quake) {
    if (!quake.distanceKm) {
        return 0;
    }
    const int observed = *quake.distanceKm <= kObservedNearKm ? ObservedLevel(quake.felt) : 0;
    return observed > quake.expectedLevel ? observed : quake.expectedLevel;
}

bool IsSignificant(const HeadlineCandidate& quake) {
    if (quake.tsunamiMessage || LevelAtPlaces(quake) >= kFeltLevel) {
        return true;
    }
    // A magnitude that does not read is kept: nothing says it is small.
    return !quake.hasMagnitude || quake.magnitude >= kSignificantMagnitude;
}

bool RanksAbove(const HeadlineCandidate& a, const HeadlineCandidate& b) {
    if (a.tsunamiMessage != b.tsunamiMessage) {
        return a.tsunamiMessage;
    }
    const int levelA = LevelAtPlaces(a);
    const int levelB = LevelAtPlaces(b);
    if (levelA != levelB) {
        return levelA > levelB;
    }
    const double magA = a.hasMagnitude ? a.magnitude : -INFINITY;
    const double magB = b.hasMagnitude ? b.magnitude : -INFINITY;
    if (magA != magB) {
        return magA > magB;
    }
    const double kmA = a.distanceKm ? *a.distanceKm : INFINITY;
    const double kmB = b.distanceKm ? *b.distanceKm : INFINITY;
    if (kmA != kmB) {
        return kmA < kmB;
    }
    return a.originUtcMs > b.originUtcMs;
}

namespace {

bool WithinDay(const HeadlineCandidate& quake, std::int64_t nowUtcMs) {
    return quake.hasOrigin && quake.originUtcMs >= nowUtcMs - kHeadlineWindowMs;
}

bool WorthSaying(const HeadlineCandidate& quake) {
    return quake.tsunamiMessage || LevelAtPlaces(quake) >= kFeltLevel ||
           (quake.hasMagnitude && quake.magnitude >= kHeadlineMagnitude);
}

}  // namespace

std::optional<std::size_t> ChooseHeadline(const std::vector<HeadlineCandidate>& quakes, const std::string& pinnedId,
                                          std::int64_t nowUtcMs) {
    std::optional<std::size_t> best;
    std::optional<std::size_t> pinned;
    for (std::size_t i = 0; i < quakes.size(); ++i) {
        const HeadlineCandidate& quake = quakes[i];
        if (!WithinDay(quake, nowUtcMs)) {
            continue;
        }
        if (!pinnedId.empty() && quake.eventId == pinnedId) {
            pinned = i;
        }
        if (WorthSaying(quake) && (!best || RanksAbove(quake, quakes[*best]))) {
            best = i;
        }
    }
    if (best && quakes[*best].tsunamiMessage) {
        return best;
    }
    return pinned ? pinned : best;
}

bool TakesHeadline(const HeadlineCandidate& arrival, const HeadlineCandidate* shown) {
    return shown == nullptr || !RanksAbove(*shown, arrival);
}

bool SelectionFollows(std::optional<std::int64_t> lastUserChoiceUtcMs, std::int64_t nowUtcMs) {
    return !lastUserChoiceUtcMs || nowUtcMs - *lastUserChoiceUtcMs >= kUserChoiceHoldMs;
}

}  // namespace dravik
