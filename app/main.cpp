// The program: runs the main window modally and ends when its run ends. SIGTERM and SIGINT end the run the
// same clean way, without the close question.
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>
#include <QApplication>
#include <QProcess>
#include <QSocketNotifier>
#include <QStringList>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/application_look.h"
#include "app/settings_key.h"
#include "mainwindow/monitor_dlg.h"
#include "platform/autostart.h"
#include "platform/environment.h"
#include "platform/net/qt_page_fetcher.h"
#include "platform/page_fetcher.h"
#include "platform/qt/single_instance.h"
#include "resources/resources.h"

namespace dravik {
namespace {

int g_signalPipe[2] = {-1, -1};

extern "C" void OnTerminationSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
    errno = savedErrno;
}

// The signal handler only writes to a pipe; the UI thread reads it in its event loop.
void InstallTerminationHandlers() {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

// The executable's file name without its extension.
std::string ApplicationNameFrom(const char* argv0) {
    const std::string name = std::filesystem::path(argv0 != nullptr ? argv0 : "").stem().string();
    return name.empty() ? std::string("dravik") : name;
}

class CMonitorApp final {
public:
    // Runs the main window; the process ends when its modal run has ended. Returns whether the program is
    // to start again (a language change).
    bool InitInstance(CSingleInstance& instance, bool startInTray) {
        CMonitorDlg dlg(nullptr);
        if (startInTray) {
            dlg.StartInTray();
        }
        QObject::connect(&instance, &CSingleInstance::ActivateRequested, &dlg, [&dlg](const QString& token) {
            const bool bShown = dlg.OnActivateRequest(token);
            std::fprintf(stderr, "%s: started again on this data directory; window %s\n", ApplicationName().c_str(),
                         bShown ? "shown" : "not shown yet");
        });
        QSocketNotifier signalNotifier(g_signalPipe[0], QSocketNotifier::Read);
        signalNotifier.setEnabled(g_signalPipe[0] >= 0);
        QObject::connect(&signalNotifier, &QSocketNotifier::activated, &dlg, [&dlg] {
            char buffer[16];
            while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
            }
            dlg.CloseWithoutQuestion();
        });
        dlg.DoModal();
        // The threads are stopped and joined here, before the window goes.
        dlg.StopVersionCheck();
        dlg.StopFeedWorker();
        return dlg.RestartWanted();
    }
};

}  // namespace
}  // namespace dravik

int main(int argc, char** argv) {
    using namespace dravik;
    // Large blocks (a page's body, a round's parsed reports) always get mappings of their own, given back when
    // freed. By default the heap raises this bound to the largest block freed so far, after which such blocks
    // come from the worker's heap and leave it fragmented around the quakes kept: 16 MiB for good after a first
    // fill of 20,000. A fixed bound also fixes the heap's own trimming at 128 KiB: a system call and a flush of
    // every core's address cache on many frees, which made a push flood twice as slow. The rounds trim the rest.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    mallopt(M_TRIM_THRESHOLD, 2 * 1024 * 1024);
    SetApplicationName(ApplicationNameFrom(argc > 0 ? argv[0] : nullptr));
    InstallTerminationHandlers();
    InitResources();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromStdString(ApplicationName()));
    SetApplicationIcon();
    UseReadableIndicators();
    ApplyQtTranslations(UiLanguage());
    // The program's life is the main window's modal run, not its visible windows: while the window is
    // hidden to the tray, closing a dialog of the tray menu must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    // Every fetch runs on its caller's thread over Qt Network; the threads that fetch are joined before the
    // window, this and the application object go.
    CQtPageFetcher fetcher;
    const ScopedPageFetcher useFetcher(fetcher);

    // One program per data directory: a second start shows the running one's window and ends. A restart's
    // successor waits for its predecessor to let the directory go.
    CSingleInstance instance(DataDir());
    instance.SetActivationToken(qEnvironmentVariable("XDG_ACTIVATION_TOKEN"));
    qunsetenv("XDG_ACTIVATION_TOKEN");  // this start's own, not for a window of the program
    const QStringList arguments = QCoreApplication::arguments();
    const long long previousPid = HandoverPid(arguments);
    const CSingleInstance::Role role = previousPid > 0 ? instance.TakeOver(previousPid) : instance.Claim();
    if (role == CSingleInstance::Role::Other) {
        return 0;
    }

    // The session's autostart entry starts the program this way.
    const bool startInTray = arguments.contains(QString::fromLatin1(kAutostartOption));
    CMonitorApp theApp;
    if (theApp.InitInstance(instance, startInTray)) {
        // The successor is started while this one still holds the directory, and takes it as this one ends.
        const QStringList successor = SuccessorArguments(arguments.mid(1), ::getpid());
        if (!QProcess::startDetached(QCoreApplication::applicationFilePath(), successor)) {
            std::fprintf(stderr, "%s: could not start again; start the program by hand\n", ApplicationName().c_str());
        }
    }
    return 0;
}
