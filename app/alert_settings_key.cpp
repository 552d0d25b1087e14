#include "app/alert_settings_key.h"

#include <algorithm>

#include <cmath>
#include <locale>
#include <optional>
#include <sstream>

#include "alerts/time_display.h"
#include "platform/environment.h"
#include "shaking/intensity.h"

namespace dravik {
namespace {

constexpr double kMaxMagnitude = 10.0;
// Half the Earth's circumference already takes every place; a little more is still a plain choice.
constexpr double kMaxRadiusKm = 40000.0;
constexpr std::size_t kMaxHomeNameBytes = 64;

std::string Trimmed(const std::string& text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && blank(text[begin])) {
        ++begin;
    }
    while (end > begin && blank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

bool ReadInRange(const std::string& text, double low, double high, double* value) {
    double v = 0.0;
    if (!ReadDecimal(text, &v) || v < low || v > high) {
        return false;
    }
    *value = v;
    return true;
}

std::string CommaAsPoint(std::string text) {
    for (char& c : text) {
        if (c == ',') {
            c = '.';
        }
    }
    return text;
}

bool ReadBool(const std::string& text, bool* value) {
    const std::string t = Trimmed(text);
    if (t == "true" || t == "1") {
        *value = true;
    } else if (t == "false" || t == "0") {
        *value = false;
    } else {
        return false;
    }
    return true;
}

// The stored text of a value up to its first NUL; nullopt when there is none.
std::optional<std::string> StoredText(ISettingsStorage& storage, SettingsHandle key, const char* name) {
    std::optional<std::string> bytes = storage.QueryValue(key, name);
    if (!bytes) {
        return std::nullopt;
    }
    const std::size_t end = bytes->find('\0');
    return end == std::string::npos ? *bytes : bytes->substr(0, end);
}

}  // namespace

std::string FormatDecimal(double value) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.setf(std::ios::fixed);
    out.precision(6);
    out << value;
    std::string text = out.str();
    while (text.size() > 2 && text.back() == '0' && text[text.size() - 2] != '.') {
        text.pop_back();
    }
    return text == "-0.0" ? "0.0" : text;
}

std::string FormatClock(int minuteOfDay) {
    const int m = ((minuteOfDay % 1440) + 1440) % 1440;
    const char text[] = {static_cast<char>('0' + m / 600),     static_cast<char>('0' + m / 60 % 10), ':',
                         static_cast<char>('0' + m % 60 / 10), static_cast<char>('0' + m % 10),      '\0'};
    return text;
}

bool ParseClock(const std::string& text, int* minuteOfDay) {
    const std::string t = Trimmed(text);
    const std::size_t colon = t.find(':');
    if (colon == std::string::npos || colon < 1 || colon > 2 || t.size() != colon + 3) {
        return false;
    }
    int hour = 0;
    for (std::size_t i = 0; i < colon; ++i) {
        if (t[i] < '0' || t[i] > '9') {
            return false;
        }
        hour = hour * 10 + (t[i] - '0');
    }
    if (t[colon + 1] < '0' || t[colon + 1] > '5' || t[colon + 2] < '0' || t[colon + 2] > '9' || hour > 23) {
        return false;
    }
    *minuteOfDay = hour * 60 + (t[colon + 1] - '0') * 10 + (t[colon + 2] - '0');
    return true;
}

bool ReadSources(const std::string& text, std::string* sources) {
    constexpr std::size_t kMaxSources = 16;
    constexpr std::size_t kMaxAddressBytes = 2048;
    const std::vector<std::string> words = SplitBlanks(text);
    if (words.size() > kMaxSources) {
        return false;
    }
    std::string joined;
    for (const std::string& word : words) {
        const bool web = word.rfind("http://", 0) == 0 || word.rfind("https://", 0) == 0;
        const bool clean =
            std::none_of(word.begin(), word.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
        if (!web || !clean || word.size() > kMaxAddressBytes || word.size() <= 8) {
            return false;
        }
        joined += (joined.empty() ? "" : " ") + word;
    }
    *sources = joined;
    return true;
}

AlertSettingsForm FormFromSettings(const AlertSettings& s) {
    AlertSettingsForm f;
    f.globalMagnitude = FormatDecimal(s.globalMagnitude);
    f.nearMagnitude = FormatDecimal(s.nearMagnitude);
    f.radiusKm = FormatDecimal(s.radiusKm);
    if (s.hasHome) {
        f.latitude = FormatDecimal(s.homeLatitude);
        f.longitude = FormatDecimal(s.homeLongitude);
    }
    f.homeName = s.homeName;
    f.places = s.places;
    f.minIntensity = s.minIntensity;
    f.quietEnabled = s.quietEnabled;
    f.quietFrom = FormatClock(s.quietFromMinute);
    f.quietTo = FormatClock(s.quietToMinute);
    f.wakeMagnitude = FormatDecimal(s.wakeMagnitude);
    f.notifyEnabled = s.notifyEnabled;
    f.notifyMinMagnitude = FormatDecimal(s.notifyMinMagnitude);
    f.sequenceSound = s.sequenceSound;
    f.timeDisplay = s.timeDisplay;
    f.sources = s.sources;
    return f;
}

std::vector<AlertField> SettingsFromForm(const AlertSettingsForm& f, AlertSettings* settings) {
    AlertSettings s;
    std::vector<AlertField> bad;
    const auto magnitude = [&](const std::string& text, AlertField field, double* value) {
        if (!ReadInRange(CommaAsPoint(text), 0.0, kMaxMagnitude, value)) {
            bad.push_back(field);
        }
    };
    magnitude(f.globalMagnitude, AlertField::GlobalMagnitude, &s.globalMagnitude);
    magnitude(f.nearMagnitude, AlertField::NearMagnitude, &s.nearMagnitude);
    if (!ReadInRange(CommaAsPoint(f.radiusKm), 0.0, kMaxRadiusKm, &s.radiusKm)) {
        bad.push_back(AlertField::RadiusKm);
    }
    const bool noLatitude = Trimmed(f.latitude).empty();
    const bool noLongitude = Trimmed(f.longitude).empty();
    if (!(noLatitude && noLongitude)) {
        // A home needs both coordinates; the missing one is the field to mark.
        if (!ReadInRange(CommaAsPoint(f.latitude), -90.0, 90.0, &s.homeLatitude)) {
            bad.push_back(AlertField::Latitude);
        }
        if (!ReadInRange(CommaAsPoint(f.longitude), -180.0, 180.0, &s.homeLongitude)) {
            bad.push_back(AlertField::Longitude);
        }
        s.hasHome = true;
    }
    s.homeName = Trimmed(f.homeName);
    if (s.homeName.size() > kMaxHomeNameBytes || s.homeName.find('\0') != std::string::npos) {
        bad.push_back(AlertField::HomeName);
    }
    s.quietEnabled = f.quietEnabled;
    if (!ParseClock(f.quietFrom, &s.quietFromMinute)) {
        bad.push_back(AlertField::QuietFrom);
    }
    if (!ParseClock(f.quietTo, &s.quietToMinute)) {
        bad.push_back(AlertField::QuietTo);
    }
    magnitude(f.wakeMagnitude, AlertField::WakeMagnitude, &s.wakeMagnitude);
    s.notifyEnabled = f.notifyEnabled;
    s.sequenceSound = f.sequenceSound;
    magnitude(f.notifyMinMagnitude, AlertField::NotifyMinMagnitude, &s.notifyMinMagnitude);
    s.timeDisplay = f.timeDisplay;
    s.places = f.places;
    if (s.places.size() > kMaxOtherPlaces) {
        s.places.resize(kMaxOtherPlaces);
    }
    s.minIntensity = std::clamp(f.minIntensity, 0, kMaxIntensity);
    if (!ReadSources(f.sources, &s.sources)) {
        bad.push_back(AlertField::Sources);
    }
    if (bad.empty()) {
        *settings = s;
    }
    return bad;
}

CAlertSettingsKey::CAlertSettingsKey() : CAlertSettingsKey(CurrentSettingsStorage()) {}

CAlertSettingsKey::CAlertSettingsKey(ISettingsStorage& storage)
    : CSettingsKeyBase(storage, kSettingsCurrentUser, kSettingsSubKey) {
    LoadValues();
}

CAlertSettingsKey::~CAlertSettingsKey() = default;

void CAlertSettingsKey::Save() {
    SaveValues();
}

void CAlertSettingsKey::TransferValues(bool save) {
    AlertSettings& s = m_settings;
    if (save) {
        const AlertSettingsForm f = FormFromSettings(s);
        const std::pair<const char*, std::string> values[] = {
            {kAlertGlobalMagnitude, f.globalMagnitude},
            {kAlertNearMagnitude, f.nearMagnitude},
            {kAlertRadiusKm, f.radiusKm},
            {kHomeLatitude, f.latitude},
            {kHomeLongitude, f.longitude},
            {kHomeName, f.homeName},
            {kQuietEnabled, f.quietEnabled ? "true" : "false"},
            {kQuietFrom, f.quietFrom},
            {kQuietTo, f.quietTo},
            {kQuietWakeMagnitude, f.wakeMagnitude},
            {kNotifyEnabled, f.notifyEnabled ? "true" : "false"},
            {kNotifyMinMagnitude, f.notifyMinMagnitude},
            {kSequenceSound, f.sequenceSound ? "true" : "false"},
            {kDisplayTime, TimeDisplayName(f.timeDisplay)},
            {kSourcesUrls, f.sources},
        };
        for (const auto& [name, text] : values) {
            m_storage.SetTextValue(m_hKey, name, text);
        }
        m_storage.SetTextValue(m_hKey, kAlertMinIntensity, std::to_string(s.minIntensity));
        // As QSettings::beginWriteArray writes it; entries past the size are left and never read.
        const std::string array = kPlacesArray;
        m_storage.SetTextValue(m_hKey, array + "/size", std::to_string(s.places.size()));
        for (std::size_t i = 0; i < s.places.size(); ++i) {
            const std::string prefix = array + "/" + std::to_string(i + 1) + "/";
            m_storage.SetTextValue(m_hKey, prefix + "name", s.places[i].name);
            m_storage.SetTextValue(m_hKey, prefix + "latitude", FormatDecimal(s.places[i].latitude));
            m_storage.SetTextValue(m_hKey, prefix + "longitude", FormatDecimal(s.places[i].longitude));
        }
        m_unreadable.clear();
        return;
    }
    const AlertSettings defaults;
    s = defaults;
    // A user who never chose sees the clock of the computer; a stored choice, classic included, stays.
    s.timeDisplay = kDefaultTimeDisplay;
    m_unreadable.clear();
    // Reads one value; a stored text that does not read keeps the default and is noted.
    const auto read = [&](const char* name, auto&& parse) {
        const std::optional<std::string> text = StoredText(m_storage, m_hKey, name);
        if (text && !parse(*text)) {
            m_unreadable.push_back(name);
        }
    };
    const auto magnitude = [&](double* value) {
        return [value](const std::string& t) { return ReadInRange(t, 0.0, kMaxMagnitude, value); };
    };
    read(kAlertGlobalMagnitude, magnitude(&s.globalMagnitude));
    read(kAlertNearMagnitude, magnitude(&s.nearMagnitude));
    read(kAlertRadiusKm, [&](const std::string& t) { return ReadInRange(t, 0.0, kMaxRadiusKm, &s.radiusKm); });
    std::string latitude, longitude;
    read(kHomeLatitude, [&](const std::string& t) {
        latitude = t;
        return true;
    });
    read(kHomeLongitude, [&](const std::string& t) {
        longitude = t;
        return true;
    });
    if (!Trimmed(latitude).empty() || !Trimmed(longitude).empty()) {
        double lat = 0.0, lon = 0.0;
        // Half a home is no home.
        if (ReadInRange(latitude, -90.0, 90.0, &lat) && ReadInRange(longitude, -180.0, 180.0, &lon)) {
            s.hasHome = true;
            s.homeLatitude = lat;
            s.homeLongitude = lon;
        } else {
            m_unreadable.push_back(kHomeLatitude);
        }
    }
    read(kHomeName, [&](const std::string& t) {
        const std::string name = Trimmed(t);
        if (name.size() > kMaxHomeNameBytes) {
            return false;
        }
        s.homeName = name;
        return true;
    });
    read(kAlertMinIntensity, [&](const std::string& t) {
        double level = 0.0;
        if (!ReadInRange(t, 0.0, kMaxIntensity, &level) || level != static_cast<int>(level)) {
            return false;
        }
        s.minIntensity = static_cast<int>(level);
        return true;
    });
    ReadPlaces();
    read(kQuietEnabled, [&](const std::string& t) { return ReadBool(t, &s.quietEnabled); });
    read(kQuietFrom, [&](const std::string& t) { return ParseClock(t, &s.quietFromMinute); });
    read(kQuietTo, [&](const std::string& t) { return ParseClock(t, &s.quietToMinute); });
    read(kQuietWakeMagnitude, magnitude(&s.wakeMagnitude));
    read(kNotifyEnabled, [&](const std::string& t) { return ReadBool(t, &s.notifyEnabled); });
    read(kNotifyMinMagnitude, magnitude(&s.notifyMinMagnitude));
    read(kSequenceEnabled, [&](const std::string& t) { return ReadBool(t, &s.sequenceEnabled); });
    read(kSequenceSound, [&](const std::string& t) { return ReadBool(t, &s.sequenceSound); });
    read(kSequenceMinMagnitude, magnitude(&s.sequenceMinMagnitude));
    read(kDisplayTime, [&](const std::string& t) { return TimeDisplayFromName(Trimmed(t), &s.timeDisplay); });
    read(kSourcesUrls, [&](const std::string& t) { return ReadSources(t, &s.sources); });
    // Whole days, at most a year back: a source is asked for no more than that after time off.
    const auto days = [&](int* value) {
        return [value](const std::string& t) {
            double d = 0.0;
            if (!ReadInRange(t, 1.0, 365.0, &d) || d != static_cast<int>(d)) {
                return false;
            }
            *value = static_cast<int>(d);
            return true;
        };
    };
    read(kCatchUpFirstDays, days(&s.catchUpFirstDays));
    read(kCatchUpMaxDays, days(&s.catchUpMaxDays));
    read(kListDays, days(&s.listDays));
    read(kListMaxRows, [&](const std::string& t) {
        double rows = 0.0;
        if (!ReadInRange(t, kMinListRows, kMaxListRows, &rows) || rows != static_cast<int>(rows)) {
            return false;
        }
        s.listMaxRows = static_cast<int>(rows);
        return true;
    });
}

void CAlertSettingsKey::ReadPlaces() {
    const std::string array = kPlacesArray;
    const std::optional<std::string> sizeText = StoredText(m_storage, m_hKey, (array + "/size").c_str());
    double size = 0.0;
    if (!sizeText) {
        return;
    }
    if (!ReadInRange(*sizeText, 0.0, 1000.0, &size) || size != static_cast<int>(size)) {
        m_unreadable.push_back(array + "/size");
        return;
    }
    // A hand-edited file may list more; the first ones are kept.
    for (int i = 1; i <= static_cast<int>(size) && m_settings.places.size() < kMaxOtherPlaces; ++i) {
        const std::string prefix = array + "/" + std::to_string(i) + "/";
        const auto text = [&](const char* name) {
            return StoredText(m_storage, m_hKey, (prefix + name).c_str()).value_or(std::string());
        };
        Place place;
        if (PlaceFromTexts(text("name"), text("latitude"), text("longitude"), &place)) {
            m_settings.places.push_back(place);
        } else {
            m_unreadable.push_back(prefix + "name");
        }
    }
}

bool PlaceFromTexts(const std::string& name, const std::string& latitude, const std::string& longitude, Place* place) {
    Place p;
    p.name = Trimmed(name);
    if (p.name.empty() || p.name.size() > kMaxHomeNameBytes ||
        std::any_of(p.name.begin(), p.name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
        return false;
    }
    if (!ReadInRange(CommaAsPoint(latitude), -90.0, 90.0, &p.latitude) ||
        !ReadInRange(CommaAsPoint(longitude), -180.0, 180.0, &p.longitude)) {
        return false;
    }
    *place = p;
    return true;
}

AlertSettings LoadAlertSettings() {
    CAlertSettingsKey key;
    return key.m_settings;
}

void SaveAlertSettings(const AlertSettings& settings) {
    CAlertSettingsKey key;
    key.m_settings = settings;
    key.Save();
}

}  // namespace dravik
