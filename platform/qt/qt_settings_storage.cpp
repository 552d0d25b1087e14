#include "platform/qt/qt_settings_storage.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>
#include <atomic>

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
    const QString qname = QString::fromStdString(name);
    if (!it->second->contains(qname)) {
        return std::nullopt;
    }
    const QVariant value = it->second->value(qname);
    const QByteArray bytes = value.typeId() == QMetaType::QByteArray ? value.toByteArray() : value.toString().toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

bool CQtSettingsStorage::SetTextValue(SettingsHandle key, const std::string& name, const std::string& text) {
    auto it = m_open.find(key);
    if (it == m_open.end()) {
        return false;
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
