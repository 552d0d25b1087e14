#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "catalogue/quake_registry.h"
#include "sources/quake_parser.h"

namespace dravik {

// The events listed but not yet in the archive, kept across cycles and written again every round until a write
// succeeds, so an archive that is locked, full or gone for a while loses nothing, even events that have meanwhile
// left the source's page. Two lanes, each oldest first: pushed quakes go in the prompt lane, which every write
// takes first, so one never waits behind a page of thousands; a report of a quake that already waits in the
// round lane joins it there, so each quake's reports are written in their order. Bounded: past kMaxUnstored a
// lane's oldest go (said once on stderr).
class UnstoredEvents final {
public:
    static constexpr std::size_t kMaxUnstored = 50000;

    // Constant work per event. `quake` is the quake the report was taken for.
    void Add(const QuakeEvent& event, KnownQuake& quake, bool prompt);
    // Once everything before it is written, every report of `source` before `completeUtcMs` is.
    void AddMark(const std::string& source, std::int64_t completeUtcMs);
    // The newest mark of `source` waiting here (what the archive's mark becomes once the backlog is written).
    std::optional<std::int64_t> PendingMark(const std::string& source) const;
    // A report of `source` at `originUtcMs` was dropped before it was written (a full backlog or push queue):
    // the source's mark stays before it until a read from there on has been written (see ReadAgain).
    void NoteDropped(const std::string& source, std::int64_t originUtcMs);
    // The earliest origin dropped of `source`, while its reports are to be read again.
    std::optional<std::int64_t> Hole(const std::string& source) const;
    // How many of the agency's reports were dropped so far (it only grows).
    std::size_t Drops(const std::string& source) const;
    // The quakes (their ids) whose reports were dropped since the last call: the registry must not take a report
    // of them read again for a repeat.
    std::vector<std::string> TakeDropped();
    // The source's reports from its hole on have been read again and added: once all is written the mark may
    // pass the hole.
    void ReadAgain(const std::string& source);
    // The reports of quake `quakeKey` are another agency's reports of the archived quake `archivedId`.
    void Retarget(const std::string& quakeKey, const std::string& archivedId);
    bool Empty() const { return m_prompt.Empty() && m_round.Empty(); }
    std::size_t Size() const { return m_prompt.Size() + m_round.Size(); }
    bool PromptEmpty() const { return m_prompt.Empty(); }

    // Events to write in one go, and where they end in each lane.
    struct Chunk {
        std::vector<QuakeEvent> events;
        std::uint64_t promptEnd = 0;
        std::uint64_t roundEnd = 0;
    };
    // Up to `max` events from the front, the prompt lane's first; only those with `promptOnly`.
    Chunk Take(std::size_t max, bool promptOnly) const;
    // Forgets a chunk once written, whatever was dropped meanwhile.
    void Forget(const Chunk& chunk);
    void Clear();
    // A polling round is writing (it goes on until the backlog is empty).
    bool RoundWriter() const { return m_bRoundWriter; }
    void SetRoundWriter(bool writing) { m_bRoundWriter = writing; }

private:
    struct Lane {
        // One block read from `head` on, not a deque: a deque gives each event an allocation of its own, which
        // a big round interleaves with the registry's, and once written they leave holes the heap cannot give
        // back. The block goes whole when the lane empties.
        std::vector<QuakeEvent> events;
        std::size_t head = 0;
        // The number the event at `head` carries; each added event takes the next.
        std::uint64_t first = 0;
        bool dropping = false;

        void Add(const QuakeEvent& event);
        void PopFront();
        void ForgetBefore(std::uint64_t end);
        bool Empty() const { return head == events.size(); }
        std::size_t Size() const { return events.size() - head; }
        std::uint64_t End() const { return first + Size(); }
    };
    void AddTo(Lane& lane, const QuakeEvent& event);

    Lane m_prompt;
    Lane m_round;
    bool m_bRoundWriter = false;
    std::map<std::string, std::int64_t> m_pendingMarks;
    std::map<std::string, std::int64_t> m_holes;
    std::map<std::string, std::size_t> m_drops;
    std::vector<std::string> m_dropped;
    std::set<std::string> m_readAgain;
};

}  // namespace dravik
