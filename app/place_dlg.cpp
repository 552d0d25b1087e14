#include "app/place_dlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "app/alert_settings_key.h"
#include "app/first_setup.h"
#include "app/place_search_box.h"
#include "app/setup_dlg.h"
#include "app/setup_texts.h"
#include "app/ui_texts.h"

namespace dravik {
namespace {

// A name as the settings keep it: 64 bytes, which a field counts in characters.
constexpr int kNameCharacters = 64;

QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A point to four decimals (about 10 m): what a user would type, and more than a click on the map can aim.
QString Coordinate(double degrees) {
    return Text(FormatDecimal(std::round(degrees * 1e4) / 1e4));
}

}  // namespace

std::string PlaceListText(const Place& place) {
    return place.name + " (" + FormatDecimal(place.latitude) + ", " + FormatDecimal(place.longitude) + ")";
}

CPlaceDlg::CPlaceDlg(const Place& place, bool hasPosition, const std::string& lang, QWidget* parent)
    : QDialog(parent), m_place(place), m_lang(lang) {
    setWindowTitle(Text(AlertUiText(lang, AlertText::PlaceCaption)));
    auto* layout = new QVBoxLayout(this);
    auto* rows = new QFormLayout();
    layout->addLayout(rows);
    const auto field = [this, rows](const std::string& label, const QString& text, const char* name) {
        auto* edit = new QLineEdit(text, this);
        edit->setObjectName(QString::fromLatin1(name));
        rows->addRow(Text(label), edit);
        return edit;
    };
    m_name = field(AlertUiText(lang, AlertText::HomeName), Text(place.name), "placeName");
    m_name->setMaxLength(kNameCharacters);
    m_latitude = field(AlertUiText(lang, AlertText::PlaceLatitude),
                       hasPosition ? Coordinate(place.latitude) : QString(), "placeLatitude");
    m_longitude = field(AlertUiText(lang, AlertText::Longitude), hasPosition ? Coordinate(place.longitude) : QString(),
                        "placeLongitude");

    m_find = new QPushButton(Text(SetupUiText(lang, SetupText::FindPlace)), this);
    m_find->setObjectName(QStringLiteral("placeFind"));
    m_find->setAutoDefault(false);
    rows->addRow(QString(), m_find);
    connect(m_find, &QPushButton::clicked, this, [this] {
        CPlaceFindDlg find(m_lang, this);
        find.SearchBox()->Search(m_name->text());
        if (find.exec() == QDialog::Accepted && find.Chosen()) {
            TakeFoundPlace(*find.Chosen());
        }
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setText(Text(AlertUiText(lang, AlertText::Ok)));
    buttons->button(QDialogButtonBox::Cancel)->setText(Text(AlertUiText(lang, AlertText::Cancel)));
    connect(buttons, &QDialogButtonBox::accepted, this, &CPlaceDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPlaceDlg::reject);
    layout->addWidget(buttons);

    const QString problem = Text(AlertUiText(lang, AlertText::PlaceProblem));
    const auto check = [this, problem] {
        Place read;
        const bool ok = Read(&read);
        m_ok->setEnabled(ok);
        // A disabled button shows its tooltip still: why it cannot be pressed.
        m_ok->setToolTip(ok ? QString() : problem);
        m_ok->setAccessibleDescription(ok ? QString() : problem);
    };
    for (QLineEdit* edit : {m_name, m_latitude, m_longitude}) {
        connect(edit, &QLineEdit::textChanged, this, check);
    }
    check();
    m_name->setFocus();
}

void CPlaceDlg::TakeFoundPlace(const FoundPlace& found) {
    AlertSettings home;
    SetHomeFromPlace(found, &home);
    m_name->setText(Text(home.homeName));
    m_latitude->setText(Coordinate(found.latitude));
    m_longitude->setText(Coordinate(found.longitude));
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
