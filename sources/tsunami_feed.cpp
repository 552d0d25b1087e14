#include "sources/tsunami_feed.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>

#include "sources/event_fields.h"
#include "sources/geo.h"

namespace dravik {
namespace {

constexpr double kQuakeReachKm = 300.0;
constexpr std::int64_t kQuakeBeforeIssueMs = 3LL * 3600 * 1000;
constexpr std::int64_t kQuakeAfterIssueMs = 5LL * 60 * 1000;

// One element found by the scanner: its start tag's attributes and what stands between its tags.
struct Element {
    std::string_view attributes;
    std::string_view inner;
};

bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == ':' || c == '_' || c == '-' || c == '.';
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// Moves `pos` past the markup that holds no elements (comments, CDATA, declarations, instructions) when one
// starts there; whether it did. An unclosed one runs to the end.
bool SkipNonElement(std::string_view xml, std::size_t& pos) {
    static constexpr std::pair<std::string_view, std::string_view> kKinds[] = {
        {"<!--", "-->"}, {"<![CDATA[", "]]>"}, {"<?", "?>"}, {"<!", ">"}};
    for (const auto& [open, close] : kKinds) {
        if (xml.substr(pos, open.size()) == open) {
            const std::size_t end = xml.find(close, pos + open.size());
            pos = end == std::string_view::npos ? xml.size() : end + close.size();
            return true;
        }
    }
    return false;
}

// The end of a start tag beginning at `pos` ('>' outside quoted attribute values), or npos.
std::size_t StartTagEnd(std::string_view xml, std::size_t pos) {
    char quote = 0;
    for (; pos < xml.size(); ++pos) {
        const char c = xml[pos];
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return pos;
        }
    }
    return std::string_view::npos;
}

// The next element at or after `pos` whose local name (any prefix left aside) is `name`; `pos` moves past
// it. Elements of the same name do not nest in the feeds read here, so the first closing tag ends one.
std::optional<Element> NextElement(std::string_view xml, std::size_t& pos, std::string_view name) {
    while (pos < xml.size()) {
        const std::size_t open = xml.find('<', pos);
        if (open == std::string_view::npos) {
            break;
        }
        pos = open;
        if (SkipNonElement(xml, pos)) {
            continue;
        }
        std::size_t nameEnd = open + 1;
        while (nameEnd < xml.size() && IsNameChar(xml[nameEnd])) {
            ++nameEnd;
        }
        const std::string_view qualified = xml.substr(open + 1, nameEnd - open - 1);
        const std::size_t colon = qualified.rfind(':');
        const std::string_view local = colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
        const std::size_t tagEnd = StartTagEnd(xml, nameEnd);
        if (tagEnd == std::string_view::npos) {
            break;
        }
        pos = tagEnd + 1;
        if (qualified.empty() || local != name) {
            continue;
        }
        Element element;
        const bool empty = xml[tagEnd - 1] == '/';
        element.attributes = xml.substr(nameEnd, tagEnd - nameEnd - (empty ? 1 : 0));
        if (empty) {
            return element;
        }
        const std::string closing = "</" + std::string(qualified);
        std::size_t close = pos;
        while ((close = xml.find(closing, close)) != std::string_view::npos) {
            std::size_t after = close + closing.size();
            while (after < xml.size() && std::isspace(static_cast<unsigned char>(xml[after])) != 0) {
                ++after;
            }
            if (after < xml.size() && xml[after] == '>') {
                element.inner = xml.substr(pos, close - pos);
                pos = after + 1;
                return element;
            }
            close = after;
        }
        // Never closed: what follows is its text, as far as the bounds allow.
        element.inner = xml.substr(pos);
        pos = xml.size();
        return element;
    }
    pos = xml.size();
    return std::nullopt;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return;  // no character: dropped
    }
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// XML's five entities and character references; anything else stays as written.
std::string DecodeEntities(std::string_view text) {
    static constexpr std::pair<std::string_view, char> kNamed[] = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        // Looked for close by only, so a text of ampersands costs no more than its length.
        const std::size_t near = text[i] == '&' ? text.substr(i + 1, 10).find(';') : std::string_view::npos;
        const std::size_t semi = near == std::string_view::npos ? near : i + 1 + near;
        if (semi == std::string_view::npos) {
            out += text[i];
            continue;
        }
        const std::string_view ref = text.substr(i + 1, semi - i - 1);
        bool done = false;
        if (ref.size() > 1 && ref[0] == '#') {
            const bool hex = ref[1] == 'x' || ref[1] == 'X';
            const std::string_view digits = ref.substr(hex ? 2 : 1);
            std::uint32_t code = 0;
            bool valid = !digits.empty();
            for (const char c : digits) {
                const int digit = std::isdigit(static_cast<unsigned char>(c)) != 0 ? c - '0'
                                  : hex && std::isxdigit(static_cast<unsigned char>(c)) != 0
                                      ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                                      : -1;
                valid = valid && digit >= 0 && code <= 0x10FFFF;
                code = valid ? code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit) : code;
            }
            if (valid) {
                AppendUtf8(out, code);
                done = true;
            }
        } else {
            for (const auto& [entity, c] : kNamed) {
                if (ref == entity) {
                    out += c;
                    done = true;
                }
            }
        }
        if (done) {
            i = semi;
        } else {
            out += text[i];
        }
    }
    return out;
}

