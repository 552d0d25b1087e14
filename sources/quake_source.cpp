#include "sources/quake_source.h"

#include <algorithm>

#include "sources/event_fields.h"
#include "sources/fdsn_text.h"
#include "sources/geojson_events.h"
#include "sources/text_encoding.h"

namespace dravik {

SourceFormat DetectSourceFormat(const std::string& body) {
    if (IsFdsnText(body)) {
        return SourceFormat::kFdsnText;
    }
    const std::size_t start = body.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    const auto first = body.find_first_not_of(" \t\r\n", start);
    if (first != std::string::npos && (body[first] == '{' || body[first] == '[')) {
        return SourceFormat::kJson;
    }
    return SourceFormat::kClassicPage;
}

std::vector<QuakeEvent> ParseQuakeSource(const std::string& served, const std::string& sourceUrl) {
    // Read as UTF-8 whatever the page was served in (a copy only when it is not UTF-8 already).
    std::string decoded;
    if (!IsValidUtf8(served)) {
        decoded = ToUtf8(served, DeclaredCharset(served));
    }
    const std::string& body = decoded.empty() ? served : decoded;
    switch (DetectSourceFormat(body)) {
        case SourceFormat::kFdsnText:
            return ParseFdsnText(body, SourcePrefix(sourceUrl));
        case SourceFormat::kJson: {
            // The parser reads from the first brace; a byte order mark before it would be an error.
            const std::size_t start = body.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
            return ParseGeoJsonEvents(start == 0 ? body : body.substr(start), SourcePrefix(sourceUrl));
        }
        case SourceFormat::kClassicPage:
            break;
    }
    std::string page;
    page.reserve(body.size());
    std::copy_if(body.begin(), body.end(), std::back_inserter(page), [](char c) { return c != '\n' && c != '\r'; });
    return ParseClassicPage(page);
}

}  // namespace dravik
