#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "alerts/alert_rule.h"
#include "platform/archive_status.h"
#include "resources/translations.h"

// Every text of the interface that depends on the language. The code holds the Polish texts; the other
// languages come from the translations built in (resources/translations.h). Only the exact codes of
// AvailableLanguages() select a language ("PL", "EN", "DE"); anything else (the empty text, "pl") selects
// neither. Where a comment below says "English for "EN", Polish otherwise", every language with a translation
// gets its own text the same way. Functions without a language argument read the stored language afresh.
namespace dravik {

inline constexpr const char* kLangPolish = "PL";
inline constexpr const char* kLangEnglish = "EN";

// Numbered texts 1-10 (column headers, the close question and its caption); empty for another number or
// when the language is neither.
std::string GetUiText(int number);
std::string UiTextFor(const std::string& lang, int number);

// Main window button 1002 and check box 1006: the language's texts, the Polish ones for an unknown language.
std::string HideButtonText(const std::string& lang);
std::string ShowMapText(const std::string& lang);

// Tray icon: tooltip and icon/menu id; empty and 0 when the language is neither (then no icon is added).
std::string TrayTooltip(const std::string& lang);
int TrayMenuId(const std::string& lang);

// The code of the language at that place of the language dialog (AvailableLanguages(): 0 Polish, 1 English,
// 2 German); Polish for a place out of range.
std::string LanguageCode(int languageIndex);

// After a language change, in the newly chosen language (its place in AvailableLanguages()).
std::string RestartMessage(int languageIndex);

// The new-version notice: the Polish three lines for "PL", the language's text for another language, the English
// text for an unknown value.
std::string VersionMessage(const std::string& lang, const std::string& ownVersion, const std::string& newVersion,
                           const std::string& siteHost);

// The new-version notice of the status line, with both versions and the site's address:
// "Dostępna jest nowa wersja 1.16 (masz 1.15): http://dravik.example".
std::string VersionStatusText(const std::string& lang, const std::string& ownVersion, const std::string& newVersion,
                              const std::string& siteUrl);

// The language dialog's texts after a click on a radio button (0 "Polski", 1 "English", 2 "Deutsch").
struct LanguageDialogTexts {
    std::string caption;
    std::string okText;
    std::string cancelText;
};
LanguageDialogTexts LanguageDialogTextsFor(int languageIndex);
// Its caption when it opens: "Language" when "EN" is stored, "Sprache" for "DE", the resource caption otherwise.
std::string LanguageDialogOpeningCaption(const std::string& lang);

// The status line while the archive cannot be written: "Archive unavailable: disk full" for "EN", the Polish
// text otherwise; empty for kNone and kInterrupted.
std::string ArchiveProblemText(const std::string& lang, ArchiveFault fault);

// The history window's note while the archive is being read: "Loading…" for "EN", "Wczytywanie…" otherwise.
std::string HistoryLoadingText(const std::string& lang);

// A source that cannot be read, while it lasts: "Source unavailable: www.seismicportal.eu (HTTP 503)" for "EN",
// "Źródło niedostępne: ..." otherwise.
std::string SourceProblemText(const std::string& lang, const std::string& host, const std::string& reason);
// A fetch's failure in the language ("nie można połączyć" for "cannot connect", FetchFailureName); any other
// reason ("HTTP 503", a reader's own words) as it stands.
std::string NetworkReasonText(const std::string& lang, const std::string& reason);
// A tsunami warning, watch, advisory or threat in force, in the status line: "Ostrzeżenie o tsunami: <title>
// (<centre>)".
std::string TsunamiStatusText(const std::string& lang, const std::string& title, const std::string& centre);
// The action of a tsunami message's notification, which opens the message: "Otwórz komunikat".
std::string TsunamiOpenText(const std::string& lang);
// The summary notice of a round's tsunami messages past the first few: "3 more tsunami messages".
std::string MoreTsunamiMessagesText(const std::string& lang, std::size_t count);
// A clock difference as people say it: "1 h", "12 min" (whole hours from an hour on).
std::string ClockAmountText(std::int64_t differenceMs);
// "Zegar komputera różni się od zegara źródła o 1 h": the sources' clock and the computer's differ.
std::string ClockDifferenceText(const std::string& lang, std::int64_t differenceMs);
// "Archiwum było uszkodzone: zachowane jako <file>, zaczęte nowe": a damaged archive was set aside at the start.
std::string ArchiveSetAsideText(const std::string& lang, const std::string& kept);
// "Uzupełnianie archiwum: <host>…": the source's catch-up stopped before its end and goes on at the next cycle.
std::string CatchingUpText(const std::string& lang, const std::string& host);
// A catch-up given up for this run: the archive lacks some of the source's reports.
std::string CatchUpGivenUpText(const std::string& lang, const std::string& host);
// The solar wind's status line, with %1 for the speed and %2 for the density.
std::string SolarWindForm(const std::string& lang);
// "Wiatr słoneczny: brak danych (<host>)": the solar-wind page gave no reading.
std::string SolarWindNoDataText(const std::string& lang, const std::string& host);
// Over the empty list while no source can be read.
std::string NoSourceReadText(const std::string& lang);

// The settings window, the alert texts and the notifications. English for "EN", Polish otherwise (the
// window's resource language).
enum class AlertText {
    SettingsCaption,
    SettingsMenuItem,
    GroupAlerts,
    GlobalMagnitude,
    GroupHome,
    Latitude,
    Longitude,
    HomeName,
    RadiusKm,
    NearMagnitude,
    GroupQuiet,
    QuietEnabled,
    QuietFrom,
    QuietTo,
    WakeMagnitude,
    GroupNotify,
    NotifyEnabled,
    SequenceSound,
    NotifyMinMagnitude,
    TimeDisplayLabel,
    TimeClassic,
    TimeLocal,
    TimeUtc,
    CorrectMarkedFields,
    Ok,
    Cancel,
    HomeDefaultName,
    ShowAction,
    GroupSources,
    SourceAddresses,
    StartWithSession,
    AutostartFailed,
    MinIntensity,
    MinIntensityOff,
    GroupPlaces,
    AddPlace,
    RenamePlace,
    RemovePlace,
    PlaceCaption,
    PlaceLatitude,
    PlaceProblem,
};
std::string AlertUiText(const std::string& lang, AlertText id);

// The tray menus' settings item as the Polish table writes it.
inline constexpr const char* kSettingsMenuItemPolish = "Ustawienia...";

// The list's time header with the zone of the times it shows: "Godzina (UTC)", "Time (CET)" (the local zone in
// force at nowUtcSeconds, now when not given); the plain header for the classic form; empty when the language is
// neither.
std::string TimeHeaderText(const std::string& lang, TimeDisplay display);
std::string TimeHeaderText(const std::string& lang, TimeDisplay display, std::int64_t nowUtcSeconds);

// "1 240 km SE of Home" / "Dom: 1 240 km na południowy wschód": whole kilometres in groups of three, the compass
// point of the bearing (in words in Polish), the home's name (the language's default when empty). Polish puts the
// name first, as a name given by the user cannot be declined.
std::string DistanceText(const std::string& lang, double km, double bearingDeg, const std::string& homeName);
// The kilometres alone, as DistanceText writes them: "1 240 km" (the list's distance column).
std::string KmText(double km);

// A place's name as shown: its own, the language's name for the home when it has none.
std::string PlaceName(const std::string& lang, const Place& place);

// The words of an intensity level, as USGS's scale says them: I "Nieodczuwalne" / "Not felt", II-III "Słabe" /
// "Weak", IV "Lekkie" / "Light" ... X and above "Ekstremalne" / "Extreme".
std::string ShakingWords(const std::string& lang, int level);
// The same as a phrase inside a sentence: "silne wstrząsy" / "strong shaking".
std::string ShakingPhrase(const std::string& lang, int level);
// One place's expected shaking: in a row's tooltip "Tulsa: IV – lekkie, 100 km"; in a notification
// "Tulsa: IV (light shaking), 100 km".
std::string PlaceShakingLine(const std::string& lang, const std::string& placeName, const PlaceShaking& shaking);
std::string PlaceShakingNotice(const std::string& lang, const std::string& placeName, const PlaceShaking& shaking);
// What the agency measured at the place, before the expectation: "ShakeMap, Antakya: VIII", then the felt
// reports "Odczuwalne, Antakya: VII (zgłoszeń w promieniu 10 km: 412)", then PlaceShakingLine.
std::vector<std::string> PlaceShakingLines(const std::string& lang, const std::string& placeName,
                                           const PlaceShaking& shaking);
// What the agency said people felt, a line each: "felt V, 1 234 reports", ShakeMap's largest intensity
// ("ShakeMap: up to VI"), PAGER's level, and with
// USGS's tsunami flag the neutral "Large quake under the sea: tsunami.gov has the official messages" (the flag
// marks large quakes in oceanic regions, not a message). None when it said nothing.
std::vector<std::string> FeltLines(const std::string& lang, const FeltData& felt);
// The same, for the history list.
std::vector<std::string> HistoryFeltLines(const std::string& lang, const FeltData& felt);

// The notification of one event: summary "M 5.3 NORTHERN ALGERIA"; body the time in the chosen display,
// the depth and, when known, the distance from the nearest place, each place where II or more is expected
// (strongest first) and what the agency said people felt.
std::string NotificationSummary(const QuakeEvent& event);
std::string NotificationBody(const std::string& lang, const QuakeEvent& event, const AlertSettings& settings,
                             const AlertDecision& decision);
// The first line of a notification that a revision set off: "revised to M 5.3 (was M 4.8)" / "skorygowano do M 5.3
// (było M 4.8)".
std::string RevisedText(const std::string& lang, const std::string& mag, const std::string& previousMag);
// The summary notification of the rest of a round: "3 more earthquakes" / "Jeszcze 3 trzęsienia ziemi".
std::string MoreEarthquakesText(const std::string& lang, std::size_t count);
// The summary of a round's aftershocks of one main shock: "12 aftershocks of M 6.8 CRETE, largest M 4.9" /
// "12 wstrząsów wtórnych M 6.8 KRETA, największy M 4.9".
std::string AftershocksText(const std::string& lang, std::size_t count, const std::string& mainMag,
                            const std::string& mainRegion, const std::string& largestMag);
// A translated text with %1, %2... put in, as every text here does it; a text without its blanks around.
std::string FillText(const std::string& text, const std::vector<std::string>& args);
std::string StrippedText(const std::string& text);
// An aftershock's line in its row's tooltip: "aftershock of M 6.8 CRETE" / "wstrząs wtórny: M 6.8 KRETA".
std::string AftershockOfText(const std::string& lang, const std::string& mainMag, const std::string& mainRegion);

// The built-in map's legend of the circles' colours (age 0 the last hour, 1 the last day, 2 older) and the
// home place's name when the user gave none: English for "EN", Polish otherwise.
std::string MapAgeLegendText(const std::string& lang, int age);
std::string HomePlaceDefaultName(const std::string& lang);
// The note over a map whose tiles could not be had (no network, a service down).
std::string MapTilesFailedText(const std::string& lang);
// The main list's accessible name.
std::string EventListName(const std::string& lang);
// The note over the map when the selected quake's coordinates are no place.
std::string MapPositionUnknownText(const std::string& lang);
// The button and menu item that open the map server's page given from outside in the user's browser.
std::string MapOpenInBrowserText(const std::string& lang);
// The caption of the legend's entries for the bands of the selected quake's expected shaking.
std::string MapShakingCaptionText(const std::string& lang);
// The same when the bands are ShakeMap's measured contours.
std::string MapMeasuredShakingCaptionText(const std::string& lang);
// The legend's name of the sequence's zone: "aftershock zone".
std::string MapSequenceZoneText(const std::string& lang);
// The map's name for screen readers.
std::string MapAccessibleNameText(const std::string& lang);
// The settings window's map group: its title, the Esri key's label and what the key does, and why a key is refused.
std::string MapSettingsGroupText(const std::string& lang);
std::string EsriKeyLabelText(const std::string& lang);
std::string EsriKeyHintText(const std::string& lang);
std::string EsriKeyProblemText(const std::string& lang);
// Keeping a point of the map as one of the user's places: the map's menu item, the caption and latitude field of
// its window (the name, longitude and buttons are the settings window's), and the refusal when all are taken.
enum class PlaceText { MenuItem, Full };
std::string PlaceUiText(const std::string& lang, PlaceText id);

// History chart's axis labels: English for "EN", Polish otherwise. Months are numbered 1-12.
// A month's short name: "mar" / "Mar".
std::string ChartMonthName(const std::string& lang, int month);
// A day on the time axis: "5 mar" / "Mar 5".
std::string ChartDayLabel(const std::string& lang, int month, int day);
// A month on the time axis, with its year when asked: "mar 2016" / "Mar 2016", else "mar" / "Mar".
std::string ChartMonthLabel(const std::string& lang, int year, int month, bool withYear);

// The question before closing from the tray, and its caption.
std::string TrayCloseQuestion(const std::string& lang);
std::string QuestionCaption(const std::string& lang);
// The one verb for ending the program, on the tray menu's entry and the close questions' yes button.
std::string QuitButtonText(const std::string& lang);
// Without a tray the hide button minimises: its tooltip, and the notice the first such hiding of a run gives.
std::string NoTrayHideHint(const std::string& lang);

}  // namespace dravik

// Texts that explain choices and say what is wrong, English for "EN", Polish otherwise.
namespace dravik {

enum class AlertField;  // app/alert_settings_key.h

// The caption of the program's message boxes: the program's name as users know it, in both languages (the
// executable's file name is lower case).
inline constexpr const char* kMessageBoxCaption = "Dravik";

enum class LookText {
    TimeClassicHint,
    TimeLocalHint,
    TimeUtcHint,
};
std::string LookUiText(const std::string& lang, LookText id);
// What a time display shows, for the settings window's choice.
std::string TimeDisplayHint(const std::string& lang, TimeDisplay display);
// What a refused settings field must hold, named: "Szerokość: stopnie od -90 do 90, obie współrzędne albo żadna".
std::string FieldProblemText(const std::string& lang, AlertField field);

}  // namespace dravik
