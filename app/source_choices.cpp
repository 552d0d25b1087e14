#include "app/source_choices.h"

#include <algorithm>

#include "app/alert_settings_key.h"
#include "platform/environment.h"
#include "sources/event_fields.h"

namespace dravik {
namespace {

// What a poll asks of an FDSN service: the newest 50 as text, as the built-in EMSC address does. USGS asks
// programs to read its GeoJSON feeds rather than its FDSN service.
const std::vector<Agency> kAgencies = {
    {"EMSC", "https://www.seismicportal.eu/fdsnws/event/1/query?format=text&limit=50",
     "https://www.seismicportal.eu/fdsn-wsevent.html"},
    {"USGS", "https://earthquake.usgs.gov/earthquakes/feed/v1.0/summary/all_hour.geojson",
     "https://www.usgs.gov/information-policies-and-instructions/copyrights-and-credits"},
    {"GeoNet", "https://service.geonet.org.nz/fdsnws/event/1/query?format=text&limit=50",
     "https://www.geonet.org.nz/data/tools/FDSN"},
    {"INGV", "https://webservices.ingv.it/fdsnws/event/1/query?format=text&limit=50", "https://webservices.ingv.it/"},
    {"GFZ", "https://geofon.gfz.de/fdsnws/event/1/query?format=text&limit=50",
     "https://geofon.gfz-potsdam.de/waveform/webservices/fdsnws.php"},
};

SourceChoice FromAgency(const Agency& agency, bool ticked) {
    return {agency.name, agency.url, agency.terms, ticked, true};
}

}  // namespace

const std::vector<Agency>& KnownAgencies() {
    return kAgencies;
}

std::vector<SourceChoice> SourceChoicesOf(const std::string& stored) {
    std::vector<SourceChoice> choices;
    std::vector<std::string> words = SplitBlanks(stored);
    if (words.empty()) {
        words.push_back(kAgencies.front().url);
    }
    for (const std::string& word : words) {
        const bool listed =
            std::any_of(choices.begin(), choices.end(), [&](const SourceChoice& c) { return c.url == word; });
        if (listed) {
            continue;
        }
        const auto agency =
            std::find_if(kAgencies.begin(), kAgencies.end(), [&](const Agency& a) { return a.url == word; });
        if (agency != kAgencies.end()) {
            choices.push_back(FromAgency(*agency, true));
        } else {
            const std::string host = SourceHost(word);
            choices.push_back({host.empty() ? word : host, word, std::string(), true, false});
        }
    }
    for (const Agency& agency : kAgencies) {
        if (std::none_of(choices.begin(), choices.end(), [&](const SourceChoice& c) { return c.url == agency.url; })) {
            choices.push_back(FromAgency(agency, false));
        }
    }
    return choices;
}

std::string StoredSourcesOf(const std::vector<SourceChoice>& choices) {
    std::string stored;
    std::size_t count = 0;
    for (const SourceChoice& choice : choices) {
        if (choice.ticked) {
            stored += (stored.empty() ? "" : " ") + choice.url;
            ++count;
        }
    }
    // EMSC alone is the built-in source: stored as before, as nothing.
    return count == 1 && stored == kAgencies.front().url ? std::string() : stored;
}

bool AddOtherSource(const std::string& address, std::vector<SourceChoice>* choices) {
    std::string read;
    if (!ReadSources(address, &read) || read.empty() || read.find(' ') != std::string::npos) {
        return false;
    }
    for (SourceChoice& choice : *choices) {
        if (choice.url == read) {
            choice.ticked = true;
            return false;
        }
    }
    // After the last address the user gave, before the agencies not chosen.
    auto at = choices->begin();
    for (auto it = choices->begin(); it != choices->end(); ++it) {
        if (it->ticked || !it->known) {
            at = it + 1;
        }
    }
    const std::string host = SourceHost(read);
    choices->insert(at, {host.empty() ? read : host, read, std::string(), true, false});
    return true;
}

}  // namespace dravik
