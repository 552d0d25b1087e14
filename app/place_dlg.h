#pragma once

#include <QDialog>
#include <string>

#include "feed/geo.h"

class QLabel;
class QLineEdit;

namespace dravik {

// Asks for one place: its name and coordinates (given ones shown, editable). OK takes them only when they read
// (PlaceFromTexts); otherwise the window says what they must hold and stays open.
class CPlaceDlg final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CPlaceDlg)

public:
    CPlaceDlg(const Place& place, bool hasPosition, const std::string& lang, QWidget* parent = nullptr);

    const Place& Result() const { return m_place; }
    QLineEdit* NameField() const { return m_name; }
    QLineEdit* LatitudeField() const { return m_latitude; }
    QLineEdit* LongitudeField() const { return m_longitude; }
    QLabel* ProblemLabel() const { return m_problem; }

    void accept() override;

private:
    Place m_place;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_latitude = nullptr;
    QLineEdit* m_longitude = nullptr;
    QLabel* m_problem = nullptr;
};

// One place as a line of the settings window's list: "Tulsa (36.15, -95.99)".
std::string PlaceListText(const Place& place);

}  // namespace dravik
