#include "platform/qt/qt_settings_storage.h"

#include <QFile>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <set>

namespace dravik {
namespace {

std::atomic<ISettingsStorage*> g_currentStorage{nullptr};

// Text that is valid UTF-8 is stored as a string; other bytes are kept as they are, so that a value read
// from an older file is written back unaltered.
QVariant TextToVariant(const std::string& text) {
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    const QString asString = QString::fromUtf8(bytes);
    if (asString.toUtf8() == bytes) {
        return asString;
    }
    return bytes;
}

QByteArray TrimBlanks(const QByteArray& bytes) {
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && (bytes[begin] == ' ' || bytes[begin] == '\t')) {
        ++begin;
    }
    while (end > begin && (bytes[end - 1] == ' ' || bytes[end - 1] == '\t')) {
        --end;
    }
    return bytes.mid(begin, end - begin);
}

// The bytes of a plain "name=value" line of the INI file, as the file holds them. QSettings reads the file
// as UTF-8, so bytes of another encoding (a file written by an older version, or by hand) reach it as
// U+FFFD; this is where they are found again. Values Qt reads otherwise (escapes, lists, @-types) give
// nullopt.
std::optional<QByteArray> RawIniValue(const QString& fileName, const QString& group, const QString& name) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray section = group.isEmpty() ? QByteArrayLiteral("General") : group.toUtf8();
    const QByteArray key = name.toUtf8();
    QByteArray current;
    std::optional<QByteArray> found;
    for (QByteArray line : file.readAll().split('\n')) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        const QByteArray trimmed = TrimBlanks(line);
        if (trimmed.startsWith('[') && trimmed.endsWith(']')) {
            current = trimmed.mid(1, trimmed.size() - 2);
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (current != section || equals < 0 || TrimBlanks(line.left(equals)) != key) {
            continue;
        }
        QByteArray value = TrimBlanks(line.mid(equals + 1));
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"')) {
            value = value.mid(1, value.size() - 2);
        }
        const bool plain = !value.startsWith('@') && !value.contains('\\') && !value.contains('"') &&
                           !value.contains(',') && !value.contains(';');
        found = plain ? std::optional<QByteArray>(value) : std::nullopt;  // the last line of a name counts
    }
    return found;
}

// Our own file holds a few KiB. One far larger holds a value something else wrote, which QSettings would read
// whole, at three times its size in memory, before the bound on values could look at it. So such a file loses its
// over-long lines first, read and written a block at a time, every other line kept as it stands; once a run.
constexpr qint64 kShedAboveBytes = 1 << 20;
constexpr qsizetype kMaxLineBytes = CQtSettingsStorage::kMaxValueChars + 1024;  // the value and its name

void ShedOverlongLines(const QString& path) {
    static std::mutex mutex;
    static std::set<QString> looked;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!looked.insert(path).second) {
            return;
        }
    }
    QFile in(path);
    if (in.size() <= kShedAboveBytes || !in.open(QIODevice::ReadOnly)) {
        return;
    }
    QSaveFile out(path);  // a new file beside it, put in its place only when whole
    if (!out.open(QIODevice::WriteOnly)) {
        return;
    }
    QByteArray line;
    bool dropping = false;
    long long dropped = 0;
    while (!in.atEnd()) {
        const QByteArray block = in.read(64 * 1024);
        if (block.isEmpty()) {
            return;  // a read error: the file stays as it was
        }
        for (qsizetype pos = 0; pos < block.size();) {
            const qsizetype newline = block.indexOf('\n', pos);
            const qsizetype end = newline < 0 ? block.size() : newline + 1;
            if (!dropping) {
                line.append(block.constData() + pos, end - pos);
                if (line.size() > kMaxLineBytes) {
                    dropping = true;
                    ++dropped;
                    line.clear();
                }
            }
            if (newline >= 0) {
                if (!dropping) {
                    out.write(line);
                }
                line.clear();
                dropping = false;
            }
            pos = end;
        }
    }
    if (!dropping) {
        out.write(line);
    }
    if (dropped > 0 && out.commit()) {
        std::fprintf(stderr, "dravik: %lld line(s) of %s longer than any setting removed\n", dropped,
                     QFile::encodeName(path).constData());
    }
}

}  // namespace

