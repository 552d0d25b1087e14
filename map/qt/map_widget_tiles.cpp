// How CMapWidget gets its tiles: one network access manager with the disk cache, the requests the view needs,
// and their answers, bounded in time and size.
#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStandardPaths>
#include <algorithm>

#include "map/qt/map_look.h"
#include "map/qt/map_widget.h"
#include "map/qt/tile_disk_cache.h"

namespace dravik {

namespace {

using map_look::kTilesInMemory;

constexpr qint64 kDiskCacheBytes = 100LL * 1024 * 1024;
constexpr int kTransferTimeoutMs = 20000;
// However the bytes come, a tile has this long: a server that trickles is cut off.
constexpr int kTileDeadlineMs = 30000;
// A tile is tens of KB; a larger body is not a tile, and is not read into memory to find out.
constexpr qint64 kTileBodyBytes = 1024 * 1024;
// Services send 256 or 512 pixels a side; a few hundred KB of image can declare gigabytes of pixels.
constexpr int kTileSide = 1024;

// The proxy of the environment (http_proxy, no_proxy), as the program's other fetches take it.
class EnvironmentProxy final : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override { return systemProxyForQuery(query); }
};

// The tile in a body, or a null image when it is not one or declares more pixels than a tile has: the header
// is read first, and nothing larger is decoded.
QImage DecodeTile(QByteArray body) {
    QBuffer buffer(&body);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > kTileSide || size.height() > kTileSide) {
        return {};
    }
    QImage image;
    if (!reader.read(&image) || image.width() > kTileSide || image.height() > kTileSide) {
        return {};
    }
    return image;
}

QString CacheDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/dravik/tiles");
}

}  // namespace

QNetworkAccessManager* CMapWidget::Network() {
    if (m_network == nullptr) {
        m_network = new QNetworkAccessManager(this);
        m_network->setProxyFactory(new EnvironmentProxy);
        auto* disk = new CTileDiskCache(m_network);
        disk->SetPrivateDirectory(CacheDirectory());
        disk->setMaximumCacheSize(kDiskCacheBytes);
        m_network->setCache(disk);
    }
    return m_network;
}

void CMapWidget::ReleaseTiles() {
    m_bReleased = true;
    m_requestTimer.stop();
    m_retryTimer.stop();
    m_slowTimer.stop();
    for (const std::string& url : m_queue.KeepOnly({})) {
        m_cache.Abandoned(url);
    }
    const auto replies = m_replies;
    for (const QPointer<QNetworkReply>& reply : replies) {
        if (reply != nullptr) {
            reply->abort();
        }
    }
    m_cache.DropLoaded();
    m_pixmaps.clear();
    m_pixmaps.squeeze();
    // Drawn again at the next paint; hidden, the window keeps none of its pictures.
    m_platesImage = QImage();
}

void CMapWidget::RestoreTiles() {
    ViewChanged();
}

std::vector<std::pair<std::string, std::string>> CMapWidget::VisibleRequests() const {
    std::vector<std::pair<std::string, std::string>> requests;
    const std::string baseService = ServiceOfLayer(m_layers.base);
    const std::string overlayService = ServiceOfLayer(m_layers.overlay);
    for (const TilePlacement& placement : m_view.VisibleTiles(TileDetailHere())) {
        requests.emplace_back(TileUrl(m_layers.base, placement.tile), baseService);
        if (!m_layers.overlay.urlTemplate.empty()) {
            requests.emplace_back(TileUrl(m_layers.overlay, placement.tile), overlayService);
        }
    }
    return requests;
}

std::vector<std::string> CMapWidget::VisibleUrls() const {
    std::vector<std::string> urls;
    for (auto& request : VisibleRequests()) {
        urls.push_back(std::move(request.first));
    }
    return urls;
}

void CMapWidget::RequestTiles() {
    if (m_bReleased || !isVisible() || width() <= 0 || height() <= 0) {
        return;
    }
    const std::vector<std::string> visible = VisibleUrls();
    std::vector<std::string> wanted = visible;
    std::sort(wanted.begin(), wanted.end());
    // A view that moved on does not wait for tiles it no longer shows.
    for (const std::string& url : m_queue.KeepOnly(wanted)) {
        m_cache.Abandoned(url);
    }
    const qint64 now = NowMs();
    for (const auto& [url, service] : VisibleRequests()) {
        if (m_cache.Claim(url, now)) {
            m_queue.Enqueue(url, service);
        }
    }
    for (const std::string& url : m_queue.TakeStartable(now)) {
        StartRequest(url, false);
    }
    // A request turning slow lets another start beside it.
    const std::int64_t slowAt = m_queue.NextSlowAtMs(now);
    if (slowAt >= 0) {
        m_slowTimer.start(static_cast<int>(std::max<std::int64_t>(slowAt - now, 0)));
    } else {
        m_slowTimer.stop();
    }
    // One wake-up for the first failed tile of the view whose wait ends; tiles out of view wait for it.
    std::int64_t retryAt = -1;
    for (const std::string& url : visible) {
        const std::int64_t at = m_cache.RetryAtMs(url);
        if (at >= 0 && (retryAt < 0 || at < retryAt)) {
            retryAt = at;
        }
    }
    if (retryAt >= 0) {
        m_retryTimer.start(static_cast<int>(std::max<std::int64_t>(retryAt - now, 100)));
    } else {
        m_retryTimer.stop();
    }
}

