#include "feed/quake_list_update.h"

#include <locale.h>
#include <algorithm>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>
#include <unordered_set>
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

std::int64_t NowUtcMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Blanks the text forms carry ("-21.71 ") are left out of what the user reads.
std::string Shown(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void AddChange(std::string* text, const std::string& before, const std::string& after) {
    if (before != after) {
        *text += (text->empty() ? "" : "; ") + before + " → " + after;
    }
}

}  // namespace

std::string RevisionText(const QuakeEvent& before, const QuakeEvent& after) {
    std::string text;
    AddChange(&text, "M " + Shown(before.mag), "M " + Shown(after.mag));
    AddChange(&text, Shown(before.data1 + " " + before.data2), Shown(after.data1 + " " + after.data2));
    AddChange(&text, Shown(before.wsp1) + ", " + Shown(before.wsp2), Shown(after.wsp1) + ", " + Shown(after.wsp2));
    AddChange(&text, Shown(before.depth) + " km", Shown(after.depth) + " km");
    AddChange(&text, Shown(before.region), Shown(after.region));
    return text;
}

bool IsFresh(const QuakeEvent& event, std::int64_t nowUtcMs) {
    // The classic page gives no origin the program could trust; its events alert as they always did.
    return !event.hasNumbers || nowUtcMs - event.originUtcMs <= kFreshMs;
}

void IQuakeListView::InsertEvents(int index, const std::vector<QuakeEvent>& events) {
    for (const QuakeEvent& event : events) {
        InsertEvent(index, event, MagnitudeClass(event.mag));
    }
}

void IQuakeListView::ReviseEvents(const std::vector<QuakeRevision>&) {}

std::vector<std::string> IQuakeListView::TrimRows(std::int64_t, int) {
    return {};
}

void UnstoredEvents::Lane::Add(const QuakeEvent& event) {
    if (Size() >= kMaxUnstored) {
        if (!dropping) {
            std::fprintf(stderr, "dravik: archive backlog full, the oldest unarchived events are dropped from %s on\n",
                         events[head].eventId.c_str());
            dropping = true;
        }
        PopFront();
    }
    events.push_back(event);
}

void UnstoredEvents::Lane::PopFront() {
    events[head] = QuakeEvent{};
    ++head;
    ++first;
    if (Empty()) {
        std::vector<QuakeEvent>().swap(events);
        head = 0;
    } else if (head >= 1024 && head * 2 >= events.size()) {
        // Amortised: the written half goes once it is at least as long as what is left.
        events.erase(events.begin(), events.begin() + static_cast<std::ptrdiff_t>(head));
        head = 0;
    }
}

void UnstoredEvents::Lane::ForgetBefore(std::uint64_t end) {
    while (!Empty() && first < end) {
        PopFront();
    }
    if (Empty()) {
        dropping = false;
    }
}

void UnstoredEvents::Add(const QuakeEvent& event, KnownQuake& quake, bool prompt) {
    if (prompt && quake.roundLaneUntil <= m_round.first) {
        m_prompt.Add(event);
        return;
    }
    m_round.Add(event);
    quake.roundLaneUntil = m_round.End();
}

UnstoredEvents::Chunk UnstoredEvents::Take(std::size_t max, bool promptOnly) const {
    Chunk chunk;
    const std::size_t fromPrompt = std::min(max, m_prompt.Size());
    const std::size_t fromRound = promptOnly ? 0 : std::min(max - fromPrompt, m_round.Size());
    chunk.events.reserve(fromPrompt + fromRound);
    const auto from = [](const Lane& lane) { return lane.events.begin() + static_cast<std::ptrdiff_t>(lane.head); };
    chunk.events.insert(chunk.events.end(), from(m_prompt), from(m_prompt) + static_cast<std::ptrdiff_t>(fromPrompt));
    chunk.events.insert(chunk.events.end(), from(m_round), from(m_round) + static_cast<std::ptrdiff_t>(fromRound));
    chunk.promptEnd = m_prompt.first + fromPrompt;
    chunk.roundEnd = m_round.first + fromRound;
    return chunk;
}

void UnstoredEvents::Forget(const Chunk& chunk) {
    m_prompt.ForgetBefore(chunk.promptEnd);
    m_round.ForgetBefore(chunk.roundEnd);
}

