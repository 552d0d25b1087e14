#pragma once

#include <functional>
#include <string>

// The first-start step of the main window's initialisation: asks for the interface language while none is
// stored, and puts the chosen language's texts on the two main-window controls that follow the language.
namespace dravik {

class CLanguageDlg;

// Runs the language dialog and returns kIdOk or kIdCancel; tests answer in its place.
using LanguageDialogRunner = std::function<int(CLanguageDlg&)>;
// Sets the text of a main-window control by its id (1002 the hide button, 1006 the map check box).
using ControlTextSetter = std::function<void(int id, const std::string& text)>;

// The steps after a language was chosen at the first start (where the user is, what alerts them), in that language.
using SetupRunner = std::function<void(const std::string& lang)>;

// Returns true when the user cancelled the dialog: the caller then ends its modal run once its
// initialisation is complete. The dialog's initial choice is stored in that case (the system's language) and the
// further steps are not run; they run only after a language was chosen here (runSetup, RunFirstStartSetup when
// empty), so a user whose settings exist is never asked.
bool RunFirstStartStep(const ControlTextSetter& setItemText, const LanguageDialogRunner& runDialog = {},
                       const SetupRunner& runSetup = {});

}  // namespace dravik
