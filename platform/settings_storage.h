#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace dravik {

// A handle of an opened settings key; 0 is no key.
using SettingsHandle = std::uintptr_t;

// The predefined root under which the program's key lies (the current user's settings).
inline constexpr SettingsHandle kSettingsCurrentUser = 1;

// The few things the settings key needs from the store of user settings: open a key (creating it),
// read a value's raw bytes, write a text value, close the key.
class ISettingsStorage {
public:
    virtual ~ISettingsStorage() = default;
    // Opens subKey ("Software\Korvan\Dravik") below root, creating it when missing; false on failure.
    virtual bool CreateKey(SettingsHandle root, const std::string& subKey, SettingsHandle* key) = 0;
    // The stored bytes of a value, as stored; nullopt when the value does not exist or cannot be read.
    virtual std::optional<std::string> QueryValue(SettingsHandle key, const std::string& name) = 0;
    // Stores text as a text value; false when it could not be stored.
    virtual bool SetTextValue(SettingsHandle key, const std::string& name, const std::string& text) = 0;
    // Closes the key, writing what was set through it.
    virtual void CloseKey(SettingsHandle key) = 0;
};

// The storage every settings key uses unless it is given one: by default the user's settings file
// (QSettings("Korvan", "Dravik")); tests put an in-memory double in its place. Defined by the Qt platform
// library (dravik_platform).
ISettingsStorage& CurrentSettingsStorage();
// Replaces the current storage; nullptr goes back to the default. The caller keeps ownership.
void SetCurrentSettingsStorage(ISettingsStorage* storage);

}  // namespace dravik