ISettingsStorage& CurrentSettingsStorage() {
    if (ISettingsStorage* storage = g_currentStorage.load()) {
        return *storage;
    }
    static CQtSettingsStorage userSettings;
    return userSettings;
}

void SetCurrentSettingsStorage(ISettingsStorage* storage) {
    g_currentStorage.store(storage);
}

CQtSettingsStorage::CQtSettingsStorage() = default;

CQtSettingsStorage::CQtSettingsStorage(const QString& iniFile) : m_iniFile(iniFile) {}

CQtSettingsStorage::~CQtSettingsStorage() = default;

bool CQtSettingsStorage::CreateKey(SettingsHandle root, const std::string& subKey, SettingsHandle* key) {
    if (key == nullptr || root != kSettingsCurrentUser) {
        return false;
    }
    std::unique_ptr<QSettings> settings;
    if (!m_iniFile.isEmpty()) {
        ShedOverlongLines(m_iniFile);
        settings = std::make_unique<QSettings>(m_iniFile, QSettings::IniFormat);
    } else {
        // "Software\Organization\Application[\Group...]"
        QStringList parts = QString::fromStdString(subKey).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
        if (!parts.isEmpty() && parts.front().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0) {
            parts.pop_front();
        }
        if (parts.isEmpty()) {
            return false;
        }
        const QString organization = parts.takeFirst();
        const QString application = parts.isEmpty() ? QString() : parts.takeFirst();
        // Where QSettings keeps the user's file on this system.
        ShedOverlongLines(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') +
                          organization + (application.isEmpty() ? QString() : QLatin1Char('/') + application) +
                          QStringLiteral(".conf"));
        settings = std::make_unique<QSettings>(organization, application);
        if (!parts.isEmpty()) {
            settings->beginGroup(parts.join(QLatin1Char('/')));
        }
    }
    if (settings->status() == QSettings::AccessError) {
        return false;
    }
    *key = m_nextHandle++;
    m_open.emplace(*key, std::move(settings));
    return true;
}

std::optional<std::string> CQtSettingsStorage::QueryValue(SettingsHandle key, const std::string& name) {
    auto it = m_open.find(key);
    if (it == m_open.end()) {
        return std::nullopt;
    }
    QSettings& settings = *it->second;
    const QString qname = QString::fromStdString(name);
    if (!settings.contains(qname)) {
        return std::nullopt;
    }
    const QVariant value = settings.value(qname);
    // No setting of ours is longer than a few hundred bytes; one of megabytes was written by something else
    // and would be copied through the program and back into the file at every save.
    const qsizetype size =
        value.typeId() == QMetaType::QByteArray ? value.toByteArray().size() : value.toString().size();
    if (size > kMaxValueChars) {
        std::fprintf(stderr, "dravik: the setting %s is %lld characters long; ignored and left out of the file\n",
                     name.c_str(), static_cast<long long>(size));
        settings.remove(qname);
        return std::nullopt;
    }
    QByteArray bytes = value.typeId() == QMetaType::QByteArray ? value.toByteArray() : value.toString().toUtf8();
    if (value.typeId() == QMetaType::QString && value.toString().contains(QChar::ReplacementCharacter)) {
        // Taken from the file only when it is the same value, read as UTF-8 (not a change since).
        const std::optional<QByteArray> raw = RawIniValue(settings.fileName(), settings.group(), qname);
        if (raw && QString::fromUtf8(*raw) == value.toString()) {
            bytes = *raw;
        }
    }
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

bool CQtSettingsStorage::SetTextValue(SettingsHandle key, const std::string& name, const std::string& text) {
    auto it = m_open.find(key);
    if (it == m_open.end()) {
        return false;
    }
    // The file is written only for a real change: a value that holds these bytes already stays as it is.
    if (QueryValue(key, name) == text) {
        return true;
    }
    it->second->setValue(QString::fromStdString(name), TextToVariant(text));
    return true;
}

void CQtSettingsStorage::CloseKey(SettingsHandle key) {
    auto it = m_open.find(key);
    if (it == m_open.end()) {
        return;
    }
    // A file that cannot be written leaves status() at AccessError; there is nobody to tell.
    it->second->sync();
    m_open.erase(it);
}

}  // namespace dravik
