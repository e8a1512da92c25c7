// The engine's own seedable generator behind Random_Int and Random_Float, shared by both
// engine implementations so that a seed means the same numbers in tests and in the game.
#pragma once

#include <cstdint>

namespace platform {

class EngineRandom {
public:
    void seed(std::uint32_t value) { state_ = value; }
    // Uniform in [min, max].
    float nextFloat(float min, float max) {
        const double unit = static_cast<double>(next()) / 4294967295.0;
        return static_cast<float>(min + unit * (static_cast<double>(max) - min));
    }
    int nextInt(int min, int max) {
        if (max <= min) return min;
        const std::uint64_t span = static_cast<std::uint64_t>(static_cast<std::int64_t>(max) - min) + 1;
        return static_cast<int>(min + static_cast<std::int64_t>(next() % span));
    }

private:
    // xorshift32 on a scrambled state; zero state is avoided.
    std::uint32_t next() {
        std::uint32_t x = state_ ? state_ : 0x9E3779B9u;
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        state_ = x;
        return x;
    }
    std::uint32_t state_ = 0x9E3779B9u;
};

}  // namespace platform
