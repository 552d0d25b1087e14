#pragma once

#include <QRect>
#include <QSize>
#include <functional>
#include <string>
#include <vector>

#include "platform/dialog_template.h"

class QAction;
class QComboBox;
class QFont;
class QMenu;
class QMenuBar;
class QWidget;

namespace dravik {

// Lets a window put its own widget class at a control's place (an owner-drawn button, a link label, the
// browser). Returns nullptr to get the default widget of the control's kind.
using ControlFactory = std::function<QWidget*(const DialogControl&, QWidget* parent)>;

// Dialog base units of a font: average width of the letters a-z and A-Z, and the character height.
QSize DialogBaseUnits(const QFont& font);
// A rectangle in dialog units converted to pixels: x and width times base width / 4, y and height times
// base height / 8, rounded.
QRect DialogUnitsToPixels(const QSize& baseUnits, int x, int y, int w, int h);
// A list column width given in pixels for the original dialog font (6 pixels per base unit), scaled to the
// font in use, so that a column keeps its share of a list that grew with the font.
int ScaledColumnWidth(const QFont& font, int designPixels);

// Creates the template's controls as children of dialog, in template order (which is the tab order), sets
// the caption, the dialog font and a fixed size. With a menu, a menu bar is put above the controls and the
// controls move down by its height. In a QDialog, buttons 1 and 2 accept and reject the dialog.
void BuildDialog(QWidget* dialog, const DialogTemplate& tmpl, const ControlFactory& factory = nullptr,
                 const MenuTemplate* menu = nullptr);

// Puts a template's texts on a dialog built from another language's: the caption, the buttons' texts and, with
// a menu, the menu bar's entries (same structure, matched by position). Labels keep what the window put there.
void ApplyTemplateTexts(QWidget* dialog, const DialogTemplate& tmpl, const MenuTemplate* menu = nullptr);

// Makes Tab visit the controls of these ids in this order (ids not found are passed over); BuildDialog runs it
// with the template's own order.
void ApplyTabOrder(QWidget* dialog, const std::vector<int>& ids);

// The control with the given id (the first one for kNoControlId), or nullptr.
QWidget* FindControl(QWidget* dialog, int id);
// The control's id as the builder recorded it, or kNoControlId.
int ControlId(const QWidget* control);

// Radio groups: the index of the checked button in the group that starts at firstId (-1 when none is
// checked), and checking the button of an index.
int CheckedRadioIndex(QWidget* dialog, int firstId);
void SetCheckedRadioIndex(QWidget* dialog, int firstId, int index);

// A combo box built with kStyleSorted: adds text at its sorted place (letter case ignored); otherwise at
// the end. Returns the index where the entry went.
int AddComboString(QComboBox* combo, const std::string& text);
// Finds the first entry that begins with prefix (letter case ignored), searching from the entry after
// startAfter and wrapping round; -1 when there is none.
int FindComboString(QComboBox* combo, int startAfter, const std::string& prefix);

// A menu bar with the menu's popups and commands; each command's id is in QAction::data(), its shortcut set
// (and shown) where the template gives one. F10 in the parent window opens the first popup.
QMenuBar* BuildMenuBar(const MenuTemplate& menu, QWidget* parent);
// The popup at position of a menu, as a QMenu (a tray's context menu); nullptr when there is none.
QMenu* BuildPopupMenu(const MenuTemplate& menu, int position, QWidget* parent);
// The command id of a menu action, 0 for separators and popups.
int CommandId(const QAction* action);
// The action with the command id in a menu or menu bar and its sub-menus, or nullptr.
QAction* FindCommand(QWidget* menuOrBar, int id);

}  // namespace dravik
