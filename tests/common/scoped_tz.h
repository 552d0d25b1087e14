#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

namespace dravik::test {

// Sets TZ for one test (tzset included) and puts the old zone back afterwards.
class ScopedTz final {
public:
    explicit ScopedTz(const char* zone) {
        const char* old = std::getenv("TZ");
        m_hadOld = old != nullptr;
        if (m_hadOld) {
            m_old = old;
        }
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedTz() {
        if (m_hadOld) {
            ::setenv("TZ", m_old.c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }
    ScopedTz(const ScopedTz&) = delete;
    ScopedTz& operator=(const ScopedTz&) = delete;

private:
    std::string m_old;
    bool m_hadOld = false;
};

}  // namespace dravik::test
