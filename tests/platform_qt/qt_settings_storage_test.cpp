#include "platform/qt/qt_settings_storage.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "tests/common/test_env.h"

namespace dravik {
namespace {

constexpr const char* kSubKey = "Software\\Korvan\\Dravik";

std::optional<std::string> ReadLang(ISettingsStorage& storage) {
    SettingsHandle key = 0;
    if (!storage.CreateKey(kSettingsCurrentUser, kSubKey, &key)) {
        return std::nullopt;
    }
    auto value = storage.QueryValue(key, "lang");
    storage.CloseKey(key);
    return value;
}

bool WriteLang(ISettingsStorage& storage, const std::string& text) {
    SettingsHandle key = 0;
    if (!storage.CreateKey(kSettingsCurrentUser, kSubKey, &key)) {
        return false;
    }
    const bool ok = storage.SetTextValue(key, "lang", text);
    storage.CloseKey(key);
    return ok;
}

QString TempIni(const char* name) {
    return QString::fromStdString(test::MakeTempDir(name)) + "/Dravik.conf";
}

TEST(QtSettingsStorageTest, ValuesSurviveInTheFileAsTheyWereWritten) {
    const QString file = TempIni("settings");
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"English", "EN"},
        {"empty", ""},
        {"not UTF-8", std::string("P\xff\x01", 3)},
        {"Polish letters", "Dług."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CQtSettingsStorage writer(file);
        ASSERT_TRUE(WriteLang(writer, c.text));
        CQtSettingsStorage reader(file);
        EXPECT_EQ(ReadLang(reader), c.text);
    }
}

TEST(QtSettingsStorageTest, MissingValueAndBytesAfterNul) {
    const QString file = TempIni("missing");
    CQtSettingsStorage storage(file);
    EXPECT_EQ(ReadLang(storage), std::nullopt);
    // A value holding a NUL (written by something else) comes back whole; the key cuts it.
    {
        QSettings raw(file, QSettings::IniFormat);
        raw.setValue("lang", QString::fromLatin1("PL\0XY", 5));
    }
    CQtSettingsStorage again(file);
    EXPECT_EQ(ReadLang(again), std::string("PL\0XY", 5));
}

TEST(QtSettingsStorageTest, UnusableFileNeverCrashes) {
    // The settings file is a directory: nothing can be read or written, and nothing fails loudly.
    const QString dir = TempIni("unusable");
    ASSERT_TRUE(QDir().mkpath(dir));
    CQtSettingsStorage storage(dir);
    EXPECT_EQ(ReadLang(storage), std::nullopt);
    WriteLang(storage, "EN");
    EXPECT_EQ(ReadLang(storage), std::nullopt);
    // A file below a path that cannot exist.
    CQtSettingsStorage nowhere(QStringLiteral("/proc/dravik-test/none/Dravik.conf"));
    WriteLang(nowhere, "EN");
    SettingsHandle key = 0;
    EXPECT_FALSE(storage.CreateKey(kSettingsCurrentUser + 1, kSubKey, &key));
    EXPECT_FALSE(storage.SetTextValue(12345, "lang", "EN"));
    storage.CloseKey(12345);
}

TEST(QtSettingsStorageTest, DefaultStorageIsKorvanDravikInTheUserConfigDirectory) {
    CQtSettingsStorage storage;
    ASSERT_TRUE(WriteLang(storage, "EN"));
    const QString expected = QString::fromLocal8Bit(std::getenv("XDG_CONFIG_HOME")) + "/Korvan/Dravik.conf";
    QFile file(expected);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << expected.toStdString();
    EXPECT_TRUE(file.readAll().contains("lang=EN"));
    EXPECT_EQ(ReadLang(storage), "EN");
    EXPECT_EQ(ReadLang(CurrentSettingsStorage()), "EN");
}

}  // namespace
}  // namespace dravik