// An attribute's decoded value in a start tag's attribute text; empty when absent.
std::string Attribute(std::string_view attributes, std::string_view name) {
    std::size_t pos = 0;
    while ((pos = attributes.find(name, pos)) != std::string_view::npos) {
        const bool starts = pos == 0 || std::isspace(static_cast<unsigned char>(attributes[pos - 1])) != 0;
        std::size_t at = pos + name.size();
        pos = at;
        while (at < attributes.size() && attributes[at] == ' ') {
            ++at;
        }
        if (!starts || at >= attributes.size() || attributes[at] != '=') {
            continue;
        }
        ++at;
        while (at < attributes.size() && attributes[at] == ' ') {
            ++at;
        }
        if (at >= attributes.size() || (attributes[at] != '"' && attributes[at] != '\'')) {
            return {};
        }
        const std::size_t end = attributes.find(attributes[at], at + 1);
        if (end == std::string_view::npos) {
            return {};
        }
        return DecodeEntities(attributes.substr(at + 1, end - at - 1));
    }
    return {};
}

std::string ElementText(std::string_view xml, std::string_view name) {
    std::size_t pos = 0;
    const std::optional<Element> element = NextElement(xml, pos, name);
    return element ? XmlPlainText(element->inner, kMaxTsunamiTextBytes) : std::string();
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

EntryLinks LinksOf(std::string_view entry) {
    EntryLinks out;
    std::size_t pos = 0;
    while (const std::optional<Element> link = NextElement(entry, pos, "link")) {
        const std::string href = WebLink(Attribute(link->attributes, "href"));
        if (href.empty()) {
            continue;
        }
        const std::string rel = Attribute(link->attributes, "rel");
        const std::string type = Lower(Attribute(link->attributes, "type"));
        const std::string title = Lower(Attribute(link->attributes, "title"));
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

std::string XmlPlainText(std::string_view inner, std::size_t maxBytes) {
    std::string raw;
    std::size_t pos = 0;
    while (pos < inner.size() && raw.size() <= 4 * maxBytes) {
        const std::size_t open = inner.find('<', pos);
        const std::size_t textEnd = open == std::string_view::npos ? inner.size() : open;
        raw += DecodeEntities(inner.substr(pos, textEnd - pos));
        if (open == std::string_view::npos) {
            break;
        }
        pos = open;
        if (inner.substr(pos, 9) == "<![CDATA[") {
            const std::size_t end = inner.find("]]>", pos + 9);
            const std::size_t stop = end == std::string_view::npos ? inner.size() : end;
            raw += inner.substr(pos + 9, stop - pos - 9);
            pos = end == std::string_view::npos ? inner.size() : end + 3;
        } else if (!SkipNonElement(inner, pos)) {
            const std::size_t end = StartTagEnd(inner, pos);
            pos = end == std::string_view::npos ? inner.size() : end + 1;
            raw += ' ';  // a tag (a line break, say) parts words
        }
    }
    // Line ends, tabs and other control bytes count as blanks, and blanks are collapsed.
    std::string text;
    for (char c : raw) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            c = ' ';
        }
        if (c == ' ' && (text.empty() || text.back() == ' ')) {
            continue;
        }
        text += c;
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return BoundedText(text, maxBytes);
}

std::vector<TsunamiMessage> ParseTsunamiFeed(std::string_view xml, const std::string& url, bool* isFeed) {
    xml = xml.substr(0, kMaxTsunamiFeedBytes);
    std::size_t pos = 0;
    const std::optional<Element> feed = NextElement(xml, pos, "feed");
    if (isFeed != nullptr) {
        *isFeed = feed.has_value();
    }
    std::vector<TsunamiMessage> messages;
    if (!feed) {
        return messages;
    }
    const std::string_view body = feed->inner;
    // The feed's own title and author stand before its entries.
    std::size_t firstEntry = body.find("<entry");
    const std::string_view head = body.substr(0, firstEntry);
    const std::string feedTitle = ElementText(head, "title");
    std::string centre;
    std::size_t at = 0;
    if (const std::optional<Element> author = NextElement(head, at, "author")) {
        centre = ElementText(author->inner, "name");
    }
    if (centre.empty()) {
        centre = BoundedText(CentreFromUrl(url), kMaxTsunamiTextBytes);
    }
    std::vector<std::string_view> entries;
    pos = 0;
    while (entries.size() < kMaxTsunamiEntries) {
        const std::optional<Element> entry = NextElement(body, pos, "entry");
        if (!entry) {
            break;
        }
        entries.push_back(entry->inner);
    }
    if (entries.empty()) {
        // During an event a centre's feed has been seen with no entry, only the message in its title.
        const std::optional<long> number = MessageNumber(feedTitle);
        const std::string updated = ElementText(head, "updated");
        const std::optional<std::int64_t> issued = ReadIsoTimeUtcMs(updated);
        if (number && issued) {
            TsunamiMessage message;
            const std::string feedId = ElementText(head, "id");
            // Numbers start again with each event: the time keeps two events' first messages apart.
            message.id = BoundedText((feedId.empty() ? url : feedId) + "#" + std::to_string(*number) + "@" + updated,
                                     kMaxTsunamiTextBytes);
            message.title = feedTitle;
            message.centre = centre;
            message.kind = KindFrom(feedTitle).value_or(TsunamiKind::Information);
            message.issuedUtcMs = *issued;
            message.expiresUtcMs = *issued + kTsunamiDefaultLifeMs;
            const EntryLinks links = LinksOf(head);
            message.link = !links.bulletin.empty() ? links.bulletin : links.page;
            message.capLink = links.cap;
            messages.push_back(std::move(message));
        }
        return messages;
    }
    for (const std::string_view entry : entries) {
        TsunamiMessage message;
        message.id = ElementText(entry, "id");
        const std::optional<std::int64_t> issued = ReadIsoTimeUtcMs(ElementText(entry, "updated"));
        if (message.id.empty() || !issued) {
            continue;
        }
        message.issuedUtcMs = *issued;
        const std::string region = ElementText(entry, "title");
        // The feed's title names its message ("Tsunami Warning Number 1") when the feed holds just that one.
        message.title =
            BoundedText(entries.size() == 1 && !feedTitle.empty() && !region.empty() ? feedTitle + " – " + region
                        : region.empty()                                             ? feedTitle
                                                                                     : region,
                        kMaxTsunamiTextBytes);
        message.centre = centre;
        std::size_t summaryAt = 0;
        const std::optional<Element> summary = NextElement(entry, summaryAt, "summary");
        const std::string summaryText = summary ? XmlPlainText(summary->inner, 4096) : std::string();
        message.kind =
            KindFrom(CategoryOf(summaryText))
                .value_or(KindFrom(entries.size() == 1 ? feedTitle : region).value_or(TsunamiKind::Information));
        const std::optional<std::int64_t> expires = ReadIsoTimeUtcMs(ElementText(entry, "expires"));
        message.expiresUtcMs = std::min(expires.value_or(message.issuedUtcMs + kTsunamiDefaultLifeMs),
                                        message.issuedUtcMs + kTsunamiLongestLifeMs);
        const EntryLinks links = LinksOf(entry);
        message.link = !links.bulletin.empty() ? links.bulletin : links.page;
        message.capLink = links.cap;
        std::optional<double> lat = ReadNumber(ElementText(entry, "lat"));
        std::optional<double> lon = ReadNumber(ElementText(entry, "long"));
        if (!ValidPosition(lat, lon)) {
            // GeoRSS: "lat lon" in one element.
            const std::string point = ElementText(entry, "point");
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
    xml = xml.substr(0, kMaxTsunamiFeedBytes);
    std::size_t pos = 0;
    const std::optional<Element> alert = NextElement(xml, pos, "alert");
    if (!alert) {
        return std::nullopt;
    }
    pos = 0;
    const std::optional<Element> info = NextElement(alert->inner, pos, "info");
    return info ? ReadIsoTimeUtcMs(ElementText(info->inner, "expires")) : std::nullopt;
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
