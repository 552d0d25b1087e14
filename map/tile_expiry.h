#pragma once

#include <cstdint>
#include <optional>
#include <string>

// How long a tile on disk is used before its service is asked again.
namespace dravik {

// Where a service says nothing of a tile's age, it is kept this long (OpenStreetMap's tile policy asks for
// at least a week).
inline constexpr std::int64_t kTileKeptWithoutHeadersMs = 7LL * 24 * 3600 * 1000;

// The max-age of a Cache-Control value in seconds; 0 for no-cache, no-store or a max-age that does not read;
// nullopt when it gives none.
std::optional<std::int64_t> CacheMaxAgeSeconds(const std::string& cacheControl);

// When a tile received (or revalidated) at nowMs goes stale: its max-age when given, else its Expires
// (expiresMs; a date that does not read counts as past), else a week on.
std::int64_t TileExpiresAtMs(const std::string& cacheControl, bool hasExpires, std::optional<std::int64_t> expiresMs,
                             std::int64_t nowMs);

}  // namespace dravik
