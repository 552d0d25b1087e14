#pragma once

#include <QString>
#include <map>
#include <memory>

#include "platform/settings_storage.h"

class QSettings;

namespace dravik {

// The user's settings through QSettings: the key "Software\<organization>\<application>" is
// QSettings(organization, application) (on Linux $XDG_CONFIG_HOME/Korvan/Dravik.conf). A file that cannot
// be read or written gives missing values and failed writes, never a crash. The file is written only when a
// value changes; a value whose bytes are not UTF-8 (an older file's) reads as the bytes the file holds.
class CQtSettingsStorage final : public ISettingsStorage {
public:
    // A value longer than this is ignored (a line on stderr says so) and left out when the file is next written.
    static constexpr long long kMaxValueChars = 64 * 1024;

    CQtSettingsStorage();
    // Every key in this one INI file instead (tests).
    explicit CQtSettingsStorage(const QString& iniFile);
    ~CQtSettingsStorage() override;
    CQtSettingsStorage(const CQtSettingsStorage&) = delete;
    CQtSettingsStorage& operator=(const CQtSettingsStorage&) = delete;

    bool CreateKey(SettingsHandle root, const std::string& subKey, SettingsHandle* key) override;
    std::optional<std::string> QueryValue(SettingsHandle key, const std::string& name) override;
    bool SetTextValue(SettingsHandle key, const std::string& name, const std::string& text) override;
    void CloseKey(SettingsHandle key) override;

private:
    QString m_iniFile;
    std::map<SettingsHandle, std::unique_ptr<QSettings>> m_open;
    SettingsHandle m_nextHandle = 0x100;
};

}  // namespace dravik
