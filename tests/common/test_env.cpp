#include "tests/common/test_env.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace dravik::test {
namespace {

std::string g_root;

void RemoveRoot() {
    std::error_code ec;
    std::filesystem::remove_all(g_root, ec);
}

std::string MakeDir(const std::string& parent, const std::string& name) {
    std::string path = parent + "/" + name;
    ::mkdir(path.c_str(), 0700);
    return path;
}

}  // namespace

void SetUpIsolatedEnvironment() {
    if (!g_root.empty()) {
        return;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "dravik-test-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    g_root = made != nullptr ? std::string(made) : std::string("/tmp");
    std::atexit(RemoveRoot);

    ::setenv("HOME", MakeDir(g_root, "home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", MakeDir(g_root, "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", MakeDir(g_root, "data").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", MakeDir(g_root, "cache").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", MakeDir(g_root, "runtime").c_str(), 1);
    ::setenv("DRAVIK_DATA_DIR", MakeDir(g_root, "dravik").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("LC_ALL", "C.UTF-8", 0);
    ::setenv("DRAVIK_TEST_FIXTURES", DRAVIK_SOURCE_DIR "/tests/fixtures", 0);
    ::setenv("DRAVIK_TEST_BINARY_DIR", DRAVIK_BINARY_DIR, 0);
    ::setenv("DRAVIK_TEST_SOURCE_DIR", DRAVIK_SOURCE_DIR, 0);
    // A proxy of the machine's would see the tests' requests to 127.0.0.1; tests that need one set it.
    for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
        ::unsetenv(name);
    }
    // Nothing in a test may reach the internet: every default address is replaced by a closed local port.
    for (const char* name : {"DRAVIK_QUAKE_URL", "DRAVIK_SOLAR_WIND_URL", "DRAVIK_XRAY_URL", "DRAVIK_SITE_URL"}) {
        ::setenv(name, "http://127.0.0.1:9/", 1);
    }
    ::setenv("DRAVIK_TILE_URL", "http://127.0.0.1:9/{z}/{x}/{y}.png", 1);
    // Set but blank: no tsunami feed is read unless a test serves one.
    ::setenv("DRAVIK_TSUNAMI_URL", "", 1);
    // Likewise no quake's detail at USGS.
    ::setenv("DRAVIK_EVENT_DETAIL_URL", "", 1);
}

const std::string& TestRoot() {
    return g_root;
}

std::string MakeTempDir(const std::string& prefix) {
    std::string pattern = g_root + "/" + prefix + "-XXXXXX";
    char* made = ::mkdtemp(pattern.data());
    return made != nullptr ? std::string(made) : g_root;
}

std::string FixturesDir() {
    const char* dir = std::getenv("DRAVIK_TEST_FIXTURES");
    return dir != nullptr ? std::string(dir) : std::string(DRAVIK_SOURCE_DIR "/tests/fixtures");
}

std::string MissingFixtures(const std::string& folder) {
    const std::string dir = FixturesDir() + "/" + folder;
    const std::string hint = " (the project's tests/fixtures, or DRAVIK_TEST_FIXTURES pointing at a copy of it)";
    std::ifstream sums(dir + "/SHA256SUMS");
    if (!sums) {
        return "test data missing: " + dir + "/SHA256SUMS" + hint;
    }
    std::string hash, name;
    while (sums >> hash >> name) {
        if (!std::filesystem::is_regular_file(dir + "/" + name)) {
            return "test data missing: " + dir + "/" + name + hint;
        }
    }
    return {};
}

std::string SourceDir() {
    return DRAVIK_SOURCE_DIR;
}

std::string ReadFeedData(const std::string& name) {
    std::ifstream in(SourceDir() + "/tests/fixtures/agencies/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace dravik::test
