#include "app/ui_texts.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <utility>
#include <vector>

#include <QString>
#include <QtGlobal>

#include "alerts/time_display.h"
#include "app/alert_settings_key.h"
#include "app/headline_texts.h"
#include "app/settings_key.h"
#include "resources/translations.h"
#include "shaking/intensity.h"
#include "sources/geo.h"
#include "sources/page_fetch.h"

namespace dravik {
namespace {

constexpr std::array<const char*, 11> kNumberedTexts = {{
    {QT_TRANSLATE_NOOP("Texts", "Mag")},
    {QT_TRANSLATE_NOOP("Texts", "Lokalizacja")},
    {QT_TRANSLATE_NOOP("Texts", "Data")},
    {QT_TRANSLATE_NOOP("Texts", "Godzina")},
    {QT_TRANSLATE_NOOP("Texts", "Szer.")},
    {QT_TRANSLATE_NOOP("Texts", "Dług.")},
    {QT_TRANSLATE_NOOP("Texts", "Zamknąć program?")},
    {QT_TRANSLATE_NOOP("Texts", "Pytanie")},
    {QT_TRANSLATE_NOOP("Texts", "Głęb.")},
    {QT_TRANSLATE_NOOP("Texts", "Odległość")},
    {QT_TRANSLATE_NOOP("Texts", "Odczuwalność")},
}};

struct AlertTextPair {
    AlertText id;
    const char* polish;
};

constexpr AlertTextPair kAlertTexts[] = {
    {AlertText::SettingsCaption, QT_TRANSLATE_NOOP("Texts", "Ustawienia")},
    {AlertText::SettingsMenuItem, QT_TRANSLATE_NOOP("Texts", "Ustawienia...")},
    {AlertText::GroupAlerts, QT_TRANSLATE_NOOP("Texts", "Alarmy")},
    {AlertText::GlobalMagnitude, QT_TRANSLATE_NOOP("Texts", "Alarm od magnitudy:")},
    {AlertText::GroupHome, QT_TRANSLATE_NOOP("Texts", "Miejsce domowe")},
    {AlertText::Latitude, QT_TRANSLATE_NOOP("Texts", "Szerokość (°, puste = brak):")},
    {AlertText::Longitude, QT_TRANSLATE_NOOP("Texts", "Długość (°):")},
    {AlertText::HomeName, QT_TRANSLATE_NOOP("Texts", "Nazwa:")},
    {AlertText::RadiusKm, QT_TRANSLATE_NOOP("Texts", "Promień (km, 0 = bez alarmu):")},
    {AlertText::NearMagnitude, QT_TRANSLATE_NOOP("Texts", "W promieniu od magnitudy:")},
    {AlertText::GroupQuiet, QT_TRANSLATE_NOOP("Texts", "Godziny ciszy")},
    {AlertText::QuietEnabled, QT_TRANSLATE_NOOP("Texts", "Włączone")},
    {AlertText::QuietFrom, QT_TRANSLATE_NOOP("Texts", "Od (GG:MM):")},
    {AlertText::QuietTo, QT_TRANSLATE_NOOP("Texts", "Do (GG:MM):")},
    {AlertText::WakeMagnitude, QT_TRANSLATE_NOOP("Texts", "Zawsze budź od magnitudy:")},
    {AlertText::GroupNotify, QT_TRANSLATE_NOOP("Texts", "Powiadomienia")},
    {AlertText::NotifyEnabled, QT_TRANSLATE_NOOP("Texts", "Powiadomienia na pulpicie")},
    {AlertText::SequenceSound, QT_TRANSLATE_NOOP("Texts", "Dźwięk wstrząsów wtórnych raz na cykl")},
    {AlertText::NotifyMinMagnitude, QT_TRANSLATE_NOOP("Texts", "Od magnitudy (0 = każdy alarm):")},
    {AlertText::TimeDisplayLabel, QT_TRANSLATE_NOOP("Texts", "Pokazuj czas:")},
    {AlertText::TimeClassic, QT_TRANSLATE_NOOP("Texts", "klasyczny (czas źródła + 1 h)")},
    {AlertText::TimeLocal, QT_TRANSLATE_NOOP("Texts", "mój czas lokalny")},
    {AlertText::TimeUtc, QT_TRANSLATE_NOOP("Texts", "UTC")},
    {AlertText::CorrectMarkedFields, QT_TRANSLATE_NOOP("Texts", "Popraw zaznaczone pola.")},
    {AlertText::Ok, QT_TRANSLATE_NOOP("Texts", "OK")},
    {AlertText::Cancel, QT_TRANSLATE_NOOP("Texts", "Anuluj")},
    {AlertText::HomeDefaultName, QT_TRANSLATE_NOOP("Texts", "Dom")},
    {AlertText::ShowAction, QT_TRANSLATE_NOOP("Texts", "Pokaż")},
    {AlertText::GroupSources, QT_TRANSLATE_NOOP("Texts", "Źródła danych")},
    {AlertText::SourceAddresses, QT_TRANSLATE_NOOP("Texts", "Adresy (oddzielone spacjami, puste = EMSC):")},
    {AlertText::StartWithSession, QT_TRANSLATE_NOOP("Texts", "Uruchamiaj razem z sesją")},
    {AlertText::AutostartFailed, QT_TRANSLATE_NOOP("Texts", "Nie można zmienić uruchamiania z sesją:")},
    {AlertText::MinIntensity, QT_TRANSLATE_NOOP("Texts", "Alarm, gdy u mnie może być odczuwalne od:")},
    {AlertText::MinIntensityOff, QT_TRANSLATE_NOOP("Texts", "nigdy (tylko magnituda)")},
    {AlertText::GroupPlaces, QT_TRANSLATE_NOOP("Texts", "Inne miejsca")},
    {AlertText::AddPlace, QT_TRANSLATE_NOOP("Texts", "Dodaj…")},
    {AlertText::RenamePlace, QT_TRANSLATE_NOOP("Texts", "Zmień…")},
    {AlertText::RemovePlace, QT_TRANSLATE_NOOP("Texts", "Usuń")},
    {AlertText::PlaceCaption, QT_TRANSLATE_NOOP("Texts", "Miejsce")},
    {AlertText::PlaceLatitude, QT_TRANSLATE_NOOP("Texts", "Szerokość (°):")},
    {AlertText::PlaceProblem,
     QT_TRANSLATE_NOOP("Texts", "Podaj nazwę (najwyżej 64 bajty), szerokość od -90 do 90 i długość od -180 do 180.")},
};

std::string Stripped(const std::string& text) {
    const std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) {
        return {};
    }
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

// The text in the language, through its translation; the Polish source for Polish and unknown languages.
std::string Tr(const std::string& lang, const char* polish) {
    return Translate(lang, "Texts", polish);
}

// The text with %1, %2... put in, in the order the translation places them. One pass: a value is never read
// as a mark (the versions come from a server).
std::string Filled(const std::string& text, const std::vector<std::string>& args) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const auto index = static_cast<std::size_t>(text[i + 1] - '1');
            if (index < args.size()) {
                out += args[index];
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

}  // namespace

std::string GetUiText(int number) {
    return UiTextFor(UiLanguage(), number);
}

std::string UiTextFor(const std::string& lang, int number) {
    if (number < 1 || number > static_cast<int>(kNumberedTexts.size())) {
        return {};
    }
    if (!IsKnownLanguage(lang)) {
        return {};
    }
    return Tr(lang, kNumberedTexts[static_cast<size_t>(number - 1)]);
}

std::string LanguageCode(int languageIndex) {
    const std::vector<LanguageInfo>& languages = AvailableLanguages();
    if (languageIndex < 0 || static_cast<std::size_t>(languageIndex) >= languages.size()) {
        return kLangPolish;
    }
    return languages[static_cast<std::size_t>(languageIndex)].code;
}

std::string TrayCloseQuestion(const std::string& lang) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "Zakończyć pracę?"));
}

