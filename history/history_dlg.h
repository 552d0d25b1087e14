#pragma once

#include <QDialog>
#include <QList>
#include <QPixmap>
#include <QString>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "history/history_chart.h"
#include "history/history_list_model.h"
#include "history/history_loader.h"
#include "history/history_query.h"
#include "history/region_list_model.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QTableView;

namespace dravik {

class CChartFrame;
class CHistoryListModel;
struct DialogControl;

// The archive window: a date range and a region pick the stored events, listed newest first and drawn as a
// chart of magnitude, energy or the expected shaking at the user's places, as bars or joined points. A shaking
// level narrows them to the quakes that could have been felt at one of the places (none set: not offered). Built when
// constructed and filled by reads on threads of their own, each with its own connection, which come back as queued
// calls; meanwhile the title says that it is loading. Run it with exec(). Closing or destroying it gives up a read
// still running. It keeps nothing of its state between openings.
class CHistoryDlg final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CHistoryDlg)

public:
    // The numbered interface texts; the window asks for 1 to 6, its column headers, once when it opens.
    using UiTextSource = std::function<std::string(int number)>;

    struct Options {
        UiTextSource uiText;               // empty: the Polish headers
        std::function<std::time_t()> now;  // empty: the clock
        std::string databasePath;          // empty: "dravik.dat" in the data directory
        QWidget* parent = nullptr;
        // How the list shows dates and times; the query and the chart keep the archive's form.
        TimeDisplay timeDisplay = TimeDisplay::Classic;
        // The user's places, read once when the window opens; empty: AllPlaces(LoadAlertSettings()).
        std::function<std::vector<Place>()> places = {};
    };

    CHistoryDlg();
    explicit CHistoryDlg(UiTextSource uiText);
    explicit CHistoryDlg(Options options);
    ~CHistoryDlg() override;

    // Reads the range and region from the controls, empties the list and starts its refill, which replaces any
    // refill still under way; the chart follows the list, emptied now and filled when the rows come.
    void RefreshList();
    // Whether a read started by the window has not come back yet.
    bool IsLoading() const;
    // Redraws the chart from the list and the controls.
    void DrawChart();
    // The chart the frame would show now (the controls are read first).
    ChartGeometry CurrentChart();

    const std::vector<HistoryRow>& ListedRows() const;
    // The first selected row in list order, or -1.
    int SelectedItem() const;

    // Gives up the reads under way before the window closes.
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnInitDialog();
    // true: controls to members; false: members to controls.
    void DoDataExchange(bool saveAndValidate);
    QWidget* CreateControl(const DialogControl& control, QWidget* parent);
    void ConnectHandlers();
    void FillRegions();
    void SetUpShakingControls();
    void OnRegionsLoaded(std::uint64_t generation, ArchiveFault fault, CRegionListModel::Entries entries);
    void OnRowsLoaded(std::uint64_t generation, RowListing listing);
    // Gives up the reads under way; results still on their way are dropped.
    void StopLoading();
    // The title and cursor for the reads under way, or for how the last listing ended.
    void ShowLoadState();
    std::string RegionEntry(int index) const;

    void OnShowClicked();
    void OnFilterChanged();
    void OnDateChanged();
    void OnEventSelected();
    void OnEventDoubleClicked();

    Options m_options;
    QList<QPixmap> m_imageList;
    QWidget* m_btnClose = nullptr;
    QComboBox* m_comboRegion = nullptr;
    QComboBox* m_comboShaking = nullptr;
    QTableView* m_listEvents = nullptr;
    CHistoryListModel* m_model = nullptr;
    CRegionListModel* m_regionModel = nullptr;
    CChartFrame* m_chart = nullptr;
    QLabel* m_loadingNote = nullptr;
    QDateEdit* m_pickFrom = nullptr;
    QDateEdit* m_pickTo = nullptr;
    CalendarDate m_timeFrom;
    CalendarDate m_timeTo;
    int m_nValueKind = kValueMagnitude;
    int m_nChartStyle = kStyleBars;
    // The shaking filter's level, 2..12; 0: off.
    int m_nShakingLevel = 0;
    std::vector<Place> m_places;

    std::string m_strDatabasePath;
    std::string m_strLang;
    QString m_strTitle;
    // Every read gets the next number; a result counts only while its number is the one awaited (0: none).
    std::uint64_t m_nGeneration = 0;
    std::uint64_t m_nRegionsAwaited = 0;
    std::uint64_t m_nRowsAwaited = 0;
    ArchiveFault m_rowsFault = ArchiveFault::kNone;
    bool m_bRegionsListed = false;
    // Last, so that their threads are joined before anything else of the window goes.
    CHistoryLoader m_regionLoader;
    CHistoryLoader m_rowLoader;
};

}  // namespace dravik
