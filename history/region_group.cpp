#include "history/region_group.h"

#include <algorithm>

namespace dravik {
namespace {

std::string_view TrimBlanks(std::string_view text) {
    // Blanks only, as SQLite's trim() takes them.
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// SQLite's "collate nocase, then binary".
bool ComboBefore(const std::string& a, const std::string& b) {
    const auto lower = [](char x, char y) {
        return static_cast<unsigned char>(LowerAscii(x)) < static_cast<unsigned char>(LowerAscii(y));
    };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), lower)) {
        return true;
    }
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), lower)) {
        return false;
    }
    return a < b;
}

}  // namespace

std::string RegionGroup(std::string_view place) {
    const std::size_t comma = place.rfind(',');
    if (comma != std::string_view::npos) {
        const std::string_view tail = TrimBlanks(place.substr(comma + 1));
        if (!tail.empty()) {
            return std::string(tail);
        }
    }
    return std::string(TrimBlanks(place));
}

std::string RegionGroupSql(const std::string& column) {
    // rtrim by every character but the commas leaves the text up to its last comma; what follows is the tail.
    const std::string tail =
        "trim(substr(" + column + ",length(rtrim(" + column + ",replace(" + column + ",',','')))+1))";
    return "(case when " + tail + "='' then trim(" + column + ") else " + tail + " end)";
}

std::vector<std::string> GroupRegions(const std::vector<std::string>& places) {
    std::vector<std::string> groups;
    groups.reserve(places.size());
    for (const std::string& place : places) {
        groups.push_back(RegionGroup(place));
    }
    std::sort(groups.begin(), groups.end(), ComboBefore);
    groups.erase(std::unique(groups.begin(), groups.end()), groups.end());
    return groups;
}

}  // namespace dravik