std::string QuitButtonText(const std::string& lang) {
    return Translate(lang, "Tray", "Zakończ");
}

std::string NoTrayHideHint(const std::string& lang) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts",
                                      "Brak zasobnika systemowego: okno czeka zminimalizowane na pasku "
                                      "zadań. Ponowne uruchomienie programu też je przywraca."));
}

std::string QuestionCaption(const std::string& lang) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "Pytanie"));
}

std::string HideButtonText(const std::string& lang) {
    return Translate(lang, "MainWindow", "Schowaj");
}

std::string ShowMapText(const std::string& lang) {
    return Translate(lang, "MainWindow", "Pokaż na mapie");
}

std::string TrayTooltip(const std::string& lang) {
    return IsKnownLanguage(lang) ? Tr(lang, QT_TRANSLATE_NOOP("Texts", "Dravik - monitoring sejsmiczny"))
                                 : std::string();
}

int TrayMenuId(const std::string& lang) {
    if (lang == kLangEnglish) {
        return 137;
    }
    // The other languages translate the Polish menu.
    return IsKnownLanguage(lang) ? 129 : 0;
}

std::string RestartMessage(int languageIndex) {
    const std::string lang = LanguageCode(languageIndex);
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "Uruchom program ponownie"));
}

std::string VersionMessage(const std::string& lang, const std::string& ownVersion, const std::string& newVersion,
                           const std::string& siteHost) {
    // The versions are put in as plain text: the server's answer is never used as a format.
    // An unknown language gets the English text.
    const std::string shown = IsKnownLanguage(lang) ? lang : std::string(kLangEnglish);
    return Filled(Translate(shown, "Texts",
                            QT_TRANSLATE_NOOP("Texts",
                                              "Posiadasz wersję %1 programu.\nDostępna jest nowa o numerze "
                                              "%2.\nDo pobrania na stronie %3")),
                  {ownVersion, newVersion, siteHost});
}

