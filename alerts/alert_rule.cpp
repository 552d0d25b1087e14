#include "alerts/alert_rule.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "sources/geo.h"

namespace dravik {
namespace {

// Magnitudes compared with a little slack, so that a threshold typed as 5.0 takes a magnitude read as 5.0
// even when one of them went through single precision or a sum.
constexpr double kMagnitudeSlack = 1e-9;

bool AtLeast(double magnitude, double threshold) {
    return magnitude + kMagnitudeSlack >= threshold;
}

}  // namespace

std::vector<Place> AllPlaces(const AlertSettings& settings) {
    std::vector<Place> all;
    all.reserve(settings.places.size() + 1);
    if (settings.hasHome) {
        all.push_back({settings.homeName, settings.homeLatitude, settings.homeLongitude});
    }
    all.insert(all.end(), settings.places.begin(), settings.places.end());
    return all;
}

bool InQuietHours(const AlertSettings& settings, int localMinuteOfDay) {
    if (!settings.quietEnabled) {
        return false;
    }
    const int from = settings.quietFromMinute;
    const int to = settings.quietToMinute;
    if (from == to) {
        return false;
    }
    if (from < to) {
        return localMinuteOfDay >= from && localMinuteOfDay < to;
    }
    return localMinuteOfDay >= from || localMinuteOfDay < to;
}

int LocalMinuteOfDay(std::time_t now) {
    std::tm tm{};
    if (::localtime_r(&now, &tm) == nullptr) {
        return 0;
    }
    return tm.tm_hour * 60 + tm.tm_min;
}

AlertDecision DecideAlert(const QuakeEvent& event, const AlertSettings& settings, int localMinuteOfDay) {
    AlertDecision d;
    const EventNumbers n = NumbersOf(event);
    const std::vector<Place> places = AllPlaces(settings);
    if (!places.empty() && n.hasPosition) {
        d.hasDistance = true;
        d.distanceKm = HUGE_VAL;
        for (std::size_t i = 0; i < places.size(); ++i) {
            const double km = GreatCircleKm(places[i].latitude, places[i].longitude, n.latitude, n.longitude);
            if (km < d.distanceKm) {
                d.distanceKm = km;
                d.nearestPlace = i;
            }
        }
        const Place& nearest = places[d.nearestPlace];
        d.bearingDeg = InitialBearingDeg(nearest.latitude, nearest.longitude, n.latitude, n.longitude);
        if (n.hasMagnitude) {
            d.shaking =
                ShakingAtPlaces(n.magnitude, DepthKmOf(event), n.latitude, n.longitude, places, event.measured.get());
            d.maxLevel = d.shaking.empty() ? 0 : d.shaking.front().level;
        }
    }
    // A threshold of 0 is the classic behaviour: every event, whatever its magnitude text.
    const bool global =
        settings.globalMagnitude <= 0.0 || (n.hasMagnitude && AtLeast(n.magnitude, settings.globalMagnitude));
    // Within the radius of the nearest place is within the radius of some place.
    d.nearRule = d.hasDistance && settings.radiusKm > 0.0 && d.distanceKm <= settings.radiusKm && n.hasMagnitude &&
                 AtLeast(n.magnitude, settings.nearMagnitude);
    d.shakingRule = settings.minIntensity > 0 && d.maxLevel >= settings.minIntensity;
    d.alert = global || d.nearRule || d.shakingRule;
    if (!d.alert) {
        return d;
    }
    const bool wake = n.hasMagnitude && AtLeast(n.magnitude, settings.wakeMagnitude);
    d.sound = !InQuietHours(settings, localMinuteOfDay) || wake;
    d.notify = settings.notifyEnabled && (d.nearRule || d.shakingRule || settings.notifyMinMagnitude <= 0.0 ||
                                          (n.hasMagnitude && AtLeast(n.magnitude, settings.notifyMinMagnitude)));
    return d;
}

NotificationPlan PlanNotifications(const std::vector<QuakeEvent>& events, const std::vector<AlertDecision>& decisions,
                                   bool firstCycle) {
    NotificationPlan plan;
    if (firstCycle) {
        return plan;
    }
    std::vector<std::size_t> due;
    std::vector<double> magnitude(events.size(), -HUGE_VAL);
    for (std::size_t i = 0; i < events.size() && i < decisions.size(); ++i) {
        if (decisions[i].notify) {
            due.push_back(i);
            const EventNumbers n = NumbersOf(events[i]);
            if (n.hasMagnitude) {
                magnitude[i] = n.magnitude;
            }
        }
    }
    std::vector<std::size_t> bySize = due;
    std::stable_sort(bySize.begin(), bySize.end(),
                     [&](std::size_t a, std::size_t b) { return magnitude[a] > magnitude[b]; });
    const std::size_t singles = std::min(kSingleNotifications, bySize.size());
    plan.single.assign(bySize.begin(), bySize.begin() + static_cast<std::ptrdiff_t>(singles));
    for (std::size_t i : due) {
        if (std::find(plan.single.begin(), plan.single.end(), i) == plan.single.end()) {
            plan.summary.push_back(i);
        }
    }
    return plan;
}

}  // namespace dravik
