#include "app/settings_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/place_dlg.h"
#include "app/settings_value.h"
#include "app/source_list.h"
#include "app/ui_texts.h"
#include "controls/palette_colours.h"
#include "map/tile_source.h"
#include "platform/qt/field_names.h"
#include "shaking/intensity.h"

namespace dravik {
namespace {

const char* const kMarkedProperty = "dravikMarked";
// Room for a service's address at the least (the window may give it more).
constexpr int kSourceFieldChars = 60;

// A refused field on the theme's own colours: tinted, its text readable, framed in red.
QString MarkedStyle(const QPalette& palette) {
    const MarkedFieldLook look = MarkedFieldColours(palette);
    return QStringLiteral("QLineEdit { background: %1; color: %2; border: 2px solid %3; }")
        .arg(QColor(look.background).name(), QColor(look.text).name(), QColor(look.border).name());
}

QString Text(const std::string& lang, AlertText id) {
    return QString::fromStdString(AlertUiText(lang, id));
}

}  // namespace

std::string StoredEsriKey() {
    return EsriKeyFromText(ReadSettingsText(kEsriKeySetting).value_or(std::string())).value_or(std::string());
}

CSettingsDlg::CSettingsDlg(const AlertSettings& settings, const std::string& lang, QWidget* parent,
                           bool startWithSession)
    : QDialog(parent), m_settings(settings), m_lang(lang) {
    // Before any combo box is made: Qt keeps the first reading of a control it was asked about.
    NameComboBoxesByLabel();
    setWindowTitle(Text(lang, AlertText::SettingsCaption));
    const AlertSettingsForm form = FormFromSettings(settings);
    auto* layout = new QVBoxLayout(this);

    const auto addField = [this](QFormLayout* rows, const QString& label, AlertField field, const std::string& text,
                                 const char* name) {
        auto* edit = new QLineEdit(QString::fromStdString(text), this);
        edit->setObjectName(QString::fromLatin1(name));
        rows->addRow(label, edit);
        m_fields[field] = edit;
    };
    const auto group = [this, layout](const QString& title) {
        auto* box = new QGroupBox(title, this);
        auto* rows = new QFormLayout(box);
        layout->addWidget(box);
        return rows;
    };

    QFormLayout* alerts = group(Text(lang, AlertText::GroupAlerts));
    addField(alerts, Text(lang, AlertText::GlobalMagnitude), AlertField::GlobalMagnitude, form.globalMagnitude,
             "globalMagnitude");
    m_intensityBox = new QComboBox(this);
    m_intensityBox->setObjectName(QStringLiteral("minIntensity"));
    m_intensityBox->addItem(Text(lang, AlertText::MinIntensityOff));
    for (int level = kMinIntensity; level <= kMaxIntensity; ++level) {
        m_intensityBox->addItem(QString::fromStdString(RomanNumeral(level) + " – " + ShakingWords(lang, level)));
    }
    m_intensityBox->setCurrentIndex(std::clamp(form.minIntensity, 0, kMaxIntensity));
    alerts->addRow(Text(lang, AlertText::MinIntensity), m_intensityBox);

    QFormLayout* home = group(Text(lang, AlertText::GroupHome));
    addField(home, Text(lang, AlertText::Latitude), AlertField::Latitude, form.latitude, "latitude");
    addField(home, Text(lang, AlertText::Longitude), AlertField::Longitude, form.longitude, "longitude");
    addField(home, Text(lang, AlertText::HomeName), AlertField::HomeName, form.homeName, "homeName");
    m_fields[AlertField::HomeName]->setPlaceholderText(Text(lang, AlertText::HomeDefaultName));
    addField(home, Text(lang, AlertText::RadiusKm), AlertField::RadiusKm, form.radiusKm, "radiusKm");
    addField(home, Text(lang, AlertText::NearMagnitude), AlertField::NearMagnitude, form.nearMagnitude,
             "nearMagnitude");

    // The other places: the near rule and the shaking rule hold at each as at the home.
    auto* placesBox = new QGroupBox(Text(lang, AlertText::GroupPlaces), this);
    auto* placesLayout = new QVBoxLayout(placesBox);
    m_placeList = new QListWidget(placesBox);
    m_placeList->setObjectName(QStringLiteral("places"));
    m_placeList->setAccessibleName(Text(lang, AlertText::GroupPlaces));
    m_placeList->setMaximumHeight(m_placeList->fontMetrics().height() * 5 + 8);
    placesLayout->addWidget(m_placeList);
    auto* placeButtons = new QHBoxLayout();
    m_addPlace = new QPushButton(Text(lang, AlertText::AddPlace), placesBox);
    m_renamePlace = new QPushButton(Text(lang, AlertText::RenamePlace), placesBox);
    m_removePlace = new QPushButton(Text(lang, AlertText::RemovePlace), placesBox);
    for (QPushButton* button : {m_addPlace, m_renamePlace, m_removePlace}) {
        button->setAutoDefault(false);
        placeButtons->addWidget(button);
    }
    placeButtons->addStretch();
    placesLayout->addLayout(placeButtons);
    layout->addWidget(placesBox);
    m_places = form.places;
    ShowPlaces(0);
    connect(m_placeList, &QListWidget::currentRowChanged, this, [this](int row) {
        m_renamePlace->setEnabled(row >= 0);
        m_removePlace->setEnabled(row >= 0);
    });
    connect(m_addPlace, &QPushButton::clicked, this, [this, lang] {
        if (m_places.size() >= kMaxOtherPlaces) {
            QMessageBox::information(this, Text(lang, AlertText::PlaceCaption),
                                     QString::fromStdString(PlaceUiText(lang, PlaceText::Full)));
            return;
        }
        CPlaceDlg dlg(Place{}, false, lang, this);
        if (dlg.exec() == QDialog::Accepted) {
            AddPlace(dlg.Result());
        }
    });
    connect(m_renamePlace, &QPushButton::clicked, this, [this, lang] {
        const int row = m_placeList->currentRow();
        if (row < 0 || row >= static_cast<int>(m_places.size())) {
            return;
        }
        CPlaceDlg dlg(m_places[static_cast<std::size_t>(row)], true, lang, this);
        if (dlg.exec() == QDialog::Accepted) {
            m_places[static_cast<std::size_t>(row)] = dlg.Result();
            ShowPlaces(row);
        }
    });
    connect(m_removePlace, &QPushButton::clicked, this, [this] { RemoveSelectedPlace(); });

    QFormLayout* quiet = group(Text(lang, AlertText::GroupQuiet));
    m_quietBox = new QCheckBox(Text(lang, AlertText::QuietEnabled), this);
    m_quietBox->setChecked(form.quietEnabled);
    quiet->addRow(m_quietBox);
    addField(quiet, Text(lang, AlertText::QuietFrom), AlertField::QuietFrom, form.quietFrom, "quietFrom");
    addField(quiet, Text(lang, AlertText::QuietTo), AlertField::QuietTo, form.quietTo, "quietTo");
    addField(quiet, Text(lang, AlertText::WakeMagnitude), AlertField::WakeMagnitude, form.wakeMagnitude,
             "wakeMagnitude");

    QFormLayout* notify = group(Text(lang, AlertText::GroupNotify));
    m_notifyBox = new QCheckBox(Text(lang, AlertText::NotifyEnabled), this);
    m_notifyBox->setChecked(form.notifyEnabled);
    notify->addRow(m_notifyBox);
    m_sequenceSoundBox = new QCheckBox(Text(lang, AlertText::SequenceSound), this);
    m_sequenceSoundBox->setChecked(form.sequenceSound);
    notify->addRow(m_sequenceSoundBox);
    addField(notify, Text(lang, AlertText::NotifyMinMagnitude), AlertField::NotifyMinMagnitude, form.notifyMinMagnitude,
             "notifyMinMagnitude");

    QFormLayout* sources = group(Text(lang, AlertText::GroupSources));
    // Addresses are long: the field goes under its label, across the whole window, and grows with it.
    sources->setRowWrapPolicy(QFormLayout::WrapAllRows);
    sources->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    // The agencies to tick; the field below holds the same value as addresses, for a hand's edit.
    m_sourceList = new CSourceList(form.sources, lang, this);
    sources->addRow(m_sourceList);
    addField(sources, Text(lang, AlertText::SourceAddresses), AlertField::Sources, form.sources, "sources");
    QLineEdit* sourceField = m_fields[AlertField::Sources];
    sourceField->setMinimumWidth(sourceField->fontMetrics().averageCharWidth() * kSourceFieldChars);
    connect(m_sourceList, &CSourceList::changed, sourceField,
            [this, sourceField] { sourceField->setText(QString::fromStdString(m_sourceList->Stored())); });
    connect(sourceField, &QLineEdit::textEdited, m_sourceList, [this](const QString& text) {
        // Only a value that reads moves the ticks; one being typed leaves them until it does.
        std::string stored;
        if (ReadSources(text.toStdString(), &stored)) {
            m_sourceList->SetStored(stored);
        }
    });

    QFormLayout* mapRows = group(QString::fromStdString(MapSettingsGroupText(lang)));
    m_esriKey = StoredEsriKey();
    m_esriKeyField = new QLineEdit(QString::fromStdString(m_esriKey), this);
    m_esriKeyField->setObjectName(QStringLiteral("esriKey"));
    // A key bills the user's account: not shown to whoever looks on, except while it is typed.
    m_esriKeyField->setEchoMode(QLineEdit::PasswordEchoOnEdit);
    mapRows->addRow(QString::fromStdString(EsriKeyLabelText(lang)), m_esriKeyField);
    auto* keyHint = new QLabel(QString::fromStdString(EsriKeyHintText(lang)), this);
    keyHint->setTextFormat(Qt::PlainText);
    keyHint->setWordWrap(true);
    mapRows->addRow(QString(), keyHint);

    auto* timeRow = new QFormLayout();
    m_timeBox = new QComboBox(this);
    // Item order follows TimeDisplay.
    m_timeBox->addItem(Text(lang, AlertText::TimeClassic));
    m_timeBox->addItem(Text(lang, AlertText::TimeLocal));
    m_timeBox->addItem(Text(lang, AlertText::TimeUtc));
    for (int i = 0; i < m_timeBox->count(); ++i) {
        m_timeBox->setItemData(i, QString::fromStdString(TimeDisplayHint(lang, static_cast<TimeDisplay>(i))),
                               Qt::ToolTipRole);
    }
    m_timeBox->setCurrentIndex(static_cast<int>(form.timeDisplay));
    timeRow->addRow(Text(lang, AlertText::TimeDisplayLabel), m_timeBox);
    // What the chosen display shows, under the choice, so that the three need no guessing.
    m_timeHint = new QLabel(this);
    m_timeHint->setObjectName(QStringLiteral("timeHint"));
    m_timeHint->setWordWrap(true);
    const auto showHint = [this, lang](int index) {
        const QString hint = QString::fromStdString(TimeDisplayHint(lang, static_cast<TimeDisplay>(index)));
        m_timeHint->setText(hint);
        m_timeBox->setToolTip(hint);
        m_timeBox->setAccessibleDescription(hint);
    };
    showHint(m_timeBox->currentIndex());
    connect(m_timeBox, &QComboBox::currentIndexChanged, this, showHint);
    timeRow->addRow(QString(), m_timeHint);
    layout->addLayout(timeRow);

    m_sessionBox = new QCheckBox(Text(lang, AlertText::StartWithSession), this);
    m_sessionBox->setObjectName(QStringLiteral("startWithSession"));
    m_sessionBox->setChecked(startWithSession);
    m_bStartWithSession = startWithSession;
    layout->addWidget(m_sessionBox);

    m_errorLabel = new QLabel(Text(lang, AlertText::CorrectMarkedFields), this);
    m_errorLabel->setObjectName(QStringLiteral("fieldProblems"));
    m_errorLabel->setTextFormat(Qt::PlainText);
    m_errorLabel->setWordWrap(true);
    QPalette warning = m_errorLabel->palette();
    warning.setColor(QPalette::WindowText, QColor(WarningTextColour(palette())));
    m_errorLabel->setPalette(warning);
    m_errorLabel->setVisible(false);
    layout->addWidget(m_errorLabel);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(Text(lang, AlertText::Ok));
    buttons->button(QDialogButtonBox::Cancel)->setText(Text(lang, AlertText::Cancel));
    connect(buttons, &QDialogButtonBox::accepted, this, &CSettingsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSettingsDlg::reject);
    layout->addWidget(buttons);

    // A screen reader names each field by its label, combo boxes included.
    for (QFormLayout* rows : findChildren<QFormLayout*>()) {
        for (int row = 0; row < rows->rowCount(); ++row) {
            QLayoutItem* item = rows->itemAt(row, QFormLayout::FieldRole);
            QWidget* labelWidget = rows->itemAt(row, QFormLayout::LabelRole) != nullptr
                                       ? rows->itemAt(row, QFormLayout::LabelRole)->widget()
                                       : nullptr;
            auto* label = qobject_cast<QLabel*>(labelWidget);
            if (item != nullptr && item->widget() != nullptr && label != nullptr && !label->text().isEmpty()) {
                NameFieldByLabel(label, item->widget());
            }
        }
    }
}

QLineEdit* CSettingsDlg::Field(AlertField field) const {
    auto it = m_fields.find(field);
    return it == m_fields.end() ? nullptr : it->second;
}

bool CSettingsDlg::IsMarked(AlertField field) const {
    const QLineEdit* edit = Field(field);
    return edit != nullptr && edit->property(kMarkedProperty).toBool();
}

void CSettingsDlg::ShowPlaces(int selected) {
    m_placeList->clear();
    for (const Place& place : m_places) {
        auto* item = new QListWidgetItem(QString::fromStdString(PlaceListText(place)));
        m_placeList->addItem(item);
    }
    const int row = m_places.empty() ? -1 : std::clamp(selected, 0, static_cast<int>(m_places.size()) - 1);
    m_placeList->setCurrentRow(row);
    m_renamePlace->setEnabled(row >= 0);
    m_removePlace->setEnabled(row >= 0);
}

bool CSettingsDlg::AddPlace(const Place& place) {
    if (m_places.size() >= kMaxOtherPlaces) {
        return false;
    }
    m_places.push_back(place);
    ShowPlaces(static_cast<int>(m_places.size()) - 1);
    return true;
}

void CSettingsDlg::RenameSelectedPlace(const std::string& name) {
    const int row = m_placeList->currentRow();
    Place renamed;
    if (row < 0 || row >= static_cast<int>(m_places.size())) {
        return;
    }
    const Place& old = m_places[static_cast<std::size_t>(row)];
    if (PlaceFromTexts(name, FormatDecimal(old.latitude), FormatDecimal(old.longitude), &renamed)) {
        m_places[static_cast<std::size_t>(row)] = renamed;
        ShowPlaces(row);
    }
}

void CSettingsDlg::RemoveSelectedPlace() {
    const int row = m_placeList->currentRow();
    if (row < 0 || row >= static_cast<int>(m_places.size())) {
        return;
    }
    m_places.erase(m_places.begin() + row);
    ShowPlaces(row);
}

AlertSettingsForm CSettingsDlg::ReadForm() const {
    AlertSettingsForm form;
    const auto text = [this](AlertField field) { return Field(field)->text().toStdString(); };
    form.globalMagnitude = text(AlertField::GlobalMagnitude);
    form.nearMagnitude = text(AlertField::NearMagnitude);
    form.radiusKm = text(AlertField::RadiusKm);
    form.latitude = text(AlertField::Latitude);
    form.longitude = text(AlertField::Longitude);
    form.homeName = text(AlertField::HomeName);
    form.quietEnabled = m_quietBox->isChecked();
    form.quietFrom = text(AlertField::QuietFrom);
    form.quietTo = text(AlertField::QuietTo);
    form.wakeMagnitude = text(AlertField::WakeMagnitude);
    form.notifyEnabled = m_notifyBox->isChecked();
    form.notifyMinMagnitude = text(AlertField::NotifyMinMagnitude);
    form.sequenceSound = m_sequenceSoundBox->isChecked();
    form.timeDisplay = static_cast<TimeDisplay>(m_timeBox->currentIndex());
    form.sources = text(AlertField::Sources);
    form.places = m_places;
    form.minIntensity = m_intensityBox->currentIndex();
    return form;
}

void CSettingsDlg::Mark(AlertField field, bool bad) {
    QLineEdit* edit = Field(field);
    edit->setProperty(kMarkedProperty, bad);
    edit->setStyleSheet(bad ? MarkedStyle(palette()) : QString());
    // The reason goes with the field too, for the pointer and for a screen reader.
    const QString reason = bad ? QString::fromStdString(FieldProblemText(m_lang, field)) : QString();
    edit->setToolTip(reason);
    edit->setAccessibleDescription(reason);
}

void CSettingsDlg::accept() {
    AlertSettings read = m_settings;
    const std::vector<AlertField> bad = SettingsFromForm(ReadForm(), &read);
    for (const auto& [field, edit] : m_fields) {
        static_cast<void>(edit);
        Mark(field, std::find(bad.begin(), bad.end(), field) != bad.end());
    }
    // Each refused field says what it must hold, one line each.
    std::string problems = AlertUiText(m_lang, AlertText::CorrectMarkedFields);
    for (AlertField field : bad) {
        problems += "\n" + FieldProblemText(m_lang, field);
    }
    // The key goes into every tile's address: one that could change the address is refused, not sent.
    const std::optional<std::string> key = EsriKeyFromText(m_esriKeyField->text().toStdString());
    const QString keyProblem = key ? QString() : QString::fromStdString(EsriKeyProblemText(m_lang));
    m_esriKeyField->setProperty(kMarkedProperty, !key);
    m_esriKeyField->setStyleSheet(key ? QString() : MarkedStyle(palette()));
    m_esriKeyField->setToolTip(keyProblem);
    m_esriKeyField->setAccessibleDescription(keyProblem);
    if (!key) {
        problems += "\n" + keyProblem.toStdString();
    }
    m_errorLabel->setText(QString::fromStdString(problems));
    m_errorLabel->setVisible(!bad.empty() || !key);
    if (!bad.empty()) {
        Field(bad.front())->setFocus();
        return;
    }
    if (!key) {
        m_esriKeyField->setFocus();
        return;
    }
    m_esriKey = *key;
    m_settings = read;
    m_bStartWithSession = m_sessionBox->isChecked();
    QDialog::accept();
}

}  // namespace dravik
