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
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "app/mnemonics.h"
#include "app/place_dlg.h"
#include "app/settings_value.h"
#include "app/source_list.h"
#include "app/ui_texts.h"
#include "controls/palette_colours.h"
#include "map/tile_source.h"
#include "platform/qt/field_names.h"
#include "platform/qt/inert_text.h"
#include "resources/translations.h"
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

// The pages, in their order.
enum SettingsPage { kPageAlerts, kPagePlaces, kPageNotify, kPageSources, kPageMap, kPageGeneral };

QString PageTitle(const std::string& lang, SettingsPage page) {
    switch (page) {
        case kPageAlerts:
            return Text(lang, AlertText::GroupAlerts);
        case kPagePlaces:
            return QString::fromStdString(Translate(lang, "Texts", QT_TRANSLATE_NOOP("Texts", "Miejsca")));
        case kPageNotify:
            return Text(lang, AlertText::GroupNotify);
        case kPageSources:
            return QString::fromStdString(Translate(lang, "Texts", QT_TRANSLATE_NOOP("Texts", "Źródła")));
        case kPageMap:
            return QString::fromStdString(MapSettingsGroupText(lang));
        case kPageGeneral:
            return QString::fromStdString(Translate(lang, "Texts", QT_TRANSLATE_NOOP("Texts", "Ogólne")));
    }
    return {};
}

