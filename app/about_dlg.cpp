#include "app/about_dlg.h"

#include <algorithm>
#include <string>

#include "platform/environment.h"
#include "platform/qt/dialog_builder.h"
#include "resources/resource_tables.h"

namespace dravik {

namespace {

// The site line as the table writes it; the box shows the host the site address really names instead.
constexpr const char* kTemplateSiteHost = "dravik.example";

}  // namespace

CAboutDlg::CAboutDlg() : QDialog(nullptr) {
    if (const DialogTemplate* tmpl = FindDialogTemplate(kDialogAbout)) {
        DialogTemplate about = *tmpl;
        for (DialogControl& control : about.controls) {
            if (control.kind == ControlKind::Static && control.text == kTemplateSiteHost) {
                const std::string host = SiteHost();
                if (host.size() > control.text.size()) {
                    // A longer host gets the room up to the box's right margin rather than being cut.
                    control.w = std::max(control.w, about.w - control.x - 7);
                }
                control.text = host;
            }
        }
        BuildDialog(this, about);
    }
}

CAboutDlg::~CAboutDlg() = default;

int CAboutDlg::DoModal() {
    return exec() == QDialog::Accepted ? kIdOk : kIdCancel;
}

}  // namespace dravik
