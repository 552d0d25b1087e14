#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "shaking/intensity.h"
#include "sources/event_numbers.h"
#include "sources/geo.h"
#include "sources/quake_parser.h"

// Which new events matter to the user: thresholds, distance from home, quiet hours. Pure functions, no Qt.
namespace dravik {

// How dates and times are shown: the archive's own form (the source time plus one hour, computed through
// local time), the computer's local time, or UTC.
enum class TimeDisplay { Classic, Local, Utc };

struct AlertSettings {
    // An event alerts at or above this magnitude; 0 (or less) lets every event alert, readable or not.
    double globalMagnitude = 0.0;
    // Near rule: with a home, an event within radiusKm at or above nearMagnitude alerts. Radius 0: no rule.
    double nearMagnitude = 0.0;
    double radiusKm = 0.0;
    bool hasHome = false;
    double homeLatitude = 0.0;
    double homeLongitude = 0.0;
    // Empty: the language's default name.
    std::string homeName;
    // The user's places besides the home (at most kMaxOtherPlaces), in the settings' order. The near rule
    // and the shaking rule hold at each of them as at the home.
    std::vector<Place> places{};
    // Shaking rule: an event alerts, and is notified, when its expected intensity at any place reaches this
    // level (1..12); 0: no rule.
    int minIntensity = 0;
    // Quiet hours in local minutes of the day, [from, to), across midnight when from > to; none when equal.
    bool quietEnabled = false;
    int quietFromMinute = 22 * 60;
    int quietToMinute = 7 * 60;
    // Sounds also in quiet hours.
    double wakeMagnitude = 6.5;
    bool notifyEnabled = true;
    // Alerting events at or above it are notified (near-rule events always); 0: every alerting event.
    double notifyMinMagnitude = 5.0;
    TimeDisplay timeDisplay = TimeDisplay::Classic;
    // The earthquake sources, addresses separated by blanks, read in that order; empty: the built-in one.
    std::string sources;
    // How many days back a source is read when the archive holds none of its reports, and at most.
    int catchUpFirstDays = 1;
    int catchUpMaxDays = 30;
    // The main list: the quakes of the last listDays days, at most listMaxRows rows.
    int listDays = 7;
    int listMaxRows = 5000;
    // Aftershock sequences (alerts/sequences): opened by a quake of at least sequenceMinMagnitude; with
    // sequenceEnabled their smaller quakes are notified once a round in one summary, and with sequenceSound
    // they also sound once a round rather than each.
    bool sequenceEnabled = true;
    bool sequenceSound = false;
    double sequenceMinMagnitude = 5.0;
};

inline constexpr std::size_t kMaxOtherPlaces = 9;

// Every place of the settings: the home first (where one is set), then the others.
std::vector<Place> AllPlaces(const AlertSettings& settings);

struct AlertDecision {
    bool alert = false;   // listed as news: blink, sound and notification may follow
    bool sound = false;   // the sound plays (quiet hours silence it below the wake magnitude)
    bool notify = false;  // a desktop notification is due
    bool nearRule = false;
    // The shaking rule let it alert (expected intensity at a place reached settings.minIntensity).
    bool shakingRule = false;
    bool hasDistance = false;  // a place is set and the event's position is known
    // To the nearest place (`nearestPlace` into AllPlaces), from it.
    double distanceKm = 0.0;
    double bearingDeg = 0.0;
    std::size_t nearestPlace = 0;
    // The expected shaking at every place, strongest first; empty without places or the event's numbers.
    std::vector<PlaceShaking> shaking{};
    // The strongest expected level over the places; 0 when none is known.
    int maxLevel = 0;
};

// From this expected level at a place on, a notification is critical.
inline constexpr int kCriticalLevel = 6;

// The decision for one event at `localMinuteOfDay` (0..1439) of the user's clock.
AlertDecision DecideAlert(const QuakeEvent& event, const AlertSettings& settings, int localMinuteOfDay);

// Whether a local minute of the day lies in the quiet range.
bool InQuietHours(const AlertSettings& settings, int localMinuteOfDay);

// The minute of the day on the computer's clock (TZ, daylight saving included) at `now`.
int LocalMinuteOfDay(std::time_t now);

// The alerting events of one round that get a notification of their own (the three largest, in falling
// magnitude, unreadable magnitudes last) and those counted in one summary; none in the first cycle.
struct NotificationPlan {
    std::vector<std::size_t> single;   // indexes into the round's events
    std::vector<std::size_t> summary;  // indexes of the rest, in page order
};
inline constexpr std::size_t kSingleNotifications = 3;
NotificationPlan PlanNotifications(const std::vector<QuakeEvent>& events, const std::vector<AlertDecision>& decisions,
                                   bool firstCycle);

}  // namespace dravik
