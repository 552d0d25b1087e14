#include "catalogue/source_mark.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "sources/event_fields.h"

namespace dravik {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool SetByRead(const std::string& name) {
    static const char* const kSet[] = {"starttime", "start",   "endtime", "end",    "limit",
                                       "offset",    "orderby", "format",  "nodata", "updatedafter"};
    return std::any_of(std::begin(kSet), std::end(kSet), [&](const char* set) { return name == set; });
}

}  // namespace

std::string SourceMarkKey(const std::string& url) {
    std::string rest = url.substr(0, url.find('#'));
    const std::size_t scheme = rest.find("://");
    if (scheme != std::string::npos) {
        rest = rest.substr(scheme + 3);
    }
    const std::size_t question = rest.find('?');
    std::string path = rest.substr(0, question);
    const std::size_t slash = path.find('/');
    path = Lower(path.substr(0, slash)) + (slash == std::string::npos ? "" : path.substr(slash));
    std::vector<std::string> kept;
    if (question != std::string::npos) {
        const std::string query = rest.substr(question + 1);
        std::size_t from = 0;
        while (from <= query.size()) {
            const std::size_t amp = std::min(query.find('&', from), query.size());
            const std::string param = query.substr(from, amp - from);
            const std::size_t equals = param.find('=');
            const std::string name = Lower(param.substr(0, equals));
            if (!param.empty() && !SetByRead(name)) {
                kept.push_back(name + (equals == std::string::npos ? "" : param.substr(equals)));
            }
            from = amp + 1;
        }
    }
    std::sort(kept.begin(), kept.end());
    std::string key = SourcePrefix(url) + " " + path;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        key += (i == 0 ? "?" : "&") + kept[i];
    }
    return key;
}

std::string MarkAgency(const std::string& markKey) {
    return markKey.substr(0, markKey.find(' '));
}

}  // namespace dravik
