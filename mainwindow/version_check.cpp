#include "mainwindow/version_check.h"

#include <QMessageBox>
#include <QMetaObject>
#include <QString>
#include <utility>

#include "app/settings_key.h"
#include "feed/page_fetch.h"
#include "mainwindow/ui_texts.h"
#include "platform/environment.h"

namespace dravik {

std::string VersionCheckAddress() {
    return SiteUrl() + "/wersja.php?w=" + kCheckedVersion;
}

std::string VersionNotice(const std::string& answer, const std::string& lang, const std::string& siteHost) {
    if (answer.size() != 7) {
        return std::string();
    }
    const std::string current = answer.substr(3, 4);
    if (current == kCheckedVersion) {
        return std::string();
    }
    return VersionMessage(lang, kCheckedVersion, current, siteHost);
}

void ShowVersionNotice(QWidget* owner, const std::string& answer) {
    if (answer.size() != 7) {
        return;  // unreachable site or an answer of another form: nothing to say, and no settings read
    }
    const std::string notice = VersionNotice(answer, UiLanguage(), SiteHost());
    if (notice.empty()) {
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(ApplicationName()), QString::fromStdString(notice),
                    QMessageBox::Ok, owner);
    box.exec();
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
