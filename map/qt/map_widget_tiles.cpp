// How CMapWidget gets its tiles: the disk cache, the requests the view needs over the program's bounded HTTP
// client, and their answers, bounded in time and size.
#include <QBuffer>
#include <QDateTime>
#include <QImage>
#include <QImageReader>
#include <QNetworkDiskCache>
#include <QStandardPaths>
#include <algorithm>
#include <memory>

#include "map/qt/map_look.h"
#include "map/qt/map_widget.h"
#include "map/qt/tile_disk_cache.h"
#include "map/qt/tile_fetch.h"

namespace dravik {

namespace {

using map_look::kTilesInMemory;

constexpr qint64 kDiskCacheBytes = 100LL * 1024 * 1024;
// Silence this long (no byte of the answer) ends a tile's request.
constexpr int kTransferTimeoutMs = 20000;
// However the bytes come, a tile has this long: a server that trickles is cut off.
constexpr int kTileDeadlineMs = 30000;
// A tile is tens of KB; a larger body is not a tile, and is not read into memory to find out.
constexpr qint64 kTileBodyBytes = 1024 * 1024;
// Services send 256 or 512 pixels a side; a few hundred KB of image can declare gigabytes of pixels.
constexpr int kTileSide = 1024;

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

// A stored tile's body, no more of it than a tile can be; empty when there is none.
QByteArray StoredBody(QNetworkDiskCache& disk, const QUrl& url) {
    std::unique_ptr<QIODevice> data(disk.data(url));
    return data ? data->read(kTileBodyBytes + 1) : QByteArray();
}

// A header's value among a stored entry's, empty when absent.
QByteArray StoredHeader(const QNetworkCacheMetaData& metaData, const QByteArray& name) {
    for (const auto& [key, value] : metaData.rawHeaders()) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return {};
}

QNetworkCacheMetaData::RawHeaderList RawHeaders(const HttpHead& head) {
    QNetworkCacheMetaData::RawHeaderList headers;
    for (const auto& [name, value] : head.headers) {
        headers.append({QByteArray::fromStdString(name), QByteArray::fromStdString(value)});
    }
    return headers;
}

}  // namespace

CTileDiskCache* CMapWidget::DiskCache() {
    if (m_diskCache == nullptr) {
        m_diskCache = new CTileDiskCache(this);
        m_diskCache->SetPrivateDirectory(CacheDirectory());
        m_diskCache->setMaximumCacheSize(kDiskCacheBytes);
    }
    return m_diskCache;
}

void CMapWidget::ReleaseTiles() {
    m_bReleased = true;
    m_requestTimer.stop();
    m_retryTimer.stop();
    m_slowTimer.stop();
    for (const std::string& url : m_queue.KeepOnly({})) {
        m_cache.Abandoned(url);
    }
    const auto fetches = m_fetches;
    for (const QPointer<CTileFetch>& fetch : fetches) {
        if (fetch != nullptr) {
            fetch->Abort();
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
    const QUrl address(QString::fromStdString(url));
    CTileDiskCache* disk = DiskCache();
    const QNetworkCacheMetaData stored = disk->metaData(address);
    // A fresh copy on disk is used as it is, a stale one is asked after (the services' cache headers decide);
    // a stale copy is still shown when the service cannot be reached.
    if (cachedOnly || (stored.isValid() && stored.expirationDate().isValid() &&
                       stored.expirationDate() > QDateTime::currentDateTimeUtc())) {
        QByteArray body = stored.isValid() ? StoredBody(*disk, address) : QByteArray();
        const bool found = !body.isEmpty();
        // From the loop, as an answer from the network would come.
        QTimer::singleShot(0, this, [this, url, cachedOnly, found, body = std::move(body)] {
            OnTile(url, cachedOnly, found, false, body);
        });
        return;
    }
    PageRequest request;
    request.userAgent =
        (m_userAgent.isEmpty() ? QByteArray::fromStdString(TileUserAgent({})) : m_userAgent).toStdString();
    request.maxBytes = static_cast<std::size_t>(kTileBodyBytes);
    if (stored.isValid()) {
        request.ifNoneMatch = StoredHeader(stored, "ETag").toStdString();
        request.ifModifiedSince = StoredHeader(stored, "Last-Modified").toStdString();
    }
    auto* fetch = new CTileFetch(
        address, std::move(request), kTileDeadlineMs, kTransferTimeoutMs,
        [this, url, address](CTileFetch::Answer answer) {
            if (const QPointer<CTileFetch> done = m_fetches.take(QString::fromStdString(url))) {
                done->deleteLater();
            }
            CTileDiskCache* cache = DiskCache();
            QByteArray body;
            bool received = false;
            if (answer.received && answer.status == 304) {
                // The stored copy holds: its body, with the new answer's headers and so its new expiry.
                QNetworkCacheMetaData renewed = cache->metaData(address);
                if (renewed.isValid()) {
                    QNetworkCacheMetaData::RawHeaderList headers = renewed.rawHeaders();
                    for (const auto& [name, value] : RawHeaders(answer.head)) {
                        headers.erase(std::remove_if(headers.begin(), headers.end(),
                                                     [&](const auto& header) {
                                                         return header.first.compare(name, Qt::CaseInsensitive) == 0;
                                                     }),
                                      headers.end());
                        headers.append({name, value});
                    }
                    renewed.setRawHeaders(headers);
                    cache->updateMetaData(renewed);
                    body = StoredBody(*cache, address);
                    received = !body.isEmpty();
                }
            } else if (answer.received && answer.status >= 200 && answer.status < 300) {
                body = QByteArray::fromStdString(answer.body);
                received = true;
                if (QByteArray::fromStdString(answer.head.Header("Cache-Control")).toLower().contains("no-store")) {
                    cache->remove(address);
                } else {
                    QNetworkCacheMetaData entry;
                    entry.setUrl(address);
                    entry.setRawHeaders(RawHeaders(answer.head));
                    entry.setSaveToDisk(true);
                    if (QIODevice* device = cache->prepare(entry)) {
                        device->write(body);
                        cache->insert(device);
                    }
                }
            }
            OnTile(url, false, received, answer.cancelled, body);
        },
        this);
    m_fetches.insert(QString::fromStdString(url), fetch);
    fetch->Start();
}

void CMapWidget::OnTile(const std::string& url, bool cachedOnly, bool received, bool cancelled,
                        const QByteArray& body) {
    if (!cachedOnly) {
        m_queue.Finished(url);
    }
    // A body that is no tile, or too large a one, counts as a failure: it waits like any other.
    QImage image = received ? DecodeTile(body) : QImage();
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
    } else if (!cachedOnly && !received && !cancelled &&
               DiskCache()->metaData(QUrl(QString::fromStdString(url))).isValid()) {
        // Still loading: the copy on disk comes instead, without a connection.
        StartRequest(url, true);
        return;
    } else {
        // A tile that did not come leaves the map as it was, but for the line that tiles are failing: the map is
        // drawn again only when that line comes. Offline, every retry's failures redrew the whole map.
        m_cache.Failed(url, NowMs());
        if ((!m_tilesFailedText.isEmpty() && TilesFailing()) == m_bFailingDrawn) {
            RequestTiles();
            return;
        }
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
    return DiskCache()->metaData(QUrl(url)).expirationDate();
}

}  // namespace dravik
