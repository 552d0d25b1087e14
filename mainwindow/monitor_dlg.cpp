#include "mainwindow/monitor_dlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTimerEvent>
#include <QWindow>
#include <algorithm>
#include <array>
#include <chrono>
#include <memory>

#include "app/about_dlg.h"
#include "app/alert_settings_key.h"
#include "app/first_start.h"
#include "app/settings_value.h"
#include "app/window_placement.h"
#include "controls/link_static.h"
#include "controls/sheen_button.h"
#include "controls/tab_chain.h"
#include "history/history_dlg.h"
#include "history/text_fit.h"
#include "mainwindow/event_list_sort.h"
#include "mainwindow/event_list_view.h"
#include "mainwindow/map_browser.h"
#include "mainwindow/monitor_dlg_ids.h"
#include "mainwindow/quake_archive.h"
#include "mainwindow/quake_map.h"
#include "mainwindow/system_tray.h"
#include "mainwindow/tray_tip.h"
#include "mainwindow/ui_texts.h"
#include "mainwindow/version_check.h"
#include "platform/environment.h"
#include "platform/qt/dialog_builder.h"
#include "platform/qt/dialog_resizer.h"
#include "platform/qt/inert_text.h"
#include "platform/qt/qt_sound.h"
#include "platform/qt/qt_ui_thread.h"
#include "push/push_client.h"
#include "resources/resource_images.h"
#include "resources/resource_tables.h"
#include "resources/translations.h"
#include "sources/page_fetch.h"
#include "store/event_table.h"
#include "store/legacy_import.h"
#include "store/quake_database.h"
#include "store/quake_ids.h"

