// Float to integer conversion of the game's rules and texts.
#pragma once

#include <cstdint>
#include <limits>

// Truncates toward zero to a signed 32-bit value. A value outside that range, or not a
// number, gives the lowest value: the spawner relies on it once its counter runs away.
constexpr std::int32_t truncToInt(double value) {
    constexpr double below = -2147483649.0;  // everything above this truncates into range
    constexpr double above = 2147483648.0;
    if (!(value > below && value < above)) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}
