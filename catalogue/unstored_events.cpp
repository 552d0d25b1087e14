#include "catalogue/unstored_events.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "catalogue/source_mark.h"

namespace dravik {

void UnstoredEvents::Lane::Add(const QuakeEvent& event) {
    if (Size() >= kMaxUnstored) {
        if (!dropping) {
            std::fprintf(stderr,
                         "dravik: archive backlog full, the oldest unarchived events are dropped from %s on; they "
                         "are read again once it is written\n",
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

void UnstoredEvents::AddTo(Lane& lane, const QuakeEvent& event) {
    if (lane.Size() >= kMaxUnstored) {
        const QuakeEvent& dropped = lane.events[lane.head];
        if (!dropped.markOnly) {
            m_dropped.push_back(dropped.quakeId.empty() ? QuakeIdKey(dropped.eventId) : dropped.quakeId);
            if (dropped.hasNumbers) {
                NoteDropped(EventSource(QuakeIdKey(dropped.eventId)), dropped.originUtcMs);
            }
        }
    }
    lane.Add(event);
    if (!event.completeSource.empty()) {
        std::int64_t& pending = m_pendingMarks.emplace(event.completeSource, event.completeUtcMs).first->second;
        pending = std::max(pending, event.completeUtcMs);
    }
}

void UnstoredEvents::Add(const QuakeEvent& event, KnownQuake& quake, bool prompt) {
    if (prompt && quake.roundLaneUntil <= m_round.first) {
        AddTo(m_prompt, event);
        return;
    }
    AddTo(m_round, event);
    quake.roundLaneUntil = m_round.End();
}

void UnstoredEvents::AddMark(const std::string& source, std::int64_t completeUtcMs) {
    QuakeEvent mark;
    mark.markOnly = true;
    mark.completeSource = source;
    mark.completeUtcMs = completeUtcMs;
    AddTo(m_round, mark);
}

std::optional<std::int64_t> UnstoredEvents::PendingMark(const std::string& source) const {
    const auto it = m_pendingMarks.find(source);
    return it == m_pendingMarks.end() ? std::nullopt : std::optional<std::int64_t>(it->second);
}

void UnstoredEvents::NoteDropped(const std::string& source, std::int64_t originUtcMs) {
    std::int64_t& hole = m_holes.emplace(source, originUtcMs).first->second;
    hole = std::min(hole, originUtcMs);
    ++m_drops[source];
    // A read again before this drop does not cover it, nor does a mark of any of the agency's addresses.
    m_readAgain.erase(source);
    for (auto it = m_pendingMarks.begin(); it != m_pendingMarks.end();) {
        it = MarkAgency(it->first) == source ? m_pendingMarks.erase(it) : std::next(it);
    }
}

std::size_t UnstoredEvents::Drops(const std::string& source) const {
    const auto it = m_drops.find(source);
    return it == m_drops.end() ? 0 : it->second;
}

std::vector<std::string> UnstoredEvents::TakeDropped() {
    std::vector<std::string> dropped;
    dropped.swap(m_dropped);
    return dropped;
}

std::optional<std::int64_t> UnstoredEvents::Hole(const std::string& source) const {
    const auto it = m_holes.find(source);
    return it == m_holes.end() ? std::nullopt : std::optional<std::int64_t>(it->second);
}

void UnstoredEvents::ReadAgain(const std::string& source) {
    if (m_holes.count(source) != 0) {
        m_readAgain.insert(source);
    }
}

void UnstoredEvents::Retarget(const std::string& quakeKey, const std::string& archivedId) {
    for (Lane* lane : {&m_prompt, &m_round}) {
        for (std::size_t i = lane->head; i < lane->events.size(); ++i) {
            QuakeEvent& event = lane->events[i];
            if (!event.markOnly && event.quakeId.empty() && QuakeIdKey(event.eventId) == quakeKey) {
                event.quakeId = archivedId;
            }
        }
    }
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
    // A mark never passes what was dropped before it was written, whichever of the agency's addresses it is.
    for (QuakeEvent& event : chunk.events) {
        if (event.completeSource.empty()) {
            continue;
        }
        const auto hole = m_holes.find(MarkAgency(event.completeSource));
        if (hole != m_holes.end()) {
            event.completeUtcMs = std::min(event.completeUtcMs, hole->second);
        }
    }
    return chunk;
}

void UnstoredEvents::Forget(const Chunk& chunk) {
    m_prompt.ForgetBefore(chunk.promptEnd);
    m_round.ForgetBefore(chunk.roundEnd);
    if (Empty()) {
        // Every mark waiting here is the archive's now; a hole read again is written whole.
        m_pendingMarks.clear();
        for (const std::string& source : m_readAgain) {
            m_holes.erase(source);
        }
        m_readAgain.clear();
    }
}

void UnstoredEvents::Clear() {
    m_prompt.ForgetBefore(m_prompt.End());
    m_round.ForgetBefore(m_round.End());
}

}  // namespace dravik
