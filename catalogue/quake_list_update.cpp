#include "catalogue/quake_list_update.h"

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
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "catalogue/source_mark.h"
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
    RunRound([&source] { return RoundReports{source(), {}}; });
}

void QuakeListUpdate::RunRound(const RoundSource& source) {
    m_flags.feedBusy = true;
    RoundReports round = source();
    m_marks = std::move(round.marks);
    const std::vector<QuakeEvent>& events = round.events;
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
    if (m_hooks.archiveReady && !m_hooks.archiveReady()) {
        return;
    }
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
}

void QuakeListUpdate::ForgetOld(std::int64_t nowUtcMs) {
    const int registryDays = std::max(m_hooks.registryDays, m_hooks.bounds.days);
    m_quakes.ForgetOlderThan(nowUtcMs - registryDays * std::int64_t{86400000});
    m_quakes.EnforceBound();
}

void QuakeListUpdate::AddRoundReports(std::vector<Unstored>& reports) {
    // Oldest first, so whatever prefix of them a write that is cut short commits leaves no gap behind a mark.
    // A quake's reports keep their order (its first report's origin is the key of them all).
    std::stable_sort(reports.begin(), reports.end(),
                     [](const Unstored& a, const Unstored& b) { return a.key < b.key; });
    // The mark of the address that read the report: of its agency, and over the stretch of the round it came in.
    const auto markOf = [this](const std::string& agency, std::size_t index) -> const SourceMark* {
        const auto it = std::find_if(m_marks.begin(), m_marks.end(), [&](const SourceMark& m) {
            return index >= m.first && index < m.end && MarkAgency(m.source) == agency;
        });
        return it == m_marks.end() ? nullptr : &*it;
    };
    for (Unstored& report : reports) {
        QuakeEvent& event = report.event;
        const SourceMark* mark =
            event.hasNumbers ? markOf(dravik::EventSource(QuakeIdKey(event.eventId)), report.index) : nullptr;
        if (mark != nullptr && report.key < mark->completeUtcMs) {
            // Written, this report leaves every earlier one of its source written.
            event.completeSource = mark->source;
            event.completeUtcMs = report.key;
        }
        m_unstored.Add(event, *report.quake, false);
    }
    for (const SourceMark& mark : m_marks) {
        m_unstored.AddMark(mark.source, mark.completeUtcMs);
    }
    NoteDropped();
}

void QuakeListUpdate::NoteDropped() {
    for (const std::string& id : m_unstored.TakeDropped()) {
        if (KnownQuake* quake = m_quakes.Find(id)) {
            quake->dropped = true;
        }
    }
}

