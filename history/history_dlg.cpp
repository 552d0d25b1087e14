#include "history/history_dlg.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QLocale>
#include <QProxyStyle>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <utility>

#include "app/alert_settings_key.h"
#include "app/settings_key.h"
#include "app/ui_texts.h"
#include "app/window_placement.h"
#include "controls/sheen_button.h"
#include "history/chart_frame.h"
#include "history/history_list_model.h"
#include "history/history_template.h"
#include "history/shaking_filter.h"
#include "history/text_fit.h"
#include "platform/environment.h"
#include "platform/qt/dialog_builder.h"
#include "platform/qt/dialog_resizer.h"
#include "resources/resource_images.h"
#include "resources/resource_tables.h"
#include "resources/translations.h"
#include "shaking/intensity.h"
#include "store/quake_database.h"

namespace dravik {

namespace {

constexpr int kIdShow = 1002;
constexpr int kIdValueMagnitude = 1007;
constexpr int kIdValueEnergy = 1008;
constexpr int kIdDateFrom = 1010;
constexpr int kIdDateTo = 1011;
constexpr int kIdList = 1012;
constexpr int kIdChart = 1013;
constexpr int kIdRegion = 1014;
constexpr int kIdStyleBars = 1016;
constexpr int kIdStyleJoined = 1017;

const char* const kShakingFilterText = QT_TRANSLATE_NOOP("History", "Odczuwalne u mnie od");
const char* const kShakingValueText = QT_TRANSLATE_NOOP("History", "Intensywność u mnie");
const char* const kShakingFilterTip = QT_TRANSLATE_NOOP(
    "History",
    "Tylko wstrząsy, których oczekiwana intensywność w skali Mercallego sięga tego stopnia w domu lub "
    "w którymś z innych miejsc");
const char* const kNoPlacesTip =
    QT_TRANSLATE_NOOP("History", "Najpierw ustaw dom lub inne miejsca w ustawieniach programu");
// The value axis's titles. The energy is the chart's own measure (3 at magnitude 1, doubling with each unit),
// not joules, and says so.
const char* const kMagnitudeTitle = QT_TRANSLATE_NOOP("History", "Magnituda");
const char* const kEnergyTitle = QT_TRANSLATE_NOOP("History", "Energia względna (M1 = 3, ×2 na stopień)");
const char* const kShakingTitle = QT_TRANSLATE_NOOP("History", "Intensywność (skala Mercallego)");
// The level list's first entry: the filter is off.
const char* const kShakingOff = "—";

// Grown, the list and the chart share the new height; the frame follows the window and the rows of radio
// buttons and the close button keep to the bottom edge.
constexpr double kListHeightShare = 0.5;

GrowthShare HistoryShare(QWidget* control) {
    switch (ControlId(control)) {
        case kIdList:
            return {0, 0, 1, kListHeightShare};
        case kIdChart:
            return {0, kListHeightShare, 1, 1};
        case kIdShow:
            return {1, kListHeightShare, 1, kListHeightShare};
        case kIdRegion:
        case kIdShakingLabel:
            return kStretchTop;
        case kIdShakingLevel:
            return {1, 0, 1, 0};
        case kIdDateFrom:
        case kIdDateTo:
            return kKeepTopLeft;
        case kIdCancel:
            return kKeepBottomRight;
        case kNoControlId:
            // The labels of the date range stay; the etched frame surrounds the growing area.
            return qobject_cast<QLabel*>(control) != nullptr ? kKeepTopLeft : GrowthShare{0, 0, 1, 1};
        default:
            return kKeepBottomLeft;
    }
}

constexpr int kColumnWidths[CHistoryListModel::kColumns] = {45, 180, 70, 55, 52, 52};

// The list's headers in the window's language (Polish for a language the program does not know).
std::string HeaderIn(const std::string& lang, int number) {
    return number >= 1 && number <= 6 ? UiTextFor(IsKnownLanguage(lang) ? lang : kLangPolish, number) : std::string();
}

QDate ToQDate(const CalendarDate& date) {
    return QDate(date.year, date.month, date.day);
}
CalendarDate FromQDate(const QDate& date) {
    return {date.year(), date.month(), date.day()};
}

// One date style in every window and language, which no reader takes for another: 2026-12-08, as the main list
// writes it (a British 06/12/2026 reads as 12 June to an American). The calendar speaks the window's language.
QLocale LanguageLocale(const std::string& lang) {
    if (lang == "EN") {
        return QLocale(QLocale::English, QLocale::UnitedKingdom);
    }
    if (lang == "DE") {
        return QLocale(QLocale::German, QLocale::Germany);
    }
    return QLocale(QLocale::Polish, QLocale::Poland);
}

const char* const kIsoDate = "yyyy-MM-dd";

void ShowDatesIn(QDateEdit* picker, const QLocale& locale) {
    picker->setLocale(locale);
    picker->setDisplayFormat(QString::fromLatin1(kIsoDate));
}

// The list gives the chart part of its height, so that the chart is not a strip under a long list.
constexpr int kChartGain = 60;  // dialog units

DialogTemplate WithTallerChart(DialogTemplate tmpl) {
    for (DialogControl& c : tmpl.controls) {
        if (c.id == kIdList) {
            c.h -= kChartGain;
        } else if (c.id == kIdChart) {
            c.y -= kChartGain;
            c.h += kChartGain;
        }
    }
    return tmpl;
}

// What the title says after a failed read: a lock or a damaged file is worth telling; a missing table (a new
// archive) or an abandoned read is not.
bool ToldInTitle(ArchiveFault fault) {
    return fault == ArchiveFault::kLocked || fault == ArchiveFault::kDamaged;
}

// The region list drops down below its box rather than over it: placed over the box, Qt measures every entry
// each time the list opens.
class CDropBelowStyle final : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        return hint == SH_ComboBox_Popup ? 0 : QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QTableView* MakeEventList(CHistoryListModel* model, QWidget* parent) {
    auto* list = new QTableView(parent);
    list->setModel(model);
    list->setShowGrid(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSortingEnabled(false);
    list->setWordWrap(false);
    list->setCornerButtonEnabled(false);
    list->setTabKeyNavigation(false);
    list->setIconSize(QSize(16, 16));
    list->verticalHeader()->hide();
    // Uniform rows keep a list of a whole year's events quick to fill and scroll.
    list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list->verticalHeader()->setDefaultSectionSize(std::max(18, list->fontMetrics().height() + 4));
    list->horizontalHeader()->setSectionsMovable(false);
    list->horizontalHeader()->setStretchLastSection(false);
    list->horizontalHeader()->setHighlightSections(false);
    list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The selection is not shown while the list lacks the focus.
    QPalette palette = list->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Inactive, QPalette::Base));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText, palette.color(QPalette::Inactive, QPalette::Text));
    list->setPalette(palette);
    return list;
}

}  // namespace

