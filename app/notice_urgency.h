#pragma once

#include "alerts/alert_rule.h"
#include "platform/notifier.h"

namespace dravik {

// A quake within the radius of a place, at or above the magnitude that wakes the user in quiet hours, expected
// to shake a place at kCriticalLevel or more is critical; every other is normal (a tsunami warning centre's
// message is notified, critical, on its own).
NoticeUrgency UrgencyOf(const QuakeEvent& event, const AlertSettings& settings, const AlertDecision& decision);

}  // namespace dravik
