#pragma once

#include <string>

namespace dravik {

// A country's name from its ISO 3166-1 alpha-2 code in the interface language: Polish and German from Debian's
// iso-codes (its list and translations, read once a language), English from Qt; Qt's English name when iso-codes is
// missing or lacks the country, the code itself when nobody knows it.
std::string CountryName(const std::string& code, const std::string& lang);

// Where iso-codes lies (/usr/share by default); tests point it at their own files.
void SetIsoCodesRoot(const std::string& root);

}  // namespace dravik
