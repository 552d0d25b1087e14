#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <string>
#include <thread>

class QWidget;

// Once per start: ask the product's site for the current version and tell the user when it differs.
namespace dravik {

// The program's own version, the project's (one number for the caption, the request, the comparison and the map's
// requests); the answer is compared with this one.
extern const char* const kProgramVersion;
// The version the request names: the program's own.
extern const char* const kCheckedVersion;

// SiteUrl() + "/wersja.php?w=" + the program's version.
std::string VersionCheckAddress();

// Whether `announced` is a later version than `own`, both dotted numbers compared part by part as numbers
// ("1.9" < "1.15", "1.15" == "1.15.0"); false when either is not digits separated by single dots.
bool IsNewerVersion(const std::string& announced, const std::string& own);

// The notice due for the site's answer in the language given, or the empty text when none is due: only an
// answer of exactly 7 bytes counts, its last four bytes are the current version, and only a version newer than
// the program's own is announced.
std::string VersionNotice(const std::string& answer, const std::string& lang, const std::string& siteHost);
// The same notice as one line for the main window's status line, with both versions and the site's address;
// empty when none is due.
std::string VersionStatusNotice(const std::string& answer, const std::string& lang, const std::string& siteUrl);

// Shows the notice due for the answer, if any, in a message box owned by owner (centred on it) with the
// application's name as caption and only an OK button; returns when the user has closed it. UI thread.
// An owner not on screen yet (the answer came before the window appeared, or while it is hidden to the tray)
// gets the box once it is shown and placed; this then returns at once.
void ShowVersionNotice(QWidget* owner, const std::string& answer);

using PageFetcher = std::function<std::string(const std::string& url)>;

// The check on a thread of its own, so that the window never waits for the site: the fetch runs there and
// the answer is handed to the thread this object lives on (the UI thread) when it comes.
class CVersionCheck final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CVersionCheck)

public:
    using AnswerHandler = std::function<void(const std::string& answer)>;

    explicit CVersionCheck(PageFetcher fetch, QObject* parent = nullptr);
    // Stop().
    ~CVersionCheck() override;

    // Fetches VersionCheckAddress() on a new thread and calls onAnswer with the answer on this object's
    // thread, unless stopped first. Only the first call of an object does anything.
    void Start(AnswerHandler onAnswer);
    // Aborts a fetch in progress and joins the thread; an answer not yet handed over is dropped. Returns
    // within about a second whatever the site does. Safe to call more than once.
    void Stop();
    // Whether Start() has run (the check is made at most once).
    bool IsStarted() const { return m_bStarted; }

private:
    PageFetcher m_fetch;
    AnswerHandler m_onAnswer;
    std::thread m_thread;
    std::atomic<bool> m_bStopRequested{false};
    bool m_bStarted = false;
};

}  // namespace dravik
