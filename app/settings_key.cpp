#include "app/settings_key.h"

#include <utility>

namespace dravik {

CSettingsKeyBase::CSettingsKeyBase(SettingsHandle hRootKey, std::string strSubKey)
    : CSettingsKeyBase(CurrentSettingsStorage(), hRootKey, std::move(strSubKey)) {}

CSettingsKeyBase::CSettingsKeyBase(ISettingsStorage& storage, SettingsHandle hRootKey, std::string strSubKey)
    : m_storage(storage), m_hRootKey(hRootKey), m_strSubKey(std::move(strSubKey)) {}

CSettingsKeyBase::~CSettingsKeyBase() {
    if (m_hKey != 0) {
        m_storage.CloseKey(m_hKey);
        m_hKey = 0;
    }
}

void CSettingsKeyBase::LoadValues() {
    RunCycle(false);
}

void CSettingsKeyBase::SaveValues() {
    RunCycle(true);
}

void CSettingsKeyBase::RunCycle(bool save) {
    SettingsHandle hKey = 0;
    // A key that cannot be opened leaves the values as they are.
    if (!m_storage.CreateKey(m_hRootKey, m_strSubKey, &hKey)) {
        return;
    }
    if (m_hKey != 0) {
        m_storage.CloseKey(m_hKey);
    }
    m_hKey = hKey;
    TransferValues(save);
    m_storage.CloseKey(m_hKey);
    m_hKey = 0;
}

CSettingsKey::CSettingsKey() : CSettingsKey(CurrentSettingsStorage()) {}

CSettingsKey::CSettingsKey(ISettingsStorage& storage)
    : CSettingsKeyBase(storage, kSettingsCurrentUser, kSettingsSubKey) {
    LoadValues();
}

// Saving here, not in the base, because by the time the base destructor runs this part is gone.
CSettingsKey::~CSettingsKey() {
    SaveValues();
}

void CSettingsKey::TransferValues(bool save) {
    if (save) {
        // A failed write is not reported: the text in use stays what it is.
        m_storage.SetTextValue(m_hKey, kLangValueName, m_strLang);
        return;
    }
    std::optional<std::string> bytes = m_storage.QueryValue(m_hKey, kLangValueName);
    if (!bytes) {
        return;
    }
    // The text in use is the stored data up to its first NUL byte, whatever the value's type.
    const size_t end = bytes->find('\0');
    m_strLang = end == std::string::npos ? *bytes : bytes->substr(0, end);
}

std::string UiLanguage() {
    CSettingsKey key;
    return key.m_strLang;
}

}  // namespace dravik
