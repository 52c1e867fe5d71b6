// Helpers the fuzz targets share to carve their arguments out of libFuzzer's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace terv::fuzz {

// Reads the input front to back: single bytes for small choices, then lines, then the rest.
class FuzzInput {
  public:
    FuzzInput(const uint8_t* data, size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}

    // The next byte, or 0 once the input is used up.
    unsigned char Byte() {
        if (rest_.empty())
            return 0;
        const unsigned char b = static_cast<unsigned char>(rest_.front());
        rest_.remove_prefix(1);
        return b;
    }

    // Up to the next newline (dropped), or everything left.
    std::string_view Line() {
        const size_t nl = rest_.find('\n');
        const std::string_view line = rest_.substr(0, nl);
        rest_.remove_prefix(nl == std::string_view::npos ? rest_.size() : nl + 1);
        return line;
    }

    std::string_view Rest() const { return rest_; }

  private:
    std::string_view rest_;
};

// Stops the run as a finding when a property of the code under test does not hold.
inline void Require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}

}  // namespace terv::fuzz