namespace dravik {

CMonitorDlg* g_pMainDlg = nullptr;

namespace {

using namespace monitor_ids;

// The window's own widget classes at their template places; the builder makes the rest.
QWidget* MakeMainControl(const DialogControl& control, QWidget* parent) {
    switch (control.id) {
        case kIdHide: {
            // Not a default button, not even while focused: keyPressEvent decides what Enter does.
            auto* button = new CSheenButton(QString::fromStdString(control.text), parent);
            button->setAutoDefault(false);
            return button;
        }
        case kIdEventList: {
            // One Tab stop: the arrow keys move within the list, Tab leaves it.
            auto* list = new CEventList(parent);
            list->setTabKeyNavigation(false);
            return list;
        }
        case kIdBrowser: {
            auto* browser = new CMapBrowser(parent);
            KeepOutOfTabChain(browser);
            return browser;
        }
        case kIdSiteLink:
            return new CLinkStatic(parent);
        default:
            return nullptr;
    }
}

// The list's share of the height the window gains beyond its template size; the map takes the rest.
constexpr double kListHeightShare = 0.4;

// Grown, the list and the map take the new room and the row below them keeps to the bottom edge.
GrowthShare MainWindowShare(QWidget* control) {
    if (control->objectName() == QLatin1String(CMonitorDlg::kListAreaName)) {
        return {0, 0, 1, kListHeightShare};
    }
    switch (ControlId(control)) {
        case kIdEventList:
            return {0, 0, 1, kListHeightShare};
        case kIdBrowser:
            return {0, kListHeightShare, 1, 1};
        case kIdStatusLine:
            return kStretchBottom;
        case kIdHide:
        case kIdSiteLink:
            return kKeepBottomRight;
        case kNoControlId:
            // The menu bar spans the window.
            return kStretchTop;
        default:
            return kKeepBottomLeft;
    }
}

}  // namespace

CMonitorDlg::CMonitorDlg(QWidget* parent, MonitorServices services)
    : QDialog(parent),
      m_hTrayIcon(kIconProgram),
      m_hBlinkIcon(kIconBlink),
      m_uTrayMessage(RegisterWindowMessage("Monitoring trzesień ziemi")),
      m_hIcon(ResourceIcon(kIconProgram)),
      m_services(std::move(services)),
      m_pUiThread(std::make_unique<CQtUiThread>()) {
    const bool realFetch = !m_services.fetchPage;
    if (realFetch) {
        m_services.fetchPage = [](const std::string& url) {
            const bool spaceWeather = url == SolarWindUrl() || url == XRayUrl();
            return FetchPage(url, spaceWeather ? kMaxSpaceWeatherBytes : kMaxFetchBytes);
        };
        m_services.fetchSource = [](const std::string& url) { return FetchPageWhole(url); };
    }
    if (!m_services.fetchSource) {
        m_services.fetchSource = m_services.fetchPage;
    }
    if (m_services.sound == nullptr) {
        m_ownSound = std::make_unique<CQtSound>();
        m_services.sound = m_ownSound.get();
    }
    if (!m_services.storeEvents) {
        const std::string path = DataFilePath(kDatabaseFileName);
        m_services.prepareArchive = [path](const std::atomic<bool>* stop, int busyMs) {
            // An archive written by an old installation is converted before the table is opened.
            ImportLegacyArchiveIfNeeded(path);
            return PrepareOrReplaceEventTable(path, stop, busyMs);
        };
        m_services.storeEvents = [path](const std::vector<QuakeEvent>& events, const std::atomic<bool>* stop) {
            return StoreQuakeReports(path, events, stop);
        };
        m_services.loadQuakes = [path](std::int64_t since, const std::atomic<bool>* stop, bool* readable) {
            return LoadRecentQuakes(path, since, stop, readable);
        };
        m_services.completeMark = [path](const std::string& source, const std::atomic<bool>* stop, bool* readable) {
            return CompleteMarkMs(path, source, stop, readable);
        };
        m_services.newestOrigin = [path](const std::string& source) { return NewestOriginMs(path, source); };
    }
    if (!m_services.fetchStatus) {
        if (realFetch) {
            m_services.fetchStatus = [](const std::string& url) { return FetchSource(url); };
        } else {
            // A source given as bodies only: an empty body is a failed read.
            m_services.fetchStatus = [fetch = m_services.fetchSource](const std::string& url) {
                FetchResult page;
                page.body = fetch(url);
                page.ok = !page.body.empty();
                page.status = page.ok ? 200 : 0;
                page.error = page.ok ? std::string() : "no answer";
                return page;
            };
        }
    }
    if (!m_services.nowUtcMs) {
        m_services.nowUtcMs = [] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                .count();
        };
    }
    m_pVersionCheck = std::make_unique<CVersionCheck>(m_services.fetchPage);
    InitAlerts();
    // A normal top-level window to the window manager: a dialog without a parent would be made transient for
    // an unmapped window and flagged as a dialog, which taskbars may leave out.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    BuildControls();
    m_pResizer = new CDialogResizer(this, MainWindowShare);
    if (m_browser != nullptr) {
        m_pQuakeMap = new CQuakeMap(*m_listEvents, *m_browser, this);
        connect(m_browser, &CMapBrowser::PlacesChanged, this, [this] { ApplyStoredSettings(); });
    }
    RememberWindowPlacement(this, "main", kMainWindowShare);
    ConnectHandlers();
}

CMonitorDlg::~CMonitorDlg() {
    StopVersionCheck();
    StopFeedWorker();
    // A notifier given from outside may outlive the window; a click on a notice must not reach it then.
    m_services.notifier->SetActivationHandler({});
    if (m_pTray != nullptr) {
        m_bHiddenToTray = false;
        UpdateTrayIcon();
    }
    if (g_pMainDlg == this) {
        g_pMainDlg = nullptr;
    }
    // Before the list: the list's model announces its last rows while the list is half destroyed, and the
    // map must not be listening then.
    delete m_pQuakeMap;
    m_pQuakeMap = nullptr;
}

void CMonitorDlg::BuildControls() {
    const std::string lang = UiLanguage();
    m_strBuiltLang = lang;
    BuildDialog(this, *FindDialogTemplate(kDialogMain, lang), MakeMainControl, FindMenuTemplate(kMenuMain, lang));
    m_btnHide = qobject_cast<CSheenButton*>(GetDlgItem(kIdHide));
    m_listEvents = qobject_cast<CEventList*>(GetDlgItem(kIdEventList));
    m_browser = qobject_cast<CMapBrowser*>(GetDlgItem(kIdBrowser));
    m_linkSite = qobject_cast<CLinkStatic*>(GetDlgItem(kIdSiteLink));
    m_menuBar = findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
    BuildListArea();
    // Places made for Polish: a longer text takes its room before the resizer reads them; the bottom right stays.
    FitTexts(this, {kIdHide, kIdSiteLink});
}