CHistoryDlg::CHistoryDlg() : CHistoryDlg(Options{}) {}

CHistoryDlg::CHistoryDlg(UiTextSource uiText) : CHistoryDlg(Options{std::move(uiText), {}, {}, nullptr}) {}

CHistoryDlg::CHistoryDlg(Options options) : QDialog(options.parent), m_options(std::move(options)) {
    m_model = new CHistoryListModel(this);
    OnInitDialog();
}

CHistoryDlg::~CHistoryDlg() {
    StopLoading();
}

void CHistoryDlg::done(int result) {
    // A read waiting on a lock must not hold the close (nor the exec() of the window's opener).
    StopLoading();
    ShowLoadState();
    QDialog::done(result);
}

QWidget* CHistoryDlg::CreateControl(const DialogControl& control, QWidget* parent) {
    switch (control.id) {
        case kIdCancel:
            return new CSheenButton(QString::fromStdString(control.text), parent);
        case kIdList:
            return MakeEventList(m_model, parent);
        case kIdChart:
            return new CChartFrame(parent);
        default:
            return nullptr;
    }
}

void CHistoryDlg::OnInitDialog() {
    m_strLang = UiLanguage();
    const DialogTemplate* tmpl = FindDialogTemplate(kDialogHistory, m_strLang);
    if (tmpl != nullptr) {
        const DialogTemplate extended =
            WithTallerChart(WithShakingControls(*tmpl, Translate(m_strLang, "History", kShakingFilterText),
                                                Translate(m_strLang, "History", kShakingValueText)));
        BuildDialog(this, extended,
                    [this](const DialogControl& control, QWidget* parent) { return CreateControl(control, parent); });
        // The close button keeps its template place; the level's label fills its row to its box, right-aligned.
        FitTexts(this, {kIdCancel, kIdShakingLabel});
        setWindowFlag(Qt::WindowMaximizeButtonHint, true);
        new CDialogResizer(this, HistoryShare);
        RememberWindowPlacement(this, "history");
    }
    m_strTitle = windowTitle();
    m_strDatabasePath = m_options.databasePath.empty() ? DataFilePath(kDatabaseFileName) : m_options.databasePath;
    m_btnClose = FindControl(this, kIdCancel);
    m_comboRegion = qobject_cast<QComboBox*>(FindControl(this, kIdRegion));
    m_listEvents = qobject_cast<QTableView*>(FindControl(this, kIdList));
    m_chart = qobject_cast<CChartFrame*>(FindControl(this, kIdChart));
    m_pickFrom = qobject_cast<QDateEdit*>(FindControl(this, kIdDateFrom));
    m_pickTo = qobject_cast<QDateEdit*>(FindControl(this, kIdDateTo));
    m_comboShaking = qobject_cast<QComboBox*>(FindControl(this, kIdShakingLevel));
    if (m_comboRegion == nullptr || m_listEvents == nullptr || m_chart == nullptr || m_pickFrom == nullptr ||
        m_pickTo == nullptr || m_comboShaking == nullptr) {
        return;  // a broken template leaves an empty window rather than a crash
    }

    // Column headers follow the interface language, looked up once.
    const UiTextSource& text = m_options.uiText
                                   ? m_options.uiText
                                   : UiTextSource([lang = m_strLang](int number) { return HeaderIn(lang, number); });
    QStringList headers;
    for (int number = 1; number <= CHistoryListModel::kColumns; ++number) {
        headers << QString::fromStdString(text(number));
    }
    m_model->SetHeaders(headers);
    for (int column = 0; column < CHistoryListModel::kColumns; ++column) {
        m_listEvents->setColumnWidth(column, ScaledColumnWidth(font(), kColumnWidths[column]));
    }
    // A header in another language or another time display may be longer than its design width.
    for (int column = 0; column < CHistoryListModel::kColumns; ++column) {
        const int needed = m_listEvents->horizontalHeader()->fontMetrics().horizontalAdvance(headers[column]) + 16;
        m_listEvents->setColumnWidth(column, std::max(m_listEvents->columnWidth(column), needed));
    }
    // The region's texts are the long ones: its column takes whatever width the window gains.
    m_listEvents->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    const QLocale dates = LanguageLocale(m_strLang);
    ShowDatesIn(m_pickFrom, dates);
    ShowDatesIn(m_pickTo, dates);

    // Said where the rows will come, not only in the title, which a window manager may cut short.
    m_loadingNote = new QLabel(QString::fromStdString(HistoryLoadingText(m_strLang)), m_listEvents->viewport());
    m_loadingNote->setAlignment(Qt::AlignCenter);
    m_loadingNote->setTextFormat(Qt::PlainText);
    auto* noteLayout = new QVBoxLayout(m_listEvents->viewport());
    noteLayout->addWidget(m_loadingNote);
    m_loadingNote->hide();

    m_imageList = QuakeMarkPixmaps();
    m_model->SetImages(m_imageList);
    m_model->SetTimeDisplay(m_options.timeDisplay);
    m_model->SetLanguage(m_strLang);

    // Until the regions come, the one entry for all of them; the opening's range asks for no other.
    m_regionModel =
        new CRegionListModel(QString::fromStdString(Translate(m_strLang, "History", kAllRegions)), m_comboRegion);
    m_comboRegion->setModel(m_regionModel);
    // Neither the box's width nor the dropped list's layout may measure every entry: there can be most of a
    // million. The template gives the box its size.
    m_comboRegion->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    if (auto* view = qobject_cast<QListView*>(m_comboRegion->view())) {
        view->setUniformItemSizes(true);
    }
    auto* style = new CDropBelowStyle;
    style->setParent(m_comboRegion);
    m_comboRegion->setStyle(style);
    m_comboRegion->setCurrentIndex(0);
    FillRegions();
    SetUpShakingControls();

    const std::time_t now = m_options.now ? m_options.now() : std::time(nullptr);
    std::tie(m_timeFrom, m_timeTo) = DefaultHistoryRange(now);
    DoDataExchange(false);

    RefreshList();
    m_chart->SetChartSource([this](const ChartRect& /*frame*/) { return CurrentChart(); });
    ConnectHandlers();
}

