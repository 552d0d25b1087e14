#include "resources/resource_tables.h"

#include <QtGlobal>
#include <map>
#include <mutex>
#include <utility>

#include "resources/translations.h"

namespace dravik {
namespace {

constexpr ControlKind kPush = ControlKind::PushButton;
constexpr ControlKind kDefPush = ControlKind::DefPushButton;
constexpr ControlKind kStatic = ControlKind::Static;
constexpr ControlKind kRadio = ControlKind::Radio;

const std::map<int, DialogTemplate>& DialogTemplates() {
    static const std::map<int, DialogTemplate> templates = {
        {kDialogAbout,
         {kDialogAbout,
          QT_TRANSLATE_NOOP("About", "O programie Dravik"),
          191,
          104,
          {
              {kNoControlId, ControlKind::Icon, "128", 11, 17, 20, 20, kStyleNone},
              {kNoControlId, kStatic, "Dravik " DRAVIK_VERSION, 40, 10, 74, 8, kStyleNoPrefix},
              {kNoControlId, kStatic, "Dane sejsmiczne: EMSC", 40, 25, 119, 8, kStyleNone},
              {kIdOk, kDefPush, "OK", 134, 7, 50, 14, kStyleGroup | kStyleTabStop},
              {kNoControlId, kStatic, "dravik.example", 13, 46, 48, 8, kStyleNone},
              {kNoControlId, kStatic, "dravik@dravik.example", 13, 59, 61, 8, kStyleNone},
              {kNoControlId, kStatic,
               QT_TRANSLATE_NOOP("About",
                                 "Granice płyt: PB2002 (Peter Bird), GeoJSON: Hugo Ahlenius, Nordpil (ODC-By)"),
               13, 72, 171, 16, kStyleNone},
              {kNoControlId, kStatic, QT_TRANSLATE_NOOP("About", "Miejscowości: GeoNames (geonames.org), CC BY 4.0"),
               13, 90, 171, 8, kStyleNone},
          }}},
        {kDialogMain,
         {kDialogMain,
          "Dravik " DRAVIK_VERSION,
          459,
          413,
          {
              {1002, kPush, QT_TRANSLATE_NOOP("MainWindow", "Schowaj"), 402, 392, 50, 14,
               kStyleOwnerDraw | kStyleTabStop},
              {1003, ControlKind::ListView, "", 7, 6, 445, 135,
               kStyleSingleSel | kStyleShowSelAlways | kStyleBorder | kStyleTabStop},
              {1004, ControlKind::Browser, "", 7, 144, 445, 229, kStyleTabStop},
              {1006, ControlKind::CheckBox, QT_TRANSLATE_NOOP("MainWindow", "Pokaż na mapie"), 7, 396, 67, 10,
               kStyleFlat | kStyleTabStop},
              {1018, kStatic, "dravik.example", 404, 380, 48, 8, kStyleTabStop},
              {1019, kStatic, "", 7, 382, 365, 8, kStyleNone},
              {1007, kRadio, QT_TRANSLATE_NOOP("MainWindow", "Normalna"), 79, 396, 46, 10,
               kStyleGroup | kStyleFlat | kStyleTabStop},
              {1008, kRadio, QT_TRANSLATE_NOOP("MainWindow", "Satelita"), 139, 396, 39, 10, kStyleFlat},
              {1016, kRadio, QT_TRANSLATE_NOOP("MainWindow", "Hybryda"), 192, 396, 42, 10, kStyleFlat},
              {1017, kRadio, QT_TRANSLATE_NOOP("MainWindow", "Fizyczna"), 248, 396, 43, 10, kStyleFlat},
              {1020, ControlKind::CheckBox, QT_TRANSLATE_NOOP("MainWindow", "Granice płyt"), 300, 396, 90, 10,
               kStyleFlat | kStyleTabStop},
          },
          kMenuMain,
          8,
          // As the eye reads the window: the list, the map's controls below it, then the hide button and the site's
          // link (the map itself is no Tab stop).
          {1003, 1006, 1007, 1008, 1016, 1017, 1020, 1002, 1018}}},
        {kDialogLanguage,
         {kDialogLanguage,
          QT_TRANSLATE_NOOP("LanguageDialog", "Język programu (language)"),
          186,
          66,
          {
              {1007, kRadio, "Polski", 26, 12, 35, 10, kStyleGroup | kStyleFlat | kStyleTabStop},
              {1008, kRadio, "English", 115, 12, 39, 10, kStyleFlat},
              {kNoControlId, ControlKind::Frame, "", 0, 0, 185, 36, kStyleNone},
              {kIdOk, kDefPush, QT_TRANSLATE_NOOP("LanguageDialog", "Dalej"), 65, 44, 50, 14,
               kStyleGroup | kStyleTabStop},
              {kIdCancel, kPush, QT_TRANSLATE_NOOP("LanguageDialog", "Zakończ"), 123, 44, 50, 14,
               kStyleTabStop | kStyleCancel},
          }}},
        {kDialogHistory,
         {kDialogHistory,
          QT_TRANSLATE_NOOP("History", "Historia wstrząsów"),
          334,
          294,
          {
              {kIdCancel, kPush, QT_TRANSLATE_NOOP("History", "Zamknij"), 277, 273, 50, 14,
               kStyleOwnerDraw | kStyleTabStop | kStyleCancel},
              {kNoControlId, ControlKind::Frame, "", 0, 0, 334, 266, kStyleNone},
              {kNoControlId, kStatic, QT_TRANSLATE_NOOP("History", "Pokaż od"), 7, 10, 31, 8, kStyleNone},
              {1010, ControlKind::DatePicker, "", 44, 7, 54, 15, kStyleRightAlign | kStyleTabStop},
              {kNoControlId, kStatic, QT_TRANSLATE_NOOP("History", "do"), 102, 10, 9, 8, kStyleNone},
              {1011, ControlKind::DatePicker, "", 115, 7, 54, 15, kStyleRightAlign | kStyleTabStop},
              {1012, ControlKind::ListView, "", 7, 29, 320, 165, kStyleBorder | kStyleTabStop},
              {1002, kPush, ">>", 251, 215, 19, 14, kStyleHidden | kStyleTabStop},
              {1013, ControlKind::BlackFrame, "", 7, 198, 320, 61, kStyleNone},
              {1014, ControlKind::ComboBox, "", 172, 7, 155, 161, kStyleSorted | kStyleVScroll | kStyleTabStop},
              {1007, kRadio, QT_TRANSLATE_NOOP("History", "Wartość magnitude"), 7, 268, 77, 10,
               kStyleGroup | kStyleFlat | kStyleTabStop},
              {1008, kRadio, QT_TRANSLATE_NOOP("History", "Energia wstrząsu"), 7, 279, 69, 10, kStyleFlat},
              {1016, kRadio, QT_TRANSLATE_NOOP("History", "Słupki"), 155, 268, 37, 10,
               kStyleGroup | kStyleFlat | kStyleTabStop},
              {1017, kRadio, QT_TRANSLATE_NOOP("History", "Łączenie punktów"), 155, 279, 75, 10, kStyleFlat},
          },
          0,
          8,
          // The query from left to right, its result, the chart's choices, and last the close button.
          {1010, 1011, 1014, 1012, 1002, 1007, 1008, 1016, 1017, kIdCancel}}},
    };
    return templates;
}

MenuItem Command(const char* text, int id, const char* shortcut = "") {
    return MenuItem{text, id, false, {}, shortcut};
}
MenuItem Separator() {
    return MenuItem{"", 0, true, {}};
}
MenuItem Popup(const char* text, std::vector<MenuItem> children) {
    return MenuItem{text, 0, false, std::move(children)};
}

const std::map<int, MenuTemplate>& MenuTemplates() {
    static const std::map<int, MenuTemplate> menus = {
        {kMenuTrayPolish,
         {kMenuTrayPolish,
          {Popup("Tray", {Command(QT_TRANSLATE_NOOP("Tray", "Pokaż listę"), kCmdShowList),
                          Command(QT_TRANSLATE_NOOP("Tray", "Zmień język"), kCmdChangeLanguage),
                          Command(QT_TRANSLATE_NOOP("Tray", "Ustawienia..."), kCmdSettings), Separator(),
                          Command(QT_TRANSLATE_NOOP("Tray", "Zakończ"), kCmdTrayClose)})}}},
        {kMenuTrayEnglish,
         {kMenuTrayEnglish,
          {Popup("Tray", {Command("Show list", kCmdShowList), Command("Change language", kCmdChangeLanguage),
                          Command("Settings...", kCmdSettings), Separator(), Command("Quit", kCmdTrayClose)})}}},
        // "&" marks the letter that opens an entry with Alt (or on its own inside an open menu).
        {kMenuMain,
         {kMenuMain,
          {Popup(QT_TRANSLATE_NOOP("Menu", "&Program"),
                 {Command(QT_TRANSLATE_NOOP("Menu", "&Ukryj"), kCmdHide, "Ctrl+W"),
                  Command(QT_TRANSLATE_NOOP("Menu", "U&stawienia..."), kCmdSettings, "Ctrl+,"),
                  Command(QT_TRANSLATE_NOOP("Menu", "Zmień &język..."), kCmdChangeLanguage),
                  Command(QT_TRANSLATE_NOOP("Menu", "&Zamknij"), kCmdMenuClose, "Ctrl+Q")}),
           Popup(QT_TRANSLATE_NOOP("Menu", "&Analizy"),
                 {Command(QT_TRANSLATE_NOOP("Menu", "&Historia"), kCmdHistory, "Ctrl+H")}),
           Command(QT_TRANSLATE_NOOP("Menu", "&O programie"), kCmdAbout)}}},
    };
    return menus;
}

}  // namespace

const DialogTemplate* FindDialogTemplate(int id) {
    const auto& templates = DialogTemplates();
    auto it = templates.find(id);
    return it == templates.end() ? nullptr : &it->second;
}

const MenuTemplate* FindMenuTemplate(int id) {
    const auto& menus = MenuTemplates();
    auto it = menus.find(id);
    return it == menus.end() ? nullptr : &it->second;
}

namespace {

// The contexts of the tables' texts, by the dialog or menu that shows them.
const char* DialogContext(int id) {
    switch (id) {
        case kDialogAbout:
            return "About";
        case kDialogMain:
            return "MainWindow";
        case kDialogLanguage:
            return "LanguageDialog";
        case kDialogHistory:
            return "History";
        default:
            return "";
    }
}

const char* MenuContext(int id) {
    return id == kMenuMain ? "Menu" : "Tray";
}

void TranslateItems(const std::string& lang, const char* context, std::vector<MenuItem>& items) {
    for (MenuItem& item : items) {
        if (!item.text.empty()) {
            item.text = Translate(lang, context, item.text.c_str());
        }
        TranslateItems(lang, context, item.children);
    }
}

template <typename T>
const T* Cached(int id, const std::string& lang, const T* source, void (*translate)(const std::string&, T&)) {
    if (source == nullptr || lang.empty() || lang == kSourceLanguage) {
        return source;
    }
    // Built once per table and language and kept, like the tables themselves.
    static std::mutex mutex;
    static std::map<std::pair<int, std::string>, T> copies;
    std::lock_guard<std::mutex> lock(mutex);
    auto it = copies.find({id, lang});
    if (it == copies.end()) {
        T copy = *source;
        translate(lang, copy);
        it = copies.emplace(std::make_pair(id, lang), std::move(copy)).first;
    }
    return &it->second;
}

void TranslateDialog(const std::string& lang, DialogTemplate& dialog) {
    const char* context = DialogContext(dialog.id);
    dialog.caption = Translate(lang, context, dialog.caption.c_str());
    for (DialogControl& control : dialog.controls) {
        if (!control.text.empty() && control.kind != ControlKind::Icon) {
            control.text = Translate(lang, context, control.text.c_str());
        }
    }
}

void TranslateMenu(const std::string& lang, MenuTemplate& menu) {
    TranslateItems(lang, MenuContext(menu.id), menu.items);
}

}  // namespace

const DialogTemplate* FindDialogTemplate(int id, const std::string& lang) {
    return Cached<DialogTemplate>(id, lang, FindDialogTemplate(id), TranslateDialog);
}

const MenuTemplate* FindMenuTemplate(int id, const std::string& lang) {
    return Cached<MenuTemplate>(id, lang, FindMenuTemplate(id), TranslateMenu);
}

std::string LoadResourceString(int id) {
    if (id == kStringAboutItem) {
        return "&About dravik...";
    }
    return {};
}

}  // namespace dravik
