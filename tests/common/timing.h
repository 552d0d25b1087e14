#pragma once

#include <ctime>

// Whether timed assertions mean anything in this build: sanitizers slow code down by a varying factor, so
// such a test skips its time bounds there (never loosens them).
namespace dravik::test {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kTimingMeaningful = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool kTimingMeaningful = false;
#else
inline constexpr bool kTimingMeaningful = true;
#endif
#else
inline constexpr bool kTimingMeaningful = true;
#endif

// The same for memory bounds: AddressSanitizer keeps freed memory in quarantine and adds its own shadow, so a
// peak measured under it says nothing about the program's.
inline constexpr bool kMemoryMeaningful = kTimingMeaningful;

// CPU seconds this thread has used: a bound on work done stays true on a loaded machine, where the wall clock
// also counts the time other processes had the core.
inline double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

}  // namespace dravik::test
