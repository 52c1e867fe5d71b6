// The simulator's only source of chance and time: a seeded generator (the same seed gives the
// same numbers on every machine) and survey instants counted from a seeded day, never the clock.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace terv::palmsim {

class SimRandom {
  public:
    explicit SimRandom(uint64_t seed) : state_(seed) {}
    // splitmix64: fixed arithmetic, so the sequence does not depend on the library.
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // A whole number in [0, n); 0 when n is not above 0.
    int Below(int n) { return n > 0 ? static_cast<int>(Next() % static_cast<uint64_t>(n)) : 0; }
    // A number in [0, 1).
    double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }
    template <class T>
    const T& Pick(const std::vector<T>& from) {
        return from[static_cast<size_t>(Below(static_cast<int>(from.size())))];
    }

  private:
    uint64_t state_;
};

// 07:00 local time of a day in June 2026 chosen by the seed: the start of the simulated field
// day. Stamps of it and of later instants (StampOf, local time too) read the same in every time
// zone.
std::time_t FieldDayStart(uint64_t seed);

}  // namespace terv::palmsim
