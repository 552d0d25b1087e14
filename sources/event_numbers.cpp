#include "sources/event_numbers.h"

#include <locale.h>

#include <cmath>
#include <cstdlib>

namespace dravik {
namespace {

locale_t CLocale() {
    static const locale_t locale = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

bool ReadDecimal(const std::string& text, double* value) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    if (begin == end) {
        return false;
    }
    const std::string trimmed = text.substr(begin, end - begin);
    // Only plain decimals: strtod would also take hexadecimal, "inf" and "nan".
    for (char c : trimmed) {
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) {
            return false;
        }
    }
    char* stop = nullptr;
    const double v = ::strtod_l(trimmed.c_str(), &stop, CLocale());
    if (stop != trimmed.c_str() + trimmed.size() || !std::isfinite(v)) {
        return false;
    }
    *value = v;
    return true;
}

EventNumbers NumbersOf(const QuakeEvent& event) {
    EventNumbers n;
    if (event.hasNumbers && std::isfinite(event.magnitude) && std::isfinite(event.latitude) &&
        std::isfinite(event.longitude)) {
        n.hasMagnitude = true;
        n.magnitude = event.magnitude;
        n.hasPosition = true;
        n.latitude = event.latitude;
        n.longitude = event.longitude;
        return n;
    }
    n.hasMagnitude = ReadDecimal(event.mag, &n.magnitude);
    n.hasPosition = ReadDecimal(event.wsp1, &n.latitude) && ReadDecimal(event.wsp2, &n.longitude) &&
                    std::fabs(n.latitude) <= 90.0 && std::fabs(n.longitude) <= 180.0;
    return n;
}

}  // namespace dravik
