#pragma once

#include <string>

#include "platform/settings_storage.h"

namespace dravik {

// A settings key that loads its values when asked and saves them when asked; each load or save is one
// open-transfer-close cycle, so the key is never held open between them.
class CSettingsKeyBase {
public:
    CSettingsKeyBase(SettingsHandle hRootKey, std::string strSubKey);
    CSettingsKeyBase(ISettingsStorage& storage, SettingsHandle hRootKey, std::string strSubKey);
    virtual ~CSettingsKeyBase();
    CSettingsKeyBase(const CSettingsKeyBase&) = delete;
    CSettingsKeyBase& operator=(const CSettingsKeyBase&) = delete;

    void LoadValues();
    void SaveValues();

protected:
    // Writes the values through m_hKey when save is true, reads them otherwise.
    virtual void TransferValues(bool save) = 0;

    ISettingsStorage& m_storage;
    SettingsHandle m_hRootKey;
    std::string m_strSubKey;
    SettingsHandle m_hKey = 0;

private:
    void RunCycle(bool save);
};

// The program's one setting, the interface language ("PL", "EN", or empty while none was chosen), as value
// "lang" of "Software\Korvan\Dravik". Reads it when constructed and writes it back when destroyed.
class CSettingsKey final : public CSettingsKeyBase {
public:
    CSettingsKey();
    explicit CSettingsKey(ISettingsStorage& storage);
    ~CSettingsKey() override;

    std::string m_strLang;

protected:
    void TransferValues(bool save) override;
};

inline constexpr const char* kSettingsSubKey = "Software\\Korvan\\Dravik";
inline constexpr const char* kLangValueName = "lang";

// The language as stored right now (a CSettingsKey made and released, as every user does).
std::string UiLanguage();

}  // namespace dravik