void CMonitorDlg::ConnectHandlers() {
    connect(m_btnHide, &QAbstractButton::clicked, this, [this] { OnHide(); });
    connect(m_listEvents->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { OnEventItemChanged(); });
    if (auto* box = qobject_cast<QAbstractButton*>(GetDlgItem(kIdShowMap))) {
        connect(box, &QAbstractButton::clicked, this, [this] { RefreshMap(); });
    }
    for (int id : kMapKindIds) {
        if (auto* radio = qobject_cast<QAbstractButton*>(GetDlgItem(id))) {
            connect(radio, &QAbstractButton::clicked, this, [this] { OnMapKindClicked(); });
        }
    }
    if (auto* box = qobject_cast<QAbstractButton*>(GetDlgItem(kIdPlates))) {
        connect(box, &QAbstractButton::clicked, this, [this] { OnPlatesClicked(); });
    }
    // The tray says what came in last: of the rows a round adds, the one of the newest origin. A flood of rows
    // costs a copy each; the tooltip is redone at most once a second.
    auto last = std::make_shared<std::array<std::string, 3>>();  // magnitude, time, region
    auto* tipTimer = new QTimer(this);
    tipTimer->setSingleShot(true);
    tipTimer->setInterval(1000);
    // Started only once a row is noted.
    connect(tipTimer, &QTimer::timeout, this, [this, last] {
        m_strLastQuakeTip = LastQuakeTip(UiLanguage(), (*last)[0], (*last)[1], (*last)[2]);
        ShowStatusLine();
    });
    connect(&m_listEvents->Model(), &QAbstractItemModel::rowsInserted, this,
            [this, last, tipTimer](const QModelIndex&, int first, int lastRow) {
                const CEventListModel& model = m_listEvents->Model();
                int newest = -1;
                for (int row = first; row <= lastRow && row < model.RowCount(); ++row) {
                    if (newest < 0 || model.Row(row).originUtcMs > model.Row(newest).originUtcMs) {
                        newest = row;
                    }
                }
                if (newest >= 0) {
                    const EventListRow& row = model.Row(newest);
                    *last = {row.mag, row.data2, row.region};
                    if (!tipTimer->isActive()) {
                        tipTimer->start();
                    }
                }
            });
    if (m_menuBar != nullptr) {
        connect(m_menuBar, &QMenuBar::triggered, this, [this](QAction* action) { OnCommand(CommandId(action)); });
    }
}

int CMonitorDlg::DoModal() {
    if (!m_bInitDone) {
        OnInitDialog();
    }
    if (m_bEnded) {
        return result();
    }
    if (m_bStartInTray) {
        // Not shown until it is known whether the window goes to the tray; its map waits too.
        if (m_browser != nullptr) {
            m_browser->Release();
        }
        QTimer::singleShot(0, this, [this] { TryStartInTray(0); });
    }
    // The run is modal to the program, not to the window manager: exec() would mark the window modal
    // (_NET_WM_STATE_MODAL). The dialog's own end (done) ends the loop as it would end exec().
    setResult(0);
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    show();  // setVisible leaves a start in the tray hidden
    if (m_bEnded) {
        return result();
    }
    loop.exec(QEventLoop::DialogExec);
    return result();
}

void CMonitorDlg::OnInitDialog() {
    m_bInitDone = true;
    UpdateData(false);
    ApplyPlatesShown(ReadSettingsText(kPlatesSetting).value_or("1") != "0");
    if (m_linkSite != nullptr) {
        m_linkSite->SetURL(QString::fromStdString(SiteUrl()));
        m_linkSite->setText(QString::fromStdString(SiteHost()));
    }
    // The about item of the system menu has no place here: Linux window managers give a window no menu of
    // its own. The main menu's "O programie" opens the about box.
    setWindowIcon(m_hIcon);
    if (RunFirstStartStep([this](int id, const std::string& text) { SetDlgItemText(id, text); })) {
        // A cancelled first choice ends the run; the initialisation still completes.
        EndDialog(QDialog::Rejected);
    }
    // The controls were made before the first start chose a language: they take its texts now.
    if (const std::string lang = UiLanguage(); lang != m_strBuiltLang && IsKnownLanguage(lang)) {
        ApplyTemplateTexts(this, *FindDialogTemplate(kDialogMain, lang), FindMenuTemplate(kMenuMain, lang));
        m_strBuiltLang = lang;
    }
    UpdateHideHint();
    RetranslateMap();
    RetranslateListArea();
    // The archive is converted and its tables made by the feed's first round: a locked or slow archive never
    // holds the window.
    m_imageList = QuakeMarkIcons();
    SetUpEventList(*m_listEvents);
    new CEventListSorter(*m_listEvents);
    ApplyAlertSettings(LoadAlertSettings());
    // The site is asked on a thread of its own: the window never waits for it. A newer version is told in the
    // status line, beside the site's link, so nothing stops the user at the start.
    m_pVersionCheck->Start([this](const std::string& answer) {
        if (!m_bEnded) {
            ShowVersionStatus(answer);
        }
    });
    g_pMainDlg = this;
    if (m_services.startFeedWorker) {
        StartFeedWorker();
    }
}

