#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace dravik {

// The tray icon's tooltip within maxBytes of UTF-8, the most a tray shows: the problems first, a line each, then
// the program's title when it still fits whole. Problems that do not fit are cut at a character and end in "…",
// so what goes wrong is what the tray shows. Without problems, the title.
std::string TrayTipText(const std::string& title, const std::vector<std::string>& problems, std::size_t maxBytes);

// What came in last, for the tooltip in place of the program's title: "Ostatnie: M 5.2 12:34 HAWAII" in the
// language (its region last, as the part a short tray may cut).
std::string LastQuakeTip(const std::string& lang, const std::string& mag, const std::string& time,
                         const std::string& region);

}  // namespace dravik
