#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The notification area as the program sees it: one record per icon, added, modified and deleted as a whole,
// and a window-like sink that receives the icon's mouse actions and the shell's notices as numbered messages.
namespace dravik {

// An icon image, named by its icon resource id (128 the globe, 133 the blink image); 0 is no image.
using TrayImage = int;

// Mouse actions on an icon, numbered as the window system numbers its mouse messages.
enum : unsigned {
    kTrayLButtonUp = 0x0202,      // a single activation
    kTrayLButtonDblClk = 0x0203,  // a double click
    kTrayRButtonUp = 0x0205,      // the context-menu request
    kTrayMButtonUp = 0x0208,
    kTrayBalloonUserClick = 0x0405,  // a click on the icon's message balloon
};

// Notices the shell sends to an icon's window besides the callback message.
enum : unsigned {
    kWmSettingChange = 0x001A,
    kSpiSetWorkArea = 47,  // the desktop's work area changed
};

// Which fields of a record an operation uses.
enum : unsigned { kTrayFlagMessage = 1, kTrayFlagIcon = 2, kTrayFlagTip = 4 };

inline constexpr std::size_t kTrayTipSize = 64;  // bytes, with the terminating zero

// Receives what happens to an icon, the way a window receives messages.
class ITrayWindow {
public:
    virtual ~ITrayWindow() = default;
    virtual long WindowProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

struct TrayIconData {
    ITrayWindow* window = nullptr;  // where the icon's notices go
    unsigned id = 0;                // identifies the icon together with window
    unsigned flags = 0;             // kTrayFlag* fields that the operation uses
    unsigned callbackMessage = 0;   // message number of the mouse notices
    TrayImage icon = 0;
    char tip[kTrayTipSize] = {};  // zero-terminated
};

enum class TrayOp { Add, Modify, Delete };

class ITrayShell {
public:
    virtual ~ITrayShell() = default;
    // The platform has tray icons at all.
    virtual bool IsSupported() const = 0;
    // A tray host is running now, so an added icon can be seen and used.
    virtual bool IsAvailable() const = 0;
    // The host reports double clicks; hosts that do not (StatusNotifierItem) send one activation instead.
    virtual bool DeliversDoubleClick() const = 0;
    // Adds, changes or removes the icon (window, id); false when the shell refuses.
    virtual bool NotifyIcon(TrayOp op, const TrayIconData& data) = 0;
    // Shows a message balloon at the icon (window, id); false when there is no such icon or the host shows
    // no balloons. A click on it comes to the icon's window as kTrayBalloonUserClick.
    virtual bool ShowBalloon(const TrayIconData& data, const std::string& title, const std::string& text) {
        static_cast<void>(data);
        static_cast<void>(title);
        static_cast<void>(text);
        return false;
    }
};

// A process-wide message number for a name, the same number for the same name, from 0xC000 on.
unsigned RegisterWindowMessage(const std::string& name);

// The message number the shell broadcasts when the tray host has been created again.
unsigned TaskbarCreatedMessage();

}  // namespace dravik
