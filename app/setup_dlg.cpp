#include "app/setup_dlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/alert_settings_key.h"
#include "app/place_search_box.h"
#include "app/setup_texts.h"
#include "app/ui_texts.h"

namespace dravik {
namespace {

QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* Hint(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

// A search dialog's buttons: the accepting one enabled only while a result is selected.
QPushButton* AddButtons(QDialog* dialog, QVBoxLayout* layout, CPlaceSearchBox* search, const QString& acceptText,
                        const QString& rejectText) {
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* ok = buttons->addButton(acceptText, QDialogButtonBox::AcceptRole);
    buttons->addButton(rejectText, QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
    const auto update = [ok, search] { ok->setEnabled(search->Current().has_value()); };
    QObject::connect(search, &CPlaceSearchBox::currentChanged, ok, update);
    QObject::connect(search, &CPlaceSearchBox::chosen, dialog, &QDialog::accept);
    // Enter in the field chooses through the box, never the dialog's default button with nothing chosen.
    ok->setAutoDefault(false);
    update();
    return ok;
}

}  // namespace

CWhereDlg::CWhereDlg(const std::string& lang, QWidget* parent, const std::string& dataDir) : QDialog(parent) {
    setWindowTitle(Text(SetupUiText(lang, SetupText::WhereCaption)));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Hint(Text(SetupUiText(lang, SetupText::WhereHint)), this));
    m_search = new CPlaceSearchBox(lang, this, dataDir);
    layout->addWidget(m_search, 1);
    layout->addWidget(Hint(Text(SetupUiText(lang, SetupText::PlacesCredit)), this));
    m_next = AddButtons(this, layout, m_search, Text(SetupUiText(lang, SetupText::Next)),
                        Text(SetupUiText(lang, SetupText::Skip)));
    m_search->QueryField()->setFocus();
    resize(460, 380);
}

void CWhereDlg::accept() {
    m_chosen = m_search->Current();
    if (m_chosen) {
        QDialog::accept();
    }
}

CAlertPresetDlg::CAlertPresetDlg(const std::string& lang, QWidget* parent) : QDialog(parent) {
    setWindowTitle(Text(SetupUiText(lang, SetupText::PresetCaption)));
    auto* layout = new QVBoxLayout(this);
    const std::pair<SetupText, SetupText> presets[] = {
        {SetupText::PresetEvery, SetupText::PresetEveryHint},
        {SetupText::PresetNear, SetupText::PresetNearHint},
        {SetupText::PresetFelt, SetupText::PresetFeltHint},
    };
    for (int i = 0; i < 3; ++i) {
        m_buttons[i] = new QRadioButton(Text(SetupUiText(lang, presets[i].first)), this);
        const QString hint = Text(SetupUiText(lang, presets[i].second));
        m_buttons[i]->setAccessibleDescription(hint);
        layout->addWidget(m_buttons[i]);
        QLabel* label = Hint(hint, this);
        label->setContentsMargins(24, 0, 0, 8);
        layout->addWidget(label);
    }
    m_buttons[0]->setChecked(true);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* done = buttons->addButton(Text(SetupUiText(lang, SetupText::Finish)), QDialogButtonBox::AcceptRole);
    buttons->addButton(Text(SetupUiText(lang, SetupText::Skip)), QDialogButtonBox::RejectRole);
    done->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    m_buttons[0]->setFocus();
}

AlertPreset CAlertPresetDlg::Preset() const {
    if (m_buttons[1]->isChecked()) {
        return AlertPreset::NearAndStrong;
    }
    return m_buttons[2]->isChecked() ? AlertPreset::OnlyFelt : AlertPreset::EveryQuake;
}

QRadioButton* CAlertPresetDlg::PresetButton(AlertPreset preset) const {
    return m_buttons[static_cast<int>(preset)];
}

CPlaceFindDlg::CPlaceFindDlg(const std::string& lang, QWidget* parent, const std::string& dataDir) : QDialog(parent) {
    setWindowTitle(Text(SetupUiText(lang, SetupText::FindCaption)));
    auto* layout = new QVBoxLayout(this);
    m_search = new CPlaceSearchBox(lang, this, dataDir);
    layout->addWidget(m_search, 1);
    layout->addWidget(Hint(Text(SetupUiText(lang, SetupText::PlacesCredit)), this));
    AddButtons(this, layout, m_search, Text(AlertUiText(lang, AlertText::Ok)),
               Text(AlertUiText(lang, AlertText::Cancel)));
    m_search->QueryField()->setFocus();
    resize(420, 340);
}

void CPlaceFindDlg::accept() {
    m_chosen = m_search->Current();
    if (m_chosen) {
        QDialog::accept();
    }
}

void RunFirstStartSetup(const std::string& lang) {
    AlertSettings settings = LoadAlertSettings();
    bool changed = false;
    {
        CWhereDlg where(lang);
        if (where.exec() == QDialog::Accepted && where.Chosen()) {
            SetHomeFromPlace(*where.Chosen(), &settings);
            changed = true;
        }
    }
    {
        CAlertPresetDlg presets(lang);
        if (presets.exec() == QDialog::Accepted) {
            ApplyAlertPreset(presets.Preset(), &settings);
            changed = true;
        }
    }
    if (changed) {
        SaveAlertSettings(settings);
    }
}

}  // namespace dravik
