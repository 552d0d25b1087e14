#pragma once

#include <string>

namespace dravik {

// The texts of the first start's steps, of the place search and of the sources' list, in the language (the Polish
// source for Polish and unknown languages).
enum class SetupText {
    WhereCaption,
    WhereHint,
    SearchLabel,
    SearchResults,
    NoPlaceFound,
    NoPlacesData,
    Next,
    Skip,
    PresetCaption,
    PresetEvery,
    PresetEveryHint,
    PresetNear,
    PresetNearHint,
    PresetFelt,
    PresetFeltHint,
    Finish,
    FindPlace,
    FindCaption,
    PlacesCredit,
    SourcesHint,
    OtherSource,
    OtherSourceCaption,
    OtherSourceLabel,
    SourceTerms,
};
std::string SetupUiText(const std::string& lang, SetupText id);

}  // namespace dravik
