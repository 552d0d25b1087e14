#include "mainwindow/place_dlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "app/alert_settings_key.h"
#include "app/ui_texts.h"

namespace dravik {

namespace {

// A name as the settings keep it: 64 bytes, which a field counts in characters.
constexpr int kNameCharacters = 64;

QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A click's point to four decimals (about 10 m): what a user would type, and more than a click can aim.
QString Coordinate(double degrees) {
    return Text(FormatDecimal(std::round(degrees * 1e4) / 1e4));
}

}  // namespace

CPlaceDlg::CPlaceDlg(const GeoPoint& at, const std::string& lang, QWidget* parent) : QDialog(parent) {
    setWindowTitle(Text(PlaceUiText(lang, PlaceText::Caption)));
    auto* layout = new QVBoxLayout(this);
    auto* rows = new QFormLayout();
    layout->addLayout(rows);
    const auto field = [this, rows](const std::string& label, const QString& text, const char* name) {
        auto* edit = new QLineEdit(text, this);
        edit->setObjectName(QString::fromLatin1(name));
        rows->addRow(Text(label), edit);
        return edit;
    };
    m_name = field(AlertUiText(lang, AlertText::HomeName), QString(), "placeName");
    m_name->setMaxLength(kNameCharacters);
    m_latitude = field(PlaceUiText(lang, PlaceText::Latitude), Coordinate(at.lat), "placeLatitude");
    m_longitude = field(AlertUiText(lang, AlertText::Longitude), Coordinate(WrapLongitude(at.lon)), "placeLongitude");

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setText(Text(AlertUiText(lang, AlertText::Ok)));
    buttons->button(QDialogButtonBox::Cancel)->setText(Text(AlertUiText(lang, AlertText::Cancel)));
    connect(buttons, &QDialogButtonBox::accepted, this, &CPlaceDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPlaceDlg::reject);
    layout->addWidget(buttons);

    const auto check = [this] {
        Place place;
        m_ok->setEnabled(Read(&place));
    };
    for (QLineEdit* edit : {m_name, m_latitude, m_longitude}) {
        connect(edit, &QLineEdit::textChanged, this, check);
    }
    check();
    m_name->setFocus();
}

bool CPlaceDlg::Read(Place* place) const {
    return PlaceFromTexts(m_name->text().toStdString(), m_latitude->text().toStdString(),
                          m_longitude->text().toStdString(), place);
}

void CPlaceDlg::accept() {
    // Enter in a field comes here too, whatever the button shows.
    if (!Read(&m_place)) {
        return;
    }
    QDialog::accept();
}

bool StoredPlacesFull() {
    return LoadAlertSettings().places.size() >= kMaxOtherPlaces;
}

bool AddStoredPlace(const Place& place) {
    AlertSettings settings = LoadAlertSettings();
    if (settings.places.size() >= kMaxOtherPlaces) {
        return false;
    }
    settings.places.push_back(place);
    SaveAlertSettings(settings);
    return true;
}

}  // namespace dravik
