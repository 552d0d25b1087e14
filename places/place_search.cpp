#include "places/place_search.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string_view>

#include "places/text_fold.h"

#ifndef DRAVIK_INSTALLED_DATA_DIR
#define DRAVIK_INSTALLED_DATA_DIR "/usr/share/dravik"
#endif

namespace dravik {
namespace {

// One line of either file is far shorter; a longer one is damage and is skipped whole.
constexpr int kLineBytes = 1024;

class GzFile {
public:
    explicit GzFile(const std::string& path) : m_file(gzopen(path.c_str(), "rb")) {
        if (m_file != nullptr) {
            gzbuffer(m_file, 128 * 1024);
        }
    }
    ~GzFile() {
        if (m_file != nullptr) {
            gzclose(m_file);
        }
    }
    GzFile(const GzFile&) = delete;
    GzFile& operator=(const GzFile&) = delete;

    bool IsOpen() const { return m_file != nullptr; }
    // The next line without its line end; false at the end or on damage.
    bool ReadLine(std::string_view* line) {
        for (;;) {
            if (gzgets(m_file, m_buffer, kLineBytes) == nullptr) {
                return false;
            }
            std::size_t length = std::strlen(m_buffer);
            const bool whole = length > 0 && m_buffer[length - 1] == '\n';
            if (!whole && !gzeof(m_file)) {
                // Too long: skip to its end.
                while (gzgets(m_file, m_buffer, kLineBytes) != nullptr) {
                    const std::size_t n = std::strlen(m_buffer);
                    if (n > 0 && m_buffer[n - 1] == '\n') {
                        break;
                    }
                }
                continue;
            }
            while (length > 0 && (m_buffer[length - 1] == '\n' || m_buffer[length - 1] == '\r')) {
                --length;
            }
            *line = std::string_view(m_buffer, length);
            return true;
        }
    }

private:
    gzFile m_file;
    char m_buffer[kLineBytes];
};

// The tab-separated fields of a line, up to `count`; fewer when the line has fewer.
std::size_t SplitTabs(std::string_view line, std::string_view* fields, std::size_t count) {
    std::size_t n = 0;
    while (n < count) {
        const std::size_t tab = line.find('\t');
        fields[n++] = line.substr(0, tab);
        if (tab == std::string_view::npos) {
            break;
        }
        line.remove_prefix(tab + 1);
    }
    return n;
}

bool ReadNumber(std::string_view text, double* value) {
    if (text.empty() || text.size() > 31) {
        return false;
    }
    char buffer[32];
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    char* end = nullptr;
    *value = std::strtod(buffer, &end);
    return end == buffer + text.size();
}

// Whether the folded name begins with the query, or has a word that does ("new york" for "york").
bool NameMatches(std::string_view folded, std::string_view query) {
    if (folded.compare(0, query.size(), query) == 0) {
        return true;
    }
    for (std::size_t at = folded.find_first_of(" -'("); at != std::string_view::npos;
         at = folded.find_first_of(" -'(", at + 1)) {
        if (folded.compare(at + 1, query.size(), query) == 0) {
            return true;
        }
    }
    return false;
}

bool FileExists(const std::string& path) {
    return !path.empty() && access(path.c_str(), R_OK) == 0;
}

std::string ProgramDir() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) {
        return {};
    }
    std::string dir(path, static_cast<std::size_t>(n));
    const std::size_t slash = dir.rfind('/');
    return slash == std::string::npos ? std::string() : dir.substr(0, slash);
}

void FillRegions(const std::string& dataDir, std::vector<FoundPlace>* places,
                 const std::vector<std::string>& admin1Keys) {
    std::map<std::string_view, std::vector<std::size_t>> wanted;
    for (std::size_t i = 0; i < places->size(); ++i) {
        if (!admin1Keys[i].empty()) {
            wanted[admin1Keys[i]].push_back(i);
        }
    }
    GzFile file(dataDir + "/" + kRegionsFile);
    if (wanted.empty() || !file.IsOpen()) {
        return;
    }
    std::string_view line;
    std::string_view fields[2];
    while (file.ReadLine(&line)) {
        if (SplitTabs(line, fields, 2) == 2) {
            const auto it = wanted.find(fields[0]);
            if (it != wanted.end()) {
                for (std::size_t i : it->second) {
                    (*places)[i].region = std::string(fields[1]);
                }
            }
        }
    }
}

}  // namespace