void UnstoredEvents::Clear() {
    m_prompt.ForgetBefore(m_prompt.End());
    m_round.ForgetBefore(m_round.End());
}

QuakeListUpdate::QuakeListUpdate(IQuakeListView& list, QuakeRegistry& quakes, UnstoredEvents& unstored, FeedFlags flags,
                                 ISound& sound, Hooks hooks)
    : m_list(list), m_quakes(quakes), m_unstored(unstored), m_flags(flags), m_sound(sound), m_hooks(std::move(hooks)) {}

bool QuakeListUpdate::StopRequested() const {
    return m_hooks.stop != nullptr && m_hooks.stop->load();
}

namespace {

// The earliest origin a round lists: the list's days, and when the round brings more quakes than the list holds,
// the origin of the newest that fit (those older would only go in to be taken out again).
std::int64_t ListedSinceMs(const std::vector<QuakeEvent>& events, std::int64_t cutoffUtcMs, int maxRows) {
    std::vector<std::int64_t> origins;
    std::unordered_set<std::string> ids;
    for (const QuakeEvent& event : events) {
        if (event.hasNumbers && event.originUtcMs >= cutoffUtcMs && ids.insert(QuakeIdKey(event.eventId)).second) {
            origins.push_back(event.originUtcMs);
        }
    }
    const std::size_t fit = static_cast<std::size_t>(std::max(maxRows, 1));
    if (origins.size() <= fit) {
        return cutoffUtcMs;
    }
    std::nth_element(origins.begin(), origins.begin() + static_cast<std::ptrdiff_t>(fit - 1), origins.end(),
                     std::greater<>());
    return origins[fit - 1];
}

// Locks `mutex` when there is one.
std::unique_lock<std::mutex> LockIfAny(std::mutex* mutex) {
    return mutex != nullptr ? std::unique_lock<std::mutex>(*mutex) : std::unique_lock<std::mutex>();
}

}  // namespace

void QuakeListUpdate::Run(const EventSource& source) {
    m_flags.feedBusy = true;
    const std::vector<QuakeEvent> events = source();
    {
        std::unique_lock<std::mutex> lock = LockIfAny(m_hooks.listMutex);
        // The list stays undrawn while it is filled, and is drawn once at the end.
        m_list.BeginUpdate();
        const bool firstFillDone = m_flags.firstFillDone;
        ListNew(events);
        m_flags.feedBusy = false;
        if (!firstFillDone && !StopRequested()) {
            // Selecting and showing item 0 of an empty list does nothing; the next readable page goes to the top.
            m_list.SelectItem(0);
            m_list.ShowSelectionOnMap();
        }
        m_list.EndUpdate();
        m_flags.firstFillDone = true;
    }
    WriteBacklog();
}

void QuakeListUpdate::RunEvents(const std::vector<QuakeEvent>& events) {
    m_bPrompt = true;
    {
        std::unique_lock<std::mutex> lock = LockIfAny(m_hooks.listMutex);
        m_list.BeginUpdate();
        ListNew(events);
        m_list.EndUpdate();
    }
    WriteBacklog();
}

void QuakeListUpdate::WriteBacklog() {
    // Written after listing, so a slow or locked archive never delays what the user sees; a failed write
    // keeps every event for the next round. One writer at a time, so no quake is written twice.
    if (m_bPrompt) {
        WritePromptLane();
        return;
    }
    {
        std::unique_lock<std::mutex> lock = LockIfAny(m_hooks.listMutex);
        m_unstored.SetRoundWriter(true);
    }
    // A chunk at a time, the prompt lane first in each: a push that comes meanwhile is written with the next
    // chunk, and its round need not wait for this one to end.
    for (;;) {
        std::unique_lock<std::mutex> writer = LockIfAny(m_hooks.storeMutex);
        UnstoredEvents::Chunk chunk;
        {
            std::unique_lock<std::mutex> lock = LockIfAny(m_hooks.listMutex);
            if (!StopRequested() && m_hooks.store) {
                chunk = m_unstored.Take(kWriteChunk, false);
            }
            if (chunk.events.empty()) {
                m_unstored.SetRoundWriter(false);
                return;
            }
        }
        if (!WriteChunk(chunk)) {
            std::unique_lock<std::mutex> lock = LockIfAny(m_hooks.listMutex);
            m_unstored.SetRoundWriter(false);
            return;
        }
    }
}

