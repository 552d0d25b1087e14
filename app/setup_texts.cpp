#include "app/setup_texts.h"

#include <QtGlobal>

#include "resources/translations.h"

namespace dravik {
namespace {

struct SetupTextPair {
    SetupText id;
    const char* polish;
};

constexpr SetupTextPair kSetupTexts[] = {
    {SetupText::WhereCaption, QT_TRANSLATE_NOOP("Texts", "Gdzie jesteś?")},
    {SetupText::WhereHint,
     QT_TRANSLATE_NOOP("Texts",
                       "Wpisz nazwę swojej miejscowości i wybierz ją z listy: program powie, jak silnie "
                       "możesz odczuć każde trzęsienie. Możesz to pominąć i podać miejsca później.")},
    {SetupText::SearchLabel, QT_TRANSLATE_NOOP("Texts", "Miejscowość:")},
    {SetupText::SearchResults, QT_TRANSLATE_NOOP("Texts", "Znalezione miejsca")},
    {SetupText::NoPlaceFound, QT_TRANSLATE_NOOP("Texts", "Nie ma miejscowości o takiej nazwie.")},
    {SetupText::NoPlacesData, QT_TRANSLATE_NOOP("Texts", "Brak pliku z miejscowościami; podaj współrzędne.")},
    {SetupText::Next, QT_TRANSLATE_NOOP("Texts", "Dalej")},
    {SetupText::Skip, QT_TRANSLATE_NOOP("Texts", "Pomiń")},
    {SetupText::PresetCaption, QT_TRANSLATE_NOOP("Texts", "Co ma cię alarmować?")},
    {SetupText::PresetEvery, QT_TRANSLATE_NOOP("Texts", "Każde nowe trzęsienie, jak dotąd")},
    {SetupText::PresetEveryHint, QT_TRANSLATE_NOOP("Texts", "Klasyczny dźwięk przy każdym nowym trzęsieniu.")},
    {SetupText::PresetNear, QT_TRANSLATE_NOOP("Texts", "Blisko mnie i silne")},
    {SetupText::PresetNearHint,
     QT_TRANSLATE_NOOP("Texts",
                       "Intensywność III lub więcej w moich miejscach, M 5 do 300 km, M 6,5 wszędzie; "
                       "z powiadomieniami na pulpicie.")},
    {SetupText::PresetFelt, QT_TRANSLATE_NOOP("Texts", "Tylko to, co bym odczuł")},
    {SetupText::PresetFeltHint, QT_TRANSLATE_NOOP("Texts", "Intensywność III lub więcej w moich miejscach.")},
    {SetupText::Finish, QT_TRANSLATE_NOOP("Texts", "Gotowe")},
    {SetupText::FindPlace, QT_TRANSLATE_NOOP("Texts", "Znajdź…")},
    {SetupText::FindCaption, QT_TRANSLATE_NOOP("Texts", "Znajdź miejsce")},
    {SetupText::PlacesCredit, QT_TRANSLATE_NOOP("Texts", "Miejscowości: GeoNames (geonames.org), CC BY 4.0")},
    {SetupText::SourcesHint, QT_TRANSLATE_NOOP("Texts", "Czytane po kolei; bez zaznaczenia: EMSC.")},
    {SetupText::OtherSource, QT_TRANSLATE_NOOP("Texts", "Inny adres…")},
    {SetupText::OtherSourceCaption, QT_TRANSLATE_NOOP("Texts", "Inne źródło")},
    {SetupText::OtherSourceLabel,
     QT_TRANSLATE_NOOP("Texts", "Adres usługi FDSN (…/fdsnws/event/1/query) lub strony ze zdarzeniami:")},
    {SetupText::SourceTerms, QT_TRANSLATE_NOOP("Texts", "Warunki: %1")},
};

}  // namespace

std::string SetupUiText(const std::string& lang, SetupText id) {
    for (const SetupTextPair& text : kSetupTexts) {
        if (text.id == id) {
            return Translate(lang, "Texts", text.polish);
        }
    }
    return {};
}

}  // namespace dravik