std::string VersionStatusText(const std::string& lang, const std::string& ownVersion, const std::string& newVersion,
                              const std::string& siteUrl) {
    return Filled(Tr(lang, QT_TRANSLATE_NOOP("Texts", "Dostępna jest nowa wersja %1 (masz %2): %3")),
                  {newVersion, ownVersion, siteUrl});
}

LanguageDialogTexts LanguageDialogTextsFor(int languageIndex) {
    const std::string lang = LanguageCode(languageIndex);
    return {Translate(lang, "LanguageDialog", "Język programu (language)"), Translate(lang, "LanguageDialog", "Dalej"),
            Translate(lang, "LanguageDialog", "Zakończ")};
}

std::string LanguageDialogOpeningCaption(const std::string& lang) {
    return Translate(lang, "LanguageDialog", "Język programu (language)");
}

std::string SourceProblemText(const std::string& lang, const std::string& host, const std::string& reason) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "Źródło niedostępne: ")) + host + " (" +
           NetworkReasonText(lang, reason) + ")";
}

std::string NetworkReasonText(const std::string& lang, const std::string& reason) {
    const std::optional<FetchFailure> failure = FetchFailureNamed(reason);
    if (!failure) {
        return reason;
    }
    const char* text = nullptr;
    switch (*failure) {
        case FetchFailure::kNone:
            return std::string();
        case FetchFailure::kCannotConnect:
            text = QT_TRANSLATE_NOOP("Texts", "nie można połączyć");
            break;
        case FetchFailure::kHostNotFound:
            text = QT_TRANSLATE_NOOP("Texts", "nieznany host");
            break;
        case FetchFailure::kTimedOut:
            text = QT_TRANSLATE_NOOP("Texts", "przekroczony czas oczekiwania");
            break;
        case FetchFailure::kTls:
            text = QT_TRANSLATE_NOOP("Texts", "błąd TLS");
            break;
        case FetchFailure::kTooManyRedirects:
            text = QT_TRANSLATE_NOOP("Texts", "za dużo przekierowań");
            break;
        case FetchFailure::kRefusedScheme:
            text = QT_TRANSLATE_NOOP("Texts", "adres inny niż http i https");
            break;
        case FetchFailure::kTooLarge:
            text = QT_TRANSLATE_NOOP("Texts", "za duża odpowiedź");
            break;
        case FetchFailure::kOther:
            text = QT_TRANSLATE_NOOP("Texts", "błąd sieci");
            break;
    }
    return Tr(lang, text);
}

