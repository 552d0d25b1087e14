// The place search's memory: the process's USS (private pages, /proc/self/smaps_rollup) with the place dialog's
// search shown at rest, then after a user's searches ("W" ... "Warsaw", "Tokyo", "Los Angeles", "istanbul"), twice,
// each time once the dialog is gone and the process is at rest again, beside what the same process would keep with
// every place's line held in memory (what a search that kept its data would cost).
//
//   bench_places_memory [PLACES DIR]
#include <zlib.h>
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/place_search_box.h"
#include "app/setup_dlg.h"
#include "places/place_search.h"

namespace {

using namespace dravik;

long UssKib() {
    std::ifstream in("/proc/self/smaps_rollup");
    std::string line;
    long kib = 0;
    while (std::getline(in, line)) {
        if (line.rfind("Private_Clean:", 0) == 0 || line.rfind("Private_Dirty:", 0) == 0) {
            std::istringstream fields(line.substr(line.find(':') + 1));
            long value = 0;
            fields >> value;
            kib += value;
        }
    }
    return kib;
}

void Settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string dir = argc > 1 ? argv[1] : PlacesDataDir();
    if (dir.empty()) {
        std::fprintf(stderr, "no places' files\n");
        return 1;
    }
    // The dialog made and shown once before the first reading, so Qt's own first-use costs count in both.
    {
        CPlaceFindDlg warm("EN", nullptr, dir);
        warm.show();
        Settle(500);
    }
    Settle(500);
    const long before = UssKib();
    long afterFirst = 0;
    for (int round = 0; round < 2; ++round) {
        if (round == 1) {
            afterFirst = UssKib();
        }
        CPlaceFindDlg dlg("EN", nullptr, dir);
        dlg.show();
        for (const char* query : {"W", "Wa", "War", "Wars", "Warsa", "Warsaw", "Tokyo", "Los Angeles", "istanbul"}) {
            bool shown = false;
            QObject::connect(dlg.SearchBox(), &CPlaceSearchBox::resultsShown, [&] { shown = true; });
            dlg.SearchBox()->Search(QString::fromUtf8(query));
            for (int i = 0; i < 500 && !shown; ++i) {
                Settle(10);
            }
        }
        Settle(300);
        std::printf("round %d, the dialog open after 9 searches: USS %ld KiB\n", round + 1, UssKib());
        dlg.close();
        Settle(1000);
    }
    const long after = UssKib();
    std::vector<std::string> lines;
    {
        gzFile file = gzopen((dir + "/" + kPlacesFile).c_str(), "rb");
        char buffer[1024];
        while (file != nullptr && gzgets(file, buffer, sizeof buffer) != nullptr) {
            lines.emplace_back(buffer);
        }
        if (file != nullptr) {
            gzclose(file);
        }
    }
    const long resident = UssKib();
    std::printf("USS at rest, no search yet:           %ld KiB\n", before);
    std::printf("USS at rest, after 9 searches:        %ld KiB (%+ld KiB)\n", afterFirst, afterFirst - before);
    std::printf("USS at rest, after 18 searches:       %ld KiB (%+ld KiB)\n", after, after - before);
    std::printf("USS with the file's %zu lines held:  %ld KiB (%+ld KiB)\n", lines.size(), resident, resident - before);
    return 0;
}
