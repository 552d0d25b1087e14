#include "app/ui_texts.h"

#include <array>

#include "app/settings_key.h"

namespace dravik {
namespace {

struct NumberedText {
    const char* polish;
    const char* english;
};

constexpr std::array<NumberedText, 9> kNumberedTexts = {{
    {"Mag", "Mag"},
    {"Lokalizacja", "Region"},
    {"Data", "Date"},
    {"Godzina", "Time"},
    {"Szer.", "Lat."},
    {"Dług.", "Long."},
    {"Zamknąć program?", "Close?"},
    {"Pytanie", "Dravik"},
    {"Głęb.", "Depth"},
}};

bool IsPolish(const std::string& lang) {
    return lang == kLangPolish;
}
bool IsEnglish(const std::string& lang) {
    return lang == kLangEnglish;
}

}  // namespace

std::string GetUiText(int number) {
    return UiTextFor(UiLanguage(), number);
}

std::string UiTextFor(const std::string& lang, int number) {
    if (number < 1 || number > static_cast<int>(kNumberedTexts.size())) {
        return {};
    }
    const NumberedText& text = kNumberedTexts[static_cast<size_t>(number - 1)];
    if (IsPolish(lang)) {
        return text.polish;
    }
    if (IsEnglish(lang)) {
        return text.english;
    }
    return {};
}

std::string HideButtonText(const std::string& lang) {
    return IsEnglish(lang) ? "Hide" : "Schowaj";
}

std::string ShowMapText(const std::string& lang) {
    return IsEnglish(lang) ? "Show map" : "Pokaż na mapie";
}

std::string TrayTooltip(const std::string& lang) {
    if (IsPolish(lang)) {
        return "Dravik - monitoring sejsmiczny";
    }
    if (IsEnglish(lang)) {
        return "Dravik - earthquake monitor";
    }
    return {};
}

int TrayMenuId(const std::string& lang) {
    if (IsPolish(lang)) {
        return 129;
    }
    if (IsEnglish(lang)) {
        return 137;
    }
    return 0;
}

std::string RestartMessage(int languageIndex) {
    return languageIndex == 1 ? "Please restart application" : "Uruchom program ponownie";
}

std::string VersionMessage(const std::string& lang, const std::string& ownVersion, const std::string& newVersion,
                           const std::string& siteHost) {
    // The versions are put in as plain text: the server's answer is never used as a format.
    if (IsPolish(lang)) {
        return "Posiadasz wersję " + ownVersion + " programu.\nDostępna jest nowa o numerze " + newVersion +
               ".\nDo pobrania na stronie " + siteHost;
    }
    return "Updates available. Look on " + siteHost;
}

LanguageDialogTexts LanguageDialogTextsFor(int languageIndex) {
    if (languageIndex == 1) {
        return {"Language", "Next", "Cancel"};
    }
    return {"Język programu (language)", "Dalej", "Zakończ"};
}

std::string LanguageDialogOpeningCaption(const std::string& lang) {
    return IsEnglish(lang) ? "Language" : "Język programu (language)";
}

std::string ArchiveProblemText(const std::string& lang, ArchiveFault fault) {
    const bool english = IsEnglish(lang);
    const char* reason = nullptr;
    switch (fault) {
        case ArchiveFault::kNone:
        case ArchiveFault::kInterrupted:
            return std::string();
        case ArchiveFault::kDiskFull:
            reason = english ? "disk full" : "pełny dysk";
            break;
        case ArchiveFault::kReadOnly:
            reason = english ? "read-only" : "tylko do odczytu";
            break;
        case ArchiveFault::kLocked:
            reason = english ? "locked by another program" : "zablokowane przez inny program";
            break;
        case ArchiveFault::kDamaged:
            reason = english ? "damaged" : "uszkodzone";
            break;
        case ArchiveFault::kOther:
            reason = english ? "write error" : "błąd zapisu";
            break;
    }
    return std::string(english ? "Archive unavailable: " : "Archiwum niedostępne: ") + reason;
}

}  // namespace dravik
