#include "app/ui_texts.h"

#include <array>
#include <cmath>
#include <ctime>
#include <utility>

#include "app/alert_settings_key.h"
#include "app/settings_key.h"
#include "feed/geo.h"
#include "feed/time_display.h"

namespace dravik {
namespace {

struct NumberedText {
    const char* polish;
    const char* english;
};

constexpr std::array<NumberedText, 9> kNumberedTexts = {{
    {"Mag", "Mag"},
    {"Lokalizacja", "Region"},
    {"Data", "Date"},
    {"Godzina", "Time"},
    {"Szer.", "Lat."},
    {"Dług.", "Long."},
    {"Zamknąć program?", "Close?"},
    {"Pytanie", "Dravik"},
    {"Głęb.", "Depth"},
}};

struct AlertTextPair {
    AlertText id;
    const char* polish;
    const char* english;
};

constexpr AlertTextPair kAlertTexts[] = {
    {AlertText::SettingsCaption, "Ustawienia", "Settings"},
    {AlertText::SettingsMenuItem, "Ustawienia...", "Settings..."},
    {AlertText::GroupAlerts, "Alarmy", "Alerts"},
    {AlertText::GlobalMagnitude, "Alarm od magnitudy:", "Alert from magnitude:"},
    {AlertText::GroupHome, "Miejsce domowe", "Home place"},
    {AlertText::Latitude, "Szerokość (°, puste = brak):", "Latitude (°, empty = none):"},
    {AlertText::Longitude, "Długość (°):", "Longitude (°):"},
    {AlertText::HomeName, "Nazwa:", "Name:"},
    {AlertText::RadiusKm, "Promień (km, 0 = bez alarmu):", "Radius (km, 0 = no alert):"},
    {AlertText::NearMagnitude, "W promieniu od magnitudy:", "Within it from magnitude:"},
    {AlertText::GroupQuiet, "Godziny ciszy", "Quiet hours"},
    {AlertText::QuietEnabled, "Włączone", "On"},
    {AlertText::QuietFrom, "Od (GG:MM):", "From (HH:MM):"},
    {AlertText::QuietTo, "Do (GG:MM):", "To (HH:MM):"},
    {AlertText::WakeMagnitude, "Zawsze budź od magnitudy:", "Always wake me from magnitude:"},
    {AlertText::GroupNotify, "Powiadomienia", "Notifications"},
    {AlertText::NotifyEnabled, "Powiadomienia na pulpicie", "Desktop notifications"},
    {AlertText::NotifyMinMagnitude, "Od magnitudy (0 = każdy alarm):", "From magnitude (0 = every alert):"},
    {AlertText::TimeDisplayLabel, "Pokazuj czas:", "Show times as:"},
    {AlertText::TimeClassic, "klasyczny (czas źródła + 1 h)", "classic (source time + 1 h)"},
    {AlertText::TimeLocal, "mój czas lokalny", "my local time"},
    {AlertText::TimeUtc, "UTC", "UTC"},
    {AlertText::CorrectMarkedFields, "Popraw zaznaczone pola.", "Correct the marked fields."},
    {AlertText::Ok, "OK", "OK"},
    {AlertText::Cancel, "Anuluj", "Cancel"},
    {AlertText::HomeDefaultName, "Dom", "Home"},
    {AlertText::ShowAction, "Pokaż", "Show"},
    {AlertText::GroupSources, "Źródła danych", "Earthquake sources"},
    {AlertText::SourceAddresses,
     "Adresy (oddzielone spacjami, puste = EMSC):", "Addresses (separated by blanks, empty = EMSC):"},
    {AlertText::StartWithSession, "Uruchamiaj razem z sesją", "Start with my session"},
    {AlertText::AutostartFailed,
     "Nie można zmienić uruchamiania z sesją:", "Could not change the start with the session:"},
};

std::string Stripped(const std::string& text) {
    const std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) {
        return {};
    }
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

// Whole kilometres with a blank between groups of three digits.
std::string GroupedKm(double km) {
    const long long whole = std::llround(std::fmax(0.0, km));
    std::string digits = std::to_string(whole);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) {
        digits.insert(static_cast<std::size_t>(i), " ");
    }
    return digits;
}

bool IsPolish(const std::string& lang) {
    return lang == kLangPolish;
}
bool IsEnglish(const std::string& lang) {
    return lang == kLangEnglish;
}

}  // namespace

std::string GetUiText(int number) {
    return UiTextFor(UiLanguage(), number);
}

std::string UiTextFor(const std::string& lang, int number) {
    if (number < 1 || number > static_cast<int>(kNumberedTexts.size())) {
        return {};
    }
    const NumberedText& text = kNumberedTexts[static_cast<size_t>(number - 1)];
    if (IsPolish(lang)) {
        return text.polish;
    }
    if (IsEnglish(lang)) {
        return text.english;
    }
    return {};
}

