// The main list under load, as the window drives it: the feed's rounds on a worker thread, carried to the UI
// thread batch by batch, with the sorter and the map's circles watching the list. Prints the time of a round of
// many new quakes and of a burst of single pushes at a full list, the longest the UI thread went without
// running its event loop meanwhile, and the memory then.
//
//   bench_event_list [--listed N] [--round N] [--pushes N] [--sorted] [--sorted-by COLUMN] [--no-map] [--places N]
//                    [--max-rows N]
// (--sorted: by the magnitude, largest first; --sorted-by: by that column, in its first click's order; --places:
// a home and N-1 more places, so the distance and shaking columns and the places' tooltips are made.)
// (--max-rows: the list's bound, 5,000 unless given.)
#include <malloc.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <utility>

#include "catalogue/quake_list_update.h"
#include "mainwindow/event_list_sort.h"
#include "mainwindow/event_list_view.h"
#include "mainwindow/quake_map.h"
#include "map/qt/map_widget.h"
#include "platform/qt/qt_ui_thread.h"
#include "platform/sound.h"
#include "resources/resource_images.h"

namespace {

using namespace dravik;

class NoSound final : public ISound {
public:
    void PlaySound(const std::string&) override {}
};

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The heap in use (malloc's own count) and the process's anonymous memory, KiB.
long HeapKiB() {
    return static_cast<long>(mallinfo2().uordblks / 1024);
}

long AnonymousKiB() {
    std::ifstream rollup("/proc/self/smaps_rollup");
    std::string line;
    while (std::getline(rollup, line)) {
        if (line.rfind("Anonymous:", 0) == 0) {
            return std::atol(line.c_str() + 10);
        }
    }
    return 0;
}

long RssKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return 0;
}

QuakeEvent Quake(int n, std::int64_t originMs) {
    QuakeEvent e;
    e.eventId = "usgs:bench" + std::to_string(n);
    e.mag = std::to_string(2 + n % 6) + "." + std::to_string(n % 10);
    e.region = "REGION OF QUAKE " + std::to_string(n);
    e.hasNumbers = true;
    e.originUtcMs = originMs;
    e.latitude = (n * 37) % 170 - 85.0 + 0.25;
    e.longitude = (n * 53) % 350 - 175.0 + 0.5;
    e.magnitude = 2.0 + n % 6;
    e.wsp1 = std::to_string(e.latitude);
    e.wsp2 = std::to_string(e.longitude);
    e.depth = std::to_string(n % 300);
    // The archive's form: the time display reads it back.
    const std::time_t seconds = static_cast<std::time_t>(originMs / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char date[16], time[8];
    std::strftime(date, sizeof date, "%Y-%m-%d", &utc);
    std::strftime(time, sizeof time, "%H:%M", &utc);
    e.data1 = date;
    e.data2 = time;
    return e;
}

// Times each call carried to the UI thread by the UI thread's own CPU clock, which a busy machine's other
// processes do not lengthen (the stall meter's wall clock counts them too).
class TimedUiThread final : public IUiThread {
public:
    explicit TimedUiThread(IUiThread& inner) : m_inner(inner) {}
    bool RunOnUiThread(const std::function<void()>& fn) override {
        return m_inner.RunOnUiThread([&] {
            const double start = ThreadCpuMs();
            fn();
            m_worstMs = std::max(m_worstMs, ThreadCpuMs() - start);
        });
    }
    double TakeWorstMs() { return std::exchange(m_worstMs, 0.0); }

private:
    static double ThreadCpuMs() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
    }
    IUiThread& m_inner;
    double m_worstMs = 0.0;
};

// The longest gap between two turns of the UI thread's event loop, seen by a 10 ms timer.
class StallMeter final {
public:
    StallMeter() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed() / 1000000;
            m_worstMs = std::max(m_worstMs, now - m_lastMs - kTickMs);
            m_lastMs = now;
        });
    }
    void Start() {
        m_clock.start();
        m_lastMs = 0;
        m_worstMs = 0;
        m_timer.start(kTickMs);
    }
    qint64 Stop() {
        m_timer.stop();
        return std::max<qint64>(m_worstMs, 0);
    }