PlaceSearchResult SearchPlaces(const std::string& dataDir, const std::string& query, std::size_t maxResults,
                               const std::atomic<bool>* cancel) {
    PlaceSearchResult result;
    std::string folded = FoldForSearch(query);
    // Blanks around the name do not count; blanks inside it do ("los an").
    const std::size_t first = folded.find_first_not_of(' ');
    if (first == std::string::npos || maxResults == 0) {
        return result;
    }
    folded = folded.substr(first, folded.find_last_not_of(' ') - first + 1);
    GzFile file(dataDir + "/" + kPlacesFile);
    if (!file.IsOpen()) {
        result.status = PlaceSearchStatus::NoData;
        return result;
    }
    // The best ones so far, most populous first; "CC.admin1" beside each for its region.
    std::vector<FoundPlace>& best = result.places;
    std::vector<std::string> keys;
    std::string name;
    std::string_view line;
    std::string_view fields[7];
    unsigned lines = 0;
    while (file.ReadLine(&line)) {
        if (cancel != nullptr && (++lines & 0x3FF) == 0 && cancel->load()) {
            result.status = PlaceSearchStatus::Cancelled;
            result.places.clear();
            return result;
        }
        if (SplitTabs(line, fields, 7) < 6) {
            continue;
        }
        name.clear();
        AppendFolded(fields[0], &name);
        if (!NameMatches(name, folded)) {
            continue;
        }
        double population = 0.0, latitude = 0.0, longitude = 0.0, id = 0.0;
        if (!ReadNumber(fields[3], &population) || !ReadNumber(fields[4], &latitude) ||
            !ReadNumber(fields[5], &longitude) || latitude < -90.0 || latitude > 90.0 || longitude < -180.0 ||
            longitude > 180.0) {
            continue;
        }
        const auto pop = static_cast<long long>(population);
        if (best.size() == maxResults && pop <= best.back().population) {
            continue;
        }
        // Equal populations keep the file's order.
        const auto at = std::upper_bound(best.begin(), best.end(), pop,
                                         [](long long p, const FoundPlace& f) { return p > f.population; });
        const auto index = at - best.begin();
        FoundPlace place;
        place.name = std::string(fields[0]);
        place.countryCode = std::string(fields[1]);
        place.population = pop;
        place.latitude = latitude;
        place.longitude = longitude;
        if (ReadNumber(fields[6], &id)) {
            place.geonameId = static_cast<std::int64_t>(id);
        }
        best.insert(at, std::move(place));
        keys.insert(keys.begin() + index,
                    fields[2].empty() ? std::string() : std::string(fields[1]) + "." + std::string(fields[2]));
        if (best.size() > maxResults) {
            best.pop_back();
            keys.pop_back();
        }
    }
    FillRegions(dataDir, &best, keys);
    return result;
}

std::string PlacesDataDir() {
    const auto holds = [](const std::string& dir) { return FileExists(dir + "/" + kPlacesFile); };
    if (const char* env = std::getenv("DRAVIK_PLACES_DIR"); env != nullptr && *env != '\0') {
        return env;
    }
    const std::string programDir = ProgramDir();
    for (const std::string& dir :
         {programDir + "/share/dravik", programDir + "/../share/dravik", std::string(DRAVIK_INSTALLED_DATA_DIR)}) {
        if (!programDir.empty() && holds(dir)) {
            return dir;
        }
    }
    return holds(DRAVIK_INSTALLED_DATA_DIR) ? DRAVIK_INSTALLED_DATA_DIR : std::string();
}

}  // namespace dravik