std::string TsunamiStatusText(const std::string& lang, const std::string& title, const std::string& centre) {
    return Filled(Tr(lang, QT_TRANSLATE_NOOP("Texts", "Ostrzeżenie o tsunami: %1 (%2)")), {title, centre});
}

std::string TsunamiOpenText(const std::string& lang) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "Otwórz komunikat"));
}

std::string MoreTsunamiMessagesText(const std::string& lang, std::size_t count) {
    // Polish plural: 1 komunikat, 2-4 (not 12-14) komunikaty, otherwise komunikatów.
    const std::size_t lastTwo = count % 100;
    const std::size_t last = count % 10;
    const char* text = count == 1 ? QT_TRANSLATE_NOOP("Texts", "Jeszcze %1 komunikat o tsunami")
                       : (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14))
                           ? QT_TRANSLATE_NOOP("Texts", "Jeszcze %1 komunikaty o tsunami")
                           : QT_TRANSLATE_NOOP("Texts", "Jeszcze %1 komunikatów o tsunami");
    return Filled(Tr(lang, text), {std::to_string(count)});
}

std::string CatchingUpText(const std::string& lang, const std::string& host) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "Uzupełnianie archiwum: ")) + host + "…";
}

std::string CatchUpGivenUpText(const std::string& lang, const std::string& host) {
    return Filled(Tr(lang, QT_TRANSLATE_NOOP("Texts", "Archiwum niepełne, uzupełnianie wstrzymane: %1")), {host});
}

std::string SolarWindForm(const std::string& lang) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "Prędkość wiatru słonecznego: %1 km/s, gęstość: %2 protonów/cm³"));
}

std::string SolarWindNoDataText(const std::string& lang, const std::string& host) {
    return Filled(Tr(lang, QT_TRANSLATE_NOOP("Texts", "Wiatr słoneczny: brak danych (%1)")), {host});
}

std::string NoSourceReadText(const std::string& lang) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "Brak trzęsień do pokazania: żadne źródło nie odpowiada."));
}

std::string ArchiveProblemText(const std::string& lang, ArchiveFault fault) {
    const char* reason = nullptr;
    switch (fault) {
        case ArchiveFault::kNone:
        case ArchiveFault::kInterrupted:
            return std::string();
        case ArchiveFault::kDiskFull:
            reason = QT_TRANSLATE_NOOP("Texts", "pełny dysk");
            break;
        case ArchiveFault::kReadOnly:
            reason = QT_TRANSLATE_NOOP("Texts", "tylko do odczytu");
            break;
        case ArchiveFault::kLocked:
            reason = QT_TRANSLATE_NOOP("Texts", "zablokowane przez inny program");
            break;
        case ArchiveFault::kDamaged:
            reason = QT_TRANSLATE_NOOP("Texts", "uszkodzone");
            break;
        case ArchiveFault::kOther:
            reason = QT_TRANSLATE_NOOP("Texts", "błąd zapisu");
            break;
    }
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "Archiwum niedostępne: ")) + Tr(lang, reason);
}

std::string ClockAmountText(std::int64_t differenceMs) {
    const std::int64_t minutes = (std::llabs(differenceMs) + 30000) / 60000;
    return minutes >= 60 ? std::to_string((minutes + 30) / 60) + " h" : std::to_string(minutes) + " min";
}

std::string ClockDifferenceText(const std::string& lang, std::int64_t differenceMs) {
    return Filled(Tr(lang, QT_TRANSLATE_NOOP("Texts", "Zegar komputera różni się od zegara źródła o %1")),
                  {ClockAmountText(differenceMs)});
}

std::string ArchiveSetAsideText(const std::string& lang, const std::string& kept) {
    return Filled(Tr(lang, QT_TRANSLATE_NOOP("Texts", "Archiwum było uszkodzone: zachowane jako %1, zaczęte nowe")),
                  {kept});
}

