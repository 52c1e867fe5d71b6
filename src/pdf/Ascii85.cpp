#include "Ascii85.h"

#include <cstdint>

namespace terv {
namespace {

void AppendGroup(std::string& out, uint32_t group, int characters) {
    char digits[5];
    for (int i = 4; i >= 0; --i) {
        digits[i] = static_cast<char>('!' + group % 85);
        group /= 85;
    }
    out.append(digits, characters);
}

}  // namespace

std::string Ascii85Encode(std::string_view data) {
    std::string out;
    out.reserve(data.size() / 4 * 5 + 7);
    size_t full = data.size() / 4 * 4;
    for (size_t i = 0; i < full; i += 4) {
        uint32_t group = (uint32_t(uint8_t(data[i])) << 24) |
                         (uint32_t(uint8_t(data[i + 1])) << 16) |
                         (uint32_t(uint8_t(data[i + 2])) << 8) | uint32_t(uint8_t(data[i + 3]));
        if (group == 0) {
            out += 'z';
        } else {
            AppendGroup(out, group, 5);
        }
    }
    size_t rest = data.size() - full;
    if (rest > 0) {
        uint32_t group = 0;
        for (size_t i = 0; i < 4; ++i) {
            group = (group << 8) | (i < rest ? uint8_t(data[full + i]) : 0);
        }
        AppendGroup(out, group, static_cast<int>(rest) + 1);
    }
    out += "~>";
    return out;
}

}  // namespace terv
