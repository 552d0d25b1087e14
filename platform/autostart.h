#pragma once

#include <string>

// The entry that starts the program with the user's desktop session, as the XDG autostart convention has it:
// a desktop entry in $XDG_CONFIG_HOME/autostart. The file itself is the setting.
namespace dravik {

// The option the entry starts the program with: it then goes straight to the tray when there is one.
inline constexpr const char* kAutostartOption = "--autostart";

// $XDG_CONFIG_HOME/autostart/dravik.desktop, ~/.config when the variable is unset or not absolute.
std::string AutostartEntryPath();

// How the entry names the program: its file name when a search of PATH finds this very file, so that a
// reinstalled or moved package still starts; else the absolute path. self is the running executable.
std::string AutostartCommand(const std::string& self, const std::string& path);

// command as one argument of a desktop entry's Exec key (quoted where it must be, % doubled, then escaped
// as a string value); empty when it cannot be written there (a line end, a control character).
std::string DesktopExecArgument(const std::string& command);

// Whether the entry exists and the session would run it: not Hidden=true, not X-GNOME-Autostart-enabled=false.
bool IsAutostartOn();

// Writes the entry starting command (replacing the file at once, never half written), or removes it. On
// failure returns false with the reason in *error.
bool SetAutostart(bool on, const std::string& command, std::string* error);

}  // namespace dravik
