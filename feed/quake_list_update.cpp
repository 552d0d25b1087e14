#include "feed/quake_list_update.h"

#include <locale.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
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

namespace {

// Ids qualified by their source ("usgs:us6000m0yf") are compared whole; the classic page's ids by their
// leading number.
std::string SeenKey(const std::string& eventId) {
    return eventId.find(':') != std::string::npos ? eventId : LeadingNumberKey(eventId);
}

std::int64_t NowUtcMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

bool SeenEvents::Contains(const std::string& eventId) const {
    return m_keys.count(SeenKey(eventId)) != 0;
}

void SeenEvents::Add(const std::string& eventId) {
    m_ids.push_back(eventId);
    m_keys.insert(SeenKey(eventId));
}

void IQuakeListView::InsertEvents(int index, const std::vector<QuakeEvent>& events) {
    for (const QuakeEvent& event : events) {
        InsertEvent(index, event, MagnitudeClass(event.mag));
    }
}

void UnstoredEvents::Add(const QuakeEvent& event) {
    if (m_events.size() >= kMaxUnstored) {
        std::fprintf(stderr, "dravik: archive backlog full, oldest unarchived event dropped: %s\n",
                     m_events.front().eventId.c_str());
        m_events.erase(m_events.begin());
    }
    m_events.push_back(event);
}

QuakeListUpdate::QuakeListUpdate(IQuakeListView& list, SeenEvents& seen, UnstoredEvents& unstored, FeedFlags flags,
                                 ISound& sound, Hooks hooks)
    : m_list(list), m_seen(seen), m_unstored(unstored), m_flags(flags), m_sound(sound), m_hooks(std::move(hooks)) {}

bool QuakeListUpdate::StopRequested() const {
    return m_hooks.stop != nullptr && m_hooks.stop->load();
}

void QuakeListUpdate::Run(const EventSource& source) {
    m_flags.feedBusy = true;
    // The list stays undrawn from here on, the fetch included, and is drawn once at the end.
    m_list.BeginUpdate();
    const bool firstFillDone = m_flags.firstFillDone;
    ListNew(source());
    m_flags.feedBusy = false;
    if (!firstFillDone && !StopRequested()) {
        // Selecting and showing item 0 of an empty list does nothing; the next readable page goes to the top.
        m_list.SelectItem(0);
        m_list.ShowSelectionOnMap();
    }
    m_list.EndUpdate();
    m_flags.firstFillDone = true;
}

void QuakeListUpdate::RunEvents(const std::vector<QuakeEvent>& events) {
    m_flags.feedBusy = true;
    m_list.BeginUpdate();
    ListNew(events);
    m_flags.feedBusy = false;
    m_list.EndUpdate();
}

void QuakeListUpdate::ListNew(const std::vector<QuakeEvent>& events) {
    const bool firstFillDone = m_flags.firstFillDone;
    std::vector<QuakeEvent> listed;
    std::vector<QuakeEvent> batch;
    // Every event marked seen is listed, also when a stop ends the loop early.
    const auto flush = [&] {
        if (batch.empty()) {
            return;
        }
        m_list.InsertEvents(firstFillDone ? 0 : IQuakeListView::kAppendItem, batch);
        for (const QuakeEvent& event : batch) {
            m_unstored.Add(event);
            const EventAlert alert = m_hooks.alertRule ? m_hooks.alertRule(event) : EventAlert{};
            if (alert.alert) {
                m_flags.newEvent = true;
            }
            if (firstFillDone && alert.sound) {
                m_sound.PlaySound(kNewEventSound);
            }
        }
        listed.insert(listed.end(), batch.begin(), batch.end());
        batch.clear();
    };
    for (const QuakeEvent& event : events) {
        if (StopRequested()) {
            break;
        }
        if (m_seen.Contains(event.eventId)) {
            continue;
        }
        m_seen.Add(event.eventId);
        if (m_hooks.merge != nullptr && !m_hooks.merge->Admit(event, NowUtcMs())) {
            continue;  // another agency's report of a quake already listed
        }
        batch.push_back(event);
        if (batch.size() == kListBatch) {
            flush();
        }
    }
    flush();
    if (!listed.empty() && m_hooks.listed) {
        m_hooks.listed(listed, !firstFillDone);
    }
    // Written after listing, so a slow or locked archive never delays what the user sees; a failed write
    // keeps every event for the next round.
    if (m_unstored.Empty() || StopRequested() || !m_hooks.store) {
        return;
    }
    const ArchiveWriteResult result = m_hooks.store(m_unstored.Events());
    if (result.Ok()) {
        m_unstored.Clear();
    }
    if (m_hooks.archiveReport) {
        m_hooks.archiveReport(result);
    }
}

}  // namespace dravik
