#pragma once

#include <QNetworkDiskCache>

namespace dravik {

// The tiles' disk cache: every tile is given its expiry by TileExpiresAtMs, when it is stored and when a 304
// renews it, so that a tile its service says nothing about is kept a week rather than asked for at every look.
class CTileDiskCache final : public QNetworkDiskCache {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTileDiskCache)

public:
    explicit CTileDiskCache(QObject* parent = nullptr) : QNetworkDiskCache(parent) {}

    QIODevice* prepare(const QNetworkCacheMetaData& metaData) override;
    void updateMetaData(const QNetworkCacheMetaData& metaData) override;

    static QNetworkCacheMetaData WithExpiry(QNetworkCacheMetaData metaData);
};

}  // namespace dravik
