#include "map/qt/tile_disk_cache.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
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

// mkdir -p, each folder made (or found) ours alone.
void MakePrivatePath(const QString& path) {
    QString built;
    for (const QString& part : path.split(u'/', Qt::SkipEmptyParts)) {
        built += u'/' + part;
        ::mkdir(QFile::encodeName(built).constData(), 0700);
    }
}

}  // namespace

void CTileDiskCache::SetPrivateDirectory(const QString& directory) {
    MakePrivatePath(directory);
    QDirIterator it(directory, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QByteArray path = QFile::encodeName(it.next());
        struct stat info {};
        if (::lstat(path.constData(), &info) != 0) {
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            ::chmod(path.constData(), 0700);
        } else if (!S_ISREG(info.st_mode) || info.st_size > kMaxEntryBytes) {
            ::unlink(path.constData());
        }
    }
    setCacheDirectory(directory);
    // Qt made its own folders by the umask; the program's folder above the cache is ours as well.
    ::chmod(QFile::encodeName(directory).constData(), 0700);
    ::chmod(QFile::encodeName(QDir::cleanPath(directory + QStringLiteral("/.."))).constData(), 0700);
    QDirIterator made(directory, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (made.hasNext()) {
        ::chmod(QFile::encodeName(made.next()).constData(), 0700);
    }
}

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
