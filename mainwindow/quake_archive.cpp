#include "mainwindow/quake_archive.h"

#include "alerts/alert_rule.h"
#include "catalogue/event_merge.h"
#include "store/event_table.h"
#include "store/quake_ids.h"

namespace dravik {

ArchiveWriteResult StoreQuakeReports(const std::string& path, const std::vector<QuakeEvent>& events,
                                     const std::atomic<bool>* stop) {
    std::vector<EventRecord> records;
    records.reserve(events.size());
    for (const QuakeEvent& e : events) {
        EventRecord r{e.mag, e.region, e.data1, e.data2, e.wsp1, e.wsp2};
        r.id = QuakeIdKey(e.eventId);
        r.otherIds = e.otherIds;
        r.quakeId = e.quakeId;
        r.source = EventSource(r.id);
        if (e.hasNumbers) {
            r.originUtcMs = e.originUtcMs;
            r.latitude = e.latitude;
            r.longitude = e.longitude;
            r.magnitude = e.magnitude;
        }
        r.depth = e.depth;
        if (e.updatedUtcMs != 0) {
            r.updatedUtcMs = e.updatedUtcMs;
        }
        r.markSource = e.completeSource;
        r.markUtcMs = e.completeUtcMs;
        r.markOnly = e.markOnly;
        r.detach = e.detached;
        r.felt = {e.felt.reports, e.felt.cdi, e.felt.mmi, e.felt.alert, e.felt.tsunami};
        records.push_back(std::move(r));
    }
    return StoreEventsIfNew(path, records, stop);
}

std::vector<ArchivedQuakeIds> LoadRecentQuakes(const std::string& path, std::int64_t sinceUtcMs,
                                               const std::atomic<bool>* stop, bool* readable) {
    std::vector<ArchivedQuakeIds> quakes;
    for (ArchivedQuake& a :
         LoadArchivedQuakes(path, sinceUtcMs, QuakeRegistry::kDefaultMaxQuakes / 2, stop, readable)) {
        const EventRecord& r = a.record;
        QuakeEvent e{r.id, r.region, r.data1, r.data2, r.mag, r.wsp1, r.wsp2, r.depth};
        e.hasNumbers = r.originUtcMs && ReadDecimal(r.mag, &e.magnitude) && ReadDecimal(r.wsp1, &e.latitude) &&
                       ReadDecimal(r.wsp2, &e.longitude);
        e.originUtcMs = r.originUtcMs.value_or(0);
        e.updatedUtcMs = r.updatedUtcMs.value_or(0);
        std::vector<QuakeEvent> merged;
        for (const EventRecord& m : a.merged) {
            QuakeEvent report{m.id, m.region, m.data1, m.data2, m.mag, m.wsp1, m.wsp2, m.depth};
            report.hasNumbers = true;
            report.originUtcMs = *m.originUtcMs;
            report.latitude = *m.latitude;
            report.longitude = *m.longitude;
            report.magnitude = *m.magnitude;
            merged.push_back(std::move(report));
        }
        quakes.push_back({std::move(e), std::move(a.ids), std::move(merged)});
    }
    return quakes;
}

}  // namespace dravik
