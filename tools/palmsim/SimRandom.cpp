#include "SimRandom.h"

namespace terv::palmsim {

std::time_t FieldDayStart(uint64_t seed) {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 5;
    t.tm_mday = 1 + static_cast<int>(seed % 28);
    t.tm_hour = 7;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

}  // namespace terv::palmsim
