#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "feed/quake_parser.h"

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

// The ids of the events listed in this run, in the order listed. Two ids with the same leading number are
// the same event. The index keeps the test constant in time for a run of months.
class SeenEvents final {
public:
    bool Contains(const std::string& eventId) const;
    void Add(const std::string& eventId);
    std::size_t Size() const { return m_ids.size(); }
    const std::vector<std::string>& Ids() const { return m_ids; }

private:
    std::vector<std::string> m_ids;
    std::unordered_set<std::string> m_keys;
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
    virtual void SelectItem(int index) = 0;
    // Shows the selected item on the map.
    virtual void ShowSelectionOnMap() = 0;
    // Lets the list draw again, draws it once in full, and ends the busy cursor.
    virtual void EndUpdate() = 0;
};

// The flags the feed shares with the window's thread; each is read and written as a whole.
struct FeedFlags {
    std::atomic<bool>& feedBusy;
    std::atomic<bool>& newEvent;
    std::atomic<bool>& firstFillDone;
};

// One earthquake update of a polling cycle: fetches and parses the page, lists every event not seen in this
// run (page order in the first cycle, at the top afterwards), stores it, marks the news and, from the second
// cycle on, starts the sound. The first cycle selects item 0 and shows it on the map.
class QuakeListUpdate final {
public:
    using PageSource = std::function<std::string()>;
    using EventStore = std::function<void(const QuakeEvent&)>;

    QuakeListUpdate(IQuakeListView& list, SeenEvents& seen, FeedFlags flags, PageSource page, ISound& sound,
                    EventStore store);

    void Run();

private:
    IQuakeListView& m_list;
    SeenEvents& m_seen;
    FeedFlags m_flags;
    PageSource m_page;
    ISound& m_sound;
    EventStore m_store;
};

}  // namespace dravik