private:
    static constexpr int kTickMs = 10;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastMs = 0;
    qint64 m_worstMs = 0;
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int listed = 5000, round = 20000, pushes = 1000;
    bool sorted = false, withMap = true;
    int places = 0;
    int maxRows = ListBounds::kDefaultMaxRows;
    int sortColumn = kColumnMagnitude;
    for (int i = 1; i < argc; ++i) {
        const auto next = [&] { return i + 1 < argc ? std::atoi(argv[++i]) : 0; };
        if (!std::strcmp(argv[i], "--listed"))
            listed = next();
        else if (!std::strcmp(argv[i], "--round"))
            round = next();
        else if (!std::strcmp(argv[i], "--pushes"))
            pushes = next();
        else if (!std::strcmp(argv[i], "--sorted"))
            sorted = true;
        else if (!std::strcmp(argv[i], "--sorted-by")) {
            sorted = true;
            sortColumn = std::clamp(next(), 0, static_cast<int>(kEventColumnCount - 1));
        } else if (!std::strcmp(argv[i], "--no-map"))
            withMap = false;
        else if (!std::strcmp(argv[i], "--max-rows"))
            maxRows = std::max(next(), 1);
        else if (!std::strcmp(argv[i], "--places"))
            places = std::clamp(next(), 0, 10);
    }
    QApplication app(argc, argv);
    CEventList list;
    list.resize(700, 400);
    SetUpEventList(list);
    auto* sorter = new CEventListSorter(list);
    CMapWidget mapWidget;  // never shown: the circles are kept all the same
    std::unique_ptr<CQuakeMap> map;
    if (withMap) {
        map = std::make_unique<CQuakeMap>(list, mapWidget, nullptr);
    }
    AlertSettings settings;
    for (int i = 0; i < places; ++i) {
        const Place place{"Place " + std::to_string(i), 50.0 - 7.0 * i, 20.0 + 11.0 * i};
        if (i == 0) {
            settings.hasHome = true;
            settings.homeLatitude = place.latitude;
            settings.homeLongitude = place.longitude;
        } else {
            settings.places.push_back(place);
        }
    }
    ShowPlaceColumns(list, places > 0);
    CEventListView::RowViewSource rowView;
    if (places > 0) {
        rowView = [&settings](const QuakeEvent& e) { return AlertRowView(e, settings, "PL"); };
    }
    list.show();
    const QList<QIcon> images = QuakeMarkIcons();
    CQtUiThread qtUiThread;
    TimedUiThread uiThread(qtUiThread);
    QuakeRegistry registry;
    UnstoredEvents unstored;
    std::atomic<bool> busy{false}, news{false}, firstFillDone{false};
    NoSound sound;
    const std::int64_t now = NowMs();
    int next = 0;
    double worstCallMs = 0.0;

    // Runs `work` on a worker while the UI thread's loop turns; returns the time taken and the worst stall.
    const auto measure = [&](const std::function<void(QuakeListUpdate&)>& work, qint64* stallMs) {
        CEventListView view(
            list, images, uiThread, [] {}, rowView);
        QuakeListUpdate::Hooks hooks;
        hooks.store = [](const std::vector<QuakeEvent>&) { return ArchiveWriteResult{}; };
        hooks.nowUtcMs = [now] { return now; };
        hooks.bounds.maxRows = maxRows;
        QuakeListUpdate update(view, registry, unstored, FeedFlags{busy, news, firstFillDone}, sound, hooks);
        StallMeter meter;
        QEventLoop loop;
        QElapsedTimer clock;
        clock.start();
        meter.Start();
        std::thread worker([&] {
            work(update);
            QMetaObject::invokeMethod(
                &loop, [&] { loop.quit(); }, Qt::QueuedConnection);
        });
        loop.exec();
        worker.join();
        *stallMs = meter.Stop();
        worstCallMs = uiThread.TakeWorstMs();
        QApplication::processEvents();
        return clock.elapsed();
    };
    const auto events = [&](int count) {
        std::vector<QuakeEvent> some;
        for (int i = 0; i < count; ++i, ++next) {
            some.push_back(Quake(next, now - 6 * 24 * 3600 * 1000LL + next * 1000LL));
        }
        std::reverse(some.begin(), some.end());  // newest first, as a page lists them
        return some;
    };

    qint64 stall = 0;
    malloc_trim(0);
    const long heapBefore = HeapKiB();
    const long anonBefore = AnonymousKiB();
    const qint64 fillMs = measure([&](QuakeListUpdate& u) { u.Run([&] { return events(listed); }); }, &stall);
    std::printf("first fill of %d: %lld ms, longest UI stall %lld ms (longest UI call %.1f ms CPU), %d rows\n", listed,
                static_cast<long long>(fillMs), static_cast<long long>(stall), worstCallMs, list.rowCount());
    malloc_trim(0);
    std::printf("after the first fill: heap %ld -> %ld KiB, anonymous %ld -> %ld KiB\n", heapBefore, HeapKiB(),
                anonBefore, AnonymousKiB());
    if (sorted) {
        sorter->SetOrder({sortColumn, kEventColumns[sortColumn].firstOrder});
    }
    const long rssBefore = RssKiB();
    const qint64 roundMs = measure([&](QuakeListUpdate& u) { u.RunEvents(events(round)); }, &stall);
    const std::string sortedBy = " (sorted by column " + std::to_string(sortColumn) + ")";
    std::printf(
        "round of %d new at %d listed%s: %lld ms, longest UI stall %lld ms (longest UI call %.1f ms CPU), %d rows, "
        "RSS %ld -> %ld KiB\n",
        round, listed, sorted ? sortedBy.c_str() : "", static_cast<long long>(roundMs), static_cast<long long>(stall),
        worstCallMs, list.rowCount(), rssBefore, RssKiB());
    const qint64 pushMs = measure(
        [&](QuakeListUpdate& u) {
            for (int i = 0; i < pushes; ++i) {
                u.RunEvents(events(1));
            }
        },
        &stall);
    std::printf(
        "%d single pushes: %lld ms (%.2f ms each), longest UI stall %lld ms (longest UI call %.1f ms CPU), %d rows, "
        "RSS %ld KiB\n",
        pushes, static_cast<long long>(pushMs), pushes > 0 ? static_cast<double>(pushMs) / pushes : 0.0,
        static_cast<long long>(stall), worstCallMs, list.rowCount(), RssKiB());
    std::printf("registry %zu quakes, map circles %d\n", registry.Size(), map ? map->CircleCount() : 0);
    return 0;
}
