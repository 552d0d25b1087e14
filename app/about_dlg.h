#pragma once

#include <QDialog>

// The about box: the program's icon, name and version, a notice line, the site and a contact address.
namespace dravik {

class CAboutDlg final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CAboutDlg)

public:
    CAboutDlg();
    ~CAboutDlg() override;

    // Runs the box until OK, Enter, Esc or the close box; the result means nothing.
    int DoModal();
};

}  // namespace dravik
