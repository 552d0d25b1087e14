#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sources/quake_parser.h"

// Which listed quake the window puts first, and which rows matter at all: plain functions over what a row
// knows of its quake, so the ranking can be checked as a table. No Qt.
namespace dravik {

// What the ranking reads of one listed quake.
struct HeadlineCandidate {
    std::string eventId;
    bool hasOrigin = false;  // the source's origin time is known (the classic page's rows have none)
    std::int64_t originUtcMs = 0;
    bool hasMagnitude = false;
    double magnitude = 0.0;
    // The distance to the nearest of the user's places; none without places or a position.
    std::optional<double> distanceKm;
    // The strongest level expected at the places (0: none known), as the alert decision computes it.
    int expectedLevel = 0;
    FeltData felt{};
    // A tsunami warning centre's message in force names this quake.
    bool tsunamiMessage = false;
};

// The headline looks back one day; without places it speaks of M 6 and above only.
inline constexpr std::int64_t kHeadlineWindowMs = 24LL * 60 * 60 * 1000;
inline constexpr double kHeadlineMagnitude = 6.0;
// People's reports count at a place this near the epicentre: the agency's largest felt intensity is not said
// for a place, and farther off it says more of the epicentre than of the user's town.
inline constexpr double kObservedNearKm = 100.0;
// "Significant only" keeps what a place feels (II or more, observed or expected) and what reaches this.
inline constexpr double kSignificantMagnitude = 2.5;
inline constexpr int kFeltLevel = 2;

// The level people reported (USGS's `cdi`) as a whole level, 0 when not said or below I.
int ObservedLevel(const FeltData& felt);

// The level at the user's places the ranking uses: the observed one where the agency gives it and a place
// lies within kObservedNearKm, else (and never below) the expected one; 0 without places.
int LevelAtPlaces(const HeadlineCandidate& quake);

// Whether a row stays when only significant quakes are shown.
bool IsSignificant(const HeadlineCandidate& quake);

// Whether `a` ranks above `b`: a centre's tsunami message in force, then the level at the places, then the
// magnitude, then the nearer; equal ones by the newer origin.
bool RanksAbove(const HeadlineCandidate& a, const HeadlineCandidate& b);

// The headline among `quakes` at `nowUtcMs` (an index), none when nothing is worth saying. Only quakes of the
// last day count. One with a centre's tsunami message in force comes first; then `pinnedId` (the last
// arrival that took the band) while it is listed and within the day; else the best ranked of those felt at a
// place (II or more) or of M 6 and above.
std::optional<std::size_t> ChooseHeadline(const std::vector<HeadlineCandidate>& quakes, const std::string& pinnedId,
                                          std::int64_t nowUtcMs);

// Whether a quake that has just arrived and alerts at a place or passes the wake magnitude takes the band from
// the one there now (none: `shown` null): unless that one ranks above it, so an aftershock does not push its
// main shock out.
bool TakesHeadline(const HeadlineCandidate& arrival, const HeadlineCandidate* shown);

// The selection follows a new headline unless the user chose a row this recently.
inline constexpr std::int64_t kUserChoiceHoldMs = 60 * 1000;
bool SelectionFollows(std::optional<std::int64_t> lastUserChoiceUtcMs, std::int64_t nowUtcMs);

}  // namespace dravik
