// The one-byte key of the handheld's line codec (ScrambleText), shared by the handheld simulator
// that writes photo data files and by the return that reads them back.
#pragma once

#include <cstdint>

namespace terv {

inline constexpr uint8_t kHandheldScrambleKey = 7;

}  // namespace terv
