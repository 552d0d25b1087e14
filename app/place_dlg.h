#pragma once

#include <QDialog>
#include <string>

#include "places/place_search.h"
#include "sources/geo.h"

class QLineEdit;
class QPushButton;

namespace dravik {

// Asks for one place: its name and coordinates (given ones shown, open to change), or finds it by its name. OK is
// offered only while the three fields read as a place (PlaceFromTexts); its tooltip says what they must hold. It stores
// nothing itself.
class CPlaceDlg final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CPlaceDlg)

public:
    // hasPosition: whether place's coordinates are to be shown (a new place from the settings window has none).
    CPlaceDlg(const Place& place, bool hasPosition, const std::string& lang, QWidget* parent = nullptr);

    // The place as accepted.
    const Place& Result() const { return m_place; }
    QLineEdit* NameField() const { return m_name; }
    QLineEdit* LatitudeField() const { return m_latitude; }
    QLineEdit* LongitudeField() const { return m_longitude; }
    QPushButton* OkButton() const { return m_ok; }
    // "Find…": the place search, whose choice fills the three fields.
    QPushButton* FindButton() const { return m_find; }
    // What the search's choice does to the fields (the search dialog is the caller's in tests).
    void TakeFoundPlace(const FoundPlace& place);

    void accept() override;

private:
    bool Read(Place* place) const;

    Place m_place;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_latitude = nullptr;
    QLineEdit* m_longitude = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_find = nullptr;
    std::string m_lang;
};

// One place as a line of the settings window's list: "Tulsa (36.15, -95.99)".
std::string PlaceListText(const Place& place);

// Whether the stored settings hold as many places besides the home as they can keep.
bool StoredPlacesFull();
// Adds a place to the stored settings' places and writes every value, as the settings window's OK does; false,
// with nothing written, when they are full.
bool AddStoredPlace(const Place& place);

}  // namespace dravik
