#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The earthquake page cut into events by fixed marker texts. Everything here is a pure function of its
// arguments over byte strings; nothing is decoded and no field is trimmed.
namespace dravik {

struct QuakeProducts;

// What an agency says people felt, and what it expects (USGS's `felt`, `cdi`, `mmi`, `alert`, `tsunami`).
struct FeltData {
    // Members ordered by size, without padding between them: every known quake holds one.
    int reports = -1;      // felt reports received; -1: not said
    bool tsunami = false;  // a tsunami message exists for the quake
    double cdi = -1.0;     // the largest intensity people reported; below 0: not said
    double mmi = -1.0;     // ShakeMap's largest expected intensity; below 0: not said
    std::string alert{};   // PAGER's level: "green", "yellow", "orange" or "red"; empty: none
    bool Any() const { return reports >= 0 || cdi >= 0.0 || mmi >= 0.0 || !alert.empty() || tsunami; }
    bool operator==(const FeltData& o) const {
        return reports == o.reports && cdi == o.cdi && mmi == o.mmi && alert == o.alert && tsunami == o.tsunami;
    }
    bool operator!=(const FeltData& o) const { return !(*this == o); }
};

struct QuakeEvent {
    std::string eventId, region, data1, data2, mag, wsp1, wsp2, depth;
    // The flags first, side by side: a known quake holds one of these, and each flag alone would take 8 bytes.
    // The numbers behind the texts, where the source gave them (structured sources): they let reports of one
    // earthquake from several agencies be matched, and distances be measured.
    bool hasNumbers = false;
    // A report with `markOnly` carries nothing but a completeness mark (below).
    bool markOnly = false;
    // Taken for another agency's quake before, this report now makes a quake of its own.
    bool detached = false;
    // The agency has reviewed it (USGS's `status` "reviewed"); its automatic solution otherwise.
    bool reviewed = false;
    std::int64_t originUtcMs = 0;
    double latitude = 0.0, longitude = 0.0, magnitude = 0.0;
    // Further ids the source gives the same quake (USGS's `ids`), qualified like eventId.
    std::vector<std::string> otherIds{};
    // The id of the listed quake another agency's report was taken for; empty for a quake's own report.
    std::string quakeId{};
    // When the source last changed the report (EMSC's `lastupdate`, USGS's `updated`), UTC ms; 0: not said.
    // A report older than the one a quake holds is stale news and changes nothing.
    std::int64_t updatedUtcMs = 0;
    // Once this report is in the archive, every report of `completeSource` up to `completeUtcMs` is: the
    // source's completeness mark moves there with the same commit. Empty source: no mark.
    std::string completeSource{};
    std::int64_t completeUtcMs = 0;
    FeltData felt{};
    // What USGS measured of the quake (sources/event_detail.h), once read; shared, never changed.
    std::shared_ptr<const QuakeProducts> measured{};
};

// The text between the first `startMarker` at or after byte `from` and the next `endMarker`; empty when the
// start marker is missing or no end marker follows it.
std::string TextBetween(std::string text, std::string startMarker, std::string endMarker, long from);

// The text after the n-th `startMarker` (counted from 1) up to the next `endMarker`. With fewer than n
// occurrences it is the piece after the last one found; empty only when there is none.
std::string NthTextBetween(std::string text, std::string startMarker, std::string endMarker, int n);

// Every event row of the classic EMSC home page table (rows `<tr id="...`), in page order. The page has lost
// its line feeds (the markers never span one). Texts over their bounds are cut (event_fields.h).
std::vector<QuakeEvent> ParseClassicPage(const std::string& pageText);

// The events of a polling cycle that fetches the page whole and keys events on the digits of their ids: the
// classic page, or a structured source (see ParseQuakeSource) whose events keep only the digits of their
// source's id. Events whose id has no digit are left out.
std::vector<QuakeEvent> ParseQuakePage(std::string pageText);

// One table row, from its `<tr id="` through its `</tr>`.
QuakeEvent ParseQuakeRow(std::string rowText);

}  // namespace dravik