void CHistoryDlg::FillRegions() {
    const std::uint64_t generation = ++m_nGeneration;
    m_nRegionsAwaited = generation;
    m_regionLoader.Start([this, path = m_strDatabasePath, generation](const std::atomic<bool>* stop) {
        RegionListing listing = LoadRegions(path, stop);
        // The texts are made here, not on the UI thread, which only takes the finished entries.
        CRegionListModel::Entries entries = CRegionListModel::Prepare(std::move(listing.regions));
        QMetaObject::invokeMethod(
            this,
            [this, generation, fault = listing.fault, entries = std::move(entries)]() mutable {
                OnRegionsLoaded(generation, fault, std::move(entries));
            },
            Qt::QueuedConnection);
    });
    ShowLoadState();
}

void CHistoryDlg::SetUpShakingControls() {
    m_places = PlacesOnTheGlobe(m_options.places ? m_options.places() : AllPlaces(LoadAlertSettings()));
    m_comboShaking->addItem(QString::fromUtf8(kShakingOff));
    for (int level = kMinIntensity + 1; level <= kMaxIntensity; ++level) {
        m_comboShaking->addItem(QString::fromStdString(RomanNumeral(level)));
    }
    m_comboShaking->setCurrentIndex(0);
    auto* label = qobject_cast<QLabel*>(FindControl(this, kIdShakingLabel));
    if (label != nullptr) {
        // Its row reaches from the left edge to the list, so the text of any language ends beside the list.
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setBuddy(m_comboShaking);
    }
    QWidget* value = FindControl(this, kIdValueShaking);
    const bool offered = !m_places.empty();
    const QString tip =
        QString::fromStdString(Translate(m_strLang, "History", offered ? kShakingFilterTip : kNoPlacesTip));
    for (QWidget* control : {static_cast<QWidget*>(m_comboShaking), static_cast<QWidget*>(label), value}) {
        if (control != nullptr) {
            control->setEnabled(offered);
            control->setToolTip(tip);
        }
    }
    if (value != nullptr && offered) {
        value->setToolTip(QString());
    }
}

