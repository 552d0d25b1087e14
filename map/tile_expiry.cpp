#include "map/tile_expiry.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace dravik {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\"");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\"") - first + 1);
}

// A year of seconds at most: nothing is kept longer, and the sum with now cannot overflow.
constexpr std::int64_t kLongestAgeSeconds = 365LL * 24 * 3600;

}  // namespace

std::optional<std::int64_t> CacheMaxAgeSeconds(const std::string& cacheControl) {
    std::optional<std::int64_t> maxAge;
    bool mustAsk = false;
    std::size_t start = 0;
    while (start <= cacheControl.size()) {
        const std::size_t comma = std::min(cacheControl.find(',', start), cacheControl.size());
        const std::string directive = Lower(Trimmed(cacheControl.substr(start, comma - start)));
        start = comma + 1;
        if (directive == "no-cache" || directive == "no-store") {
            mustAsk = true;
        } else if (directive.rfind("max-age", 0) == 0) {
            const std::size_t equals = directive.find('=');
            const std::string value =
                equals == std::string::npos ? std::string() : Trimmed(directive.substr(equals + 1));
            std::int64_t seconds = 0;
            bool digits = !value.empty();
            for (const char c : value) {
                if (c < '0' || c > '9') {
                    digits = false;
                    break;
                }
                seconds = std::min(seconds * 10 + (c - '0'), kLongestAgeSeconds);
            }
            maxAge = digits ? seconds : 0;
        }
    }
    if (mustAsk) {
        return 0;
    }
    return maxAge;
}

std::int64_t TileExpiresAtMs(const std::string& cacheControl, bool hasExpires, std::optional<std::int64_t> expiresMs,
                             std::int64_t nowMs) {
    if (const std::optional<std::int64_t> maxAge = CacheMaxAgeSeconds(cacheControl)) {
        return nowMs + *maxAge * 1000;
    }
    if (hasExpires) {
        return expiresMs.value_or(0);
    }
    return nowMs + kTileKeptWithoutHeadersMs;
}

}  // namespace dravik
