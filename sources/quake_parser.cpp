#include "sources/quake_parser.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iterator>

#include "sources/event_fields.h"
#include "sources/quake_source.h"
#include "sources/quake_time.h"

namespace dravik {
namespace {

const char kRowStart[] = "<tr id=\"";
const char kRowEnd[] = "</tr>";
const char kRegionStart[] = "tb_region\" >&#160;";
const char kLinkEnd[] = "</a>";
const char kCoordinateCell[] = "tabev1\">";
const char kLetterCell[] = "tabev2\">";
const char kDepthCell[] = "tabev3\">";
const char kCellEnd[] = "</td>";

constexpr long kRowStartLength = 8;
constexpr long kRowEndLength = 5;
// Rows read from one page at most, far beyond any real page (some fifty rows). A page of tiny rows up to
// the fetch's size limit would otherwise make millions of events: over a gigabyte, and as many list lines
// and archive rows.
constexpr std::size_t kMaxPageRows = 20000;

// Position of `what` in `text` at or after `from`, -1 when there is none.
long Find(const std::string& text, const std::string& what, long from) {
    if (from < 0) {
        from = 0;
    }
    const auto pos = text.find(what, static_cast<std::string::size_type>(from));
    return pos == std::string::npos ? -1 : static_cast<long>(pos);
}

// A piece of `text` clamped to it: a negative length or a start past the end gives the empty text.
std::string Piece(const std::string& text, long start, long length) {
    const long size = static_cast<long>(text.size());
    if (start < 0) {
        start = 0;
    }
    if (length <= 0 || start >= size) {
        return {};
    }
    return text.substr(static_cast<std::string::size_type>(start), static_cast<std::string::size_type>(length));
}

std::string PieceToEnd(const std::string& text, long start) {
    return Piece(text, start, static_cast<long>(text.size()) - start);
}

// Every non-overlapping occurrence, left to right, as one pass.
std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to) {
    std::string out;
    out.reserve(text.size());
    std::string::size_type pos = 0;
    for (;;) {
        const auto hit = text.find(from, pos);
        if (hit == std::string::npos) {
            out.append(text, pos, std::string::npos);
            return out;
        }
        out.append(text, pos, hit - pos);
        out += to;
        pos = hit + from.size();
    }
}

// The standard atoi of a piece; the piece is at most a few bytes, so it cannot overflow.
int ReadInt(const std::string& piece) {
    return std::atoi(piece.c_str());
}

}  // namespace

std::string TextBetween(std::string text, std::string startMarker, std::string endMarker, long from) {
    const long a = Find(text, startMarker, from);
    if (a < 0) {
        return {};
    }
    const long s = a + static_cast<long>(startMarker.size());
    const long b = Find(text, endMarker, s);
    return Piece(text, s, b - s);
}

std::string NthTextBetween(std::string text, std::string startMarker, std::string endMarker, int n) {
    std::string result;
    long p = 0;
    for (int i = 1;; ++i) {
        const long a = Find(text, startMarker, p);
        if (a < 0) {
            return result;
        }
        const long s = a + static_cast<long>(startMarker.size());
        result = Piece(text, s, Find(text, endMarker, s) - s);
        if (i == n) {
            return result;
        }
        p = a + 1;
    }
}

std::vector<QuakeEvent> ParseQuakePage(std::string pageText) {
    std::vector<QuakeEvent> events = ParseQuakeSource(pageText, std::string());
    if (DetectSourceFormat(pageText) == SourceFormat::kClassicPage) {
        return events;
    }
    std::vector<QuakeEvent> kept;
    for (QuakeEvent& event : events) {
        std::string digits;
        std::copy_if(event.eventId.begin(), event.eventId.end(), std::back_inserter(digits),
                     [](char c) { return c >= '0' && c <= '9'; });
        if (!digits.empty()) {
            event.eventId = std::move(digits);
            kept.push_back(std::move(event));
        }
    }
    return kept;
}

std::vector<QuakeEvent> ParseClassicPage(const std::string& pageText) {
    std::vector<QuakeEvent> events;
    long p = 0;
    while (events.size() < kMaxPageRows) {
        const long a = Find(pageText, kRowStart, p);
        if (a < 0) {
            break;
        }
        const long b = Find(pageText, kRowEnd, a);
        if (b < 0) {
            break;  // a page cut short: its last row is incomplete
        }
        const std::string row = Piece(pageText, a, b - a + kRowEndLength);
        if (row.size() > static_cast<std::size_t>(kRowStartLength) &&
            std::isdigit(static_cast<unsigned char>(row[kRowStartLength])) != 0) {
            events.push_back(ParseQuakeRow(row));
        }
        p = b;
    }
    return events;
}

QuakeEvent ParseQuakeRow(std::string rowText) {
    QuakeEvent event;
    event.region = TextBetween(rowText, kRegionStart, kCellEnd, 0);
    event.eventId = Piece(rowText, kRowStartLength, 6);

    std::string w = TextBetween(rowText, ".php?id=" + event.eventId + "\">", kLinkEnd, 0);
    w = ReplaceAll(ReplaceAll(w, "&#160;", " "), "  ", " ");
    const long k = Find(w, " ", 0);
    const std::string t = PieceToEnd(w, k + 2);
    // A row whose link text gives no calendar time keeps its date and time empty.
    LocalTimePlusOneHour(ReadInt(Piece(w, 0, 4)), ReadInt(Piece(w, 5, 2)), ReadInt(Piece(w, 8, 2)),
                         ReadInt(Piece(t, 0, 2)), ReadInt(Piece(t, 3, 2)), ReadInt(Piece(t, 6, 2)), &event.data1,
                         &event.data2);

    const std::string ns = ReplaceAll(NthTextBetween(rowText, kLetterCell, kCellEnd, 1), "&nbsp;", "");
    const std::string ew = ReplaceAll(NthTextBetween(rowText, kLetterCell, kCellEnd, 2), "&nbsp;", "");
    event.mag = NthTextBetween(rowText, kLetterCell, kCellEnd, 3);
    event.wsp1 = ReplaceAll(NthTextBetween(rowText, kCoordinateCell, kCellEnd, 1), "&nbsp;", " ");
    event.wsp2 = ReplaceAll(NthTextBetween(rowText, kCoordinateCell, kCellEnd, 2), "&nbsp;", " ");
    event.depth = NthTextBetween(rowText, kDepthCell, kCellEnd, 1);
    if (ns == "S") {
        event.wsp1.insert(0, "-");
    }
    if (ew == "W") {
        event.wsp2.insert(0, "-");
    }
    // A field over its bound is cut rather than the row dropped: the row is still an earthquake.
    event.region = BoundedText(event.region, kMaxRegionBytes);
    for (std::string* field : {&event.mag, &event.wsp1, &event.wsp2, &event.depth}) {
        *field = BoundedText(*field, kMaxFieldBytes);
    }
    return event;
}

}  // namespace dravik
