#include "app/notice_urgency.h"

#include <gtest/gtest.h>

namespace dravik {
namespace {

TEST(NoticeUrgencyTest, CriticalNearHomeOrFromTheWakeMagnitude) {
    AlertSettings settings;
    settings.wakeMagnitude = 6.5;
    settings.radiusKm = 300.0;
    struct Case {
        const char* name;
        const char* mag;
        bool nearRule;
        bool hasDistance;
        double distanceKm;
        NoticeUrgency urgency;
    };
    const Case cases[] = {
        {"far and small", "5.0", false, true, 2000.0, NoticeUrgency::Normal},
        {"no home", "5.0", false, false, 0.0, NoticeUrgency::Normal},
        {"by the near rule", "3.1", true, true, 120.0, NoticeUrgency::Critical},
        {"inside the radius", "5.0", false, true, 299.9, NoticeUrgency::Critical},
        {"on the radius", "5.0", false, true, 300.0, NoticeUrgency::Critical},
        {"just outside", "5.0", false, true, 300.1, NoticeUrgency::Normal},
        {"the wake magnitude", "6.5", false, true, 9000.0, NoticeUrgency::Critical},
        {"just below it", "6.4", false, false, 0.0, NoticeUrgency::Normal},
        {"unreadable magnitude", "?", false, false, 0.0, NoticeUrgency::Normal},
    };
    for (const Case& c : cases) {
        QuakeEvent event;
        event.mag = c.mag;
        AlertDecision decision;
        decision.alert = decision.notify = true;
        decision.nearRule = c.nearRule;
        decision.hasDistance = c.hasDistance;
        decision.distanceKm = c.distanceKm;
        EXPECT_EQ(UrgencyOf(event, settings, decision), c.urgency) << c.name;
    }
    // Without a radius there is no home circle to be inside.
    settings.radiusKm = 0.0;
    AlertDecision decision;
    decision.hasDistance = true;
    decision.distanceKm = 0.0;
    QuakeEvent event;
    event.mag = "4.0";
    EXPECT_EQ(UrgencyOf(event, settings, decision), NoticeUrgency::Normal);
}

}  // namespace
}  // namespace dravik
