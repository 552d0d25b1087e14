#pragma once

#include <atomic>
#include <climits>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "catalogue/quake_registry.h"
#include "catalogue/unstored_events.h"
#include "platform/archive_status.h"
#include "sources/quake_parser.h"

namespace dravik {

class ISound;

// The sound file every new event starts, from the second cycle on.
inline constexpr char kNewEventSound[] = "earthquake-04.wav";

// The magnitude class of a listed event, the index of its image: the text read by the standard atof rules
// (independent of the locale) as a single-precision number; 0 below 4, 1 below 6, 2 below 7, 3 from 7 on.
int MagnitudeClass(const std::string& mag);

// The leading integer of an event id by the standard atol rules ("012345" and "12345\"" are both 12345).
long LeadingInteger(const std::string& eventId);

// The leading number of an id in a form that compares as the leading integer does, without its range: the
// sign and digits after atol's blanks, leading zeros dropped ("012345" and "12345\"" give "12345", no digits
// give "0"). Ids longer than a long, which atol would all read as one number, stay apart.
std::string LeadingNumberKey(const std::string& eventId);

// A listed quake's new values (eventId: the row's id) and what changed, as "M 4.5 → M 4.8".
struct QuakeRevision {
    QuakeEvent event;
    std::string change;
};

// What changed between two reports of one quake: magnitude, time, position, depth and region, each as
// "old → new", joined by "; "; empty when nothing shown did.
std::string RevisionText(const QuakeEvent& before, const QuakeEvent& after);

// A quake listed or revised less than this long after its origin is fresh: only a fresh quake alerts, so a
// catch-up, a late publication or an update of an old quake is listed silently.
inline constexpr std::int64_t kFreshMs = 3600 * 1000;
bool IsFresh(const QuakeEvent& event, std::int64_t nowUtcMs);

// A quake a round announces: fresh and matching the alert rule for the first time, either as it was listed or
// after a revision (then `revisedFrom` holds the magnitude it had before).
struct AnnouncedQuake {
    QuakeEvent event;
    std::string revisedFrom;
};

// A listed quake its own agency revised: what it was, what it is, and whether it had alerted before.
struct RevisedQuake {
    QuakeEvent before;
    QuakeEvent after;
    bool alerted = false;
};

// How much the main list holds: the quakes of the last `days` days, at most `maxRows` of them (the newest).
struct ListBounds {
    static constexpr int kDefaultDays = 7;
    static constexpr int kDefaultMaxRows = 5000;
    static constexpr int kMinMaxRows = 100;
    int days = kDefaultDays;
    int maxRows = kDefaultMaxRows;
    // The earliest origin the list keeps at `nowUtcMs`.
    std::int64_t CutoffUtcMs(std::int64_t nowUtcMs) const { return nowUtcMs - days * std::int64_t{86400000}; }
};

// The event list as the new-event handling drives it. Each call has been carried out on the list's own
// thread before it returns.
class IQuakeListView {
public:
    static constexpr int kAppendItem = -1;

