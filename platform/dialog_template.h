#pragma once

#include <string>
#include <vector>

// Dialogs and menus described as plain tables (ids, kinds, texts, rectangles in dialog units), built into
// widgets by platform/qt/dialog_builder.h.
namespace dravik {

// The id of controls that nobody looks up (frames, labels).
inline constexpr int kNoControlId = -1;
// The ids of the standard OK and Cancel buttons.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

enum class ControlKind {
    PushButton,
    DefPushButton,
    Static,      // text label
    Frame,       // etched frame
    BlackFrame,  // black rectangle frame
    Icon,        // text holds the icon's resource id
    CheckBox,
    Radio,
    ListView,  // report view with columns
    ComboBox,  // drop-down list
    DatePicker,
    Browser,  // a place for the web browser; the window supplies the real control
};

// Style bits of a control.
enum ControlStyle : unsigned {
    kStyleNone = 0,
    kStyleGroup = 1u << 0,      // starts a group (a new radio group)
    kStyleHidden = 1u << 1,     // created without the visible style
    kStyleOwnerDraw = 1u << 2,  // the window draws it (it supplies its own widget)
    kStyleTabStop = 1u << 3,
    kStyleFlat = 1u << 4,
    kStyleBorder = 1u << 5,
    kStyleSorted = 1u << 6,         // combo box keeps its entries sorted
    kStyleSingleSel = 1u << 7,      // list view: one selected item at most
    kStyleShowSelAlways = 1u << 8,  // list view: selection shown also without focus
    kStyleNoPrefix = 1u << 9,       // static: "&" is shown, not a mnemonic
    kStyleRightAlign = 1u << 10,    // date picker: calendar right-aligned
    kStyleVScroll = 1u << 11,
    kStyleCancel = 1u << 12,  // the cancel button of the dialog
};

struct DialogControl {
    int id;
    ControlKind kind;
    std::string text;
    int x, y, w, h;  // dialog units
    unsigned flags;
};

struct DialogTemplate {
    int id;
    std::string caption;
    int w, h;  // client size, dialog units
    std::vector<DialogControl> controls;
    int menuId = 0;         // menu resource of the window, 0 for none
    int fontPointSize = 8;  // the dialog font's size
    // The ids in the order Tab visits them where it differs from the template's; the others keep theirs after.
    std::vector<int> tabOrder = {};
};

// One menu entry: a command (id != 0), a separator, or a popup with children.
struct MenuItem {
    std::string text;
    int id = 0;
    bool separator = false;
    std::vector<MenuItem> children;  // non-empty for a popup
    // The key that runs the command from anywhere in the window, "Ctrl+H" (shown in the menu); empty: none.
    std::string shortcut = {};
};

// A menu resource: its top-level entries (popups or commands).
struct MenuTemplate {
    int id;
    std::vector<MenuItem> items;
};

}  // namespace dravik
