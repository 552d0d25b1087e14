#include "sources/tsunami_feed.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>

#include "sources/event_fields.h"
#include "sources/geo.h"
#include "sources/xml_reader.h"

namespace dravik {
namespace {

constexpr double kQuakeReachKm = 300.0;
constexpr std::int64_t kQuakeBeforeIssueMs = 3LL * 3600 * 1000;
constexpr std::int64_t kQuakeAfterIssueMs = 5LL * 60 * 1000;

// The first element of that local name at or below `element`, in document order.
const XmlElement* Find(const XmlElement& element, std::string_view name) {
    for (const XmlElement& child : element.children) {
        if (child.name == name) {
            return &child;
        }
        if (const XmlElement* below = Find(child, name)) {
            return below;
        }
    }
    return nullptr;
}

void FindAll(const XmlElement& element, std::string_view name, std::vector<const XmlElement*>* found) {
    for (const XmlElement& child : element.children) {
        if (child.name == name) {
            found->push_back(&child);
        }
        FindAll(child, name, found);
    }
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// Line ends, tabs and other control bytes count as blanks, blanks are collapsed, at most maxBytes.
std::string PlainText(std::string_view raw, std::size_t maxBytes) {
    std::string text;
    for (char c : raw) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            c = ' ';
        }
        if (c == ' ' && (text.empty() || text.back() == ' ')) {
            continue;
        }
        text += c;
        if (text.size() > 4 * maxBytes) {
            break;
        }
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return BoundedText(text, maxBytes);
}

std::string ElementText(const XmlElement& within, std::string_view name) {
    const XmlElement* element = Find(within, name);
    return element != nullptr ? PlainText(element->text, kMaxTsunamiTextBytes) : std::string();
}

// Only a web address is handed to the browser: a feed could name a file or a program's scheme.
std::string WebLink(std::string link) {
    const std::string lower = Lower(link.substr(0, 8));
    const bool web = lower.rfind("https://", 0) == 0 || lower.rfind("http://", 0) == 0;
    const bool clean = std::none_of(link.begin(), link.end(), [](char c) {
        return static_cast<unsigned char>(c) <= 0x20 || c == 0x7f || c == '"' || c == '<' || c == '>';
    });
    return web && clean && link.size() <= 2048 ? link : std::string();
}

std::optional<TsunamiKind> KindFrom(const std::string& text);

bool EndsWith(const std::string& text, std::string_view end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The links of an entry as a click and the expiry want them. The live feeds put the CAP message, the text
// bulletin and the maps all under rel="related", so the type, the title and the file name tell them apart.
struct EntryLinks {
    std::string bulletin, page, cap;
};

// The links directly inside `element` (a feed's own links are not its entries').
EntryLinks LinksOf(const XmlElement& element) {
    EntryLinks out;
    for (const XmlElement* link : element.Children("link")) {
        const std::string href = WebLink(link->Attribute("href"));
        if (href.empty()) {
            continue;
        }
        const std::string rel = link->Attribute("rel");
        const std::string type = Lower(link->Attribute("type"));
        const std::string title = Lower(link->Attribute("title"));
        std::string file = Lower(href.substr(0, href.find_first_of("?#")));
        file = file.substr(file.rfind('/') + 1);
        const bool cap = type.find("cap+xml") != std::string::npos || title.find("cap") != std::string::npos ||
                         EndsWith(file, ".cap") || (EndsWith(file, ".xml") && file.find("cap") != std::string::npos);
        const bool bulletin =
            !cap && (title.find("bulletin") != std::string::npos || type == "text/plain" || EndsWith(file, ".txt"));
        std::string* slot = cap        ? &out.cap
                            : bulletin ? &out.bulletin
                            : (rel == "alternate" || rel.empty()) && type.find("atom") == std::string::npos ? &out.page
                                                                                                            : nullptr;
        if (slot != nullptr && slot->empty()) {
            *slot = href;
        }
    }
    return out;
}

// The number a feed's title gives its message ("... NUMBER 3"); nothing when it gives none.
std::optional<long> MessageNumber(const std::string& title) {
    const std::string lower = Lower(title);
    const std::size_t at = lower.find("number");
    if (at == std::string::npos || (lower.find("message") == std::string::npos && !KindFrom(lower))) {
        return std::nullopt;
    }
    std::size_t pos = at + 6;
    while (pos < lower.size() && (lower[pos] == ' ' || lower[pos] == '#' || lower[pos] == '.')) {
        ++pos;
    }
    long number = 0;
    std::size_t digits = 0;
    for (; pos < lower.size() && digits < 6 && std::isdigit(static_cast<unsigned char>(lower[pos])) != 0; ++pos) {
        number = number * 10 + (lower[pos] - '0');
        ++digits;
    }
    return digits == 0 ? std::nullopt : std::optional<long>(number);
}

// The kind from a text that names it: the summary's "Category:" word, else a message title.
std::optional<TsunamiKind> KindFrom(const std::string& text) {
    const std::string lower = Lower(text);
    static constexpr std::pair<std::string_view, TsunamiKind> kWords[] = {{"information", TsunamiKind::Information},
                                                                          {"statement", TsunamiKind::Information},
                                                                          {"cancel", TsunamiKind::Information},
                                                                          {"warning", TsunamiKind::Warning},
                                                                          {"watch", TsunamiKind::Watch},
                                                                          {"advisory", TsunamiKind::Advisory},
                                                                          {"threat", TsunamiKind::Threat}};
    for (const auto& [word, kind] : kWords) {
        if (lower.find(word) != std::string::npos) {
            return kind;
        }
    }
    return std::nullopt;
}

std::string CategoryOf(const std::string& summary) {
    const std::string lower = Lower(summary);
    const std::size_t at = lower.find("category:");
    if (at == std::string::npos) {
        return {};
    }
    std::size_t begin = at + 9;
    while (begin < summary.size() && summary[begin] == ' ') {
        ++begin;
    }
    std::size_t end = begin;
    while (end < summary.size() && std::isalpha(static_cast<unsigned char>(summary[end])) != 0) {
        ++end;
    }
    return summary.substr(begin, end - begin);
}

std::string CentreFromUrl(const std::string& url) {
    if (url.find("PHEB") != std::string::npos) {
        return "Pacific Tsunami Warning Center";
    }
    if (url.find("PAAQ") != std::string::npos) {
        return "National Tsunami Warning Center";
    }
    return SourceHost(url);
}

bool ValidPosition(const std::optional<double>& lat, const std::optional<double>& lon) {
    return lat && lon && std::fabs(*lat) <= 90.0 && std::fabs(*lon) <= 180.0;
}

}  // namespace

std::vector<TsunamiMessage> ParseTsunamiFeed(std::string_view xml, const std::string& url, bool* isFeed) {
    XmlLimits limits;
    limits.maxBytes = kMaxTsunamiFeedBytes;
    const std::optional<XmlElement> root = ParseXml(xml.substr(0, kMaxTsunamiFeedBytes), limits);
    const XmlElement* feed = !root ? nullptr : root->name == "feed" ? &*root : Find(*root, "feed");
    if (isFeed != nullptr) {
        *isFeed = feed != nullptr;
    }
    std::vector<TsunamiMessage> messages;
    if (feed == nullptr) {
        return messages;
    }
    const std::string feedTitle = PlainText(feed->ChildText("title"), kMaxTsunamiTextBytes);
    std::string centre;
    if (const XmlElement* author = feed->Child("author")) {
        centre = ElementText(*author, "name");
    }
    if (centre.empty()) {
        centre = BoundedText(CentreFromUrl(url), kMaxTsunamiTextBytes);
    }
    std::vector<const XmlElement*> entries;
    FindAll(*feed, "entry", &entries);
    entries.resize(std::min(entries.size(), kMaxTsunamiEntries));
    if (entries.empty()) {
        // During an event a centre's feed has been seen with no entry, only the message in its title.
        const std::optional<long> number = MessageNumber(feedTitle);
        const std::string updated = PlainText(feed->ChildText("updated"), kMaxTsunamiTextBytes);
        const std::optional<std::int64_t> issued = ReadIsoTimeUtcMs(updated);
        if (number && issued) {
            TsunamiMessage message;
            const std::string feedId = PlainText(feed->ChildText("id"), kMaxTsunamiTextBytes);
            // Numbers start again with each event: the time keeps two events' first messages apart.
            message.id = BoundedText((feedId.empty() ? url : feedId) + "#" + std::to_string(*number) + "@" + updated,
                                     kMaxTsunamiTextBytes);
            message.title = feedTitle;
            message.centre = centre;
            message.kind = KindFrom(feedTitle).value_or(TsunamiKind::Information);
            message.issuedUtcMs = *issued;
            message.expiresUtcMs = *issued + kTsunamiDefaultLifeMs;
            const EntryLinks links = LinksOf(*feed);
            message.link = !links.bulletin.empty() ? links.bulletin : links.page;
            message.capLink = links.cap;
            messages.push_back(std::move(message));
        }
        return messages;
    }
    for (const XmlElement* entry : entries) {
        TsunamiMessage message;
        message.id = ElementText(*entry, "id");
        const std::optional<std::int64_t> issued = ReadIsoTimeUtcMs(ElementText(*entry, "updated"));
        if (message.id.empty() || !issued) {
            continue;
        }
        message.issuedUtcMs = *issued;
        const std::string region = ElementText(*entry, "title");
        // The feed's title names its message ("Tsunami Warning Number 1") when the feed holds just that one.
        message.title =
            BoundedText(entries.size() == 1 && !feedTitle.empty() && !region.empty() ? feedTitle + " – " + region
                        : region.empty()                                             ? feedTitle
                                                                                     : region,
                        kMaxTsunamiTextBytes);
        message.centre = centre;
        const XmlElement* summary = Find(*entry, "summary");
        const std::string summaryText = summary != nullptr ? PlainText(summary->text, 4096) : std::string();
        message.kind =
            KindFrom(CategoryOf(summaryText))
                .value_or(KindFrom(entries.size() == 1 ? feedTitle : region).value_or(TsunamiKind::Information));
        const std::optional<std::int64_t> expires = ReadIsoTimeUtcMs(ElementText(*entry, "expires"));
        message.expiresUtcMs = std::min(expires.value_or(message.issuedUtcMs + kTsunamiDefaultLifeMs),
                                        message.issuedUtcMs + kTsunamiLongestLifeMs);
        const EntryLinks links = LinksOf(*entry);
        message.link = !links.bulletin.empty() ? links.bulletin : links.page;
        message.capLink = links.cap;
        std::optional<double> lat = ReadNumber(ElementText(*entry, "lat"));
        std::optional<double> lon = ReadNumber(ElementText(*entry, "long"));
        if (!ValidPosition(lat, lon)) {
            // GeoRSS: "lat lon" in one element.
            const std::string point = ElementText(*entry, "point");
            const std::size_t blank = point.find(' ');
            if (blank != std::string::npos) {
                lat = ReadNumber(std::string_view(point).substr(0, blank));
                lon = ReadNumber(std::string_view(point).substr(blank + 1));
            }
        }
        if (ValidPosition(lat, lon)) {
            message.hasPosition = true;
            message.latitude = *lat;
            message.longitude = *lon;
        }
        messages.push_back(std::move(message));
    }
    return messages;
}

std::optional<std::int64_t> CapExpiresUtcMs(std::string_view xml) {
    XmlLimits limits;
    limits.maxBytes = kMaxTsunamiFeedBytes;
    const std::optional<XmlElement> alert = ParseXml(xml.substr(0, kMaxTsunamiFeedBytes), limits);
    if (!alert || alert->name != "alert") {
        return std::nullopt;
    }
    const XmlElement* info = alert->Child("info");
    return info != nullptr ? ReadIsoTimeUtcMs(PlainText(info->ChildText("expires"), kMaxTsunamiTextBytes))
                           : std::nullopt;
}

bool IsTsunamiThreat(TsunamiKind kind) {
    return kind != TsunamiKind::Information;
}

bool IsTsunamiDanger(TsunamiKind kind) {
    return kind == TsunamiKind::Warning || kind == TsunamiKind::Watch || kind == TsunamiKind::Threat;
}

bool IsTsunamiLive(const TsunamiMessage& message, std::int64_t nowUtcMs) {
    return message.expiresUtcMs > nowUtcMs && message.issuedUtcMs > nowUtcMs - kTsunamiDefaultLifeMs;
}

bool NamesQuake(const TsunamiMessage& message, double latitude, double longitude, std::int64_t originUtcMs) {
    if (!message.hasPosition || originUtcMs == 0 || originUtcMs < message.issuedUtcMs - kQuakeBeforeIssueMs ||
        originUtcMs > message.issuedUtcMs + kQuakeAfterIssueMs) {
        return false;
    }
    return GreatCircleKm(message.latitude, message.longitude, latitude, longitude) <= kQuakeReachKm;
}

}  // namespace dravik
