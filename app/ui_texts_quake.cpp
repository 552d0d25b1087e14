// What the program says of a quake: its distance from a place, the shaking there, what people felt, and the
// notifications' words.
#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "alerts/time_display.h"
#include "app/alert_settings_key.h"
#include "app/headline_texts.h"
#include "app/ui_texts.h"
#include "resources/translations.h"
#include "shaking/intensity.h"
#include "sources/geo.h"

namespace dravik {
namespace {

std::string Tr(const std::string& lang, const char* polish) {
    return Translate(lang, "Texts", polish);
}

std::string Filled(const std::string& text, const std::vector<std::string>& args) {
    return FillText(text, args);
}

std::string Stripped(const std::string& text) {
    return StrippedText(text);
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

}  // namespace

std::string KmText(double km) {
    return GroupedKm(km) + " km";
}

std::string DistanceText(const std::string& lang, double km, double bearingDeg, const std::string& homeName) {
    const std::string name = homeName.empty() ? AlertUiText(lang, AlertText::HomeDefaultName) : homeName;
    const std::string point = CompassPoint(bearingDeg);
    // Polish names the direction in words (a translation may use the compass letters); the name comes first
    // with a colon, as a name the user gave cannot be declined ("od Warszawy").
    static const std::pair<const char*, const char*> kPolishPoints[] = {
        {"N", QT_TRANSLATE_NOOP("Texts", "północ")},   {"NE", QT_TRANSLATE_NOOP("Texts", "północny wschód")},
        {"E", QT_TRANSLATE_NOOP("Texts", "wschód")},   {"SE", QT_TRANSLATE_NOOP("Texts", "południowy wschód")},
        {"S", QT_TRANSLATE_NOOP("Texts", "południe")}, {"SW", QT_TRANSLATE_NOOP("Texts", "południowy zachód")},
        {"W", QT_TRANSLATE_NOOP("Texts", "zachód")},   {"NW", QT_TRANSLATE_NOOP("Texts", "północny zachód")},
    };
    std::string words = point;
    for (const auto& [code, polish] : kPolishPoints) {
        if (point == code) {
            words = Tr(lang, polish);
        }
    }
    return Filled(Tr(lang, QT_TRANSLATE_NOOP("Texts", "%3: %1 km na %2")), {GroupedKm(km), words, name});
}

std::string PlaceName(const std::string& lang, const Place& place) {
    return place.name.empty() ? AlertUiText(lang, AlertText::HomeDefaultName) : place.name;
}

namespace {

// Per level I..X; XI and XII say what X says.
constexpr const char* kShakingWords[] = {
    QT_TRANSLATE_NOOP("Texts", "Nieodczuwalne"), QT_TRANSLATE_NOOP("Texts", "Słabe"),
    QT_TRANSLATE_NOOP("Texts", "Słabe"),         QT_TRANSLATE_NOOP("Texts", "Lekkie"),
    QT_TRANSLATE_NOOP("Texts", "Umiarkowane"),   QT_TRANSLATE_NOOP("Texts", "Silne"),
    QT_TRANSLATE_NOOP("Texts", "Bardzo silne"),  QT_TRANSLATE_NOOP("Texts", "Groźne"),
    QT_TRANSLATE_NOOP("Texts", "Gwałtowne"),     QT_TRANSLATE_NOOP("Texts", "Ekstremalne"),
};
// The same as a phrase inside a sentence.
constexpr const char* kShakingPhrases[] = {
    QT_TRANSLATE_NOOP("Texts", "nieodczuwalne"),         QT_TRANSLATE_NOOP("Texts", "słabe wstrząsy"),
    QT_TRANSLATE_NOOP("Texts", "słabe wstrząsy"),        QT_TRANSLATE_NOOP("Texts", "lekkie wstrząsy"),
    QT_TRANSLATE_NOOP("Texts", "umiarkowane wstrząsy"),  QT_TRANSLATE_NOOP("Texts", "silne wstrząsy"),
    QT_TRANSLATE_NOOP("Texts", "bardzo silne wstrząsy"), QT_TRANSLATE_NOOP("Texts", "groźne wstrząsy"),
    QT_TRANSLATE_NOOP("Texts", "gwałtowne wstrząsy"),    QT_TRANSLATE_NOOP("Texts", "ekstremalne wstrząsy"),
};

std::size_t ShakingIndex(int level) {
    return static_cast<std::size_t>(std::clamp(level, kMinIntensity, 10) - 1);
}

}  // namespace

std::string ShakingWords(const std::string& lang, int level) {
    return Tr(lang, kShakingWords[ShakingIndex(level)]);
}

std::string ShakingPhrase(const std::string& lang, int level) {
    return Tr(lang, kShakingPhrases[ShakingIndex(level)]);
}

std::string PlaceShakingLine(const std::string& lang, const std::string& placeName, const PlaceShaking& shaking) {
    // The expectation, whatever was measured: "IV – lekkie", the words in lower case after the numeral.
    const QString words = QString::fromStdString(ShakingWords(lang, shaking.expectedLevel));
    const QString lower = words.left(1).toLower() + words.mid(1);
    return Filled(Tr(lang, QT_TRANSLATE_NOOP("Texts", "%1: %2 – %3, %4")),
                  {placeName, RomanNumeral(shaking.expectedLevel), lower.toStdString(), KmText(shaking.distanceKm)});
}

std::vector<std::string> PlaceShakingLines(const std::string& lang, const std::string& placeName,
                                           const PlaceShaking& shaking) {
    std::vector<std::string> lines;
    if (shaking.shakeMapLevel > 0) {
        lines.push_back(Filled(Tr(lang, QT_TRANSLATE_NOOP("Texts", "ShakeMap, %2: %1")),
                               {RomanNumeral(shaking.shakeMapLevel), placeName}));
    }
    if (shaking.feltLevel > 0) {
        lines.push_back(
            Filled(Tr(lang, QT_TRANSLATE_NOOP("Texts", "Odczuwalne, %2: %1 (zgłoszeń w promieniu 10 km: %3)")),
                   {RomanNumeral(shaking.feltLevel), placeName, GroupedKm(shaking.feltReports)}));
    }
    lines.push_back(PlaceShakingLine(lang, placeName, shaking));
    return lines;
}

std::string PlaceShakingNotice(const std::string& lang, const std::string& placeName, const PlaceShaking& shaking) {
    return Filled(Tr(lang, QT_TRANSLATE_NOOP("Texts", "%1: %2 (%3), %4")),
                  {placeName, RomanNumeral(shaking.level), Tr(lang, kShakingPhrases[ShakingIndex(shaking.level)]),
                   KmText(shaking.distanceKm)});
}

std::vector<std::string> FeltLines(const std::string& lang, const FeltData& felt) {
    std::vector<std::string> lines;
    // What people felt first, in the words the band and the marks use: "felt IV, 103 reports".
    if (std::string observed = ObservedFeltText(lang, felt); !observed.empty()) {
        lines.push_back(std::move(observed));
    }
    if (felt.mmi >= 1.0) {
        lines.push_back(Filled(Tr(lang, QT_TRANSLATE_NOOP("Texts", "ShakeMap: najsilniej %1")),
                               {RomanNumeral(IntensityLevel(felt.mmi))}));
    }
    static const std::pair<const char*, const char*> kPagerLevels[] = {
        {"green", QT_TRANSLATE_NOOP("Texts", "zielony")},
        {"yellow", QT_TRANSLATE_NOOP("Texts", "żółty")},
        {"orange", QT_TRANSLATE_NOOP("Texts", "pomarańczowy")},
        {"red", QT_TRANSLATE_NOOP("Texts", "czerwony")},
    };
    for (const auto& [level, polish] : kPagerLevels) {
        if (felt.alert == level) {
            lines.push_back(
                Filled(Tr(lang, QT_TRANSLATE_NOOP("Texts", "Poziom alarmu PAGER: %1")), {Tr(lang, polish)}));
        }
    }
    if (felt.tsunami) {
        lines.push_back(OceanicQuakeText(lang));
    }
    return lines;
}

std::vector<std::string> HistoryFeltLines(const std::string& lang, const FeltData& felt) {
    return FeltLines(lang, felt);
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
        body += Tr(lang, QT_TRANSLATE_NOOP("Texts", ", głębokość ")) + depth + " km";
    }
    const std::vector<Place> places = AllPlaces(settings);
    if (decision.hasDistance && decision.nearestPlace < places.size()) {
        body += "\n" + DistanceText(lang, decision.distanceKm, decision.bearingDeg,
                                    PlaceName(lang, places[decision.nearestPlace]));
    }
    for (const PlaceShaking& shaking : decision.shaking) {
        if (shaking.level >= 2 && shaking.place < places.size()) {
            body += "\n" + PlaceShakingNotice(lang, PlaceName(lang, places[shaking.place]), shaking);
        }
    }
    for (const std::string& line : FeltLines(lang, event.felt)) {
        body += "\n" + line;
    }
    return body;
}

std::string RevisedText(const std::string& lang, const std::string& mag, const std::string& previousMag) {
    return Filled(Tr(lang, QT_TRANSLATE_NOOP("Texts", "skorygowano do M %1 (było M %2)")),
                  {Stripped(mag), Stripped(previousMag)});
}

std::string MoreEarthquakesText(const std::string& lang, std::size_t count) {
    const std::string n = std::to_string(count);
    // Polish plural: 1 trzęsienie, 2-4 (not 12-14) trzęsienia, otherwise trzęsień; a translation gives each
    // form its own.
    const std::size_t lastTwo = count % 100;
    const std::size_t last = count % 10;
    const char* text = count == 1 ? QT_TRANSLATE_NOOP("Texts", "Jeszcze %1 trzęsienie ziemi")
                       : (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14))
                           ? QT_TRANSLATE_NOOP("Texts", "Jeszcze %1 trzęsienia ziemi")
                           : QT_TRANSLATE_NOOP("Texts", "Jeszcze %1 trzęsień ziemi");
    return Filled(Tr(lang, text), {n});
}

std::string AftershocksText(const std::string& lang, std::size_t count, const std::string& mainMag,
                            const std::string& mainRegion, const std::string& largestMag) {
    // Polish plural as in MoreEarthquakesText.
    const std::size_t lastTwo = count % 100;
    const std::size_t last = count % 10;
    const char* text = count == 1 ? QT_TRANSLATE_NOOP("Texts", "%1 wstrząs wtórny M %2 %3, największy M %4")
                       : (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14))
                           ? QT_TRANSLATE_NOOP("Texts", "%1 wstrząsy wtórne M %2 %3, największy M %4")
                           : QT_TRANSLATE_NOOP("Texts", "%1 wstrząsów wtórnych M %2 %3, największy M %4");
    return Filled(Tr(lang, text), {std::to_string(count), mainMag, mainRegion, largestMag});
}

std::string AftershockOfText(const std::string& lang, const std::string& mainMag, const std::string& mainRegion) {
    return Filled(Tr(lang, QT_TRANSLATE_NOOP("Texts", "wstrząs wtórny: M %1 %2")), {mainMag, mainRegion});
}

}  // namespace dravik
