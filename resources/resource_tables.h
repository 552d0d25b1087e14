#pragma once

#include <string>

#include "platform/dialog_template.h"

// The program's dialogs, menus and strings as tables; the windows build them with
// platform/qt/dialog_builder.h. Texts are UTF-8.
namespace dravik {

// Dialogs.
inline constexpr int kDialogAbout = 100;
inline constexpr int kDialogMain = 102;
inline constexpr int kDialogLanguage = 136;
inline constexpr int kDialogHistory = 138;
// Menus: the tray menus (Polish, English) and the main window's menu.
inline constexpr int kMenuTrayPolish = 129;
inline constexpr int kMenuTrayEnglish = 137;
inline constexpr int kMenuMain = 139;
// Icons and the list bitmap.
inline constexpr int kIconProgram = 128;
inline constexpr int kIconBlink = 133;
inline constexpr int kBitmapQuakeMarks = 135;
// Strings.
inline constexpr int kStringAboutItem = 101;

// Menu commands.
inline constexpr int kCmdShowList = 32771;
inline constexpr int kCmdTrayClose = 32772;
inline constexpr int kCmdChangeLanguage = 32775;
inline constexpr int kCmdMenuClose = 32776;
inline constexpr int kCmdHide = 32777;
inline constexpr int kCmdHistory = 32778;
inline constexpr int kCmdSettings = 32779;
// Posted by a click on the tray icon's message balloon; in no menu.
inline constexpr int kCmdShowNotifiedEvent = 32780;
inline constexpr int kCmdAbout = 65535;
// The system-menu item that opens the about box.
inline constexpr int kSysCmdAbout = 16;

// The template with that id, or nullptr.
const DialogTemplate* FindDialogTemplate(int id);
// The menu with that id, or nullptr.
const MenuTemplate* FindMenuTemplate(int id);
// The same in a language: the texts translated (the source tables for Polish and for an unknown language).
const DialogTemplate* FindDialogTemplate(int id, const std::string& lang);
const MenuTemplate* FindMenuTemplate(int id, const std::string& lang);
// The string with that id, or the empty text.
std::string LoadResourceString(int id);

}  // namespace dravik