void CMonitorDlg::EndDialog(int result) {
    m_bEnded = true;
    if ((m_bHiddenToTray || m_bStartInTray) && isHidden()) {
        // A dialog ends its modal run by hiding itself, and one hidden already (to the tray) would run on
        // with nothing on screen. It is shown off screen for the moment it takes to hide it again.
        setAttribute(Qt::WA_DontShowOnScreen, true);
        QWidget::setVisible(true);
    }
    QDialog::done(result);
}

void CMonitorDlg::setVisible(bool visible) {
    if (visible && m_bStartInTray && !m_bEnded) {
        return;
    }
    QDialog::setVisible(visible);
}

void CMonitorDlg::StopVersionCheck() {
    m_pVersionCheck->Stop();
}

void CMonitorDlg::ShowVersionStatus(const std::string& answer) {
    if (answer.size() != 7) {
        return;  // unreachable site or an answer of another form: nothing to say, and no settings read
    }
    m_strVersionNotice = VersionStatusNotice(answer, UiLanguage(), SiteUrl());
    if (m_strVersionNotice.empty()) {
        return;
    }
    if (m_linkSite != nullptr) {
        m_linkSite->setToolTip(InertText(QString::fromStdString(m_strVersionNotice)));
        m_linkSite->setAccessibleDescription(QString::fromStdString(m_strVersionNotice));
    }
    ShowStatusLine();
}

bool CMonitorDlg::OnActivateRequest(const QString& activationToken) {
    QWidget* modal = QApplication::activeModalWidget();
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    // Before its run the window is about to show itself; once the run has ended it is going. A start in the
    // tray still waiting for a tray host shows it now.
    if (!m_bEnded && (isVisible() || m_bHiddenToTray || m_bStartInTray)) {
        // Wayland tells a program neither that its window is minimised nor lets it restore one; a window mapped
        // anew is shown whatever the compositor did with the old one, unless a token lets it raise the window.
        const bool remap = wayland && isVisible() && (m_bMinimisedByHide || activationToken.isEmpty());
        OnShowList();
        if (remap) {
            QWidget::setVisible(false);
            QWidget::setVisible(true);
        }
    }
    if (!activationToken.isEmpty() && wayland) {
        // Qt's Wayland shell hands this token with the next activation request, once.
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
    }
    QWidget* front = modal != nullptr && modal != this ? modal : this;
    if (!m_bEnded && front->isVisible()) {
        front->raise();
        front->activateWindow();
        if (front->windowHandle() != nullptr) {
            front->windowHandle()->requestActivate();
        }
    }
    // Taken by the request or of no use to anyone else (a process the program starts).
    qunsetenv("XDG_ACTIVATION_TOKEN");
    return !m_bEnded && isVisible() && !isMinimized();
}

void CMonitorDlg::CloseWithoutQuestion() {
    // Dialogs and message boxes run above this window in their own loops; each ends as if cancelled, so the
    // handler that opened it returns, and this window's run ends after them.
    for (int guard = 0; guard < 32; ++guard) {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == this) {
            break;
        }
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->done(QDialog::Rejected);
        } else {
            modal->close();
        }
    }
    EndDialog(QDialog::Rejected);
}

void CMonitorDlg::accept() {
    OnOK();
}

void CMonitorDlg::reject() {
    OnCancel();
}

