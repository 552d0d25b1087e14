#include "map/qt/tile_disk_cache.h"

#include <QDateTime>
#include <QLocale>

#include "map/tile_expiry.h"

namespace dravik {

namespace {

// RFC 9110's IMF-fixdate, the only form services send today.
std::optional<std::int64_t> HttpDateMs(const QByteArray& text) {
    QDateTime date =
        QLocale::c().toDateTime(QString::fromLatin1(text.trimmed()), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"));
    if (!date.isValid()) {
        return std::nullopt;
    }
    date.setTimeSpec(Qt::UTC);
    return date.toMSecsSinceEpoch();
}

}  // namespace

QNetworkCacheMetaData CTileDiskCache::WithExpiry(QNetworkCacheMetaData metaData) {
    QByteArray cacheControl;
    QByteArray expires;
    bool hasExpires = false;
    for (const auto& [name, value] : metaData.rawHeaders()) {
        const QByteArray lower = name.toLower();
        if (lower == "cache-control") {
            cacheControl += (cacheControl.isEmpty() ? "" : ",") + value;
        } else if (lower == "expires") {
            expires = value;
            hasExpires = true;
        }
    }
    const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
    const std::int64_t at = TileExpiresAtMs(cacheControl.toStdString(), hasExpires, HttpDateMs(expires), now);
    // Qt compares in whole seconds: a tile stale at once would pass for fresh for the rest of the second.
    metaData.setExpirationDate(QDateTime::fromMSecsSinceEpoch(at > now ? at : 0, Qt::UTC));
    return metaData;
}

QIODevice* CTileDiskCache::prepare(const QNetworkCacheMetaData& metaData) {
    return QNetworkDiskCache::prepare(WithExpiry(metaData));
}

void CTileDiskCache::updateMetaData(const QNetworkCacheMetaData& metaData) {
    QNetworkDiskCache::updateMetaData(WithExpiry(metaData));
}

}  // namespace dravik
