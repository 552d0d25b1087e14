#include "app/place_dlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/alert_settings_key.h"
#include "app/ui_texts.h"
#include "controls/palette_colours.h"

namespace dravik {
namespace {

QString Text(const std::string& lang, AlertText id) {
    return QString::fromStdString(AlertUiText(lang, id));
}

}  // namespace

std::string PlaceListText(const Place& place) {
    return place.name + " (" + FormatDecimal(place.latitude) + ", " + FormatDecimal(place.longitude) + ")";
}

CPlaceDlg::CPlaceDlg(const Place& place, bool hasPosition, const std::string& lang, QWidget* parent)
    : QDialog(parent), m_place(place) {
    setWindowTitle(Text(lang, AlertText::PlaceCaption));
    auto* layout = new QVBoxLayout(this);
    auto* rows = new QFormLayout();
    m_name = new QLineEdit(QString::fromStdString(place.name), this);
    m_name->setObjectName(QStringLiteral("placeName"));
    m_latitude = new QLineEdit(hasPosition ? QString::fromStdString(FormatDecimal(place.latitude)) : QString(), this);
    m_latitude->setObjectName(QStringLiteral("placeLatitude"));
    m_longitude = new QLineEdit(hasPosition ? QString::fromStdString(FormatDecimal(place.longitude)) : QString(), this);
    m_longitude->setObjectName(QStringLiteral("placeLongitude"));
    rows->addRow(Text(lang, AlertText::HomeName), m_name);
    rows->addRow(Text(lang, AlertText::PlaceLatitude), m_latitude);
    rows->addRow(Text(lang, AlertText::Longitude), m_longitude);
    layout->addLayout(rows);
    m_problem = new QLabel(Text(lang, AlertText::PlaceProblem), this);
    m_problem->setTextFormat(Qt::PlainText);
    m_problem->setWordWrap(true);
    QPalette warning = m_problem->palette();
    warning.setColor(QPalette::WindowText, QColor(WarningTextColour(palette())));
    m_problem->setPalette(warning);
    m_problem->setVisible(false);
    layout->addWidget(m_problem);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(Text(lang, AlertText::Ok));
    buttons->button(QDialogButtonBox::Cancel)->setText(Text(lang, AlertText::Cancel));
    connect(buttons, &QDialogButtonBox::accepted, this, &CPlaceDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPlaceDlg::reject);
    layout->addWidget(buttons);
    m_name->setFocus();
}

void CPlaceDlg::accept() {
    Place read;
    if (!PlaceFromTexts(m_name->text().toStdString(), m_latitude->text().toStdString(),
                        m_longitude->text().toStdString(), &read)) {
        m_problem->setVisible(true);
        m_name->setFocus();
        return;
    }
    m_place = read;
    QDialog::accept();
}

}  // namespace dravik
