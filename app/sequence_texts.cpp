#include "app/sequence_texts.h"

#include <QtGlobal>
#include <cmath>
#include <vector>

#include "app/ui_texts.h"
#include "resources/translations.h"

namespace dravik {
namespace {

std::string Tr(const std::string& lang, const char* polish) {
    return Translate(lang, "Texts", polish);
}

// The Polish plural of a count: 0 for 1, 1 for 2-4 (not 12-14), 2 otherwise.
int PluralForm(std::size_t count) {
    const std::size_t lastTwo = count % 100;
    const std::size_t last = count % 10;
    if (count == 1) {
        return 0;
    }
    return last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14) ? 1 : 2;
}

}  // namespace

std::string AgoText(const std::string& lang, std::int64_t elapsedMs) {
    const std::int64_t minutes = elapsedMs > 0 ? elapsedMs / 60000 : 0;
    if (minutes < 120) {
        return FillText(Tr(lang, QT_TRANSLATE_NOOP("Texts", "%1 min temu")), {std::to_string(minutes)});
    }
    return FillText(Tr(lang, QT_TRANSLATE_NOOP("Texts", "%1 godz. temu")), {std::to_string(minutes / 60)});
}

std::string SequenceCardText(const std::string& lang, const SequenceSummary& sequence, std::int64_t nowUtcMs) {
    static const char* const kForms[] = {
        QT_TRANSLATE_NOOP("Texts", "%1 wstrząs wtórny M %2 %3 · największy M %4 · ostatni M %5, %6"),
        QT_TRANSLATE_NOOP("Texts", "%1 wstrząsy wtórne M %2 %3 · największy M %4 · ostatni M %5, %6"),
        QT_TRANSLATE_NOOP("Texts", "%1 wstrząsów wtórnych M %2 %3 · największy M %4 · ostatni M %5, %6"),
    };
    return FillText(Tr(lang, kForms[PluralForm(sequence.aftershocks)]),
                    {std::to_string(sequence.aftershocks), StrippedText(sequence.mainMagnitude),
                     StrippedText(sequence.mainRegion), StrippedText(sequence.largestMagnitude),
                     StrippedText(sequence.latestMagnitude), AgoText(lang, nowUtcMs - sequence.latestUtcMs)});
}

std::string SequenceCountMark(std::size_t aftershocks) {
    return aftershocks == 0 ? std::string() : "+" + std::to_string(aftershocks);
}

std::string SequenceRowText(const std::string& lang, const SequenceSummary& sequence, const std::string& latestTime) {
    static const char* const kForms[] = {
        QT_TRANSLATE_NOOP("Texts", "%1 wstrząs wtórny · największy M %2 · ostatni M %3 (%4)"),
        QT_TRANSLATE_NOOP("Texts", "%1 wstrząsy wtórne · największy M %2 · ostatni M %3 (%4)"),
        QT_TRANSLATE_NOOP("Texts", "%1 wstrząsów wtórnych · największy M %2 · ostatni M %3 (%4)"),
    };
    return FillText(Tr(lang, kForms[PluralForm(sequence.aftershocks)]),
                    {std::to_string(sequence.aftershocks), StrippedText(sequence.largestMagnitude),
                     StrippedText(sequence.latestMagnitude), latestTime});
}

std::string ChanceText(double chance) {
    const double percent = std::isfinite(chance) ? chance * 100.0 : 0.0;
    if (percent < 0.5) {
        return "<1%";
    }
    if (percent > 99.5) {
        return ">99%";
    }
    return std::to_string(std::lround(percent)) + "%";
}

std::string OutlookText(const std::string& lang, const AftershockOutlook& outlook, const std::string& mainMag,
                        bool usgsForecast) {
    return FillText(Tr(lang, QT_TRANSLATE_NOOP("Texts", "Następne 7 dni: M 5+ %1, M %2+ %3 (%4)")),
                    {ChanceText(outlook.chanceM5), StrippedText(mainMag), ChanceText(outlook.chanceMain),
                     usgsForecast ? Tr(lang, QT_TRANSLATE_NOOP("Texts", "prognoza USGS"))
                                  : Tr(lang, QT_TRANSLATE_NOOP("Texts", "ocena ogólna"))});
}

std::string ReviewedText(const std::string& lang) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "sprawdzone przez agencję"));
}

std::string ShakingChangedText(const std::string& lang) {
    return Tr(lang, QT_TRANSLATE_NOOP("Texts", "zmieniło się spodziewane wstrząsanie"));
}

}  // namespace dravik
