#pragma once

#include <QDialog>
#include <QList>
#include <QPixmap>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "history/history_chart.h"
#include "history/history_list_model.h"
#include "history/history_query.h"

class QComboBox;
class QDateEdit;
class QTableView;

namespace dravik {

class CChartFrame;
class CHistoryListModel;
struct DialogControl;

// The archive window: a date range and a region pick the stored events, listed newest first and drawn as a
// chart of magnitude or energy, as bars or joined points. Built and filled when constructed; run it with
// exec(). It keeps no database connection between operations and nothing of its state between openings.
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
    };

    CHistoryDlg();
    explicit CHistoryDlg(UiTextSource uiText);
    explicit CHistoryDlg(Options options);
    ~CHistoryDlg() override;

    // Reads the range and region from the controls and fills the list anew; leaves the chart as it is.
    void RefreshList();
    // Redraws the chart from the list and the controls.
    void DrawChart();
    // The chart the frame would show now (the controls are read first).
    ChartGeometry CurrentChart();

    const std::vector<HistoryRow>& ListedRows() const;
    // The first selected row in list order, or -1.
    int SelectedItem() const;

private:
    void OnInitDialog();
    // true: controls to members; false: members to controls.
    void DoDataExchange(bool saveAndValidate);
    QWidget* CreateControl(const DialogControl& control, QWidget* parent);
    void ConnectHandlers();
    void FillRegions();
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
    QTableView* m_listEvents = nullptr;
    CHistoryListModel* m_model = nullptr;
    CChartFrame* m_chart = nullptr;
    QDateEdit* m_pickFrom = nullptr;
    QDateEdit* m_pickTo = nullptr;
    CalendarDate m_timeFrom;
    CalendarDate m_timeTo;
    int m_nValueKind = kValueMagnitude;
    int m_nChartStyle = kStyleBars;
};

}  // namespace dravik
