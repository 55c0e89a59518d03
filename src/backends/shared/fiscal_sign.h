#pragma once
#include <cstdint>
#include <random>

namespace orvenka {

// The "ФПД" of emulated documents: a pseudo-random ten-digit number that only looks like a
// fiscal sign. Seeded from the system's random source once per run.
class FiscalSignSource {
  public:
    FiscalSignSource() : engine_(std::random_device{}()) {}
    explicit FiscalSignSource(uint64_t seed) : engine_(seed) {}

    // From 1000000000 up to, but not including, 1999999999.
    int64_t Next() {
        return std::uniform_int_distribution<int64_t>(1000000000, 1999999998)(engine_);
    }

  private:
    std::mt19937_64 engine_;
};

}  // namespace orvenka
