#include "alerts/notice_cards.h"

#include <algorithm>
#include <cmath>

#include "sources/event_numbers.h"

namespace dravik {
namespace {

constexpr const char* kSequenceTagPrefix = "sequence:";
constexpr const char* kQuakeTagPrefix = "quake:";
// As the alert rule compares magnitudes: a 5.0 read through a sum still counts as 5.0.
constexpr double kSlack = 1e-9;

}  // namespace

CardAction SequenceCards::Told(const std::string& mainId, bool newLargest, std::int64_t nowUtcMs) {
    auto it = m_cards.find(mainId);
    if (it == m_cards.end()) {
        if (m_cards.size() >= kMaxCards) {
            m_cards.erase(std::min_element(m_cards.begin(), m_cards.end(), [](const auto& a, const auto& b) {
                return a.second.usedUtcMs < b.second.usedUtcMs;
            }));
        }
        m_cards[mainId] = Card{false, nowUtcMs, 0, nowUtcMs};
        return CardAction::Open;
    }
    Card& card = it->second;
    card.usedUtcMs = nowUtcMs;
    if (!card.dismissed) {
        return CardAction::Update;
    }
    const std::int64_t since = std::max(card.shownUtcMs, card.dismissedUtcMs);
    if (!newLargest || nowUtcMs - since < kReturnAfterMs) {
        return CardAction::None;
    }
    card.dismissed = false;
    card.shownUtcMs = nowUtcMs;
    return CardAction::Open;
}

void SequenceCards::Dismissed(const std::string& mainId, std::int64_t nowUtcMs) {
    const auto it = m_cards.find(mainId);
    if (it != m_cards.end()) {
        it->second.dismissed = true;
        it->second.dismissedUtcMs = nowUtcMs;
    }
}

std::string SequenceCards::Tag(const std::string& mainId) {
    return kSequenceTagPrefix + mainId;
}

std::string SequenceCards::MainOfTag(const std::string& tag) {
    const std::string prefix = kSequenceTagPrefix;
    return tag.rfind(prefix, 0) == 0 ? tag.substr(prefix.size()) : std::string();
}

bool MagnitudeChangeMatters(double before, double after, const AlertSettings& settings) {
    if (std::fabs(after - before) + kSlack >= kNoticeMagnitudeStep) {
        return true;
    }
    std::vector<double> thresholds = {settings.globalMagnitude, settings.notifyMinMagnitude, settings.wakeMagnitude,
                                      settings.sequenceMinMagnitude};
    if (settings.radiusKm > 0.0) {
        thresholds.push_back(settings.nearMagnitude);
    }
    for (const double t : thresholds) {
        if (t > 0.0 && (before + kSlack >= t) != (after + kSlack >= t)) {
            return true;
        }
    }
    return false;
}

QuakeNotices::Told QuakeNotices::Of(const QuakeEvent& event, const AlertDecision& decision) {
    Told told;
    told.mag = event.mag;
    const EventNumbers n = NumbersOf(event);
    told.hasMagnitude = n.hasMagnitude;
    told.magnitude = n.magnitude;
    for (const PlaceShaking& shaking : decision.shaking) {
        told.levels[shaking.place] = shaking.level;
    }
    told.reviewed = event.reviewed;
    return told;
}

void QuakeNotices::Notified(const QuakeEvent& event, const AlertDecision& decision) {
    if (event.eventId.empty()) {
        return;
    }
    if (m_quakes.size() >= kMaxQuakes && !Has(event.eventId)) {
        m_quakes.erase(std::min_element(m_quakes.begin(), m_quakes.end(),
                                        [](const auto& a, const auto& b) { return a.second.order < b.second.order; }));
    }
    Told told = Of(event, decision);
    told.order = m_next++;
    m_quakes[event.eventId] = std::move(told);
}

std::optional<QuakeNotices::Change> QuakeNotices::Revised(const QuakeEvent& event, const AlertDecision& decision,
                                                          const AlertSettings& settings) {
    const auto it = m_quakes.find(event.eventId);
    if (it == m_quakes.end()) {
        return std::nullopt;
    }
    Told& before = it->second;
    const Told after = Of(event, decision);
    Change change;
    if (before.hasMagnitude != after.hasMagnitude ||
        (after.hasMagnitude && MagnitudeChangeMatters(before.magnitude, after.magnitude, settings))) {
        change.previousMag = before.mag;
    }
    change.levels = before.levels != after.levels;
    change.reviewed = after.reviewed && !before.reviewed;
    if (change.previousMag.empty() && !change.levels && !change.reviewed) {
        // A small step is not told, but the next is measured from what the notice says.
        return std::nullopt;
    }
    const std::uint64_t order = before.order;
    before = after;
    before.order = order;
    return change;
}

std::string QuakeNotices::Tag(const std::string& eventId) {
    return kQuakeTagPrefix + eventId;
}

}  // namespace dravik
