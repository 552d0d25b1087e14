#pragma once

#include <string>

namespace dravik {

// The status line text for a solar-wind page: "Prędkość wiatru słonecznego: %s km/s, gęstość: %s
// protonów/cm³" with the speed and the proton density as the page writes them. Reads NOAA's real-time
// solar wind JSON (the newest active reading with both values) or a page with "speed: <b>" and
// "density: <b>" cells. Only a number of at most 16 bytes is shown (blanks around it kept); a value that
// cannot be found, or is anything else, leaves its place empty.
std::string SolarWindStatusText(const std::string& page);
// The same in another wording: form holds %1 for the speed and %2 for the density.
std::string SolarWindStatusText(const std::string& page, const std::string& form);
// The same, or `noData` when the page gives neither value (no page, an error, another page): a line of units
// without numbers reads as a fault of the program.
std::string SolarWindStatusText(const std::string& page, const std::string& form, const std::string& noData);

// The first X-ray event cell of the SWPC X-ray page, when the page has its "GOES 15 X-Ray Events 1-8A"
// table; empty otherwise. Nothing shows it: the page is requested every cycle and its content dropped.
std::string XRayEventText(const std::string& page);

}  // namespace dravik