void CMapWidget::StartRequest(const std::string& url, bool cachedOnly) {
    QNetworkRequest request(QUrl(QString::fromStdString(url)));
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      m_userAgent.isEmpty() ? QByteArray::fromStdString(TileUserAgent({})) : m_userAgent);
    // A fresh copy on disk is used as it is, a stale one is asked after (the services' cache headers decide);
    // a stale copy is still shown when the service cannot be reached.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         cachedOnly ? QNetworkRequest::AlwaysCache : QNetworkRequest::PreferNetwork);
    request.setTransferTimeout(kTransferTimeoutMs);
    QNetworkReply* reply = Network()->get(request);
    // Qt's network thread reads no further than this ahead of us: an endless body from a fast server can neither
    // fill memory nor keep that thread reading so that it never gets to our abort.
    reply->setReadBufferSize(2 * kTileBodyBytes);
    m_replies.insert(QString::fromStdString(url), reply);
    // A body too large is given up as soon as it says so or its bytes pass the bound; what has come is dropped.
    const auto checkSize = [reply] {
        const QVariant declared = reply->header(QNetworkRequest::ContentLengthHeader);
        if ((declared.isValid() && declared.toLongLong() > kTileBodyBytes) ||
            reply->bytesAvailable() > kTileBodyBytes) {
            reply->abort();
        }
    };
    connect(reply, &QNetworkReply::metaDataChanged, this, checkSize);
    connect(reply, &QNetworkReply::readyRead, this, checkSize);
    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, reply, &QNetworkReply::abort);
    deadline->start(kTileDeadlineMs);
    connect(reply, &QNetworkReply::finished, this, [this, reply, url, cachedOnly] { OnReply(reply, url, cachedOnly); });
}

void CMapWidget::OnReply(QNetworkReply* reply, const std::string& url, bool cachedOnly) {
    reply->deleteLater();
    m_replies.remove(QString::fromStdString(url));
    if (!cachedOnly) {
        m_queue.Finished(url);
    }
    const bool received = reply->error() == QNetworkReply::NoError;
    // A body that is no tile, or too large a one, counts as a failure: it waits like any other.
    QImage image = received ? DecodeTile(reply->readAll()) : QImage();
    const bool ok = !image.isNull();
    if (m_bReleased) {
        m_cache.Abandoned(url);
    } else if (ok) {
        QPixmap pixmap = QPixmap::fromImage(std::move(image));
        m_cache.Loaded(url, NowMs(),
                       static_cast<std::size_t>(pixmap.width()) * static_cast<std::size_t>(pixmap.height()) *
                           static_cast<std::size_t>(pixmap.depth()) / 8);
        m_pixmaps.insert(QString::fromStdString(url), std::move(pixmap));
        std::vector<std::string> visible = VisibleUrls();
        // Never fewer than the view shows, or its own tiles would push each other out, and half the usual number
        // more for the way back after a zoom or a drag; not twice the view, which on a large HiDPI map is
        // hundreds of tiles. The bytes bound them all the same.
        m_cache.SetCapacity(std::max(kTilesInMemory, visible.size() + kTilesInMemory / 2));
        std::sort(visible.begin(), visible.end());
        for (const std::string& dropped : m_cache.Trim(visible)) {
            m_pixmaps.remove(QString::fromStdString(dropped));
        }
    } else if (!cachedOnly && !received && reply->error() != QNetworkReply::OperationCanceledError &&
               Network()->cache()->metaData(reply->url()).isValid()) {
        // Still loading: the copy on disk comes instead, without a connection.
        StartRequest(url, true);
        return;
    } else {
        m_cache.Failed(url, NowMs());
    }
    update();
    RequestTiles();
}

int CMapWidget::TileDetailHere() const {
    return m_view.Zoom() < m_layers.maxZoom ? TileDetail(devicePixelRatioF()) : 0;
}

bool CMapWidget::TilesFailing() const {
    for (const std::string& url : VisibleUrls()) {
        if (m_cache.StateOf(url) == TileCache::State::kFailed) {
            return true;
        }
    }
    return false;
}

QDateTime CMapWidget::CachedTileExpiry(const QString& url) {
    return Network()->cache()->metaData(QUrl(url)).expirationDate();
}

}  // namespace dravik
