#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "alerts/alert_rule.h"

// One desktop notice a sequence and one a quake: which notice a sequence's aftershocks or a quake's revision
// opens, updates in place or leaves alone. Plain C++, no Qt; the window keeps them on its UI thread.
namespace dravik {

// What to do with a card.
enum class CardAction : unsigned char { None, Open, Update };

// The sequences' cards: the first aftershock told opens its sequence's card, every later one updates it in
// place. A card the user closed comes back only for a new largest aftershock, at most once an hour.
class SequenceCards final {
public:
    static constexpr std::int64_t kReturnAfterMs = 3600 * 1000;
    // Past it the card used least recently is forgotten (a sequence lasts months, a desktop shows few).
    static constexpr std::size_t kMaxCards = 256;

    // Aftershocks of `mainId` are to be told at `nowUtcMs`; `newLargest`: one of them is the sequence's
    // largest so far.
    CardAction Told(const std::string& mainId, bool newLargest, std::int64_t nowUtcMs);
    // The user closed the card of `mainId`.
    void Dismissed(const std::string& mainId, std::int64_t nowUtcMs);

    // The notice tag of a sequence's card, and the main shock's id back from it (empty for another tag).
    static std::string Tag(const std::string& mainId);
    static std::string MainOfTag(const std::string& tag);

private:
    struct Card {
        bool dismissed = false;
        std::int64_t shownUtcMs = 0;  // opened, or brought back
        std::int64_t dismissedUtcMs = 0;
        std::int64_t usedUtcMs = 0;
    };
    std::map<std::string, Card> m_cards;
};

// Whether a revised magnitude changes what the notice said: moved by 0.3 or more, or across one of the
// settings' thresholds (the alert's, the notification's, the near rule's, the wake and the sequence's).
inline constexpr double kNoticeMagnitudeStep = 0.3;
bool MagnitudeChangeMatters(double before, double after, const AlertSettings& settings);

// The quakes notified on their own, with what their notice said, so that a revision that matters updates it.
class QuakeNotices final {
public:
    static constexpr std::size_t kMaxQuakes = 512;

    void Notified(const QuakeEvent& event, const AlertDecision& decision);
    bool Has(const std::string& eventId) const { return m_quakes.count(eventId) != 0; }

    // What a revision changed of a notified quake's notice; nothing when it was not notified or nothing that
    // matters changed (the new values are then kept as what the notice says).
    struct Change {
        std::string previousMag;  // set when the magnitude's change matters
        bool levels = false;      // a place's expected level changed
        bool reviewed = false;    // the agency has now reviewed it
    };
    std::optional<Change> Revised(const QuakeEvent& event, const AlertDecision& decision,
                                  const AlertSettings& settings);

    static std::string Tag(const std::string& eventId);

private:
    struct Told {
        std::string mag;
        bool hasMagnitude = false;
        double magnitude = 0.0;
        std::map<std::size_t, int> levels;
        bool reviewed = false;
        std::uint64_t order = 0;
    };
    static Told Of(const QuakeEvent& event, const AlertDecision& decision);

    std::map<std::string, Told> m_quakes;
    std::uint64_t m_next = 0;
};

}  // namespace dravik
