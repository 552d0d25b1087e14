#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "alerts/aftershock_forecast.h"
#include "alerts/alert_rule.h"
#include "alerts/sequences.h"

// The texts of an aftershock sequence: its card, the main shock's row and tooltip, what may follow.
namespace dravik {

// "12 min ago" / "12 min temu" for under two hours, else "3 h ago"; a time ahead reads as 0 min.
std::string AgoText(const std::string& lang, std::int64_t elapsedMs);

// The sequence's card: "23 aftershocks of M 7.8 CENTRAL TURKEY · largest M 6.7 · latest M 5.1, 12 min ago".
std::string SequenceCardText(const std::string& lang, const SequenceSummary& sequence, std::int64_t nowUtcMs);

// The main shock's mark in the list: "+23"; empty without aftershocks.
std::string SequenceCountMark(std::size_t aftershocks);

// The main shock's tooltip line: "23 aftershocks · largest M 6.7 · latest M 5.1 (2024-01-01 09:45)", the latest's
// time as `latestTime` gives it.
std::string SequenceRowText(const std::string& lang, const SequenceSummary& sequence, const std::string& latestTime);

// What may follow: "Next 7 days: M 5+ 64%, M 7.8+ 2% (generic estimate)".
std::string OutlookText(const std::string& lang, const AftershockOutlook& outlook, const std::string& mainMag,
                        bool usgsForecast = false);

// A percentage as shown: "<1%", "64%", ">99%".
std::string ChanceText(double chance);

// The line a revision's notice gives when the agency has reviewed the quake.
std::string ReviewedText(const std::string& lang);
// The line a revision's notice gives when a place's expected shaking changed.
std::string ShakingChangedText(const std::string& lang);

}  // namespace dravik
