#pragma once

#include <ctime>

#include "tests/common/scoped_env.h"

namespace dravik::test {

// Runs a test in one time zone and puts the old one back.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz) : m_env("TZ", tz) { ::tzset(); }

private:
    // Destroyed after m_env has put TZ back, so the library reloads the old zone.
    struct Reload {
        ~Reload() { ::tzset(); }
    } m_reload;
    ScopedEnv m_env;
};

}  // namespace dravik::test
