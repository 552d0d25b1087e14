#include "mainwindow/tray_blink.h"

namespace dravik {

TrayImage BlinkTickImage(bool newEvent, bool& blinkPhase, TrayImage normal, TrayImage blink) {
    if (!newEvent) {
        return normal;
    }
    const TrayImage image = blinkPhase ? blink : normal;
    blinkPhase = !blinkPhase;
    return image;
}

HideMode ChooseHideMode(bool trayAvailable) {
    return trayAvailable ? HideMode::ToTray : HideMode::Minimise;
}

}  // namespace dravik