// The window's height at most, in logical pixels: it fits a 1366x768 screen beside a panel, at any scale.
constexpr int kMaxOpeningHeight = 600;

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
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("settingsPages"));
    layout->addWidget(m_pages);
    // The page being filled; each page scrolls on its own when the window is shorter than it.
    QVBoxLayout* pageRows = nullptr;
    const auto page = [this, &pageRows](const QString& title) {
        if (pageRows != nullptr) {
            pageRows->addStretch();
        }
        auto* scroll = new QScrollArea(m_pages);
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setFocusPolicy(Qt::NoFocus);
        // The window is made as wide as the widest page: a page scrolls down, never sideways.
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        auto* content = new QWidget(scroll);
        pageRows = new QVBoxLayout(content);
        scroll->setWidget(content);
        m_pages->addTab(scroll, title);
    };

    const auto addField = [this](QFormLayout* rows, const QString& label, AlertField field, const std::string& text,
                                 const char* name) {
        auto* edit = new QLineEdit(QString::fromStdString(text), this);
        edit->setObjectName(QString::fromLatin1(name));
        rows->addRow(label, edit);
        m_fields[field] = edit;
        // Why the field is refused, right under it, while it is.
        auto* problem = new QLabel(this);
        problem->setObjectName(QStringLiteral("problem_") + QString::fromLatin1(name));
        problem->setTextFormat(Qt::PlainText);
        problem->setWordWrap(true);
        QPalette warning = problem->palette();
        warning.setColor(QPalette::WindowText, QColor(WarningTextColour(palette())));
        problem->setPalette(warning);
        problem->setVisible(false);
        rows->addRow(QString(), problem);
        m_problems[field] = problem;
    };
    const auto group = [this, &pageRows](const QString& title) {
        auto* box = new QGroupBox(title, this);
        auto* rows = new QFormLayout(box);
        // Every field as wide as the group gives: the home's fields like the others.
        rows->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
        pageRows->addWidget(box);
        return rows;
    };

    page(PageTitle(lang, kPageAlerts));
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

    // Quiet hours hold back the alerts' sound: they are read with the alerts.
    QFormLayout* quiet = group(Text(lang, AlertText::GroupQuiet));
    m_quietBox = new QCheckBox(Text(lang, AlertText::QuietEnabled), this);
    m_quietBox->setChecked(form.quietEnabled);
    quiet->addRow(m_quietBox);
    addField(quiet, Text(lang, AlertText::QuietFrom), AlertField::QuietFrom, form.quietFrom, "quietFrom");
    addField(quiet, Text(lang, AlertText::QuietTo), AlertField::QuietTo, form.quietTo, "quietTo");
    addField(quiet, Text(lang, AlertText::WakeMagnitude), AlertField::WakeMagnitude, form.wakeMagnitude,
             "wakeMagnitude");

    page(PageTitle(lang, kPagePlaces));
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
    pageRows->addWidget(placesBox);
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

    page(PageTitle(lang, kPageNotify));
    QFormLayout* notify = group(Text(lang, AlertText::GroupNotify));
    m_notifyBox = new QCheckBox(Text(lang, AlertText::NotifyEnabled), this);
    m_notifyBox->setChecked(form.notifyEnabled);
    notify->addRow(m_notifyBox);
    m_sequenceSoundBox = new QCheckBox(Text(lang, AlertText::SequenceSound), this);
    m_sequenceSoundBox->setChecked(form.sequenceSound);
    notify->addRow(m_sequenceSoundBox);
    addField(notify, Text(lang, AlertText::NotifyMinMagnitude), AlertField::NotifyMinMagnitude, form.notifyMinMagnitude,
             "notifyMinMagnitude");

    page(PageTitle(lang, kPageSources));
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

    page(PageTitle(lang, kPageMap));
    QFormLayout* mapRows = group(QString::fromStdString(MapSettingsGroupText(lang)));
    m_esriKey = StoredEsriKey();
    m_esriKeyField = new QLineEdit(QString::fromStdString(m_esriKey), this);
    m_esriKeyField->setObjectName(QStringLiteral("esriKey"));
    // A key bills the user's account: not shown to whoever looks on, except while it is typed.
    m_esriKeyField->setEchoMode(QLineEdit::PasswordEchoOnEdit);
    mapRows->addRow(QString::fromStdString(EsriKeyLabelText(lang)), m_esriKeyField);
    m_esriKeyProblem = new QLabel(this);
    m_esriKeyProblem->setObjectName(QStringLiteral("problem_esriKey"));
    m_esriKeyProblem->setTextFormat(Qt::PlainText);
    m_esriKeyProblem->setWordWrap(true);
    m_esriKeyProblem->setPalette(m_problems[AlertField::Latitude]->palette());
    m_esriKeyProblem->setVisible(false);
    mapRows->addRow(QString(), m_esriKeyProblem);
    auto* keyHint = new QLabel(QString::fromStdString(EsriKeyHintText(lang)), this);
    keyHint->setTextFormat(Qt::PlainText);
    keyHint->setWordWrap(true);
    mapRows->addRow(QString(), keyHint);

    page(PageTitle(lang, kPageGeneral));
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
    pageRows->addLayout(timeRow);

    m_sessionBox = new QCheckBox(Text(lang, AlertText::StartWithSession), this);
    m_sessionBox->setObjectName(QStringLiteral("startWithSession"));
    m_sessionBox->setChecked(startWithSession);
    m_bStartWithSession = startWithSession;
    pageRows->addWidget(m_sessionBox);
    pageRows->addStretch();

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

    // Tab goes from the page titles down the shown page to OK and Cancel. The fields were made before they went
    // into their pages, which leaves Qt's own order (the order of making) passing by the buttons.
    std::vector<QWidget*> chain;
    for (int i = 0; i < m_pages->count(); ++i) {
        for (QWidget* widget : m_pages->widget(i)->findChildren<QWidget*>()) {
            if ((widget->focusPolicy() & Qt::TabFocus) != 0 && widget->focusProxy() == nullptr) {
                chain.push_back(widget);
            }
        }
    }
    chain.push_back(buttons->button(QDialogButtonBox::Ok));
    chain.push_back(buttons->button(QDialogButtonBox::Cancel));
    for (std::size_t i = 1; i < chain.size(); ++i) {
        setTabOrder(chain[i - 1], chain[i]);
    }

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
    // The buttons are there on every page; each page's own letters differ from theirs. The pages are reached by
    // Ctrl+Tab: their titles would take too many letters from the pages' fields.
    QSet<QChar> always;
    GiveMnemonics(buttons, &always);
    for (int i = 0; i < m_pages->count(); ++i) {
        QSet<QChar> used = always;
        GiveMnemonics(m_pages->widget(i), &used);
    }
    FitToScreen();
}