void CHistoryDlg::OnRegionsLoaded(std::uint64_t generation, ArchiveFault fault, CRegionListModel::Entries entries) {
    if (generation != m_nRegionsAwaited) {
        return;
    }
    m_nRegionsAwaited = 0;
    m_bRegionsListed = fault == ArchiveFault::kNone;
    if (!m_bRegionsListed) {
        ShowLoadState();
        return;
    }
    m_regionModel->SetEntries(std::move(entries));
    m_comboRegion->setCurrentIndex(0);
    ShowLoadState();
}

void CHistoryDlg::OnRowsLoaded(std::uint64_t generation, RowListing listing) {
    if (generation != m_nRowsAwaited) {
        return;
    }
    m_nRowsAwaited = 0;
    m_rowsFault = listing.fault;
    m_listEvents->setUpdatesEnabled(false);
    m_model->SetRows(std::move(listing.rows));
    m_listEvents->setUpdatesEnabled(true);
    DrawChart();
    ShowLoadState();
}

void CHistoryDlg::StopLoading() {
    m_nRegionsAwaited = 0;
    m_nRowsAwaited = 0;
    m_regionLoader.Stop();
    m_rowLoader.Stop();
}

bool CHistoryDlg::IsLoading() const {
    return m_nRegionsAwaited != 0 || m_nRowsAwaited != 0;
}