    virtual ~IQuakeListView() = default;
    // Stops the list's drawing and shows the busy cursor.
    virtual void BeginUpdate() = 0;
    // One item at `index` (kAppendItem: at the list's item count, read on the list's thread): text `mag`
    // with image `imageIndex`, then sub-items 1 to 6: region, data1, data2, wsp1, wsp2, depth.
    virtual void InsertEvent(int index, const QuakeEvent& event, int imageIndex) = 0;
    // The events one after another, each as InsertEvent inserts it with its magnitude class; a view whose calls
    // cross threads does it in one call, so a page of thousands of new events is not one wait per event.
    virtual void InsertEvents(int index, const std::vector<QuakeEvent>& events);
    // Listed quakes whose own source revised them: each row (found by its quake's id, event.eventId) takes the
    // new values in place and says what changed.
    virtual void ReviseEvents(const std::vector<QuakeRevision>& revisions);
    virtual void SelectItem(int index) = 0;
    // Shows the selected item on the map.
    virtual void ShowSelectionOnMap() = 0;
    // Lets the list draw again, draws it once in full, and ends the busy cursor.
    virtual void EndUpdate() = 0;
    // Takes out the rows whose origin is before `cutoffUtcMs`, then the oldest beyond `maxRows` (it may take a few
    // more, so that rows leave in blocks); returns the ids of the rows taken out.
    virtual std::vector<std::string> TrimRows(std::int64_t cutoffUtcMs, int maxRows);
};

// The flags the feed shares with the window's thread; each is read and written as a whole.
struct FeedFlags {
    std::atomic<bool>& feedBusy;
    std::atomic<bool>& newEvent;
    std::atomic<bool>& firstFillDone;
};

// What one listed event sets off: `alert` marks the window as having news (the tray icon blinks), `sound`
// plays the new-event sound (from the second cycle on).
struct EventAlert {
    bool alert = true;
    bool sound = true;
};

// How far one source's reports of a round are complete: every report of `source` before `completeUtcMs` is
// among the round's or in the archive (its reads are contiguous with the archive's mark). `source` is the key the
// mark is kept under (SourceMarkKey: an address; the agency's key alone in archives of earlier versions). The
// reports it covers are those of its agency among the round's events [first, end): one address's, where two
// addresses of one agency are read in a round.
struct SourceMark {
    std::string source;
    std::int64_t completeUtcMs = 0;
    std::size_t first = 0;
    std::size_t end = SIZE_MAX;
};

// A polling round's reports, every source read in its order, and how far each source is complete with them.
struct RoundReports {
    std::vector<QuakeEvent> events;
    std::vector<SourceMark> marks;
    // A source has more to read at once (a long catch-up a part at a time).
    bool more = false;
    // How far the sources' clock is ahead of the computer's, from the first that said; nothing when none did.
    std::optional<std::int64_t> clockOffsetMs{};
};

// One earthquake update: each report is resolved to its quake (QuakeRegistry). A quake not listed in this run
// is listed (page order in the first cycle, at the top afterwards); a revision of a listed one changes its row
// in place; another agency's report changes nothing. A fresh quake that matches the alert rule for the first
// time marks the news and, from the second cycle on, starts the sound. Then every report that changes the
// archive (a new quake, a revision, another agency's id) is written in one go. The first cycle selects item 0 and shows
// it on the map. A stop (the program ending) is looked at between events and ends the round early; whatever was listed
// but not written then stays unwritten (a later start reads it from its source again).
class QuakeListUpdate final {
public:
    // New events handed to the list in one call at most; the stop flag is looked at between two events.
    static constexpr std::size_t kListBatch = 200;
    // Events written to the archive in one transaction at most: the longest a pushed quake waits for the writer.
    static constexpr std::size_t kWriteChunk = 1000;

    // The events of one polling round, every source read in its order.
    using EventSource = std::function<std::vector<QuakeEvent>()>;
    using RoundSource = std::function<RoundReports()>;
    // Writes the events to the archive, all or none; gives up (kInterrupted) once the stop flag is set.
    using EventStore = std::function<ArchiveWriteResult(const std::vector<QuakeEvent>&)>;
    // Told the outcome of every archive write.
    using ArchiveReport = std::function<void(const ArchiveWriteResult&)>;
    using AlertRule = std::function<EventAlert(const QuakeEvent&)>;
    // Called once a round with the quakes it announces (in listing order) and whether it was the first cycle.
    using ListedReport = std::function<void(const std::vector<AnnouncedQuake>&, bool firstCycle)>;

