#include "app/headline_texts.h"

#include <QtGlobal>
#include <cmath>
#include <utility>
#include <vector>

#include "app/ui_texts.h"
#include "resources/translations.h"
#include "shaking/intensity.h"

namespace dravik {
namespace {

std::string Tr(const std::string& lang, const char* polish) {
    return Translate(lang, "Texts", polish);
}

std::string Grouped(int count) {
    std::string digits = std::to_string(count);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) {
        digits.insert(static_cast<std::size_t>(i), " ");
    }
    return digits;
}

// Polish plural: 1, 2-4 (not 12-14), the rest; the translations give each form their own.
std::size_t PluralForm(int count) {
    const int lastTwo = count % 100;
    const int last = count % 10;
    if (count == 1) {
        return 0;
    }
    return last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14) ? 1 : 2;
}

}  // namespace

std::string ObservedFeltText(const std::string& lang, const FeltData& felt) {
    const int level = ObservedLevel(felt);
    if (felt.reports > 0) {
        static constexpr const char* kWithLevel[] = {
            QT_TRANSLATE_NOOP("Texts", "odczuto %1, %2 zgłoszenie"),
            QT_TRANSLATE_NOOP("Texts", "odczuto %1, %2 zgłoszenia"),
            QT_TRANSLATE_NOOP("Texts", "odczuto %1, %2 zgłoszeń"),
        };
        static constexpr const char* kCountOnly[] = {
            QT_TRANSLATE_NOOP("Texts", "%1 zgłoszenie odczucia"),
            QT_TRANSLATE_NOOP("Texts", "%1 zgłoszenia odczucia"),
            QT_TRANSLATE_NOOP("Texts", "%1 zgłoszeń odczucia"),
        };
        const std::size_t form = PluralForm(felt.reports);
        return level > 0 ? FillText(Tr(lang, kWithLevel[form]), {RomanNumeral(level), Grouped(felt.reports)})
                         : FillText(Tr(lang, kCountOnly[form]), {Grouped(felt.reports)});
    }
    return level > 0 ? FillText(Tr(lang, QT_TRANSLATE_NOOP("Texts", "odczuto %1")), {RomanNumeral(level)})
                     : std::string();
}

std::string PagerText(const std::string& lang, const std::string& alert) {
    static const std::pair<const char*, const char*> kLevels[] = {
        {"green", QT_TRANSLATE_NOOP("Texts", "zielony")},
        {"yellow", QT_TRANSLATE_NOOP("Texts", "żółty")},
        {"orange", QT_TRANSLATE_NOOP("Texts", "pomarańczowy")},
        {"red", QT_TRANSLATE_NOOP("Texts", "czerwony")},
    };
    for (const auto& [level, polish] : kLevels) {
        if (alert == level) {
            return FillText(Tr(lang, QT_TRANSLATE_NOOP("Texts", "PAGER %1")), {Tr(lang, polish)});
        }
    }
    return {};
}

std::string OceanicQuakeText(const std::string& lang) {
    return Tr(lang,
              QT_TRANSLATE_NOOP("Texts", "Silne trzęsienie pod dnem morza: oficjalne komunikaty podaje tsunami.gov"));
}

std::string TsunamiIssuedText(const std::string& lang) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "Komunikat o tsunami – sprawdź oficjalne ostrzeżenia"));
}

std::string NoTsunamiMessageText(const std::string& lang) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "brak komunikatu o tsunami"));
}

std::string ExpectedAtText(const std::string& lang, int level, const std::string& placeName) {
    return FillText(Tr(lang, QT_TRANSLATE_NOOP("Texts", "%3: spodziewane %1 (%2)")),
                    {ShakingPhrase(lang, level), RomanNumeral(level), placeName});
}

std::string HeadlineText(const std::string& lang, const QuakeEvent& event, const AlertSettings& settings,
                         const AlertDecision& decision, bool tsunamiMessage) {
    std::vector<std::string> parts;
    parts.push_back("M " + StrippedText(event.mag));
    const std::vector<Place> places = AllPlaces(settings);
    if (decision.hasDistance && decision.nearestPlace < places.size()) {
        parts.push_back(DistanceText(lang, decision.distanceKm, decision.bearingDeg,
                                     PlaceName(lang, places[decision.nearestPlace])));
    } else {
        parts.push_back(StrippedText(event.region));
    }
    if (!decision.shaking.empty() && decision.shaking.front().level >= kFeltLevel &&
        decision.shaking.front().place < places.size()) {
        const PlaceShaking& strongest = decision.shaking.front();
        parts.push_back(ExpectedAtText(lang, strongest.level, PlaceName(lang, places[strongest.place])));
    }
    if (const std::string felt = ObservedFeltText(lang, event.felt); !felt.empty()) {
        parts.push_back(felt);
    }
    if (const std::string pager = PagerText(lang, event.felt.alert); !pager.empty()) {
        parts.push_back(pager);
    }
    if (tsunamiMessage) {
        parts.push_back(TsunamiIssuedText(lang));
    } else if (event.felt.tsunami) {
        parts.push_back(OceanicQuakeText(lang));
    } else if (event.hasNumbers && event.magnitude >= kHeadlineMagnitude) {
        parts.push_back(NoTsunamiMessageText(lang));
    }
    std::string text;
    for (const std::string& part : parts) {
        if (!part.empty()) {
            text += (text.empty() ? "" : " · ") + part;
        }
    }
    return text;
}

std::string HeadlineDescription(const std::string& lang) {
    return Tr(lang,
              QT_TRANSLATE_NOOP("Texts", "Najważniejsze trzęsienie ostatniej doby; kliknięcie zaznacza je na liście"));
}

std::string SignificantOnlyText(const std::string& lang) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "Tylko istotne (odczuwalne w Twoich miejscach albo od M 2,5)"));
}

}  // namespace dravik
