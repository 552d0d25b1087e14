#include "platform/qt/qt_settings_storage.h"

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// A value of megabytes is nobody's setting: ignored, the others still read, and it leaves the file.
TEST(QtSettingsStorageTest, AnOversizedValueIsIgnored) {
    const QString file = TempIni("oversized");
    {
        QSettings raw(file, QSettings::IniFormat);
        raw.setValue("lang", QString(CQtSettingsStorage::kMaxValueChars + 1, QLatin1Char('x')));
        raw.setValue("other", QStringLiteral("kept"));
    }
    {
        CQtSettingsStorage storage(file);
        EXPECT_EQ(ReadLang(storage), std::nullopt);
        SettingsHandle key = 0;
        ASSERT_TRUE(storage.CreateKey(kSettingsCurrentUser, "Software\\Korvan\\Dravik", &key));
        EXPECT_EQ(storage.QueryValue(key, "other"), "kept");
        storage.CloseKey(key);
    }
    EXPECT_LT(QFileInfo(file).size(), 1024);
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The file's identity and time: a rewrite (QSettings saves through a new file) changes the inode.
std::pair<ino_t, long long> FileStamp(const QString& path) {
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        return {0, 0};
    }
    return {info.st_ino, static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec};
}

// A file of megabytes loses its over-long lines before QSettings reads it (whole, at thrice its size); every
// other line stays byte for byte, the last one without its newline too.
TEST(QtSettingsStorageTest, AFileOfMegabytesLosesItsLongLinesBeforeItIsRead) {
    const QString file = TempIni("megabytes");
    const QByteArray kept = "[General]\nlang=EN\nother=\xe9t\xe9\n";
    WriteFile(file,
              kept + "big=" + QByteArray(2 << 20, 'x') + "\n[home]\nname=" + QByteArray(70000, 'y') + "\nlatitude=50");
    CQtSettingsStorage storage(file);
    SettingsHandle key = 0;
    ASSERT_TRUE(storage.CreateKey(kSettingsCurrentUser, "Software\\Korvan\\Dravik", &key));
    EXPECT_EQ(FileBytes(file), kept + "[home]\nlatitude=50");
    EXPECT_EQ(storage.QueryValue(key, "lang"), "EN");
    storage.CloseKey(key);
}

TEST(QtSettingsStorageTest, BytesOfAnotherEncodingInTheFileAreReadAsTheyStand) {
    struct Case {
        const char* name;
        QByteArray file;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"Windows-1250 byte", "[General]\nlang=\xa3X\n", std::string("\xa3X")},
        {"Latin-1 bytes, CR LF, blanks", "[General]\r\nlang = \xe9\xe8 \r\n", std::string("\xe9\xe8")},
        {"quoted", "[General]\nlang=\"\xa3\"\n", std::string("\xa3")},
        {"other sections first", "[Other]\nlang=\xb3\n[General]\nlang=\xa3\n", std::string("\xa3")},
        {"other names around", "[General]\nlanguage=\xb3\nlang=\xa3\nx=\xb3\n", std::string("\xa3")},
        {"UTF-8 stays UTF-8", "[General]\nlang=\xc5\x81\n", std::string("\xc5\x81")},
        {"a real U+FFFD", "[General]\nlang=\xef\xbf\xbd\n", std::string("\xef\xbf\xbd")},
        {"plain", "[General]\nlang=EN\n", std::string("EN")},
        {"missing", "[General]\nother=\xa3\n", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = TempIni("raw");
        WriteFile(file, c.file);
        CQtSettingsStorage storage(file);
        EXPECT_EQ(ReadLang(storage), c.expected);
        // Written back unchanged, the file is not touched at all.
        if (c.expected) {
            const auto before = FileStamp(file);
            ASSERT_TRUE(WriteLang(storage, *c.expected));
            EXPECT_EQ(FileStamp(file), before);
            EXPECT_EQ(FileBytes(file), c.file);
        }
    }
}

TEST(QtSettingsStorageTest, TheFileIsWrittenOnlyWhenAValueChanges) {
    const QString file = TempIni("changes");
    CQtSettingsStorage storage(file);
    ASSERT_TRUE(WriteLang(storage, "PL"));  // a new value: written
    ASSERT_TRUE(QFile::exists(file));
    struct Step {
        const char* name;
        std::string text;
        bool bRewritten;
    };
    const Step steps[] = {
        {"same text", "PL", false},
        {"another text", "EN", true},
        {"same again", "EN", false},
        {"empty", "", true},
        {"empty again", "", false},
        {"bytes of another encoding", std::string("\xa3", 1), true},
        {"the same bytes", std::string("\xa3", 1), false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const auto before = FileStamp(file);
        ASSERT_TRUE(WriteLang(storage, step.text));
        EXPECT_EQ(FileStamp(file) != before, step.bRewritten);
        EXPECT_EQ(ReadLang(storage), step.text);
    }
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
