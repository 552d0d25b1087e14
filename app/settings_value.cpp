#include "app/settings_value.h"

#include <utility>

#include "app/settings_key.h"

namespace dravik {

namespace {

class CSettingsValueKey final : public CSettingsKeyBase {
public:
    explicit CSettingsValueKey(std::string valueName)
        : CSettingsKeyBase(kSettingsCurrentUser, kSettingsSubKey), m_strValueName(std::move(valueName)) {}

    std::optional<std::string> m_strText;

protected:
    void TransferValues(bool save) override {
        if (save) {
            if (m_strText) {
                m_storage.SetTextValue(m_hKey, m_strValueName, *m_strText);
            }
            return;
        }
        std::optional<std::string> bytes = m_storage.QueryValue(m_hKey, m_strValueName);
        if (bytes) {
            m_strText = bytes->substr(0, bytes->find('\0'));
        }
    }

private:
    std::string m_strValueName;
};

}  // namespace

std::optional<std::string> ReadSettingsText(const std::string& name) {
    CSettingsValueKey key(name);
    key.LoadValues();
    return key.m_strText;
}

void WriteSettingsText(const std::string& name, const std::string& text) {
    CSettingsValueKey key(name);
    key.m_strText = text;
    key.SaveValues();
}

HomePlaceTexts ReadHomePlaceTexts() {
    return {ReadSettingsText("home/latitude").value_or(""), ReadSettingsText("home/longitude").value_or(""),
            ReadSettingsText("home/name").value_or("")};
}

}  // namespace dravik
