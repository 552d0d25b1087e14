#pragma once

#include <string>
#include <vector>

#include "alerts/alert_rule.h"
#include "app/settings_key.h"

namespace dravik {

// Value names in "Software\Korvan\Dravik" (QSettings groups on Linux: [alert] globalMagnitude=... in
// Dravik.conf), so that users and packagers can preset them.
inline constexpr const char* kAlertGlobalMagnitude = "alert/globalMagnitude";
inline constexpr const char* kAlertNearMagnitude = "alert/nearMagnitude";
inline constexpr const char* kAlertRadiusKm = "alert/radiusKm";
inline constexpr const char* kHomeLatitude = "home/latitude";
inline constexpr const char* kHomeLongitude = "home/longitude";
inline constexpr const char* kHomeName = "home/name";
// The other places: a QSettings array ("places/size", "places/<i>/name", .../latitude, .../longitude, i from 1).
inline constexpr const char* kPlacesArray = "places";
inline constexpr const char* kAlertMinIntensity = "alert/minIntensity";
inline constexpr const char* kQuietEnabled = "quiet/enabled";
inline constexpr const char* kQuietFrom = "quiet/from";
inline constexpr const char* kQuietTo = "quiet/to";
inline constexpr const char* kQuietWakeMagnitude = "quiet/wakeMagnitude";
inline constexpr const char* kNotifyEnabled = "notify/enabled";
inline constexpr const char* kNotifyMinMagnitude = "notify/minMagnitude";
// Aftershock sequences: grouped notifications (read only), whether their sound follows too, and the magnitude
// that opens one (read only).
inline constexpr const char* kSequenceEnabled = "sequence/enabled";
inline constexpr const char* kSequenceSound = "sequence/sound";
inline constexpr const char* kSequenceMinMagnitude = "sequence/minMagnitude";
inline constexpr const char* kDisplayTime = "display/time";
inline constexpr const char* kSourcesUrls = "sources/urls";
// Read only (no field in the settings window): how far back a source is read at a first start, and at most.
inline constexpr const char* kCatchUpFirstDays = "catchup/firstDays";
inline constexpr const char* kCatchUpMaxDays = "catchup/maxDays";
// Read only: how many days back the main list (and with it the map) reaches, and how many rows it holds at most.
inline constexpr const char* kListDays = "list/days";
inline constexpr const char* kListMaxRows = "list/maxRows";
inline constexpr int kMinListRows = 100;
inline constexpr int kMaxListRows = 100000;

// The time display of a user whose settings name none.
inline constexpr TimeDisplay kDefaultTimeDisplay = TimeDisplay::Local;

// The alert settings as texts, as the settings window edits them and as they are stored.
struct AlertSettingsForm {
    std::string globalMagnitude, nearMagnitude, radiusKm, latitude, longitude, homeName;
    bool quietEnabled = false;
    std::string quietFrom, quietTo, wakeMagnitude;
    bool notifyEnabled = true;
    std::string notifyMinMagnitude;
    bool sequenceSound = false;
    TimeDisplay timeDisplay = TimeDisplay::Classic;
    std::string sources;
    // Edited as values by the window's own controls, each checked there (PlaceFromTexts).
    std::vector<Place> places{};
    int minIntensity = 0;
};

// A place from the texts of its fields, as the settings window and the settings file give them: a name
// (trimmed, 1..64 bytes, no control bytes) and both coordinates; false when one of them does not read.
bool PlaceFromTexts(const std::string& name, const std::string& latitude, const std::string& longitude, Place* place);

enum class AlertField {
    GlobalMagnitude,
    NearMagnitude,
    RadiusKm,
    Latitude,
    Longitude,
    HomeName,
    QuietFrom,
    QuietTo,
    WakeMagnitude,
    NotifyMinMagnitude,
    Sources,
};

// The texts of the settings: numbers with a dot, times "HH:MM", an empty home as two empty texts.
AlertSettingsForm FormFromSettings(const AlertSettings& settings);
// Reads the texts into *settings; the fields that do not read (a latitude of 91, a radius of -5, letters,
// one coordinate without the other) are returned and *settings is left alone unless none is. A comma is
// taken as the decimal point, as a Polish keyboard types it.
std::vector<AlertField> SettingsFromForm(const AlertSettingsForm& form, AlertSettings* settings);

// Whether `text` is a list of earthquake sources: at most 16 http:// or https:// addresses separated by
// blanks, each without control bytes and at most 2,048 bytes; the empty text (the built-in source) too.
bool ReadSources(const std::string& text, std::string* sources);

// Numbers as stored: a dot whatever the locale, no exponent, no trailing zeros beyond one decimal ("5.0").
std::string FormatDecimal(double value);
// "HH:MM" of a minute of the day, and back ("7:05" and "07:05" read); false for anything else.
std::string FormatClock(int minuteOfDay);
bool ParseClock(const std::string& text, int* minuteOfDay);

// The alert settings in the user's settings. Construction reads every value; one that is missing or does
// not read counts as its default. Nothing is written until Save, which writes every value.
class CAlertSettingsKey final : public CSettingsKeyBase {
public:
    CAlertSettingsKey();
    explicit CAlertSettingsKey(ISettingsStorage& storage);
    ~CAlertSettingsKey() override;

    void Save();

    AlertSettings m_settings;
    // Names of the values read as their default although something was stored.
    std::vector<std::string> m_unreadable;

protected:
    void TransferValues(bool save) override;

private:
    void ReadPlaces();
};

// One read of the stored settings, and one write of all of them.
AlertSettings LoadAlertSettings();
void SaveAlertSettings(const AlertSettings& settings);

}  // namespace dravik
