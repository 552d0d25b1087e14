#pragma once

#include <string>

// What every window of the program shares: the program's icon, and Qt's own texts (standard buttons, the
// texts of file and colour dialogs, context menus) in the interface language.
namespace dravik {

// The menu entry the package installs (dravik.desktop), without its extension.
inline constexpr const char* kDesktopFileName = "dravik";

// The program's icon for every window that sets none of its own, and the menu entry its windows belong to.
// Needs the application object.
void SetApplicationIcon();

// The desktop's style with readable choice indicators: radio buttons and check boxes get an outline that stands
// out from the window on dark themes too (controls/palette_colours). Needs the application object; more calls
// change nothing.
void UseReadableIndicators();

// Qt's own texts for the language ("PL", "EN", ...): Qt's catalogue of that language ("qtbase_pl", "qtbase_de")
// for a language of the program's other than English, Qt's built-in English for any other. Returns false when the
// catalogue cannot be loaded; the English texts stay then.
// Needs the application object; calling it again with the same language changes nothing.
bool ApplyQtTranslations(const std::string& lang);

// Where the Polish catalogue is looked for: Qt's translations directory.
std::string QtTranslationsDir();

}  // namespace dravik
