#pragma once

#include <QDialog>
#include <map>
#include <string>
#include <vector>

#include "app/alert_settings_key.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace dravik {

class CSourceList;

// The user's Esri key, entered in the settings window; the map asks Esri for imagery only with one.
inline constexpr const char* kEsriKeySetting = "map/esriKey";
// The stored key as the map takes it: empty for none, or for one that reads as no key (edited by hand).
std::string StoredEsriKey();

// The settings window: which events alert, the home place, quiet hours, notifications and the time display, on
// pages (Alerts, Places, Notifications, Sources, Map, General) that scroll when the window is short.
// OK takes the fields only when every one reads; the ones that do not are marked, each says why under it, the
// first one's page is shown and the window stays open.
// It stores nothing itself: the caller saves Settings() after an accepted run.
class CSettingsDlg final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CSettingsDlg)

public:
    // startWithSession: whether the session starts the program now.
    CSettingsDlg(const AlertSettings& settings, const std::string& lang, QWidget* parent = nullptr,
                 bool startWithSession = false);

    // The settings as accepted (the initial ones until OK succeeds).
    const AlertSettings& Settings() const { return m_settings; }
    // Whether the session is to start the program, as accepted.
    bool StartWithSession() const { return m_bStartWithSession; }

    QLineEdit* Field(AlertField field) const;
    bool IsMarked(AlertField field) const;
    QCheckBox* QuietBox() const { return m_quietBox; }
    QCheckBox* NotifyBox() const { return m_notifyBox; }
    QCheckBox* SequenceSoundBox() const { return m_sequenceSoundBox; }
    QComboBox* TimeBox() const { return m_timeBox; }
    // The explanation of the chosen time display.
    QLabel* TimeHint() const { return m_timeHint; }
    QCheckBox* SessionBox() const { return m_sessionBox; }
    // The Esri key's field (shown as typed only while edited) and the key as accepted.
    QLineEdit* EsriKeyField() const { return m_esriKeyField; }
    const std::string& EsriKey() const { return m_esriKey; }
    // The shaking rule's level: item 0 is no rule, item n level n.
    QComboBox* IntensityBox() const { return m_intensityBox; }
    // The other places, one line each, and their buttons.
    QListWidget* PlaceList() const { return m_placeList; }
    QPushButton* AddPlaceButton() const { return m_addPlace; }
    // The places as edited so far.
    const std::vector<Place>& Places() const { return m_places; }
    // What the buttons do once a place is asked for (the dialogs are the caller's in tests): adds one, false when
    // the places are full; renames or removes the selected one.
    bool AddPlace(const Place& place);
    void RenameSelectedPlace(const std::string& name);
    void RemoveSelectedPlace();
    QLabel* ErrorLabel() const { return m_errorLabel; }
    // What is wrong with a field, under it; hidden while it reads.
    QLabel* ProblemLabel(AlertField field) const;
    QLabel* EsriKeyProblem() const { return m_esriKeyProblem; }
    QTabWidget* Pages() const { return m_pages; }
    // The sources as agencies to tick; they and the sources' field show one value.
    CSourceList* SourceList() const { return m_sourceList; }

    void accept() override;

private:
    AlertSettingsForm ReadForm() const;
    void Mark(AlertField field, bool bad);
    void ShowPlaces(int selected);
    void ShowProblem(QWidget* field, QLabel* problem, const QString& reason);
    void FitToScreen();

    AlertSettings m_settings;
    std::string m_lang;
    std::map<AlertField, QLineEdit*> m_fields;
    std::map<AlertField, QLabel*> m_problems;
    QTabWidget* m_pages = nullptr;
    QLabel* m_esriKeyProblem = nullptr;
    QCheckBox* m_quietBox = nullptr;
    QCheckBox* m_notifyBox = nullptr;
    QCheckBox* m_sequenceSoundBox = nullptr;
    QComboBox* m_timeBox = nullptr;
    QLabel* m_timeHint = nullptr;
    QCheckBox* m_sessionBox = nullptr;
    QComboBox* m_intensityBox = nullptr;
    QListWidget* m_placeList = nullptr;
    QPushButton* m_addPlace = nullptr;
    QPushButton* m_renamePlace = nullptr;
    QPushButton* m_removePlace = nullptr;
    std::vector<Place> m_places;
    QLabel* m_errorLabel = nullptr;
    CSourceList* m_sourceList = nullptr;
    QLineEdit* m_esriKeyField = nullptr;
    std::string m_esriKey;
    bool m_bStartWithSession = false;
};

}  // namespace dravik