void QuakeListUpdate::WritePromptLane() {
    // While a round's writer is at work it takes the prompt lane first in its next chunk (it stops only once the
    // backlog is empty, looked at under the list's lock, after this round's reports went in), so waiting for it
    // would hold up the next push for the whole of a big fill.
    std::unique_lock<std::mutex> writer;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock = LockIfAny(m_hooks.listMutex);
            if (StopRequested() || !m_hooks.store || m_unstored.PromptEmpty() || m_unstored.RoundWriter()) {
                return;
            }
        }
        if (m_hooks.storeMutex == nullptr) {
            break;
        }
        writer = std::unique_lock<std::mutex>(*m_hooks.storeMutex, std::try_to_lock);
        if (writer.owns_lock()) {
            break;
        }
        // A writer between its last chunk and letting go of the lock.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    for (;;) {
        UnstoredEvents::Chunk chunk;
        {
            std::unique_lock<std::mutex> lock = LockIfAny(m_hooks.listMutex);
            if (StopRequested()) {
                return;
            }
            chunk = m_unstored.Take(kWriteChunk, true);
        }
        if (chunk.events.empty() || !WriteChunk(chunk)) {
            return;
        }
    }
}

bool QuakeListUpdate::WriteChunk(const UnstoredEvents::Chunk& chunk) {
    const ArchiveWriteResult result = m_hooks.store(chunk.events);
    if (result.Ok()) {
        std::unique_lock<std::mutex> lock = LockIfAny(m_hooks.listMutex);
        m_unstored.Forget(chunk);
    }
    if (m_hooks.archiveReport) {
        m_hooks.archiveReport(result);
    }
    return result.Ok();
}

void QuakeListUpdate::MakeRoom(const std::vector<QuakeEvent>& events, std::int64_t nowUtcMs,
                               std::int64_t* listedSince) {
    std::vector<std::int64_t> origins;
    std::unordered_set<std::string> ids;
    for (const QuakeEvent& event : events) {
        if (!event.hasNumbers || event.originUtcMs < *listedSince || !ids.insert(QuakeIdKey(event.eventId)).second) {
            continue;
        }
        const KnownQuake* known = m_quakes.Find(event.eventId);
        if (known == nullptr || !known->listed) {
            origins.push_back(event.originUtcMs);
        }
    }
    // A small round's rows go after each batch; that is one block anyway.
    const std::size_t fit = static_cast<std::size_t>(std::max(m_hooks.bounds.maxRows, 1));
    if (origins.size() <= kListBatch) {
        return;
    }
    const std::vector<std::int64_t> listed = m_quakes.ListedOrigins();
    if (origins.size() + listed.size() <= fit) {
        return;
    }
    origins.insert(origins.end(), listed.begin(), listed.end());
    std::nth_element(origins.begin(), origins.begin() + static_cast<std::ptrdiff_t>(fit - 1), origins.end(),
                     std::greater<>());
    const std::int64_t keepSince = origins[fit - 1];
    *listedSince = std::max(*listedSince, keepSince);
    Trim(nowUtcMs, keepSince);
}

void QuakeListUpdate::Trim(std::int64_t nowUtcMs, std::int64_t keepSinceUtcMs) {
    const ListBounds& bounds = m_hooks.bounds;
    const std::int64_t cutoff = bounds.CutoffUtcMs(nowUtcMs);
    for (const std::string& id : m_list.TrimRows(std::max(cutoff, keepSinceUtcMs), bounds.maxRows)) {
        // Its identity stays known, so another report of it neither lists it again nor stores it twice.
        if (KnownQuake* quake = m_quakes.Find(id)) {
            quake->listed = false;
            if (quake->values.hasNumbers && quake->values.originUtcMs >= cutoff) {
                m_quakes.RaiseListFloor(quake->values.originUtcMs);
            }
        }
    }
    const int registryDays = std::max(m_hooks.registryDays, bounds.days);
    m_quakes.ForgetOlderThan(nowUtcMs - registryDays * std::int64_t{86400000});
}