void CHistoryDlg::ShowLoadState() {
    std::string note;
    if (m_loadingNote != nullptr) {
        m_loadingNote->setVisible(IsLoading());
    }
    if (IsLoading()) {
        note = HistoryLoadingText(m_strLang);
        setCursor(Qt::BusyCursor);
    } else {
        note = ToldInTitle(m_rowsFault) ? ArchiveProblemText(m_strLang, m_rowsFault) : std::string();
        unsetCursor();
    }
    QString title = m_strTitle;
    if (!note.empty()) {
        title += (title.isEmpty() ? "" : " - ") + QString::fromStdString(note);
    }
    setWindowTitle(title);
}

std::string CHistoryDlg::RegionEntry(int index) const {
    return m_regionModel->RegionAt(index);
}

void CHistoryDlg::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        m_timeFrom = FromQDate(m_pickFrom->date());
        m_timeTo = FromQDate(m_pickTo->date());
        m_nValueKind = CheckedRadioIndex(this, kIdValueMagnitude);
        m_nChartStyle = CheckedRadioIndex(this, kIdStyleBars);
        const int index = m_comboShaking->currentIndex();
        m_nShakingLevel = index > 0 ? kMinIntensity + index : 0;
        return;
    }
    const QSignalBlocker blockFrom(m_pickFrom);
    const QSignalBlocker blockTo(m_pickTo);
    m_pickFrom->setDate(ToQDate(m_timeFrom));
    m_pickTo->setDate(ToQDate(m_timeTo));
    SetCheckedRadioIndex(this, kIdValueMagnitude, m_nValueKind);
    SetCheckedRadioIndex(this, kIdStyleBars, m_nChartStyle);
}

void CHistoryDlg::ConnectHandlers() {
    if (auto* show = qobject_cast<QAbstractButton*>(FindControl(this, kIdShow))) {
        connect(show, &QAbstractButton::clicked, this, [this] { OnShowClicked(); });
    }
    connect(m_comboRegion, &QComboBox::activated, this, [this] { OnFilterChanged(); });
    connect(m_comboShaking, &QComboBox::activated, this, [this] { OnFilterChanged(); });
    for (int id : {kIdValueMagnitude, kIdValueEnergy, kIdValueShaking, kIdStyleBars, kIdStyleJoined}) {
        if (auto* radio = qobject_cast<QAbstractButton*>(FindControl(this, id))) {
            connect(radio, &QAbstractButton::clicked, this, [this] { OnFilterChanged(); });
        }
    }
    connect(m_pickFrom, &QDateEdit::dateChanged, this, [this] { OnDateChanged(); });
    connect(m_pickTo, &QDateEdit::dateChanged, this, [this] { OnDateChanged(); });
    connect(m_listEvents->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { OnEventSelected(); });
    connect(m_listEvents, &QAbstractItemView::doubleClicked, this, [this] { OnEventDoubleClicked(); });
}

