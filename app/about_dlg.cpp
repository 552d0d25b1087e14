#include "app/about_dlg.h"

#include "platform/qt/dialog_builder.h"
#include "resources/resource_tables.h"

namespace dravik {

CAboutDlg::CAboutDlg() : QDialog(nullptr) {
    if (const DialogTemplate* tmpl = FindDialogTemplate(kDialogAbout)) {
        BuildDialog(this, *tmpl);
    }
}

CAboutDlg::~CAboutDlg() = default;

int CAboutDlg::DoModal() {
    return exec() == QDialog::Accepted ? kIdOk : kIdCancel;
}

}  // namespace dravik
