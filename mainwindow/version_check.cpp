#include "mainwindow/version_check.h"

#include <QMessageBox>
#include <QString>

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

void RunVersionCheck(QWidget* owner, const PageFetcher& fetch) {
    const std::string answer = fetch(VersionCheckAddress());
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

void RunVersionCheck(QWidget* owner) {
    RunVersionCheck(owner, [](const std::string& url) { return FetchPage(url); });
}

}  // namespace dravik
