#pragma once

#include <QDialog>

// The about box: the program's icon, name and version, the earthquake sources in use, the site and a contact
// address.
#include <string>
#include <vector>

namespace dravik {

// The about box's line of the earthquake sources in use: "Dane sejsmiczne: www.seismicportal.eu,
// earthquake.usgs.gov", each host once, at most two named and the number of the others after them.
std::string AboutSourcesText(const std::vector<std::string>& sourceUrls);
// The same in a language ("Seismic data: ..." in English).
std::string AboutSourcesText(const std::string& lang, const std::vector<std::string>& sourceUrls);

class CAboutDlg final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CAboutDlg)

public:
    // Names the sources the settings give (the built-in one when they give none).
    CAboutDlg();
    explicit CAboutDlg(const std::vector<std::string>& sourceUrls);
    ~CAboutDlg() override;

    // Runs the box until OK, Enter, Esc or the close box; the result means nothing.
    int DoModal();
};

}  // namespace dravik
