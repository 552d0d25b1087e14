#include "platform/proxy_env.h"

#include <cctype>
#include <cstdlib>
#include <string_view>

namespace dravik {
namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

std::string PercentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::strtol(std::string(text.substr(i + 1, 2)).c_str(), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// "[scheme://][user[:password]@]host[:port][/...]"; nothing for a text that names no host or a bad port.
std::optional<ProxyAddress> ReadProxy(std::string_view text) {
    text = Trimmed(text);
    ProxyAddress proxy;
    const std::size_t schemeEnd = text.find("://");
    if (schemeEnd != std::string_view::npos) {
        const std::string scheme = Lower(text.substr(0, schemeEnd));
        if (scheme.rfind("socks", 0) == 0) {
            proxy.socks = true;
        } else if (scheme != "http" && scheme != "https") {
            return std::nullopt;
        }
        text.remove_prefix(schemeEnd + 3);
    }
    text = text.substr(0, text.find('/'));
    const std::size_t at = text.rfind('@');
    if (at != std::string_view::npos) {
        const std::string_view credentials = text.substr(0, at);
        const std::size_t colon = credentials.find(':');
        proxy.user = PercentDecoded(credentials.substr(0, colon));
        if (colon != std::string_view::npos) {
            proxy.password = PercentDecoded(credentials.substr(colon + 1));
        }
        text.remove_prefix(at + 1);
    }
    std::string_view port;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        proxy.host = std::string(text.substr(1, close - 1));
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') {
                return std::nullopt;
            }
            port = rest.substr(1);
        }
    } else {
        const std::size_t colon = text.rfind(':');
        proxy.host = std::string(text.substr(0, colon));
        if (colon != std::string_view::npos) {
            port = text.substr(colon + 1);
        }
    }
    if (proxy.host.empty()) {
        return std::nullopt;
    }
    proxy.port = 1080;
    if (!port.empty()) {
        if (port.size() > 5) {
            return std::nullopt;
        }
        int value = 0;
        for (const char c : port) {
            if (!std::isdigit(static_cast<unsigned char>(c))) {
                return std::nullopt;
            }
            value = value * 10 + (c - '0');
        }
        if (value < 1 || value > 65535) {
            return std::nullopt;
        }
        proxy.port = value;
    }
    return proxy;
}

}  // namespace

bool NoProxyMatches(const std::string& list, const std::string& host) {
    std::string name = Lower(host);
    if (name.size() > 2 && name.front() == '[' && name.back() == ']') {
        name = name.substr(1, name.size() - 2);
    }
    while (!name.empty() && name.back() == '.') {
        name.pop_back();
    }
    std::string_view rest(list);
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        std::string entry = Lower(Trimmed(rest.substr(0, comma)));
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        if (entry == "*") {
            return true;
        }
        if (entry.rfind("*.", 0) == 0) {
            entry.erase(0, 1);
        }
        if (!entry.empty() && entry.front() == '.') {
            entry.erase(0, 1);
        }
        while (!entry.empty() && entry.back() == '.') {
            entry.pop_back();
        }
        if (entry.empty()) {
            continue;
        }
        if (name == entry ||
            (name.size() > entry.size() && name.compare(name.size() - entry.size(), entry.size(), entry) == 0 &&
             name[name.size() - entry.size() - 1] == '.')) {
            return true;
        }
    }
    return false;
}

std::optional<ProxyAddress> ProxyForUrl(const std::string& scheme, const std::string& host,
                                        const std::function<const char*(const char*)>& getenv) {
    const auto value = [&](const char* name) -> std::string {
        const char* text = getenv(name);
        return text != nullptr ? std::string(text) : std::string();
    };
    std::string noProxy = value("no_proxy");
    if (noProxy.empty()) {
        noProxy = value("NO_PROXY");
    }
    if (NoProxyMatches(noProxy, host)) {
        return std::nullopt;
    }
    std::string proxy;
    const std::string lower = Lower(scheme);
    if (lower == "http") {
        proxy = value("http_proxy");
    } else if (lower == "https") {
        proxy = value("https_proxy");
        if (proxy.empty()) {
            proxy = value("HTTPS_PROXY");
        }
    }
    if (proxy.empty()) {
        proxy = value("all_proxy");
    }
    if (proxy.empty()) {
        proxy = value("ALL_PROXY");
    }
    return proxy.empty() ? std::nullopt : ReadProxy(proxy);
}

}  // namespace dravik
