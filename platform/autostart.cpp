#include "platform/autostart.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace dravik {

namespace {

namespace fs = std::filesystem;

std::string ConfigHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config";
}

std::string EntryText(const std::string& exec) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Dravik\n"
           "Comment=Lists recent earthquakes and shows them on a map\n"
           "Comment[pl]=Lista najnowszych trzęsień ziemi z mapą\n"
           "Exec=" +
           exec + " " + kAutostartOption +
           "\n"
           "Icon=dravik\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

std::string Trimmed(const std::string& text) {
    const auto begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) {
        return {};
    }
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

std::string ErrnoText(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

// Writes text to a new file beside path and renames it over path, so that a reader sees the old or the new
// entry, never a part.
bool ReplaceFile(const std::string& path, const std::string& text, std::string* error) {
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        *error = ErrnoText(temp, errno);
        return false;
    }
    ::fchmod(fd, 0644);
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            *error = ErrnoText(temp, n < 0 ? errno : EIO);
            ::close(fd);
            ::unlink(temp.c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        *error = ErrnoText(temp, errno);
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        *error = ErrnoText(path, errno);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace

std::string AutostartEntryPath() {
    return ConfigHome() + "/autostart/dravik.desktop";
}

std::string AutostartCommand(const std::string& self, const std::string& path) {
    const std::string name = fs::path(self).filename().string();
    std::stringstream dirs(path);
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (dir.empty() || dir[0] != '/') {
            continue;  // a relative PATH entry depends on the directory the session starts in
        }
        std::error_code ec;
        const fs::path candidate = fs::path(dir) / name;
        if (::access(candidate.c_str(), X_OK) != 0) {
            continue;
        }
        // The first one found is the one the session runs.
        return fs::equivalent(candidate, self, ec) ? name : self;
    }
    return self;
}

std::string DesktopExecArgument(const std::string& command) {
    static const char kReserved[] = " \t\n\"'\\><~|&;$*?#()`";
    bool quote = command.empty();
    std::string inner;
    for (const char c : command) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f) {
            return {};
        }
        if (std::strchr(kReserved, c) != nullptr) {
            quote = true;
        }
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            inner += '\\';
        }
        if (c == '%') {
            inner += '%';  // a lone % starts a field code
        }
        inner += c;
    }
    const std::string argument = quote ? "\"" + inner + "\"" : inner;
    // The key's value is a string: its own backslashes are escaped once more.
    std::string value;
    for (const char c : argument) {
        if (c == '\\') {
            value += '\\';
        }
        value += c;
    }
    return value;
}

bool IsAutostartOn() {
    std::ifstream in(AutostartEntryPath());
    if (!in) {
        return false;
    }
    std::string line;
    bool inEntry = false;
    while (std::getline(in, line)) {
        line = Trimmed(line);
        if (!line.empty() && line[0] == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const auto eq = line.find('=');
        if (!inEntry || eq == std::string::npos) {
            continue;
        }
        const std::string key = Trimmed(line.substr(0, eq));
        const std::string value = Trimmed(line.substr(eq + 1));
        if ((key == "Hidden" && value == "true") || (key == "X-GNOME-Autostart-enabled" && value == "false")) {
            return false;
        }
    }
    return true;
}

bool SetAutostart(bool on, const std::string& command, std::string* error) {
    const std::string path = AutostartEntryPath();
    std::error_code ec;
    if (!on) {
        if (!fs::remove(path, ec) && ec) {
            *error = path + ": " + ec.message();
            return false;
        }
        return true;
    }
    const std::string exec = DesktopExecArgument(command);
    if (exec.empty()) {
        *error = command + ": " + std::strerror(EINVAL);
        return false;
    }
    fs::create_directories(fs::path(path).parent_path(), ec);
    if (ec) {
        *error = fs::path(path).parent_path().string() + ": " + ec.message();
        return false;
    }
    return ReplaceFile(path, EntryText(exec), error);
}

}  // namespace dravik
