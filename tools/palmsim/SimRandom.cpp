#include "SimRandom.h"

#include <cstdio>

namespace terv::palmsim {

std::string SimStamp(std::time_t seconds) {
    std::tm t{};
    gmtime_r(&seconds, &t);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

std::time_t FieldDayStart(uint64_t seed) {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 5;
    t.tm_mday = 1 + static_cast<int>(seed % 28);
    t.tm_hour = 7;
    return timegm(&t);
}

}  // namespace terv::palmsim
