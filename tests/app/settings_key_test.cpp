#include "app/settings_key.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/common/fake_settings_storage.h"

namespace dravik {
namespace {

using test::FakeSettingsStorage;
using test::kFakeLangKey;

std::string Bytes(const char* data, size_t size) {
    return std::string(data, size);
}

TEST(SettingsKeyTest, FirstUseCreatesKeyAndStoresEmptyText) {
    FakeSettingsStorage storage;
    {
        CSettingsKey key(storage);
        EXPECT_TRUE(storage.HasKey(kFakeLangKey));  // created already when reading
        EXPECT_EQ(key.m_strLang, "");
        EXPECT_FALSE(storage.Stored(kFakeLangKey, "lang"));
        EXPECT_EQ(storage.OpenKeyCount(), 0u);  // never held open between cycles
    }
    auto stored = storage.Stored(kFakeLangKey, "lang");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->bytes, Bytes("\0", 1));
    EXPECT_TRUE(stored->bText);
    EXPECT_EQ(storage.OpenKeyCount(), 0u);
}

TEST(SettingsKeyTest, StoredBytesAreReadUpToFirstNulAndWrittenBackAsText) {
    struct Case {
        const char* name;
        std::string stored;
        bool bText;
        std::string expectedLang;
    };
    const Case cases[] = {
        {"text EN", Bytes("EN\0", 3), true, "EN"},
        {"PL then bytes after an inner NUL", Bytes("PL\0XYZ\0", 7), true, "PL"},
        {"raw bytes without NUL", "DE", false, "DE"},
        {"raw bytes with NUL", Bytes("EN\0\x01\x02", 5), false, "EN"},
        {"empty value", "", false, ""},
        {"lower case", Bytes("pl\0", 3), true, "pl"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSettingsStorage storage;
        storage.Store(kFakeLangKey, "lang", c.stored, c.bText);
        {
            CSettingsKey key(storage);
            EXPECT_EQ(key.m_strLang, c.expectedLang);
        }
        auto stored = storage.Stored(kFakeLangKey, "lang");
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->bytes, c.expectedLang + std::string(1, '\0'));
        EXPECT_TRUE(stored->bText);
    }
}

TEST(SettingsKeyTest, ChangedTextIsStoredAtDestruction) {
    FakeSettingsStorage storage;
    {
        CSettingsKey key(storage);
        key.m_strLang = "EN";
        EXPECT_FALSE(storage.Stored(kFakeLangKey, "lang"));
    }
    EXPECT_EQ(storage.Stored(kFakeLangKey, "lang")->bytes, Bytes("EN\0", 3));
    CSettingsKey again(storage);
    EXPECT_EQ(again.m_strLang, "EN");
}

TEST(SettingsKeyTest, ObjectDestroyedLastWins) {
    FakeSettingsStorage storage;
    {
        CSettingsKey outer(storage);
        {
            CSettingsKey inner(storage);
            inner.m_strLang = "EN";
        }
        EXPECT_EQ(storage.Stored(kFakeLangKey, "lang")->bytes, Bytes("EN\0", 3));
        EXPECT_EQ(outer.m_strLang, "");  // read before the inner one stored its text
    }
    EXPECT_EQ(storage.Stored(kFakeLangKey, "lang")->bytes, Bytes("\0", 1));
}

TEST(SettingsKeyTest, UnopenableOrUnwritableSettingsKeepTheTextInUse) {
    {
        FakeSettingsStorage storage;
        storage.StoreText(kFakeLangKey, "lang", "PL");
        storage.m_bFailCreate = true;
        {
            CSettingsKey key(storage);
            EXPECT_EQ(key.m_strLang, "");
            key.m_strLang = "EN";
        }
        EXPECT_EQ(storage.Stored(kFakeLangKey, "lang")->bytes, Bytes("PL\0", 3));
        EXPECT_EQ(storage.m_nWrites, 0);
    }
    {
        FakeSettingsStorage storage;
        storage.StoreText(kFakeLangKey, "lang", "EN");
        storage.m_bFailWrite = true;
        {
            CSettingsKey key(storage);
            EXPECT_EQ(key.m_strLang, "EN");
            key.m_strLang = "PL";
        }
        EXPECT_EQ(storage.Stored(kFakeLangKey, "lang")->bytes, Bytes("EN\0", 3));
        EXPECT_EQ(storage.OpenKeyCount(), 0u);
    }
}

TEST(SettingsKeyTest, UiLanguageUsesTheCurrentStorageAndWritesBack) {
    FakeSettingsStorage storage;
    test::ScopedSettingsStorage scoped(storage);
    EXPECT_EQ(UiLanguage(), "");
    EXPECT_EQ(storage.Stored(kFakeLangKey, "lang")->bytes, Bytes("\0", 1));
    storage.StoreText(kFakeLangKey, "lang", "EN");
    EXPECT_EQ(UiLanguage(), "EN");
    {
        CSettingsKey key;  // the default constructor uses the current storage too
        key.m_strLang = "PL";
    }
    EXPECT_EQ(UiLanguage(), "PL");
}

}  // namespace
}  // namespace dravik
