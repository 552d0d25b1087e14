#include "app/first_setup.h"

#include <cstdlib>

namespace dravik {
namespace {

// The settings keep a name of at most 64 bytes.
constexpr std::size_t kNameBytes = 64;

}  // namespace

std::string SystemLanguageCode(const std::function<const char*(const char*)>& getEnv) {
    const auto get = [&](const char* name) -> const char* { return getEnv ? getEnv(name) : std::getenv(name); };
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = get(name);
        if (value == nullptr || *value == '\0') {
            continue;
        }
        const std::string text = value;
        const std::string language = text.substr(0, text.find_first_of("_.@"));
        if (language == "pl") {
            return "PL";
        }
        if (language == "de") {
            return "DE";
        }
        return "EN";
    }
    return "EN";
}

void ApplyAlertPreset(AlertPreset preset, AlertSettings* s) {
    switch (preset) {
        case AlertPreset::EveryQuake:
            s->globalMagnitude = 0.0;
            s->radiusKm = 0.0;
            s->minIntensity = 0;
            break;
        case AlertPreset::NearAndStrong:
            s->globalMagnitude = 6.5;
            s->nearMagnitude = 5.0;
            s->radiusKm = 300.0;
            s->minIntensity = 3;
            s->notifyEnabled = true;
            break;
        case AlertPreset::OnlyFelt:
            // The highest magnitude the settings take: no quake alerts for its size alone.
            s->globalMagnitude = 10.0;
            s->radiusKm = 0.0;
            s->minIntensity = 3;
            break;
    }
}

void SetHomeFromPlace(const FoundPlace& place, AlertSettings* s) {
    s->hasHome = true;
    s->homeLatitude = place.latitude;
    s->homeLongitude = place.longitude;
    std::string name = place.name;
    if (name.size() > kNameBytes) {
        std::size_t cut = kNameBytes;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        name.resize(cut);
    }
    s->homeName = name;
}

std::string FoundPlaceText(const FoundPlace& place, const std::string& countryName) {
    std::string text = place.name;
    if (!place.region.empty() && place.region != place.name) {
        text += ", " + place.region;
    }
    if (!countryName.empty()) {
        text += ", " + countryName;
    }
    return text;
}

}  // namespace dravik