QLineEdit* CSettingsDlg::Field(AlertField field) const {
    auto it = m_fields.find(field);
    return it == m_fields.end() ? nullptr : it->second;
}

QLabel* CSettingsDlg::ProblemLabel(AlertField field) const {
    auto it = m_problems.find(field);
    return it == m_problems.end() ? nullptr : it->second;
}

void CSettingsDlg::FitToScreen() {
    // Each page as wide as its widest row with room for its scroll bar, so that none scrolls sideways.
    int pageHeight = 0;
    int scrollHint = 0;
    for (int i = 0; i < m_pages->count(); ++i) {
        auto* scroll = qobject_cast<QScrollArea*>(m_pages->widget(i));
        const QSize content = scroll->widget()->sizeHint().expandedTo(scroll->widget()->minimumSizeHint());
        const int bar = scroll->verticalScrollBar()->sizeHint().width();
        scroll->setMinimumWidth(content.width() + bar);
        pageHeight = std::max(pageHeight, content.height());
        scrollHint = std::max(scrollHint, scroll->sizeHint().height());
    }
    // As tall as the tallest page needs, within the cap and the screen the window opens on (its frame included).
    QSize size = sizeHint();
    size.setHeight(size.height() + std::max(0, pageHeight - scrollHint));
    int cap = kMaxOpeningHeight;
    if (const QScreen* screen = parentWidget() != nullptr ? parentWidget()->screen() : this->screen()) {
        constexpr int kFrameAllowance = 48;
        cap = std::min(cap, screen->availableGeometry().height() - kFrameAllowance);
    }
    size.setHeight(std::max(minimumSizeHint().height(), std::min(size.height(), cap)));
    resize(size);
}

void CSettingsDlg::ShowProblem(QWidget* field, QLabel* problem, const QString& reason) {
    const bool bad = !reason.isEmpty();
    field->setProperty(kMarkedProperty, bad);
    field->setStyleSheet(bad ? MarkedStyle(palette()) : QString());
    // The reason goes with the field too, for the pointer and for a screen reader.
    // A reason may quote what was typed: never read as markup.
    field->setToolTip(InertText(reason));
    field->setAccessibleDescription(reason);
    problem->setTextFormat(Qt::PlainText);
    problem->setText(reason);
    problem->setVisible(bad);
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
    ShowProblem(Field(field), ProblemLabel(field),
                bad ? QString::fromStdString(FieldProblemText(m_lang, field)) : QString());
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
    ShowProblem(m_esriKeyField, m_esriKeyProblem, keyProblem);
    if (!key) {
        problems += "\n" + keyProblem.toStdString();
    }
    m_errorLabel->setText(QString::fromStdString(problems));
    m_errorLabel->setVisible(!bad.empty() || !key);
    // The first refused field's page is shown, and the field takes the focus there.
    QWidget* first = !bad.empty() ? static_cast<QWidget*>(Field(bad.front())) : (!key ? m_esriKeyField : nullptr);
    if (first != nullptr) {
        for (int i = 0; i < m_pages->count(); ++i) {
            if (m_pages->widget(i)->isAncestorOf(first)) {
                m_pages->setCurrentIndex(i);
                qobject_cast<QScrollArea*>(m_pages->widget(i))->ensureWidgetVisible(first);
            }
        }
        first->setFocus();
        return;
    }
    m_esriKey = *key;
    m_settings = read;
    m_bStartWithSession = m_sessionBox->isChecked();
    QDialog::accept();
}

}  // namespace dravik
