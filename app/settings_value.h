#pragma once

#include <optional>
#include <string>

namespace dravik {

// One text value of the program's settings key ("window/main", "home/latitude"), read or written in one
// open-close cycle of the current settings storage. Read: the text up to its first NUL, none when missing.
std::optional<std::string> ReadSettingsText(const std::string& name);
void WriteSettingsText(const std::string& name, const std::string& text);

// The home place as the settings window stores it (values "home/latitude", "home/longitude", "home/name");
// empty texts for what is missing.
struct HomePlaceTexts {
    std::string lat;
    std::string lon;
    std::string name;
};
HomePlaceTexts ReadHomePlaceTexts();

}  // namespace dravik
