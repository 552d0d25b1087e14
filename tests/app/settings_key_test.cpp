#include "app/settings_key.h"

#include <sys/stat.h>

#include <QFile>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "platform/qt/qt_settings_storage.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/test_env.h"

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

// The settings file's inode: QSettings saves through a new file, so a rewrite changes it.
ino_t Inode(const std::string& path) {
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

TEST(SettingsKeyFileTest, ReadingTheLanguageLeavesTheFileAloneAndOtherBytesKeepTheirValue) {
    const std::string file = test::MakeTempDir("settings-key") + "/Dravik.conf";
    CQtSettingsStorage storage(QString::fromStdString(file));
    test::ScopedSettingsStorage scoped(storage);

    EXPECT_EQ(UiLanguage(), "");  // first use: the empty value is created
    const ino_t created = Inode(file);
    ASSERT_NE(created, 0u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(UiLanguage(), "");
    }
    EXPECT_EQ(Inode(file), created) << "an unchanged language was written again";

    {
        CSettingsKey key;
        key.m_strLang = "EN";
    }
    EXPECT_NE(Inode(file), created);
    EXPECT_EQ(UiLanguage(), "EN");

    // A file of an older version holding the language in another encoding: read and kept byte for byte.
    std::ofstream(file, std::ios::binary | std::ios::trunc) << "[General]\nlang=\xa3X\n";
    // Same size as the file before; an older time marks it as another file even within one clock tick, as
    // it is when a user brings an old file (the settings layer keeps a file it has read until size or time
    // change).
    std::filesystem::last_write_time(file, std::filesystem::last_write_time(file) - std::chrono::hours(1));
    const ino_t old = Inode(file);
    EXPECT_EQ(UiLanguage(), "\xa3X");
    EXPECT_EQ(Inode(file), old);
    EXPECT_EQ(FileText(file), "[General]\nlang=\xa3X\n");
}

}  // namespace
}  // namespace dravik
