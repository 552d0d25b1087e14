#include "feed/quake_list_update.h"

#include <locale.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/sound.h"

namespace dravik {
namespace {

// The "C" locale, so that "4.5" reads as four and a half whatever LC_NUMERIC the desktop sets.
locale_t CLocale() {
    static const locale_t locale = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

}  // namespace

int MagnitudeClass(const std::string& mag) {
    const float m = static_cast<float>(::strtod_l(mag.c_str(), nullptr, CLocale()));
    // Written so that a text reading as NaN falls through to class 0, like any non-number.
    if (m >= 7.0f) {
        return 3;
    }
    if (m >= 6.0f) {
        return 2;
    }
    if (m >= 4.0f) {
        return 1;
    }
    return 0;
}

long LeadingInteger(const std::string& eventId) {
    const int savedErrno = errno;
    const long value = ::strtol_l(eventId.c_str(), nullptr, 10, CLocale());
    errno = savedErrno;
    return value;
}

std::string LeadingNumberKey(const std::string& eventId) {
    std::size_t i = 0;
    // The blanks atol skips, in the C locale.
    while (i < eventId.size() && std::strchr(" \t\n\v\f\r", eventId[i]) != nullptr && eventId[i] != '\0') {
        ++i;
    }
    bool negative = false;
    if (i < eventId.size() && (eventId[i] == '+' || eventId[i] == '-')) {
        negative = eventId[i] == '-';
        ++i;
    }
    while (i < eventId.size() && eventId[i] == '0') {
        ++i;
    }
    std::string digits;
    while (i < eventId.size() && std::isdigit(static_cast<unsigned char>(eventId[i])) != 0) {
        digits += eventId[i++];
    }
    if (digits.empty()) {
        return "0";
    }
    return negative ? "-" + digits : digits;
}

bool SeenEvents::Contains(const std::string& eventId) const {
    return m_keys.count(LeadingNumberKey(eventId)) != 0;
}

void SeenEvents::Add(const std::string& eventId) {
    m_ids.push_back(eventId);
    m_keys.insert(LeadingNumberKey(eventId));
}

QuakeListUpdate::QuakeListUpdate(IQuakeListView& list, SeenEvents& seen, FeedFlags flags, PageSource page,
                                 ISound& sound, EventStore store)
    : m_list(list), m_seen(seen), m_flags(flags), m_page(std::move(page)), m_sound(sound), m_store(std::move(store)) {}

void QuakeListUpdate::Run() {
    m_flags.feedBusy = true;
    // The list stays undrawn from here on, the fetch included, and is drawn once at the end.
    m_list.BeginUpdate();

    const bool firstFillDone = m_flags.firstFillDone;
    for (const QuakeEvent& event : ParseQuakePage(m_page())) {
        if (m_seen.Contains(event.eventId)) {
            continue;
        }
        // Counting and inserting in one step saves the worker a wait for the UI thread per event.
        m_list.InsertEvent(firstFillDone ? 0 : IQuakeListView::kAppendItem, event, MagnitudeClass(event.mag));
        m_store(event);
        m_seen.Add(event.eventId);
        m_flags.newEvent = true;
        if (firstFillDone) {
            m_sound.PlaySound(kNewEventSound);
        }
    }

    m_flags.feedBusy = false;
    if (!firstFillDone) {
        // Selecting and showing item 0 of an empty list does nothing; the next readable page goes to the top.
        m_list.SelectItem(0);
        m_list.ShowSelectionOnMap();
    }
    m_list.EndUpdate();
    m_flags.firstFillDone = true;
}

}  // namespace dravik
