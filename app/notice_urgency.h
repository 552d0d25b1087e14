#pragma once

#include "feed/alert_rule.h"
#include "platform/notifier.h"

namespace dravik {

// A quake within the home radius, or at or above the magnitude that wakes the user in quiet hours, is critical;
// every other notified quake is normal.
NoticeUrgency UrgencyOf(const QuakeEvent& event, const AlertSettings& settings, const AlertDecision& decision);

}  // namespace dravik