std::string HideButtonText(const std::string& lang) {
    return IsEnglish(lang) ? "Hide" : "Schowaj";
}

std::string ShowMapText(const std::string& lang) {
    return IsEnglish(lang) ? "Show map" : "Pokaż na mapie";
}

std::string TrayTooltip(const std::string& lang) {
    if (IsPolish(lang)) {
        return "Dravik - monitoring sejsmiczny";
    }
    if (IsEnglish(lang)) {
        return "Dravik - earthquake monitor";
    }
    return {};
}

int TrayMenuId(const std::string& lang) {
    if (IsPolish(lang)) {
        return 129;
    }
    if (IsEnglish(lang)) {
        return 137;
    }
    return 0;
}

std::string RestartMessage(int languageIndex) {
    return languageIndex == 1 ? "Please restart application" : "Uruchom program ponownie";
}

std::string VersionMessage(const std::string& lang, const std::string& ownVersion, const std::string& newVersion,
                           const std::string& siteHost) {
    // The versions are put in as plain text: the server's answer is never used as a format.
    if (IsPolish(lang)) {
        return "Posiadasz wersję " + ownVersion + " programu.\nDostępna jest nowa o numerze " + newVersion +
               ".\nDo pobrania na stronie " + siteHost;
    }
    return "Updates available. Look on " + siteHost;
}

LanguageDialogTexts LanguageDialogTextsFor(int languageIndex) {
    if (languageIndex == 1) {
        return {"Language", "Next", "Cancel"};
    }
    return {"Język programu (language)", "Dalej", "Zakończ"};
}

std::string LanguageDialogOpeningCaption(const std::string& lang) {
    return IsEnglish(lang) ? "Language" : "Język programu (language)";
}

std::string SourceProblemText(const std::string& lang, const std::string& host, const std::string& reason) {
    return std::string(IsEnglish(lang) ? "Source unavailable: " : "Źródło niedostępne: ") + host + " (" + reason + ")";
}

std::string NoSourceReadText(const std::string& lang) {
    return IsEnglish(lang) ? "No earthquakes to show: no source can be read."
                           : "Brak trzęsień do pokazania: żadne źródło nie odpowiada.";
}

std::string ArchiveProblemText(const std::string& lang, ArchiveFault fault) {
    const bool english = IsEnglish(lang);
    const char* reason = nullptr;
    switch (fault) {
        case ArchiveFault::kNone:
        case ArchiveFault::kInterrupted:
            return std::string();
        case ArchiveFault::kDiskFull:
            reason = english ? "disk full" : "pełny dysk";
            break;
        case ArchiveFault::kReadOnly:
            reason = english ? "read-only" : "tylko do odczytu";
            break;
        case ArchiveFault::kLocked:
            reason = english ? "locked by another program" : "zablokowane przez inny program";
            break;
        case ArchiveFault::kDamaged:
            reason = english ? "damaged" : "uszkodzone";
            break;
        case ArchiveFault::kOther:
            reason = english ? "write error" : "błąd zapisu";
            break;
    }
    return std::string(english ? "Archive unavailable: " : "Archiwum niedostępne: ") + reason;
}

std::string HistoryLoadingText(const std::string& lang) {
    return IsEnglish(lang) ? "Loading…" : "Wczytywanie…";
}

std::string MapAgeLegendText(const std::string& lang, int age) {
    static const char* const kPolish[] = {"Ostatnia godzina", "Ostatnia doba", "Starsze"};
    static const char* const kEnglish[] = {"Last hour", "Last day", "Older"};
    if (age < 0 || age > 2) {
        return {};
    }
    return lang == kLangEnglish ? kEnglish[age] : kPolish[age];
}

std::string HomePlaceDefaultName(const std::string& lang) {
    return lang == kLangEnglish ? "Home" : "Dom";
}

std::string MapTilesFailedText(const std::string& lang) {
    return lang == kLangEnglish ? "Map tiles cannot be loaded." : "Nie można wczytać kafelków mapy.";
}

std::string MapPositionUnknownText(const std::string& lang) {
    return lang == kLangEnglish ? "Position unknown." : "Nieznane położenie zdarzenia.";
}

std::string MapOpenInBrowserText(const std::string& lang) {
    return lang == kLangEnglish ? "Open in browser" : "Otwórz w przeglądarce";
}

}  // namespace dravik

