#pragma once

#include <string>

#include "alerts/alert_rule.h"
#include "alerts/headline.h"
#include "sources/quake_parser.h"

// The words of the headline band and of the list's marks: what people felt beside what is expected, PAGER's
// level, and the tsunami words as the agencies mean them. Polish, English and German through the translations.
namespace dravik {

// What an agency says people felt: "odczuto IV, 103 zgłoszenia" / "felt IV, 103 reports"; without the level
// "103 felt reports", without the count "felt IV"; empty when it said neither.
std::string ObservedFeltText(const std::string& lang, const FeltData& felt);
// PAGER's level: "PAGER pomarańczowy" / "PAGER orange"; empty without one.
std::string PagerText(const std::string& lang, const std::string& alert);
// USGS's tsunami flag: a large quake in an oceanic region, not a message.
std::string OceanicQuakeText(const std::string& lang);
// A warning centre's message in force for the quake: "Tsunami message issued – check official warnings".
std::string TsunamiIssuedText(const std::string& lang);
// A large quake no centre has a message for.
std::string NoTsunamiMessageText(const std::string& lang);
// "strong shaking (VI) expected at İstanbul".
std::string ExpectedAtText(const std::string& lang, int level, const std::string& placeName);

// The headline of one quake, its parts joined by " · ": "M 7.4 · 78 km E of İstanbul · strong shaking (VI)
// expected at İstanbul · felt IV, 3 120 reports · PAGER orange · no tsunami message". The place's distance
// where there are places, else the region; the expectation from II on; "no tsunami message" from M 6 on.
std::string HeadlineText(const std::string& lang, const QuakeEvent& event, const AlertSettings& settings,
                         const AlertDecision& decision, bool tsunamiMessage);
// What the band is, for screen readers.
std::string HeadlineDescription(const std::string& lang);

// The list's filter box, its rule said: "Tylko istotne (odczuwalne w Twoich miejscach albo od M 2,5)".
std::string SignificantOnlyText(const std::string& lang);

}  // namespace dravik
