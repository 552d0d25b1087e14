#pragma once

#include "platform/tray_shell.h"

// The main window's tray decisions as plain functions, so its timer and its hide command are tested alone.
namespace dravik {

// One tick of the blink timer while the tray icon exists: the image to give the icon. While a new event
// waits, the images alternate (blinkPhase says which comes now and is flipped); otherwise the normal one.
TrayImage BlinkTickImage(bool newEvent, bool& blinkPhase, TrayImage normal, TrayImage blink);

// How the hide command hides the window. Without a tray host there would be no icon to bring the window
// back, so it is only minimised then and keeps its taskbar button.
enum class HideMode { ToTray, Minimise };
HideMode ChooseHideMode(bool trayAvailable);

}  // namespace dravik