void CHistoryDlg::RefreshList() {
    if (m_listEvents == nullptr) {
        return;
    }
    const std::string region = RegionEntry(m_comboRegion->currentIndex());
    m_model->SetRows({});
    DoDataExchange(true);
    // Regions that could not be read (a locked archive) are asked for again with the rows.
    if (!m_bRegionsListed && m_nRegionsAwaited == 0) {
        FillRegions();
    }

    // The emptied list and the new controls show at once; the rows follow when they come.
    DrawChart();

    const std::uint64_t generation = ++m_nGeneration;
    m_nRowsAwaited = generation;
    m_rowsFault = ArchiveFault::kNone;
    // The shaking is worked out only where the filter or the chart asks for it: the classic listing reads as
    // it always did.
    const bool shaking = !m_places.empty() && (m_nShakingLevel > 0 || m_nValueKind == kValueShaking);
    ShakingQuery query{m_timeFrom, m_timeTo, region, m_places.empty() ? 0 : m_nShakingLevel, m_places};
    std::string sql = shaking ? std::string() : HistoryStatement(m_timeFrom, m_timeTo, region);
    std::string felt = FeltStatement(m_timeFrom, m_timeTo, region);
    m_rowLoader.Start([this, path = m_strDatabasePath, sql = std::move(sql), felt = std::move(felt), shaking,
                       query = std::move(query), generation](const std::atomic<bool>* stop) {
        // Even a read given up is posted: the window drops whatever it no longer awaits.
        RowListing listing = shaking ? LoadShakingRows(path, query, stop) : LoadHistoryRows(path, sql, stop, felt);
        QMetaObject::invokeMethod(
            this,
            [this, generation, listing = std::move(listing)]() mutable {
                OnRowsLoaded(generation, std::move(listing));
            },
            Qt::QueuedConnection);
    });
    ShowLoadState();
}

void CHistoryDlg::DrawChart() {
    if (m_chart != nullptr) {
        m_chart->update();
    }
}

ChartGeometry CHistoryDlg::CurrentChart() {
    if (m_chart == nullptr) {
        return {};
    }
    DoDataExchange(true);
    ChartInput input;
    input.frame = {0, 0, m_chart->width(), m_chart->height()};
    input.from = m_timeFrom;
    input.to = m_timeTo;
    input.valueKind = m_nValueKind;
    input.chartStyle = m_nChartStyle;
    input.selected = SelectedItem();
    input.lang = m_strLang;
    const char* const titles[] = {kMagnitudeTitle, kEnergyTitle, kShakingTitle};
    if (m_nValueKind >= 0 && m_nValueKind <= 2) {
        input.valueTitle = Translate(m_strLang, "History", titles[m_nValueKind]);
    }
    const QFontMetrics metrics = m_chart->fontMetrics();
    input.textHeight = metrics.height();
    input.textWidth = [metrics](const std::string& text) {
        return metrics.horizontalAdvance(QString::fromStdString(text));
    };
    const std::vector<HistoryRow>& listed = m_model->Rows();
    std::vector<ChartRow> rows;
    rows.reserve(listed.size());
    for (const HistoryRow& row : listed) {
        rows.push_back({row.mag, row.data1, row.data2, row.shaking});
    }
    return ComputeChart(input, rows);
}

const std::vector<HistoryRow>& CHistoryDlg::ListedRows() const {
    return m_model->Rows();
}

int CHistoryDlg::SelectedItem() const {
    if (m_listEvents == nullptr || m_listEvents->selectionModel() == nullptr) {
        return -1;
    }
    int first = -1;
    for (const QItemSelectionRange& range : m_listEvents->selectionModel()->selection()) {
        if (first < 0 || range.top() < first) {
            first = range.top();
        }
    }
    return first;
}

void CHistoryDlg::OnShowClicked() {
    RefreshList();
}

void CHistoryDlg::OnFilterChanged() {
    RefreshList();
}

void CHistoryDlg::OnDateChanged() {
    RefreshList();
}

void CHistoryDlg::OnEventSelected() {
    DrawChart();
}

void CHistoryDlg::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    // Enter presses a focused button (the button's own handling); elsewhere, in the list above all, it would
    // press the dialog's default button, "Zamknij", and lose the range and region chosen.
    if (enter && qobject_cast<QPushButton*>(focusWidget()) == nullptr) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CHistoryDlg::OnEventDoubleClicked() {
    const int selected = SelectedItem();
    // Without a selected event there is no region to narrow to.
    if (selected < 0) {
        return;
    }
    const std::string& region = m_model->Rows()[static_cast<std::size_t>(selected)].region;
    const int target = DoubleClickTarget(m_regionModel->Regions(), RegionEntry(m_comboRegion->currentIndex()), region);
    if (target < 0) {
        return;
    }
    m_comboRegion->setCurrentIndex(target);
    RefreshList();
}

}  // namespace dravik
