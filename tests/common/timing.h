#pragma once

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

}  // namespace dravik::test
