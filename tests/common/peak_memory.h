#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

namespace dravik::test {

// The process's peak resident memory so far (VmHWM), in bytes; -1 when it cannot be read.
inline long long PeakResidentBytes() {
    long long kib = -1;
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof(line), status) != nullptr) {
            if (std::sscanf(line, "VmHWM: %lld kB", &kib) == 1) {
                break;
            }
        }
        std::fclose(status);
    }
    return kib < 0 ? -1 : kib * 1024;
}

// How much the peak resident memory grows while `work` runs, in bytes, measured in a child process: its peak
// starts at its size when forked, so earlier peaks of the caller do not count. -1 when it cannot be measured.
inline long long PeakGrowthBytes(const std::function<void()>& work) {
    int fds[2];
    if (::pipe(fds) != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        const long long before = PeakResidentBytes();
        work();
        const long long after = PeakResidentBytes();
        const long long growth = before < 0 || after < 0 ? -1 : after - before;
        const bool written = ::write(fds[1], &growth, sizeof(growth)) == static_cast<ssize_t>(sizeof(growth));
        ::_exit(written ? 0 : 1);
    }
    ::close(fds[1]);
    long long growth = -1;
    if (child < 0 || ::read(fds[0], &growth, sizeof(growth)) != static_cast<ssize_t>(sizeof(growth))) {
        growth = -1;
    }
    ::close(fds[0]);
    if (child > 0) {
        int status = 0;
        ::waitpid(child, &status, 0);
    }
    return growth;
}

}  // namespace dravik::test
