#include "app/about_dlg.h"

#include <QLabel>
#include <QtGlobal>
#include <algorithm>
#include <string>

#include "app/alert_settings_key.h"
#include "app/settings_key.h"
#include "app/ui_texts.h"
#include "platform/environment.h"
#include "platform/qt/dialog_builder.h"
#include "resources/resource_tables.h"
#include "sources/event_fields.h"

namespace dravik {

namespace {

// The site line as the table writes it; the box shows the host the site address really names instead.
constexpr const char* kTemplateSiteHost = "dravik.example";
// The sources line as the table writes it; the box names the sources in use instead.
constexpr const char* kTemplateSources = "Dane sejsmiczne: EMSC";
constexpr std::size_t kNamedSources = 2;
// The credit the plate boundaries' licence asks for, shown in the user's language.
constexpr const char* kTemplatePlates = "Granice płyt: PB2002 (Peter Bird), GeoJSON: Hugo Ahlenius, Nordpil (ODC-By)";
// The credit GeoNames' licence asks for the places the search finds.
constexpr const char* kTemplatePlaces = "Miejscowości: GeoNames (geonames.org), CC BY 4.0";

}  // namespace

std::string AboutSourcesText(const std::vector<std::string>& sourceUrls) {
    return AboutSourcesText(kLangPolish, sourceUrls);
}

std::string AboutSourcesText(const std::string& lang, const std::vector<std::string>& sourceUrls) {
    std::vector<std::string> hosts;
    for (const std::string& url : sourceUrls) {
        const std::string host = SourceHost(url);
        if (!host.empty() && std::find(hosts.begin(), hosts.end(), host) == hosts.end()) {
            hosts.push_back(host);
        }
    }
    std::string text = Translate(lang, "About", QT_TRANSLATE_NOOP("About", "Dane sejsmiczne:"));
    for (std::size_t i = 0; i < hosts.size() && i < kNamedSources; ++i) {
        text += (i == 0 ? " " : ", ") + hosts[i];
    }
    if (hosts.size() > kNamedSources) {
        text += " (+" + std::to_string(hosts.size() - kNamedSources) + ")";
    }
    return text;
}

CAboutDlg::CAboutDlg() : CAboutDlg(QuakeUrls(LoadAlertSettings().sources)) {}

CAboutDlg::CAboutDlg(const std::vector<std::string>& sourceUrls) : QDialog(nullptr) {
    const std::string lang = UiLanguage();
    // The source table, so that the lines to replace are found by their Polish texts.
    if (const DialogTemplate* tmpl = FindDialogTemplate(kDialogAbout)) {
        DialogTemplate about = *tmpl;
        about.caption = FindDialogTemplate(kDialogAbout, lang)->caption;
        for (DialogControl& control : about.controls) {
            if (control.kind != ControlKind::Static) {
                continue;
            }
            std::string shown;
            if (control.text == kTemplateSiteHost) {
                shown = SiteHost();
            } else if (control.text == kTemplateSources) {
                shown = AboutSourcesText(lang, sourceUrls);
            } else if (control.text == kTemplatePlates || control.text == kTemplatePlaces) {
                shown = Translate(lang, "About", control.text.c_str());
            } else {
                continue;
            }
            if (shown.size() > control.text.size()) {
                // A longer text gets the room up to the box's right margin rather than being cut.
                control.w = std::max(control.w, about.w - control.x - 7);
            }
            if (control.text == kTemplateSources) {
                // Two hosts take two lines; the site line below leaves room for them.
                control.h = 2 * control.h;
            }
            control.text = shown;
        }
        BuildDialog(this, about);
        const std::string plates = Translate(lang, "About", kTemplatePlates);
        for (QLabel* label : findChildren<QLabel*>()) {
            const std::string text = label->text().toStdString();
            if (text == AboutSourcesText(lang, sourceUrls) || text == plates) {
                label->setWordWrap(true);
            }
        }
    }
}

CAboutDlg::~CAboutDlg() = default;

int CAboutDlg::DoModal() {
    return exec() == QDialog::Accepted ? kIdOk : kIdCancel;
}

}  // namespace dravik