namespace dravik {

std::string AlertUiText(const std::string& lang, AlertText id) {
    for (const AlertTextPair& text : kAlertTexts) {
        if (text.id == id) {
            return IsEnglish(lang) ? text.english : text.polish;
        }
    }
    return {};
}

std::string TimeHeaderText(const std::string& lang, TimeDisplay display) {
    return TimeHeaderText(lang, display, static_cast<std::int64_t>(std::time(nullptr)));
}

std::string TimeHeaderText(const std::string& lang, TimeDisplay display, std::int64_t nowUtcSeconds) {
    const std::string plain = UiTextFor(lang, 4);
    if (plain.empty() || display == TimeDisplay::Classic) {
        return plain;
    }
    if (display == TimeDisplay::Utc) {
        return plain + " (UTC)";
    }
    const std::string zone = LocalZoneLabel(nowUtcSeconds);
    if (zone.empty()) {
        return plain + (IsEnglish(lang) ? " (local)" : " (lokalna)");
    }
    return plain + " (" + zone + ")";
}

std::string DistanceText(const std::string& lang, double km, double bearingDeg, const std::string& homeName) {
    const std::string name = homeName.empty() ? AlertUiText(lang, AlertText::HomeDefaultName) : homeName;
    const std::string point = CompassPoint(bearingDeg);
    if (IsEnglish(lang)) {
        return GroupedKm(km) + " km " + point + " of " + name;
    }
    // Polish names the direction in words; the name follows a colon, as it cannot be declined here.
    static const std::pair<const char*, const char*> kPolishPoints[] = {
        {"N", "północ"},   {"NE", "północny wschód"},   {"E", "wschód"}, {"SE", "południowy wschód"},
        {"S", "południe"}, {"SW", "południowy zachód"}, {"W", "zachód"}, {"NW", "północny zachód"},
    };
    std::string words = point;
    for (const auto& [code, polish] : kPolishPoints) {
        if (point == code) {
            words = polish;
        }
    }
    return GroupedKm(km) + " km na " + words + " od: " + name;
}

std::string NotificationSummary(const QuakeEvent& event) {
    return "M " + Stripped(event.mag) + " " + Stripped(event.region);
}

std::string NotificationBody(const std::string& lang, const QuakeEvent& event, const AlertSettings& settings,
                             const AlertDecision& decision) {
    const DateTimeText when =
        DisplayedTime(event.data1, event.data2, event.hasNumbers, event.originUtcMs / 1000, settings.timeDisplay);
    std::string body = Stripped(when.date + " " + when.time);
    if (settings.timeDisplay == TimeDisplay::Utc) {
        body += " UTC";
    } else if (settings.timeDisplay == TimeDisplay::Local) {
        // The zone's abbreviation (CET, CEST) at the quake says which local time it is; today's may differ. Texts
        // that do not read are shown as they are, in no zone.
        std::int64_t at = event.originUtcMs / 1000;
        if (event.hasNumbers || ClassicToUtc(event.data1, event.data2, &at)) {
            const std::string zone = LocalZoneLabel(at);
            if (!zone.empty()) {
                body += " " + zone;
            }
        }
    }
    const std::string depth = Stripped(event.depth);
    if (!depth.empty()) {
        body += (IsEnglish(lang) ? ", depth " : ", głębokość ") + depth + " km";
    }
    if (decision.hasDistance) {
        body += "\n" + DistanceText(lang, decision.distanceKm, decision.bearingDeg, settings.homeName);
    }
    return body;
}

std::string RevisedText(const std::string& lang, const std::string& mag, const std::string& previousMag) {
    if (IsEnglish(lang)) {
        return "revised to M " + Stripped(mag) + " (was M " + Stripped(previousMag) + ")";
    }
    return "skorygowano do M " + Stripped(mag) + " (było M " + Stripped(previousMag) + ")";
}

std::string MoreEarthquakesText(const std::string& lang, std::size_t count) {
    const std::string n = std::to_string(count);
    if (IsEnglish(lang)) {
        return n + (count == 1 ? " more earthquake" : " more earthquakes");
    }
    // Polish plural: 1 trzęsienie, 2-4 (not 12-14) trzęsienia, otherwise trzęsień.
    const std::size_t lastTwo = count % 100;
    const std::size_t last = count % 10;
    const char* noun = count == 1                                                   ? "trzęsienie ziemi"
                       : (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14)) ? "trzęsienia ziemi"
                                                                                    : "trzęsień ziemi";
    return "Jeszcze " + n + " " + noun;
}

// History chart's axis labels.