void QuakeListUpdate::CapUpdated(QuakeEvent& report, std::int64_t nowUtcMs) {
    // An update time ahead of every clock would make each real revision after it look older.
    report.updatedUtcMs = std::min(report.updatedUtcMs, nowUtcMs);
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
    std::vector<RevisedQuake> revised;
    // Every quake marked listed is listed, also when a stop ends the loop early. The alert is decided after the
    // row is there, so that a click on its notification finds it.
    const auto flush = [&] {
        if (!batch.empty()) {
            if (m_hooks.listing) {
                std::vector<QuakeEvent> byOrigin = batch;
                std::stable_sort(byOrigin.begin(), byOrigin.end(), [](const QuakeEvent& a, const QuakeEvent& b) {
                    return a.originUtcMs < b.originUtcMs;
                });
                m_hooks.listing(byOrigin);
            }
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
    // A polling round's reports go to the backlog together at the end, oldest first; a quake's key is the origin
    // of its first report in the round.
    std::vector<Unstored> unstored;
    std::unordered_map<const KnownQuake*, std::int64_t> keys;
    std::size_t index = 0;
    const auto keep = [&](const QuakeEvent& report, KnownQuake& quake) {
        if (m_bPrompt) {
            m_unstored.Add(report, quake, true);
            NoteDropped();
            return;
        }
        const std::int64_t origin = report.hasNumbers ? report.originUtcMs : INT64_MIN;
        unstored.push_back({report, &quake, keys.emplace(&quake, origin).first->second, index});
    };
    const auto inSpan = [&](const KnownQuake& quake) {
        // A quake older than the list's span is archived only, also when it is revised.
        return !quake.values.hasNumbers ||
               (quake.values.originUtcMs >= listedSince && quake.values.originUtcMs > m_quakes.ListFloorMs());
    };
    const auto listQuake = [&](KnownQuake& quake, const std::string& revisedFrom) {
        quake.listed = true;
        batch.push_back(quake.values);
        batchQuakes.push_back(&quake);
        batchRevisedFrom.push_back(revisedFrom);
        if (batch.size() == kListBatch) {
            flush();
        }
    };
    bool cut = false;
    QuakeEvent capped;
    for (; index < events.size(); ++index) {
        if (StopRequested()) {
            cut = true;
            break;
        }
        const QuakeEvent* report = &events[index];
        if (report->hasNumbers &&
            (report->originUtcMs > now + kMaxAheadMs || report->originUtcMs < kEarliestOriginMs)) {
            continue;  // a source gone wrong; no quake is listed or stored for it
        }
        if (report->updatedUtcMs > now) {
            capped = *report;
            CapUpdated(capped, now);
            report = &capped;
        }
        const QuakeEvent& event = *report;
        const ReportMatch match = m_quakes.Resolve(event);
        KnownQuake& quake = *match.quake;
        if (quake.dropped && match.kind != ReportKind::kNew) {
            // The backlog dropped a report of it unwritten: what the archive lacks goes again, its own report
            // (its latest values) and the other agencies' taken for it, however this one compares.
            quake.dropped = false;
            if (match.kind != ReportKind::kRevision) {
                keep(quake.values, quake);
            }
            for (const QuakeEvent& other : quake.merged) {
                QuakeEvent merged = other;
                merged.quakeId = quake.Id();
                keep(merged, quake);
            }
        }
        if (match.detached != nullptr) {
            // The same agency's earlier report, taken for this quake before, is a quake of its own: its ids move
            // to a row of its own in the archive.
            QuakeEvent own = match.detached->values;
            own.detached = true;
            keep(own, *match.detached);
        }
        switch (match.kind) {
            case ReportKind::kNew:
            case ReportKind::kRevision:
                keep(event, quake);
                break;
            case ReportKind::kOtherAgency:
                // The archive learns the agency's ids once, and what it says people felt each time it says more;
                // a report that brings neither changes nothing there.
                if (match.newIds || match.newFelt) {
                    QuakeEvent merged = event;
                    merged.quakeId = quake.Id();
                    keep(merged, quake);
                }
                break;
            case ReportKind::kRepeat:
                break;
        }
        if (match.detached != nullptr && inSpan(*match.detached)) {
            listQuake(*match.detached, std::string());
        }
        if (!quake.listed && inSpan(quake)) {
            listQuake(quake, match.kind == ReportKind::kRevision ? match.previous.mag : std::string());
        } else if (match.kind == ReportKind::kRevision) {
            revisions.push_back({quake.values, RevisionText(match.previous, quake.values)});
            revised.push_back({match.previous, quake.values, quake.alerted});
            if (AlertOnce(quake, now)) {
                announced.push_back({quake.values, match.previous.mag});
            }
        }
    }
    flush();
    if (!revisions.empty()) {
        m_list.ReviseEvents(revisions);
    }
    if (cut) {
        // Not every report was seen: no mark may claim them.
        m_marks.clear();
    }
    AddRoundReports(unstored);
    // Rows age out also in a round that brings nothing.
    Trim(now);
    ForgetOld(now);
    if (!revised.empty() && m_hooks.revised) {
        m_hooks.revised(revised);
    }
    if (!announced.empty() && m_hooks.listed) {
        m_hooks.listed(announced, !firstFillDone);
    }
}

}  // namespace dravik