std::string HistoryLoadingText(const std::string& lang) {
    return Translate(lang, "History", QT_TRANSLATE_NOOP("History", "Wczytywanie…"));
}

std::string MapAgeLegendText(const std::string& lang, int age) {
    static const char* const kPolish[] = {QT_TRANSLATE_NOOP("Texts", "Ostatnia godzina"),
                                          QT_TRANSLATE_NOOP("Texts", "Ostatnia doba"),
                                          QT_TRANSLATE_NOOP("Texts", "Starsze")};
    if (age < 0 || age > 2) {
        return {};
    }
    return Tr(lang, kPolish[age]);
}

std::string HomePlaceDefaultName(const std::string& lang) {
    return AlertUiText(lang, AlertText::HomeDefaultName);
}

std::string MapTilesFailedText(const std::string& lang) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "Nie można wczytać kafelków mapy."));
}

std::string EventListName(const std::string& lang) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "Lista trzęsień"));
}

std::string MapPositionUnknownText(const std::string& lang) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "Nieznane położenie zdarzenia."));
}

std::string MapOpenInBrowserText(const std::string& lang) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "Otwórz w przeglądarce"));
}

std::string MapSequenceZoneText(const std::string& lang) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "strefa wstrząsów wtórnych"));
}

std::string MapAccessibleNameText(const std::string& lang) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "Mapa trzęsień"));
}

std::string MapSettingsGroupText(const std::string& lang) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "Mapa"));
}

std::string EsriKeyLabelText(const std::string& lang) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "Klucz API Esri:"));
}

std::string EsriKeyHintText(const std::string& lang) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts",
                                      "Zdjęcia satelitarne Esri są pobierane tylko z własnym kluczem; bez "
                                      "niego mapa pokazuje zdjęcia NASA GIBS."));
}

std::string EsriKeyProblemText(const std::string& lang) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "Klucz API Esri: tylko litery, cyfry oraz . _ - (do 512 znaków)."));
}

std::string MapShakingCaptionText(const std::string& lang) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "Oczekiwane wstrząsy"));
}

std::string MapMeasuredShakingCaptionText(const std::string& lang) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "Wstrząsy wg ShakeMap"));
}

std::string PlaceUiText(const std::string& lang, PlaceText id) {
    // The refusal names the bound in words of its own grammar.
    static_assert(kMaxOtherPlaces == 9, "the refusal's text says 10 places: the home and 9 others");
    switch (id) {
        case PlaceText::MenuItem:
            return Tr(lang, QT_TRANSLATE_NOOP("Texts", "Ustaw tu miejsce…"));
        case PlaceText::Full:
            return Tr(lang, QT_TRANSLATE_NOOP("Texts", "Można zapisać najwyżej 10 miejsc: dom i 9 innych."));
    }
    return {};
}

}  // namespace dravik

