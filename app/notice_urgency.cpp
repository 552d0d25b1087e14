#include "app/notice_urgency.h"

namespace dravik {

NoticeUrgency UrgencyOf(const QuakeEvent& event, const AlertSettings& settings, const AlertDecision& decision) {
    const bool nearHome = decision.nearRule ||
                          (decision.hasDistance && settings.radiusKm > 0.0 && decision.distanceKm <= settings.radiusKm);
    const EventNumbers numbers = NumbersOf(event);
    const bool wakes = numbers.hasMagnitude && numbers.magnitude >= settings.wakeMagnitude;
    // Strong shaking expected at a place, or a tsunami message, asks for attention whatever the distance.
    const bool strong = decision.maxLevel >= kCriticalLevel || event.felt.tsunami;
    return nearHome || wakes || strong ? NoticeUrgency::Critical : NoticeUrgency::Normal;
}

}  // namespace dravik
