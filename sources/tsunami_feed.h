#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dravik {

// What a tsunami warning centre's message is, from the least to the most urgent. A category the reader does
// not know (a cancellation, say) counts as information: it is told, never raised as a threat.
enum class TsunamiKind : unsigned char { Information, Advisory, Watch, Threat, Warning };

// One entry of a centre's Atom feed.
struct TsunamiMessage {
    std::string id;      // the entry's id (urn:uuid:...)
    std::string title;   // the feed's message title with the entry's region: "Tsunami Warning Number 1 – ..."
    std::string centre;  // the feed's author, else the centre the address names
    TsunamiKind kind = TsunamiKind::Information;
    std::int64_t issuedUtcMs = 0;
    std::int64_t expiresUtcMs = 0;
    // What a click opens: the text bulletin (a link titled or typed as one), else the entry's page; never the
    // CAP message. http(s) only, else empty.
    std::string link;
    // The CAP message, whose `expires` says how long the message holds; http(s) only, else empty.
    std::string capLink;
    bool hasPosition = false;
    double latitude = 0.0;  // the quake's, as the entry gives it
    double longitude = 0.0;
};

// Bounds on what one feed may bring: the centres publish one entry of a few kilobytes.
inline constexpr std::size_t kMaxTsunamiFeedBytes = 1024u * 1024;
inline constexpr std::size_t kMaxTsunamiEntries = 50;
inline constexpr std::size_t kMaxTsunamiTextBytes = 300;
// The entries say nothing of expiry (their CAP messages do): a message counts for a day after its issue, and
// never longer than a week whatever an entry says.
inline constexpr std::int64_t kTsunamiDefaultLifeMs = 24LL * 3600 * 1000;
inline constexpr std::int64_t kTsunamiLongestLifeMs = 7LL * 24 * 3600 * 1000;

// The messages of one feed fetched from `url` (for the centre's name when the feed has no author); entries
// without an id or an issue time are left out. A feed without entries whose title names a message ("TSUNAMI
// MESSAGE NUMBER 3") is that message: the feed's `updated` its issue time, its id the feed's with the number
// and that time. `*isFeed` (when given) says whether the text was an Atom feed.
std::vector<TsunamiMessage> ParseTsunamiFeed(std::string_view xml, const std::string& url, bool* isFeed = nullptr);

// The `expires` of a CAP message (the first `info`'s), UTC ms; nothing when it has none or is no CAP message.
std::optional<std::int64_t> CapExpiresUtcMs(std::string_view xml);

// Warnings, watches, advisories and threats: shown in the status line while they last.
bool IsTsunamiThreat(TsunamiKind kind);
// Warnings, watches and threats: near a place they sound through quiet hours and are critical.
bool IsTsunamiDanger(TsunamiKind kind);
// Issued within the last day and not expired at `nowUtcMs`.
bool IsTsunamiLive(const TsunamiMessage& message, std::int64_t nowUtcMs);
// Whether the message is about the quake at that place and origin: within 300 km, the origin from 3 hours
// before the issue (a centre updates its message for hours) to 5 minutes after it (clocks differ).
bool NamesQuake(const TsunamiMessage& message, double latitude, double longitude, std::int64_t originUtcMs);

}  // namespace dravik
