#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sources/quake_parser.h"

// What every reader of a structured source (FDSN text, GeoJSON, push messages) shares: the bounds on texts
// taken from a source, the identity of an event, and the text forms the list and the archive show, so that
// events look alike whatever service they came from.
namespace dravik {

// Bytes kept of a region name, and of any other text a source gives.
inline constexpr std::size_t kMaxRegionBytes = 255;
inline constexpr std::size_t kMaxFieldBytes = 32;
// Events read from one body at most, far beyond any real answer (a few hundred); a body of tiny records up to
// the fetch's size limit would otherwise make millions of list lines and archive rows.
inline constexpr std::size_t kMaxSourceEvents = 20000;
// A source's own event id is kept whole or the event is not read: a cut id could merge two events.
inline constexpr std::size_t kMaxSourceIdBytes = 255;

// `text` cut to at most `maxBytes` bytes, never inside a UTF-8 sequence.
std::string BoundedText(std::string_view text, std::size_t maxBytes);

// The text without ASCII control bytes (NUL, line feeds, escapes), which no name or id needs.
std::string WithoutControlBytes(std::string_view text);
bool HasControlBytes(std::string_view text);

// The short name of the service at `sourceUrl`, from its host: "emsc" (seismicportal.eu, emsc-csem.org),
// "usgs" (usgs.gov), "gfz", "ingv", "iris", else the host name itself in lower case.
std::string SourcePrefix(const std::string& sourceUrl);

// The host name of a source's address, in lower case, for the texts that name the source.
std::string SourceHost(const std::string& sourceUrl);

// An event id qualified by its source: "emsc:20240101_0000328".
std::string QualifiedId(const std::string& prefix, const std::string& sourceId);

// A whole field read as a finite number in the C locale, blanks around it allowed.
std::optional<double> ReadNumber(std::string_view field);

// An ISO 8601 origin time ("2024-01-01T19:42:06.89Z", "2012-05-29T23:58:58.770000", a blank instead of
// the "T", an optional "Z" or "+hh:mm") as milliseconds since 1970 in UTC.
std::optional<std::int64_t> ReadIsoTimeUtcMs(std::string_view field);

// What a structured source says about one event, before the bounds and text forms are applied.
struct SourceEvent {
    std::string id;      // the source's own id
    std::string region;  // as the source writes it
    std::int64_t originUtcMs = 0;
    double latitude = 0.0, longitude = 0.0, magnitude = 0.0;
    std::optional<double> depthKm;
    // Every id the source knows the quake by, separated by commas (USGS's ",us7000abcd,ci38457511,").
    std::string ids;
    // When the source last changed it, UTC ms; 0: not said.
    std::int64_t updatedUtcMs = 0;
    FeltData felt{};
};

// The event as listed and stored, or nothing when it does not make one: an empty or over-long id or one with
// control bytes, a magnitude outside -2.0..10.0, a position outside the globe, or a time that no calendar
// shows. A depth no earthquake has (outside -10..800 km) is left unknown.
std::optional<QuakeEvent> MakeQuakeEvent(const SourceEvent& source, const std::string& prefix);

// The text forms: "%.1f" magnitude, "%.2f " coordinates with "-" for south and west (none on a value that
// shows as 0.00), whole kilometres rounded half away from zero.
std::string MagnitudeText(double magnitude);
std::string CoordinateText(double degrees);
std::string DepthText(double km);

}  // namespace dravik