void CMonitorDlg::OnOK() {
    // The window of a monitor that runs for days: a stray Enter must never end it. Enter shows the list's
    // current row on the map, as a click on it does.
    const QModelIndex current = m_listEvents != nullptr ? m_listEvents->currentIndex() : QModelIndex();
    if (!current.isValid()) {
        return;
    }
    if (m_listEvents->selectionModel()->isRowSelected(current.row(), QModelIndex())) {
        RefreshMap();
    } else {
        m_listEvents->selectRow(current.row());  // the selection's change refreshes the map
    }
}

void CMonitorDlg::OnCancel() {
    if (AskToQuit(this, GetUiText(8), GetUiText(7), UiLanguage())) {
        EndDialog(QDialog::Rejected);
    }
}

void CMonitorDlg::OnMenuClose() {
    OnCancel();
}

void CMonitorDlg::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        // Enter presses the focused push button, else it is the OK command; no button is a default one.
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        if (focused != nullptr && focused->isVisible() && focused->isEnabled()) {
            focused->click();
            return;
        }
        OnOK();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CMonitorDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_nTimerId) {
        OnTimer();
        return;
    }
    QDialog::timerEvent(event);
}

void CMonitorDlg::OnCommand(int commandId) {
    switch (commandId) {
        case kCmdHide:
            OnHide();
            break;
        case kCmdMenuClose:
            OnMenuClose();
            break;
        case kCmdHistory:
            OnHistory();
            break;
        case kCmdAbout:
            OnAbout();
            break;
        case kCmdShowList:
            OnShowList();
            break;
        case kCmdTrayClose:
            OnTrayClose();
            break;
        case kCmdChangeLanguage:
            OnChangeLanguage();
            break;
        case kCmdSettings:
            OnSettings();
            break;
        case kCmdShowNotifiedEvent:
            OnShowNotifiedEvent(m_strBalloonKey);
            break;
        default:
            break;
    }
}

void CMonitorDlg::OnEventItemChanged() {
    RefreshMap();
}

void CMonitorDlg::OnHistory() {
    CHistoryDlg::Options options;
    const TimeDisplay display = CurrentAlertSettings().timeDisplay;
    options.uiText = [display](int number) {
        // The time header says which time the list shows.
        return number == 4 ? TimeHeaderText(UiLanguage(), display) : GetUiText(number);
    };
    options.timeDisplay = display;
    CHistoryDlg dlg(std::move(options));
    dlg.exec();
}

void CMonitorDlg::OnAbout() {
    CAboutDlg dlg;
    dlg.DoModal();
}

QWidget* CMonitorDlg::GetDlgItem(int id) const {
    return FindControl(const_cast<CMonitorDlg*>(this), id);
}

void CMonitorDlg::SetDlgItemText(int id, const std::string& text) {
    QWidget* control = GetDlgItem(id);
    const QString qtext = QString::fromStdString(text);
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(qtext);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(qtext);
    }
}

std::string CMonitorDlg::GetDlgItemText(int id) const {
    QWidget* control = GetDlgItem(id);
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        return button->text().toStdString();
    }
    if (auto* label = qobject_cast<QLabel*>(control)) {
        return label->text().toStdString();
    }
    return {};
}

void CMonitorDlg::UpdateData(bool saveAndValidate) {
    auto* box = qobject_cast<QAbstractButton*>(GetDlgItem(kIdShowMap));
    if (saveAndValidate) {
        m_bShowMap = box != nullptr && box->isChecked() ? 1 : 0;
        m_nMapKind = CheckedRadioIndex(this, kIdMapKindFirst);
    } else {
        if (box != nullptr) {
            box->setChecked(m_bShowMap != 0);
        }
        SetCheckedRadioIndex(this, kIdMapKindFirst, m_nMapKind);
    }
}

int CMonitorDlg::GetFirstSelectedItem() const {
    int first = -1;
    for (const QModelIndex& index : m_listEvents->selectionModel()->selectedRows()) {
        if (first < 0 || index.row() < first) {
            first = index.row();
        }
    }
    return first;
}

std::string CMonitorDlg::GetItemText(int item, int subItem) const {
    return m_listEvents->Text(item, subItem).toStdString();
}

int CMonitorDlg::GetItemCount() const {
    return m_listEvents->rowCount();
}

}  // namespace dravik
