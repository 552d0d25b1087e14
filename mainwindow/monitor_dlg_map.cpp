// The main window's map: its kinds, the plates' box, its texts and what it shows of the selected row.
#include <QAbstractButton>
#include <algorithm>
#include <iterator>

#include "app/settings_key.h"
#include "app/settings_value.h"
#include "mainwindow/event_list_view.h"
#include "mainwindow/map_browser.h"
#include "mainwindow/monitor_dlg.h"
#include "mainwindow/monitor_dlg_ids.h"
#include "mainwindow/quake_map.h"
#include "resources/resource_tables.h"

namespace dravik {

using namespace monitor_ids;

void CMonitorDlg::OnMapKindClicked() {
    m_mapView.SetMapKindChanged();
    RefreshMap();
}

void CMonitorDlg::OnPlatesClicked() {
    const auto* box = qobject_cast<const QAbstractButton*>(GetDlgItem(kIdPlates));
    const bool shown = box == nullptr || box->isChecked();
    WriteSettingsText(kPlatesSetting, shown ? "1" : "0");
    ApplyPlatesShown(shown);
}

void CMonitorDlg::ApplyPlatesShown(bool shown) {
    if (auto* box = qobject_cast<QAbstractButton*>(GetDlgItem(kIdPlates))) {
        box->setChecked(shown);
    }
    if (m_browser != nullptr) {
        m_browser->SetPlatesShown(shown);
    }
}

void CMonitorDlg::RetranslateMap() {
    const std::string lang = UiLanguage();
    const DialogTemplate* dialog = FindDialogTemplate(kDialogMain, lang);
    if (dialog != nullptr) {
        for (const DialogControl& control : dialog->controls) {
            const bool mapControl =
                control.id == kIdShowMap || control.id == kIdPlates ||
                std::find(std::begin(kMapKindIds), std::end(kMapKindIds), control.id) != std::end(kMapKindIds);
            if (mapControl) {
                SetDlgItemText(control.id, control.text);
            }
        }
    }
    if (m_pQuakeMap != nullptr) {
        m_pQuakeMap->RefreshSettings();
    }
    if (m_browser != nullptr) {
        m_browser->RefreshTexts();
    }
}

void CMonitorDlg::RefreshMap() {
    ShowSelectedOnMap(m_bFeedBusy);
}

void CMonitorDlg::OnRowRevised(int row) {
    if (m_pQuakeMap != nullptr) {
        m_pQuakeMap->RowRevised(row);
    }
    // A round holds back the user's selections, not a revision of the quake the map shows.
    if (row == GetFirstSelectedItem()) {
        ShowSelectedOnMap(false);
    }
}

void CMonitorDlg::ShowSelectedOnMap(bool feedBusy) {
    const auto* box = qobject_cast<const QAbstractButton*>(GetDlgItem(kIdShowMap));
    const bool showMap = box != nullptr && box->isChecked();
    std::optional<MapCoordinates> selected;
    const int item = GetFirstSelectedItem();
    if (item >= 0) {
        selected = MapCoordinates{GetItemText(item, 4), GetItemText(item, 5)};
    }
    UpdateData(true);
    if (m_browser != nullptr) {
        m_mapView.RefreshMap(*m_browser, showMap, selected, feedBusy, m_nMapKind);
        // The bands follow the marker: the selected quake, whenever the map may follow the selection.
        if (m_pQuakeMap != nullptr && showMap && selected && !feedBusy) {
            m_pQuakeMap->ShowShaking(item, SequenceZoneOf(EventOfRow(*m_listEvents, item).eventId));
        }
    }
}

}  // namespace dravik
