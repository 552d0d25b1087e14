#include "app/notice_urgency.h"

namespace dravik {

NoticeUrgency UrgencyOf(const QuakeEvent& event, const AlertSettings& settings, const AlertDecision& decision) {
    const bool nearHome = decision.nearRule ||
                          (decision.hasDistance && settings.radiusKm > 0.0 && decision.distanceKm <= settings.radiusKm);
    const EventNumbers numbers = NumbersOf(event);
    const bool wakes = numbers.hasMagnitude && numbers.magnitude >= settings.wakeMagnitude;
    // Strong shaking expected at a place asks for attention whatever the distance. USGS's tsunami flag does
    // not: it marks large quakes in oceanic regions, and the centres' own messages are notified of their own.
    const bool strong = decision.maxLevel >= kCriticalLevel;
    return nearHome || wakes || strong ? NoticeUrgency::Critical : NoticeUrgency::Normal;
}

}  // namespace dravik