bool QuakeListUpdate::AlertOnce(KnownQuake& quake, std::int64_t nowUtcMs) {
    if (quake.alerted || !IsFresh(quake.values, nowUtcMs)) {
        return false;
    }
    const EventAlert alert = m_hooks.alertRule ? m_hooks.alertRule(quake.values) : EventAlert{};
    if (!alert.alert) {
        return false;
    }
    quake.alerted = true;
    m_flags.newEvent = true;
    if (m_flags.firstFillDone && alert.sound) {
        m_sound.PlaySound(kNewEventSound);
    }
    return true;
}

void QuakeListUpdate::ListNew(const std::vector<QuakeEvent>& events) {
    const bool firstFillDone = m_flags.firstFillDone;
    const std::int64_t now = m_hooks.nowUtcMs ? m_hooks.nowUtcMs() : NowUtcMs();
    std::int64_t listedSince = ListedSinceMs(events, m_hooks.bounds.CutoffUtcMs(now), m_hooks.bounds.maxRows);
    MakeRoom(events, now, &listedSince);
    std::vector<AnnouncedQuake> announced;
    std::vector<QuakeEvent> batch;
    std::vector<KnownQuake*> batchQuakes;
    // Per listed quake: the magnitude a revision listed in this round replaced, else empty.
    std::vector<std::string> batchRevisedFrom;
    std::vector<QuakeRevision> revisions;
    // Every quake marked listed is listed, also when a stop ends the loop early. The alert is decided after the
    // row is there, so that a click on its notification finds it.
    const auto flush = [&] {
        if (!batch.empty()) {
            m_list.InsertEvents(firstFillDone ? 0 : IQuakeListView::kAppendItem, batch);
            Trim(now);
            for (std::size_t i = 0; i < batchQuakes.size(); ++i) {
                if (AlertOnce(*batchQuakes[i], now)) {
                    announced.push_back({batchQuakes[i]->values, batchRevisedFrom[i]});
                }
            }
        }
        batch.clear();
        batchQuakes.clear();
        batchRevisedFrom.clear();
    };
    for (const QuakeEvent& event : events) {
        if (StopRequested()) {
            break;
        }
        if (event.hasNumbers && (event.originUtcMs > now + kMaxFutureMs || event.originUtcMs < kEarliestOriginMs)) {
            continue;  // a clock or a source gone wrong; no quake is listed or stored for it
        }
        const ReportMatch match = m_quakes.Resolve(event);
        KnownQuake& quake = *match.quake;
        switch (match.kind) {
            case ReportKind::kNew:
            case ReportKind::kRevision:
                m_unstored.Add(event, quake, m_bPrompt);
                break;
            case ReportKind::kOtherAgency:
                // The archive learns the agency's ids once; a report that brings none changes nothing there.
                if (match.newIds) {
                    QuakeEvent merged = event;
                    merged.quakeId = quake.id;
                    m_unstored.Add(merged, quake, m_bPrompt);
                }
                break;
            case ReportKind::kRepeat:
                break;
        }
        // A quake older than the list's span is archived only, also when it is revised.
        const bool inSpan = !quake.values.hasNumbers || (quake.values.originUtcMs >= listedSince &&
                                                         quake.values.originUtcMs > m_quakes.ListFloorMs());
        if (!quake.listed && inSpan) {
            quake.listed = true;
            batch.push_back(quake.values);
            batchQuakes.push_back(&quake);
            batchRevisedFrom.push_back(match.kind == ReportKind::kRevision ? match.previous.mag : std::string());
            if (batch.size() == kListBatch) {
                flush();
            }
        } else if (match.kind == ReportKind::kRevision) {
            revisions.push_back({quake.values, RevisionText(match.previous, quake.values)});
            if (AlertOnce(quake, now)) {
                announced.push_back({quake.values, match.previous.mag});
            }
        }
    }
    flush();
    if (!revisions.empty()) {
        m_list.ReviseEvents(revisions);
    }
    // Rows age out also in a round that brings nothing.
    Trim(now);
    if (!announced.empty() && m_hooks.listed) {
        m_hooks.listed(announced, !firstFillDone);
    }
}

}  // namespace dravik
