#include "app/place_search_box.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "app/country_names.h"
#include "app/first_setup.h"
#include "app/setup_texts.h"
#include "places/place_search_runner.h"

namespace dravik {
namespace {

QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Typing on waits this long for the next key before the file is read.
constexpr int kTypingPauseMs = 60;

}  // namespace

CPlaceSearchBox::CPlaceSearchBox(const std::string& lang, QWidget* parent, const std::string& dataDir)
    : QWidget(parent), m_lang(lang) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(Text(SetupUiText(lang, SetupText::SearchLabel)), this);
    layout->addWidget(label);
    m_query = new QLineEdit(this);
    m_query->setObjectName(QStringLiteral("placeQuery"));
    m_query->setAccessibleName(Text(SetupUiText(lang, SetupText::SearchLabel)));
    label->setBuddy(m_query);
    layout->addWidget(m_query);
    m_results = new QListWidget(this);
    m_results->setObjectName(QStringLiteral("placeResults"));
    m_results->setAccessibleName(Text(SetupUiText(lang, SetupText::SearchResults)));
    layout->addWidget(m_results, 1);
    m_status = new QLabel(this);
    // Names of places are data: never read as markup.
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);
    layout->addWidget(m_status);

    m_delay = new QTimer(this);
    m_delay->setSingleShot(true);
    m_delay->setInterval(kTypingPauseMs);
    connect(m_delay, &QTimer::timeout, this, &CPlaceSearchBox::StartSearch);
    connect(m_query, &QLineEdit::textEdited, m_delay, qOverload<>(&QTimer::start));
    connect(m_results, &QListWidget::itemActivated, this, [this] { emit chosen(); });
    connect(m_results, &QListWidget::currentRowChanged, this, [this] { emit currentChanged(); });
    m_query->installEventFilter(this);

    m_runner = std::make_unique<PlaceSearchRunner>(
        dataDir.empty() ? PlacesDataDir() : dataDir, [this](std::uint64_t serial, const PlaceSearchResult& result) {
            // From the search's thread: the window takes it on the UI thread (and drops it once it is gone).
            QMetaObject::invokeMethod(
                this, [this, serial, result] { Show(serial, result); }, Qt::QueuedConnection);
        });
}

CPlaceSearchBox::~CPlaceSearchBox() {
    // Joined while the box is whole: a search that ends now posts to a box that still exists.
    m_runner.reset();
}

std::optional<FoundPlace> CPlaceSearchBox::Current() const {
    const int row = m_results->currentRow();
    if (row < 0 || row >= static_cast<int>(m_found.size())) {
        return std::nullopt;
    }
    return m_found[static_cast<std::size_t>(row)];
}

bool CPlaceSearchBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_query && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int count = m_results->count();
        if ((key->key() == Qt::Key_Down || key->key() == Qt::Key_Up) && count > 0) {
            const int step = key->key() == Qt::Key_Down ? 1 : -1;
            m_results->setCurrentRow(std::clamp(m_results->currentRow() + step, 0, count - 1));
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            // What is shown may be an earlier text's places: the one typed is what Enter means.
            if (m_delay->isActive()) {
                m_delay->stop();
                StartSearch();
            }
            if (m_latest != 0 && m_latest != m_shown) {
                m_bChooseWhenShown = true;
                return true;
            }
            if (Current()) {
                emit chosen();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CPlaceSearchBox::Search(const QString& text) {
    m_query->setText(text);
    m_delay->stop();
    StartSearch();
}

void CPlaceSearchBox::StartSearch() {
    const std::string query = m_query->text().trimmed().toStdString();
    m_bChooseWhenShown = false;
    if (query.empty()) {
        m_runner->Stop();
        m_latest = 0;
        m_found.clear();
        m_results->clear();
        m_status->clear();
        emit currentChanged();
        return;
    }
    m_latest = m_runner->Start(query);
}

void CPlaceSearchBox::Show(std::uint64_t serial, const PlaceSearchResult& result) {
    if (serial != m_latest) {
        return;
    }
    m_shown = serial;
    m_found = result.places;
    m_results->clear();
    for (const FoundPlace& place : m_found) {
        m_results->addItem(Text(FoundPlaceText(place, CountryName(place.countryCode, m_lang))));
    }
    if (!m_found.empty()) {
        m_results->setCurrentRow(0);
    }
    if (result.status == PlaceSearchStatus::NoData) {
        m_status->setText(Text(SetupUiText(m_lang, SetupText::NoPlacesData)));
    } else if (m_found.empty()) {
        m_status->setText(Text(SetupUiText(m_lang, SetupText::NoPlaceFound)));
    } else {
        m_status->clear();
    }
    emit currentChanged();
    emit resultsShown();
    if (m_bChooseWhenShown) {
        m_bChooseWhenShown = false;
        if (Current()) {
            emit chosen();
        }
    }
}

}  // namespace dravik
