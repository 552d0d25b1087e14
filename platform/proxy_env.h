#pragma once

#include <functional>
#include <optional>
#include <string>

namespace dravik {

struct ProxyAddress {
    bool socks = false;
    std::string host{};
    int port = 0;
    std::string user{};
    std::string password{};
};

// The proxy a request to scheme://host goes through, read from the environment the way curl and wget read
// it: http_proxy (lower case only, as CGI programs set HTTP_PROXY from a request header), https_proxy or
// HTTPS_PROXY, then all_proxy or ALL_PROXY; none for a host no_proxy / NO_PROXY names (a comma-separated list
// of names, each matching the host and its sub-domains, a leading dot or "*." allowed, "*" for every host).
// `getenv` stands in for the process environment in tests.
std::optional<ProxyAddress> ProxyForUrl(const std::string& scheme, const std::string& host,
                                        const std::function<const char*(const char*)>& getenv);

// True when a no_proxy list names the host.
bool NoProxyMatches(const std::string& list, const std::string& host);

}  // namespace dravik
