#pragma once

#include <QDialog>
#include <optional>
#include <string>

#include "app/first_setup.h"

class QPushButton;
class QRadioButton;

namespace dravik {

class CPlaceSearchBox;

// "Where are you?": the place search; Next takes the chosen place, Skip (or Esc) none.
class CWhereDlg final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CWhereDlg)

public:
    explicit CWhereDlg(const std::string& lang, QWidget* parent = nullptr, const std::string& dataDir = {});

    CPlaceSearchBox* SearchBox() const { return m_search; }
    QPushButton* NextButton() const { return m_next; }
    // The place chosen, after an accepted run.
    const std::optional<FoundPlace>& Chosen() const { return m_chosen; }

    void accept() override;

private:
    CPlaceSearchBox* m_search = nullptr;
    QPushButton* m_next = nullptr;
    std::optional<FoundPlace> m_chosen;
};

// "What should alert you?": the three presets, the first checked; Skip (or Esc) keeps the settings as they are.
class CAlertPresetDlg final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CAlertPresetDlg)

public:
    explicit CAlertPresetDlg(const std::string& lang, QWidget* parent = nullptr);

    AlertPreset Preset() const;
    QRadioButton* PresetButton(AlertPreset preset) const;

private:
    QRadioButton* m_buttons[3] = {};
};

// The place dialog's "Find…": the search alone, OK takes the chosen place.
class CPlaceFindDlg final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CPlaceFindDlg)

public:
    explicit CPlaceFindDlg(const std::string& lang, QWidget* parent = nullptr, const std::string& dataDir = {});

    CPlaceSearchBox* SearchBox() const { return m_search; }
    const std::optional<FoundPlace>& Chosen() const { return m_chosen; }

    void accept() override;

private:
    CPlaceSearchBox* m_search = nullptr;
    std::optional<FoundPlace> m_chosen;
};

// The steps after the first start's language: where the user is, then what alerts them; what they chose is
// stored, what they skipped stays as it was.
void RunFirstStartSetup(const std::string& lang);

}  // namespace dravik