namespace {

constexpr std::array<const char*, 12> kMonthsPolish = {"sty", "lut", "mar", "kwi", "maj", "cze",
                                                       "lip", "sie", "wrz", "paź", "lis", "gru"};
constexpr std::array<const char*, 12> kMonthsEnglish = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

std::string ChartMonthName(const std::string& lang, int month) {
    if (month < 1 || month > 12) {
        return "?";
    }
    const auto index = static_cast<std::size_t>(month - 1);
    return IsEnglish(lang) ? kMonthsEnglish[index] : kMonthsPolish[index];
}

std::string ChartDayLabel(const std::string& lang, int month, int day) {
    const std::string name = ChartMonthName(lang, month);
    return IsEnglish(lang) ? name + " " + std::to_string(day) : std::to_string(day) + " " + name;
}

std::string ChartMonthLabel(const std::string& lang, int year, int month, bool withYear) {
    const std::string name = ChartMonthName(lang, month);
    return withYear ? name + " " + std::to_string(year) : name;
}

}  // namespace dravik

namespace dravik {
namespace {

struct LookTextPair {
    LookText id;
    const char* polish;
    const char* english;
};

constexpr LookTextPair kLookTexts[] = {
    {LookText::TimeClassicHint,
     "Czas źródła (UTC) plus godzina przez cały rok, jak w dawnych wersjach; bez zmiany czasu na letni.",
     "The source's time (UTC) plus one hour all year, as earlier versions showed it; no summer time."},
    {LookText::TimeLocalHint, "Czas zegara tego komputera, z czasem letnim; nagłówek kolumny podaje strefę (np. CET).",
     "This computer's clock time, summer time included; the column header names the zone (e.g. CET)."},
    {LookText::TimeUtcHint,
     "Uniwersalny czas koordynowany: ten sam na całym świecie, bez czasu letniego; w nim podają czas agencje "
     "sejsmiczne.",
     "Coordinated Universal Time: the same the world over, never shifted for summer; seismic agencies give times "
     "in it."},
};

}  // namespace

std::string LookUiText(const std::string& lang, LookText id) {
    for (const LookTextPair& text : kLookTexts) {
        if (text.id == id) {
            return lang == kLangEnglish ? text.english : text.polish;
        }
    }
    return {};
}

std::string FieldProblemText(const std::string& lang, AlertField field) {
    struct Problem {
        AlertField field;
        const char* polish;
        const char* english;
    };
    static constexpr Problem kProblems[] = {
        {AlertField::GlobalMagnitude, "Alarm od magnitudy: liczba od 0 do 10, np. 4,5",
         "Alert from magnitude: a number from 0 to 10, e.g. 4.5"},
        {AlertField::NearMagnitude, "W promieniu od magnitudy: liczba od 0 do 10, np. 3,0",
         "Within it from magnitude: a number from 0 to 10, e.g. 3.0"},
        {AlertField::RadiusKm, "Promień: liczba kilometrów od 0 do 40000", "Radius: kilometres from 0 to 40000"},
        {AlertField::Latitude, "Szerokość: stopnie od -90 do 90; podaj obie współrzędne albo żadnej",
         "Latitude: degrees from -90 to 90; give both coordinates or neither"},
        {AlertField::Longitude, "Długość: stopnie od -180 do 180; podaj obie współrzędne albo żadnej",
         "Longitude: degrees from -180 to 180; give both coordinates or neither"},
        {AlertField::HomeName, "Nazwa: najwyżej 64 bajty (ok. 32 do 64 liter)",
         "Name: at most 64 bytes (about 32 to 64 letters)"},
        {AlertField::QuietFrom, "Od: godzina w postaci GG:MM, np. 22:00", "From: a time as HH:MM, e.g. 22:00"},
        {AlertField::QuietTo, "Do: godzina w postaci GG:MM, np. 07:00", "To: a time as HH:MM, e.g. 07:00"},
        {AlertField::WakeMagnitude, "Zawsze budź od magnitudy: liczba od 0 do 10, np. 6,5",
         "Always wake me from magnitude: a number from 0 to 10, e.g. 6.5"},
        {AlertField::NotifyMinMagnitude, "Powiadomienia od magnitudy: liczba od 0 do 10 (0 = każdy alarm)",
         "Notifications from magnitude: a number from 0 to 10 (0 = every alert)"},
        {AlertField::Sources, "Adresy: najwyżej 16 adresów http:// lub https:// oddzielonych spacjami",
         "Addresses: at most 16 http:// or https:// addresses separated by blanks"},
    };
    for (const Problem& p : kProblems) {
        if (p.field == field) {
            return lang == kLangEnglish ? p.english : p.polish;
        }
    }
    return {};
}

std::string TimeDisplayHint(const std::string& lang, TimeDisplay display) {
    switch (display) {
        case TimeDisplay::Local:
            return LookUiText(lang, LookText::TimeLocalHint);
        case TimeDisplay::Utc:
            return LookUiText(lang, LookText::TimeUtcHint);
        case TimeDisplay::Classic:
            break;
    }
    return LookUiText(lang, LookText::TimeClassicHint);
}

}  // namespace dravik