namespace dravik {

std::string AlertUiText(const std::string& lang, AlertText id) {
    for (const AlertTextPair& text : kAlertTexts) {
        if (text.id == id) {
            return Tr(lang, text.polish);
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
        return plain + Tr(lang, QT_TRANSLATE_NOOP("Texts", " (lokalna)"));
    }
    return plain + " (" + zone + ")";
}

std::string FillText(const std::string& text, const std::vector<std::string>& args) {
    return Filled(text, args);
}

std::string StrippedText(const std::string& text) {
    return Stripped(text);
}

// History chart's axis labels.

namespace {

constexpr std::array<const char*, 12> kMonthsPolish = {
    QT_TRANSLATE_NOOP("Chart", "sty"), QT_TRANSLATE_NOOP("Chart", "lut"), QT_TRANSLATE_NOOP("Chart", "mar"),
    QT_TRANSLATE_NOOP("Chart", "kwi"), QT_TRANSLATE_NOOP("Chart", "maj"), QT_TRANSLATE_NOOP("Chart", "cze"),
    QT_TRANSLATE_NOOP("Chart", "lip"), QT_TRANSLATE_NOOP("Chart", "sie"), QT_TRANSLATE_NOOP("Chart", "wrz"),
    QT_TRANSLATE_NOOP("Chart", "paź"), QT_TRANSLATE_NOOP("Chart", "lis"), QT_TRANSLATE_NOOP("Chart", "gru"),
};

}  // namespace

std::string ChartMonthName(const std::string& lang, int month) {
    if (month < 1 || month > 12) {
        return "?";
    }
    const auto index = static_cast<std::size_t>(month - 1);
    return Translate(lang, "Chart", kMonthsPolish[index]);
}

std::string ChartDayLabel(const std::string& lang, int month, int day) {
    const std::string name = ChartMonthName(lang, month);
    // The day and the month's name, in the order the language writes them.
    return Filled(Translate(lang, "Chart", QT_TRANSLATE_NOOP("Chart", "%1 %2")), {std::to_string(day), name});
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
};

constexpr LookTextPair kLookTexts[] = {
    {LookText::TimeClassicHint,
     QT_TRANSLATE_NOOP(
         "Texts", "Czas źródła (UTC) plus godzina przez cały rok, jak w dawnych wersjach; bez zmiany czasu na letni.")},
    {LookText::TimeLocalHint,
     QT_TRANSLATE_NOOP("Texts",
                       "Czas zegara tego komputera, z czasem letnim; nagłówek kolumny podaje strefę (np. CET).")},
    {LookText::TimeUtcHint, QT_TRANSLATE_NOOP("Texts",
                                              "Uniwersalny czas koordynowany: ten sam na całym świecie, bez czasu "
                                              "letniego; w nim podają czas agencje sejsmiczne.")},
};

}  // namespace

std::string LookUiText(const std::string& lang, LookText id) {
    for (const LookTextPair& text : kLookTexts) {
        if (text.id == id) {
            return Tr(lang, text.polish);
        }
    }
    return {};
}

std::string FieldProblemText(const std::string& lang, AlertField field) {
    struct Problem {
        AlertField field;
        const char* polish;
    };
    static constexpr Problem kProblems[] = {
        {AlertField::GlobalMagnitude, QT_TRANSLATE_NOOP("Texts", "Alarm od magnitudy: liczba od 0 do 10, np. 4,5")},
        {AlertField::NearMagnitude, QT_TRANSLATE_NOOP("Texts", "W promieniu od magnitudy: liczba od 0 do 10, np. 3,0")},
        {AlertField::RadiusKm, QT_TRANSLATE_NOOP("Texts", "Promień: liczba kilometrów od 0 do 40000")},
        {AlertField::Latitude,
         QT_TRANSLATE_NOOP("Texts", "Szerokość: stopnie od -90 do 90; podaj obie współrzędne albo żadnej")},
        {AlertField::Longitude,
         QT_TRANSLATE_NOOP("Texts", "Długość: stopnie od -180 do 180; podaj obie współrzędne albo żadnej")},
        {AlertField::HomeName, QT_TRANSLATE_NOOP("Texts", "Nazwa: najwyżej 64 bajty (ok. 32 do 64 liter)")},
        {AlertField::QuietFrom, QT_TRANSLATE_NOOP("Texts", "Od: godzina w postaci GG:MM, np. 22:00")},
        {AlertField::QuietTo, QT_TRANSLATE_NOOP("Texts", "Do: godzina w postaci GG:MM, np. 07:00")},
        {AlertField::WakeMagnitude, QT_TRANSLATE_NOOP("Texts", "Zawsze budź od magnitudy: liczba od 0 do 10, np. 6,5")},
        {AlertField::NotifyMinMagnitude,
         QT_TRANSLATE_NOOP("Texts", "Powiadomienia od magnitudy: liczba od 0 do 10 (0 = każdy alarm)")},
        {AlertField::Sources,
         QT_TRANSLATE_NOOP("Texts", "Adresy: najwyżej 16 adresów http:// lub https:// oddzielonych spacjami")},
    };
    for (const Problem& p : kProblems) {
        if (p.field == field) {
            return Tr(lang, p.polish);
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
