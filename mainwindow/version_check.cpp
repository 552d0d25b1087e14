#include "mainwindow/version_check.h"

#include <QEvent>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <utility>
#include <vector>

#include "app/settings_key.h"
#include "mainwindow/ui_texts.h"
#include "platform/environment.h"
#include "sources/page_fetch.h"

namespace dravik {

const char* const kProgramVersion = DRAVIK_VERSION;
const char* const kCheckedVersion = kProgramVersion;

namespace {

// The box is the owner's child, so Qt centres it on the owner when it appears, once the owner is on screen.
void ShowNotice(QWidget* owner, const std::string& notice) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kMessageBoxCaption), QString::fromStdString(notice),
                    QMessageBox::Ok, owner);
    // The notice is the site's text.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

// Waits for the owner to be on screen, that is shown and exposed (by then the window manager has placed it),
// then lets the event that said so finish before the box runs.
class CNoticeOnShow final : public QObject {
public:
    CNoticeOnShow(QWidget* owner, std::string notice) : QObject(owner), m_owner(owner), m_notice(std::move(notice)) {
        owner->installEventFilter(this);
    }
    Q_DISABLE_COPY_MOVE(CNoticeOnShow)

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        QWindow* window = m_owner->windowHandle();
        if (watched == m_owner && event->type() == QEvent::Show) {
            if (window != nullptr && !window->isExposed()) {
                window->installEventFilter(this);
            } else {
                Post();
            }
        } else if (watched == window && event->type() == QEvent::Expose && window->isExposed()) {
            Post();
        }
        return false;
    }

private:
    void Post() {
        if (m_bPosted) {
            return;
        }
        m_bPosted = true;
        m_owner->removeEventFilter(this);
        if (QWindow* window = m_owner->windowHandle()) {
            window->removeEventFilter(this);
        }
        QPointer<QWidget> owner(m_owner);
        std::string notice = m_notice;
        deleteLater();
        QTimer::singleShot(0, owner, [owner, notice] {
            if (!owner) {
                return;
            }
            // Hidden again at once, or shown off screen only to end its run: wait for a real show.
            if (!owner->isVisible() || owner->testAttribute(Qt::WA_DontShowOnScreen)) {
                new CNoticeOnShow(owner, notice);
                return;
            }
            ShowNotice(owner, notice);
        });
    }

    QWidget* m_owner;
    std::string m_notice;
    bool m_bPosted = false;
};

}  // namespace

std::string VersionCheckAddress() {
    return SiteUrl() + "/wersja.php?w=" + kCheckedVersion;
}

namespace {

// The parts of a dotted version; false for anything but digits separated by single dots.
bool VersionParts(const std::string& text, std::vector<unsigned long>* parts) {
    constexpr std::size_t kMaxPartDigits = 9;
    parts->clear();
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = text.find('.', start);
        const std::string part = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        if (part.empty() || part.size() > kMaxPartDigits || part.find_first_not_of("0123456789") != std::string::npos) {
            return false;
        }
        parts->push_back(std::stoul(part));
        if (dot == std::string::npos) {
            return true;
        }
        start = dot + 1;
    }
}

}  // namespace

bool IsNewerVersion(const std::string& announced, const std::string& own) {
    std::vector<unsigned long> a;
    std::vector<unsigned long> b;
    if (!VersionParts(announced, &a) || !VersionParts(own, &b)) {
        return false;
    }
    const std::size_t n = std::max(a.size(), b.size());
    a.resize(n, 0);
    b.resize(n, 0);
    return a > b;
}

namespace {

// The newer version the answer announces, or nothing: an older or equal one (a site not yet updated, a mirror)
// is no news.
std::string AnnouncedVersion(const std::string& answer) {
    if (answer.size() != 7) {
        return std::string();
    }
    const std::string current = answer.substr(3, 4);
    return IsNewerVersion(current, kProgramVersion) ? current : std::string();
}

}  // namespace

std::string VersionNotice(const std::string& answer, const std::string& lang, const std::string& siteHost) {
    const std::string current = AnnouncedVersion(answer);
    return current.empty() ? std::string() : VersionMessage(lang, kProgramVersion, current, siteHost);
}

std::string VersionStatusNotice(const std::string& answer, const std::string& lang, const std::string& siteUrl) {
    const std::string current = AnnouncedVersion(answer);
    return current.empty() ? std::string() : VersionStatusText(lang, kProgramVersion, current, siteUrl);
}

void ShowVersionNotice(QWidget* owner, const std::string& answer) {
    if (answer.size() != 7) {
        return;  // unreachable site or an answer of another form: nothing to say, and no settings read
    }
    const std::string notice = VersionNotice(answer, UiLanguage(), SiteHost());
    if (notice.empty()) {
        return;
    }
    // The answer may come before the window is on screen (a fast site) or while it is hidden to the tray.
    if (owner != nullptr && !owner->isVisible()) {
        new CNoticeOnShow(owner, notice);
        return;
    }
    ShowNotice(owner, notice);
}

CVersionCheck::CVersionCheck(PageFetcher fetch, QObject* parent) : QObject(parent), m_fetch(std::move(fetch)) {
    if (!m_fetch) {
        m_fetch = [](const std::string& url) { return FetchPage(url); };
    }
}

CVersionCheck::~CVersionCheck() {
    Stop();
}

void CVersionCheck::Start(AnswerHandler onAnswer) {
    if (m_bStarted) {
        return;
    }
    m_bStarted = true;
    m_onAnswer = std::move(onAnswer);
    const std::string address = VersionCheckAddress();
    m_thread = std::thread([this, address] {
        std::string answer;
        {
            const FetchCancelScope cancelOnStop(m_bStopRequested);
            answer = m_fetch(address);
        }
        if (m_bStopRequested) {
            return;
        }
        // Queued to this object: Qt drops the call if the object is gone, and Stop() joins before that.
        QMetaObject::invokeMethod(
            this,
            [this, answer = std::move(answer)] {
                if (!m_bStopRequested && m_onAnswer) {
                    m_onAnswer(answer);
                }
            },
            Qt::QueuedConnection);
    });
}

void CVersionCheck::Stop() {
    m_bStopRequested = true;
    WakeFetches();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

}  // namespace dravik
