#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sources/quake_parser.h"

namespace dravik {

// The events of a GeoJSON answer, in document order: a FeatureCollection (USGS summary feeds, EMSC's FDSN
// format=json) or a single Feature. Per feature: the id (`id`, else `properties.unid`), the magnitude
// (`properties.mag`), the origin time (`properties.time`, milliseconds since 1970 or an ISO text), the
// position (`properties.lat`/`lon`/`depth` where given, as EMSC writes them, else `geometry.coordinates`
// [lon, lat, depth]) and the region (`properties.place`, else `properties.flynn_region`). A feature without
// a readable magnitude, time or position is skipped; the rest count, also those before damage in the text.
// Read as a stream: no document is built, so memory stays bounded whatever the body holds.
std::vector<QuakeEvent> ParseGeoJsonEvents(const std::string& body, const std::string& prefix);

// One message of EMSC's push service: {"action": "create"|"update", "data": {a GeoJSON Feature}}.
struct PushEvent {
    std::string action;  // "create" or "update"
    QuakeEvent event;    // its id qualified as "emsc:..."
};

// The message's event, or nothing when the message is not one (another action, a feature that does not
// read, not JSON).
std::optional<PushEvent> ParseEmscPushMessage(const std::string& message);

}  // namespace dravik
