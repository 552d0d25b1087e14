#include "mainwindow/tray_tip.h"

#include "mainwindow/system_tray.h"
#include "resources/translations.h"

#include <QtGlobal>
#include <utility>

namespace dravik {

std::string TrayTipText(const std::string& title, const std::vector<std::string>& problems, std::size_t maxBytes) {
    if (problems.empty()) {
        return CutTrayTip(title, maxBytes);
    }
    std::string joined;
    for (const std::string& problem : problems) {
        joined += (joined.empty() ? "" : "\n") + problem;
    }
    if (joined.size() + 1 + title.size() <= maxBytes) {
        return joined + "\n" + title;
    }
    if (joined.size() <= maxBytes) {
        return joined;
    }
    static const std::string kEllipsis = "\xE2\x80\xA6";
    if (maxBytes < kEllipsis.size()) {
        return CutTrayTip(joined, maxBytes);
    }
    std::string cut = CutTrayTip(joined, maxBytes - kEllipsis.size());
    // An ellipsis after a line break or a space would stand apart from the words it cuts.
    while (!cut.empty() && (cut.back() == '\n' || cut.back() == ' ')) {
        cut.pop_back();
    }
    return cut + kEllipsis;
}

std::string LastQuakeTip(const std::string& lang, const std::string& mag, const std::string& time,
                         const std::string& region) {
    std::string text = Translate(lang, "Texts", QT_TRANSLATE_NOOP("Texts", "Ostatnie: M %1 %2 %3"));
    // Each mark once, from the last: a value never holds a mark that is replaced in turn.
    for (const auto& [mark, value] :
         {std::pair<const char*, const std::string&>{"%3", region}, {"%2", time}, {"%1", mag}}) {
        if (const std::size_t at = text.find(mark); at != std::string::npos) {
            text.replace(at, 2, value);
        }
    }
    return text;
}

}  // namespace dravik
