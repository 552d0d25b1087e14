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

    // The largest entry a tile can make: its body's bound and its headers.
    static constexpr qint64 kMaxEntryBytes = 1024 * 1024 + 64 * 1024;

    // Takes `directory` as the cache's, private to the user whatever the umask (0700 down to the last
    // folder), with whatever is not a tile Qt could have written removed first: anything but a regular file,
    // or an entry past kMaxEntryBytes, which Qt would read whole on the UI thread.
    void SetPrivateDirectory(const QString& directory);
};

}  // namespace dravik
