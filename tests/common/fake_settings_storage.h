#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/settings_storage.h"

namespace dravik::test {

// The user's settings in memory, keeping values as the registry does: raw bytes with a type, text values
// with their terminating NUL. Can be told to fail opening keys or writing values.
class FakeSettingsStorage final : public ISettingsStorage {
public:
    struct Value {
        std::string bytes;
        bool bText = true;
    };

    bool CreateKey(SettingsHandle root, const std::string& subKey, SettingsHandle* key) override {
        ++m_nCreateCalls;
        if (m_bFailCreate || root != kSettingsCurrentUser) {
            return false;
        }
        m_keys[subKey];  // created when missing, also when only reading
        *key = m_nextHandle++;
        m_openKeys[*key] = subKey;
        return true;
    }

    std::optional<std::string> QueryValue(SettingsHandle key, const std::string& name) override {
        auto open = m_openKeys.find(key);
        if (open == m_openKeys.end()) {
            return std::nullopt;
        }
        const auto& values = m_keys[open->second];
        auto it = values.find(name);
        if (it == values.end()) {
            return std::nullopt;
        }
        return it->second.bytes;
    }

    bool SetTextValue(SettingsHandle key, const std::string& name, const std::string& text) override {
        auto open = m_openKeys.find(key);
        if (open == m_openKeys.end() || m_bFailWrite) {
            return false;
        }
        ++m_nWrites;
        m_keys[open->second][name] = Value{text + std::string(1, '\0'), true};
        return true;
    }

    void CloseKey(SettingsHandle key) override { m_openKeys.erase(key); }

    // Test side.
    bool HasKey(const std::string& subKey) const { return m_keys.count(subKey) != 0; }
    std::optional<Value> Stored(const std::string& subKey, const std::string& name) const {
        auto key = m_keys.find(subKey);
        if (key == m_keys.end()) {
            return std::nullopt;
        }
        auto it = key->second.find(name);
        if (it == key->second.end()) {
            return std::nullopt;
        }
        return it->second;
    }
    void Store(const std::string& subKey, const std::string& name, const std::string& bytes, bool bText = true) {
        m_keys[subKey][name] = Value{bytes, bText};
    }
    // Stores a text as a text value (with its NUL).
    void StoreText(const std::string& subKey, const std::string& name, const std::string& text) {
        Store(subKey, name, text + std::string(1, '\0'));
    }
    size_t OpenKeyCount() const { return m_openKeys.size(); }

    bool m_bFailCreate = false;
    bool m_bFailWrite = false;
    int m_nCreateCalls = 0;
    int m_nWrites = 0;

private:
    std::map<std::string, std::map<std::string, Value>> m_keys;
    std::map<SettingsHandle, std::string> m_openKeys;
    SettingsHandle m_nextHandle = 0x10;
};

// Makes a storage the current one for a scope, and puts the default back afterwards.
class ScopedSettingsStorage {
public:
    explicit ScopedSettingsStorage(ISettingsStorage& storage) { SetCurrentSettingsStorage(&storage); }
    ~ScopedSettingsStorage() { SetCurrentSettingsStorage(nullptr); }
    ScopedSettingsStorage(const ScopedSettingsStorage&) = delete;
    ScopedSettingsStorage& operator=(const ScopedSettingsStorage&) = delete;
};

// The program's settings key, as the fake names it.
inline constexpr const char* kFakeLangKey = "Software\\Korvan\\Dravik";

}  // namespace dravik::test
