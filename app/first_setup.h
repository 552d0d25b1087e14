#pragma once

#include <functional>
#include <string>

#include "alerts/alert_rule.h"
#include "places/place_search.h"

// What the first start's steps decide, without their windows: the language to offer, the home a found place
// gives, and the three ways of being alerted.
namespace dravik {

// The system's language as the interface offers it: the first of LC_ALL, LC_MESSAGES and LANG that is set and not
// empty decides (as the C library reads them); "pl..." is "PL", "de..." "DE", anything else "EN".
std::string SystemLanguageCode(const std::function<const char*(const char*)>& getEnv = {});

enum class AlertPreset {
    EveryQuake,     // the classic sound for each new quake (what a user who skips the step gets)
    NearAndStrong,  // III or more at a place, M 5 within 300 km, M 6.5 anywhere; notifications on
    OnlyFelt,       // III or more at a place
};
void ApplyAlertPreset(AlertPreset preset, AlertSettings* settings);

// The found place becomes the home: its coordinates and its name (cut to what the settings keep, on a whole
// character).
void SetHomeFromPlace(const FoundPlace& place, AlertSettings* settings);

// A found place as the list shows it: "Warsaw, Mazovia, Poland"; the region left out when it is unknown or the
// place's own name ("Istanbul, Türkiye").
std::string FoundPlaceText(const FoundPlace& place, const std::string& countryName);

}  // namespace dravik