    struct Hooks {
        EventStore store;
        ArchiveReport archiveReport;
        // Empty: every event alerts and sounds.
        AlertRule alertRule;
        ListedReport listed;
        // Told once a round, before `listed`, of the listed quakes revised in it, in page order; empty: none.
        std::function<void(const std::vector<RevisedQuake>&)> revised;
        // Told each batch of quakes about to be listed, oldest first, before their rows and alerts (the
        // aftershock sequences follow every listed quake); empty: none.
        std::function<void(const std::vector<QuakeEvent>&)> listing;
        // Set when the program is ending; null: never.
        const std::atomic<bool>* stop = nullptr;
        // The time that freshness is measured against, UTC milliseconds; empty: the clock.
        std::function<std::int64_t()> nowUtcMs;
        // With rounds on two threads (polls and pushes): held while a round resolves and lists its reports (the
        // registry, the backlog and the list), and while one writes the backlog, so there is one writer. Null:
        // one thread.
        std::mutex* listMutex = nullptr;
        std::mutex* storeMutex = nullptr;
        // What the list holds; quakes older than its days are stored, never listed.
        ListBounds bounds;
        // How far back the registry remembers quakes, in days, at least the list's (a catch-up brings reports
        // that old, and another agency's report of them must find them); 0: the list's days.
        int registryDays = 0;
        // Whether the archive's earlier quakes are known, so the backlog may be written (until then a report
        // could not tell an archived quake from a new one); empty: always.
        std::function<bool()> archiveReady;
    };

    // Reports dated before 1900, or more than half a day ahead, are bad input and refused. One dated less far
    // ahead is kept: the clock that is wrong may be the computer's (freshness goes by the sources' clock when they
    // differ, see Hooks::nowUtcMs; a push carries no clock to compare).
    static constexpr std::int64_t kMaxAheadMs = 12 * 3600 * 1000;
    static constexpr std::int64_t kEarliestOriginMs = -2208988800000LL;  // 1900-01-01 UTC

    QuakeListUpdate(IQuakeListView& list, QuakeRegistry& quakes, UnstoredEvents& unstored, FeedFlags flags,
                    ISound& sound, Hooks hooks);

    // One polling round over the events `source` reads; the source is read before the list stops drawing, so a
    // fetch that hangs holds back neither the list nor a pushed quake.
    void Run(const EventSource& source);
    // The same over reports that say how far each source is complete: the round's reports go to the archive
    // oldest first, each source's mark moving with them, so a write cut short leaves a complete prefix.
    void RunRound(const RoundSource& source);
    // One round over events that arrived by other means (pushed by the source).
    void RunEvents(const std::vector<QuakeEvent>& events);

private:
    bool StopRequested() const;
    void ListNew(const std::vector<QuakeEvent>& events);
    // Keeps the list within its bounds: the quakes whose rows went are no longer listed.
    void Trim(std::int64_t nowUtcMs, std::int64_t keepSinceUtcMs = INT64_MIN);
    // After a round: the quakes older than the registry's span, or beyond its count, are forgotten.
    void ForgetOld(std::int64_t nowUtcMs);
    // A polling round's reports for the archive, oldest first (each quake's in their order), with the marks.
    struct Unstored {
        QuakeEvent event;
        KnownQuake* quake;
        std::int64_t key;
        std::size_t index;  // of the round's event it came with
    };
    // The quakes whose reports the backlog dropped are to be written again with their next report.
    void NoteDropped();
    // A report's update time, no later than the sources' clock.
    static void CapUpdated(QuakeEvent& report, std::int64_t nowUtcMs);
    void AddRoundReports(std::vector<Unstored>& reports);
    // Before a round of many new quakes into a full list: the rows that the round's newer quakes will push out
    // go at once, in one block, and the round lists nothing older than what stays (raises *listedSince).
    void MakeRoom(const std::vector<QuakeEvent>& events, std::int64_t nowUtcMs, std::int64_t* listedSince);
    // Writes the backlog: everything listed and not yet archived, by whichever round comes first, a chunk at a
    // time; a pushed round writes only the prompt lane, so it is free for the next push at once.
    void WriteBacklog();
    void WritePromptLane();
    // One chunk to the archive; forgets it when written, reports the outcome; whether it was written.
    bool WriteChunk(const UnstoredEvents::Chunk& chunk);
    // Whether the quake alerts now, for the first time (it is fresh and matches the rule); marks it so.
    bool AlertOnce(KnownQuake& quake, std::int64_t nowUtcMs);

    IQuakeListView& m_list;
    QuakeRegistry& m_quakes;
    UnstoredEvents& m_unstored;
    FeedFlags m_flags;
    ISound& m_sound;
    Hooks m_hooks;
    // This round's reports are pushed ones.
    bool m_bPrompt = false;
    std::vector<SourceMark> m_marks;
};

}  // namespace dravik
