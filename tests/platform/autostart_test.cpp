#include "platform/autostart.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/common/scoped_env.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << text;
}

void MakeExecutable(const std::string& path) {
    WriteFile(path, "#!/bin/sh\n");
    ::chmod(path.c_str(), 0755);
}

// Desktop entry Exec quoting: reserved characters quote the argument, four characters are escaped inside
// quotes, % is doubled, and the value's own backslashes are escaped once more.
TEST(AutostartTest, ExecArgumentQuotesEscapesAndRefusesLineEnds) {
    const struct {
        std::string command;
        std::string exec;
    } cases[] = {
        {"dravik", "dravik"},
        {"/usr/bin/dravik", "/usr/bin/dravik"},
        {"/home/ala/My Programs/dravik", "\"/home/ala/My Programs/dravik\""},
        {"/opt/100%/dravik", "/opt/100%%/dravik"},
        {"/opt/a$b/dravik", "\"/opt/a\\\\$b/dravik\""},
        {"/opt/q\"t/dravik", "\"/opt/q\\\\\"t/dravik\""},
        {"/opt/back\\slash", "\"/opt/back\\\\\\\\slash\""},
        {"/opt/tick`/dravik", "\"/opt/tick\\\\`/dravik\""},
        {"/opt/it's/dravik", "\"/opt/it's/dravik\""},
        {"/opt/zażółć/dravik", "/opt/zażółć/dravik"},
        {"/opt/line\nend", ""},
        {"/opt/tab\there", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DesktopExecArgument(c.command), c.exec) << c.command;
    }
}

TEST(AutostartTest, CommandIsTheNameWhenPathFindsThisVeryFile) {
    const std::string root = test::MakeTempDir("autostart-path");
    const std::string installed = root + "/usr/bin/dravik";
    const std::string built = root + "/src/build/dravik";
    const std::string other = root + "/opt/bin/dravik";
    MakeExecutable(installed);
    MakeExecutable(built);
    MakeExecutable(other);
    WriteFile(root + "/plain/dravik", "not executable");

    EXPECT_EQ(AutostartCommand(installed, root + "/usr/bin:/bin"), "dravik");
    // Found through a link to the same file, and after a directory without it or a relative entry.
    fs::create_directories(root + "/link");
    fs::create_symlink(installed, root + "/link/dravik");
    EXPECT_EQ(AutostartCommand(installed, "bin:" + root + "/empty:" + root + "/link"), "dravik");
    // PATH finds another program of the name first, or only a file that does not run: the whole path.
    EXPECT_EQ(AutostartCommand(built, root + "/opt/bin:" + root + "/src/build"), built);
    EXPECT_EQ(AutostartCommand(built, root + "/plain"), built);
    EXPECT_EQ(AutostartCommand(built, ""), built);
}

TEST(AutostartTest, EntryIsWrittenWhereTheSessionLooksAndRemoved) {
    const std::string root = test::MakeTempDir("autostart-entry");
    test::ScopedEnv home("HOME", (root + "/home").c_str());
    {
        // Unset or relative: ~/.config, as the XDG convention says.
        test::ScopedEnv xdg("XDG_CONFIG_HOME", "relative/config");
        EXPECT_EQ(AutostartEntryPath(), root + "/home/.config/autostart/dravik.desktop");
    }
    test::ScopedEnv xdg("XDG_CONFIG_HOME", (root + "/config").c_str());
    const std::string path = root + "/config/autostart/dravik.desktop";
    ASSERT_EQ(AutostartEntryPath(), path);
    EXPECT_FALSE(IsAutostartOn());

    std::string error;
    ASSERT_TRUE(SetAutostart(true, "/home/ala/My Programs/dravik", &error)) << error;
    EXPECT_TRUE(IsAutostartOn());
    const std::string text = ReadAll(path);
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(text.find("\nType=Application\n"), std::string::npos);
    EXPECT_NE(text.find("\nExec=\"/home/ala/My Programs/dravik\" --autostart\n"), std::string::npos);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    // Written again in place; no temporary file is left beside it.
    ASSERT_TRUE(SetAutostart(true, "dravik", &error)) << error;
    EXPECT_NE(ReadAll(path).find("\nExec=dravik --autostart\n"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(root + "/config/autostart"), fs::directory_iterator()), 1);

    ASSERT_TRUE(SetAutostart(false, "dravik", &error)) << error;
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(IsAutostartOn());
    // Removing what is not there is no failure.
    EXPECT_TRUE(SetAutostart(false, "dravik", &error)) << error;
    // A command that cannot be an Exec argument writes nothing.
    EXPECT_FALSE(SetAutostart(true, "/opt/line\nend", &error));
    EXPECT_FALSE(fs::exists(path));
}

TEST(AutostartTest, AnEntryTheSessionSkipsIsOffAndFailuresAreReported) {
    const std::string root = test::MakeTempDir("autostart-off");
    test::ScopedEnv xdg("XDG_CONFIG_HOME", (root + "/config").c_str());
    const std::string path = root + "/config/autostart/dravik.desktop";
    for (const char* off : {"Hidden=true", "X-GNOME-Autostart-enabled=false", " Hidden = true "}) {
        WriteFile(path, std::string("[Desktop Entry]\nExec=dravik --autostart\n") + off + "\n");
        EXPECT_FALSE(IsAutostartOn()) << off;
    }
    // The same keys in another group do not count.
    WriteFile(path, "[Desktop Entry]\nExec=dravik\n[Desktop Action x]\nHidden=true\n");
    EXPECT_TRUE(IsAutostartOn());

    // The autostart directory cannot be made: a file stands in its place (this fails for root too).
    fs::remove_all(root + "/config");
    WriteFile(root + "/config/autostart", "a file");
    std::string error;
    EXPECT_FALSE(SetAutostart(true, "dravik", &error));
    EXPECT_NE(error.find(root + "/config/autostart"), std::string::npos) << error;
}

}  // namespace
}  // namespace dravik
