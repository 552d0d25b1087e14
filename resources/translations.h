#pragma once

#include <string>
#include <vector>

// The program's texts in other languages. Polish is the source: the code holds the Polish texts, and every
// other language is a compiled Qt Linguist file (translations/dravik_<code>.ts) built into the program.
// Languages are named by the stored upper-case code: "PL", "EN", "DE".
namespace dravik {

inline constexpr const char* kSourceLanguage = "PL";

struct LanguageInfo {
    std::string code;  // "EN"
    std::string name;  // the language's own name, "English"
};

// The source language first, then every built-in translation in the build's order. The name is the translation of
// "Polski" in the context "Language", so a new translation names itself.
const std::vector<LanguageInfo>& AvailableLanguages();
// True for the source language and for every built-in translation (codes are exact: "pl" is none).
bool IsKnownLanguage(const std::string& code);
// The position of a code in AvailableLanguages(), or -1.
int LanguageIndex(const std::string& code);

// The text in that language: the source for the source language, for an unknown language and for a text
// the translation lacks.
std::string Translate(const std::string& lang, const char* context, const char* source);
// True when the language has a built-in translation that holds texts.
bool TranslationLoads(const std::string& code);

}  // namespace dravik
