// The main window's headline: the band above the list that names the most important quake of the last day,
// the arrival that takes it (the selection and the map follow), and the "significant only" box over the rows.
#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>
#include <utility>

#include "alerts/headline.h"
#include "app/headline_texts.h"
#include "app/settings_key.h"
#include "app/settings_value.h"
#include "mainwindow/event_list.h"
#include "mainwindow/event_list_model.h"
#include "mainwindow/event_list_view.h"
#include "mainwindow/event_marks_delegate.h"
#include "mainwindow/headline_band.h"
#include "mainwindow/monitor_dlg.h"

namespace dravik {
namespace {

// Silent unless asked for (QT_LOGGING_RULES="dravik.headline.info=true"): which quake took the band, when.
Q_LOGGING_CATEGORY(lcHeadline, "dravik.headline", QtWarningMsg)

constexpr const char* kSignificantSetting = "list/significantOnly";
// The day's window moves on while nothing arrives: the band looks again this often.
constexpr int kHeadlineAgeCheckMs = 60 * 1000;
// A flood of pushed quakes comes a row a round: the band looks at most this often, not once a row.
constexpr int kHeadlineSettleMs = 100;

// Tells of the user's own choices in the list: a click or a key that moves the selection.
class CUserChoiceWatch final : public QObject {
public:
    CUserChoiceWatch(QObject* parent, std::function<void()> chose) : QObject(parent), m_chose(std::move(chose)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress) {
            m_chose();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_chose;
};

}  // namespace

void CMonitorDlg::BuildListArea() {
    if (m_listEvents == nullptr) {
        return;
    }
    QWidget* before = m_listEvents->previousInFocusChain();
    // One area where the list stood, which the resizer moves as it moved the list; the band and the box take
    // its top, the list the rest.
    auto* area = new QWidget(this);
    area->setObjectName(QString::fromLatin1(kListAreaName));
    area->setGeometry(m_listEvents->geometry());
    auto* column = new QVBoxLayout(area);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    auto* top = new QHBoxLayout();
    top->setContentsMargins(0, 0, 0, 0);
    m_headline = new CHeadlineBand(area);
    m_significantBox = new QCheckBox(area);
    top->addWidget(m_headline, 1);
    top->addWidget(m_significantBox, 0, Qt::AlignRight);
    column->addLayout(top);
    column->addWidget(m_listEvents, 1);
    // Read in the window's order: what comes before the list, the band, the box, the list.
    if (before != nullptr && before != m_listEvents) {
        setTabOrder(before, m_headline);
    }
    setTabOrder(m_headline, m_significantBox);
    setTabOrder(m_significantBox, m_listEvents);
    m_listEvents->setItemDelegateForColumn(kColumnRegion, new CEventMarksDelegate(m_listEvents));

    connect(m_headline, &QAbstractButton::clicked, this, [this] { OnHeadlineClicked(); });
    connect(m_significantBox, &QAbstractButton::clicked, this, [this] { OnSignificantClicked(); });
    const CEventListModel* model = &m_listEvents->Model();
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] { ScheduleHeadline(); });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { ScheduleHeadline(); });
    connect(model, &QAbstractItemModel::dataChanged, this, [this] { ScheduleHeadline(); });
    connect(model, &QAbstractItemModel::layoutChanged, this, [this] { ScheduleHeadline(); });
    connect(model, &QAbstractItemModel::modelReset, this, [this] { ScheduleHeadline(); });
    auto* watch = new CUserChoiceWatch(this, [this] {
        if (!m_bSelectingForHeadline) {
            m_lastUserChoiceMs = m_services.nowUtcMs();
        }
    });
    m_listEvents->installEventFilter(watch);
    m_listEvents->viewport()->installEventFilter(watch);
    auto* ageTimer = new QTimer(this);
    connect(ageTimer, &QTimer::timeout, this, [this] { ScheduleHeadline(); });
    ageTimer->start(kHeadlineAgeCheckMs);
}

void CMonitorDlg::ScheduleHeadline() {
    if (m_bHeadlinePending) {
        return;
    }
    m_bHeadlinePending = true;
    // Once the batch of changes in progress is through: one look for a round's many rows.
    QTimer::singleShot(kHeadlineSettleMs, this, [this] { RefreshHeadline(); });
}

void CMonitorDlg::RefreshHeadline() {
    m_bHeadlinePending = false;
    if (m_listEvents == nullptr || m_headline == nullptr) {
        return;
    }
    const CEventListModel& model = m_listEvents->Model();
    const std::int64_t now = m_services.nowUtcMs() + m_clockOffsetMs.load();
    const bool significantOnly = m_significantBox != nullptr && m_significantBox->isChecked();
    std::vector<HeadlineCandidate> candidates;
    std::vector<int> rows;
    for (int row = 0; row < model.RowCount(); ++row) {
        const EventListRow& r = model.Row(row);
        const bool recent = r.hasNumbers && r.originUtcMs >= now - kHeadlineWindowMs;
        if (!recent && !significantOnly) {
            continue;
        }
        HeadlineCandidate quake = CandidateOf(r);
        if (significantOnly) {
            const bool hide = !IsSignificant(quake);
            if (m_listEvents->isRowHidden(row) != hide) {
                m_listEvents->setRowHidden(row, hide);
            }
        }
        if (recent) {
            candidates.push_back(std::move(quake));
            rows.push_back(row);
        }
    }
    const std::optional<std::size_t> chosen = ChooseHeadline(candidates, m_strHeadlinePinned, now);
    if (!chosen) {
        m_headline->ShowHeadline(QString(), std::string(), 0, QString());
        return;
    }
    const QuakeEvent event = EventOfRow(*m_listEvents, rows[*chosen]);
    const AlertSettings settings = CurrentAlertSettings();
    const AlertDecision decision = DecideAlert(event, settings, 0);
    const std::string lang = UiLanguage();
    const HeadlineCandidate& quake = candidates[*chosen];
    if (event.eventId != m_headline->EventId()) {
        qCInfo(lcHeadline, "headline %s", event.eventId.c_str());
    }
    m_headline->ShowHeadline(
        QString::fromStdString(HeadlineText(lang, event, settings, decision, quake.tsunamiMessage)), event.eventId,
        LevelAtPlaces(quake), QString::fromStdString(HeadlineDescription(lang)));
}

void CMonitorDlg::TakeHeadline(const std::vector<QuakeEvent>& arrivals, const AlertSettings& settings) {
    if (m_listEvents == nullptr || m_headline == nullptr || m_bEnded) {
        return;
    }
    const CEventListModel& model = m_listEvents->Model();
    const int minute = LocalMinuteOfDay(m_services.clock());
    std::optional<HeadlineCandidate> best;
    for (const QuakeEvent& event : arrivals) {
        const AlertDecision decision = DecideAlert(event, settings, minute);
        const EventNumbers numbers = NumbersOf(event);
        const bool wakes = numbers.hasMagnitude && numbers.magnitude >= settings.wakeMagnitude;
        if (!decision.nearRule && !decision.shakingRule && !wakes) {
            continue;
        }
        const int row = FindEventRow(*m_listEvents, event.eventId);
        if (row < 0) {
            continue;
        }
        HeadlineCandidate quake = CandidateOf(model.Row(row));
        if (!best || RanksAbove(quake, *best)) {
            best = std::move(quake);
        }
    }
    if (!best) {
        return;
    }
    std::optional<HeadlineCandidate> shown;
    if (const int row = m_headline->EventId().empty() ? -1 : FindEventRow(*m_listEvents, m_headline->EventId());
        row >= 0) {
        shown = CandidateOf(model.Row(row));
    }
    if (!TakesHeadline(*best, shown ? &*shown : nullptr)) {
        return;
    }
    m_strHeadlinePinned = best->eventId;
    RefreshHeadline();
    if (SelectionFollows(m_lastUserChoiceMs, m_services.nowUtcMs())) {
        SelectRowOf(best->eventId);
    }
}

void CMonitorDlg::SelectRowOf(const std::string& eventId) {
    const int row = eventId.empty() ? -1 : FindEventRow(*m_listEvents, eventId);
    if (row < 0) {
        return;
    }
    // A row the filter hides is shown for it: the headline's quake is never out of reach.
    m_listEvents->setRowHidden(row, false);
    m_bSelectingForHeadline = true;
    const bool already = GetFirstSelectedItem() == row;
    m_listEvents->selectRow(row);
    m_listEvents->ScrollToRow(row);
    // Selecting moves the map; once more for a row that was selected already.
    if (already) {
        RefreshMap();
    }
    m_bSelectingForHeadline = false;
}

void CMonitorDlg::OnHeadlineClicked() {
    m_lastUserChoiceMs = m_services.nowUtcMs();
    SelectRowOf(m_headline->EventId());
}

void CMonitorDlg::OnSignificantClicked() {
    const bool on = m_significantBox->isChecked();
    WriteSettingsText(kSignificantSetting, on ? "1" : "0");
    if (!on) {
        for (int row = 0; row < m_listEvents->rowCount(); ++row) {
            if (m_listEvents->isRowHidden(row)) {
                m_listEvents->setRowHidden(row, false);
            }
        }
    }
    RefreshHeadline();
}

void CMonitorDlg::RetranslateListArea() {
    if (m_significantBox == nullptr) {
        return;
    }
    m_significantBox->setText(QString::fromStdString(SignificantOnlyText(UiLanguage())));
    m_significantBox->setChecked(ReadSettingsText(kSignificantSetting).value_or("0") == "1");
}

}  // namespace dravik
