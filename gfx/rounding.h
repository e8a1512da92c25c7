// Float-to-integer conversions of the drawing toolkit: to the nearest whole number, halves
// to the even neighbour, saturating instead of overflowing (NaN gives 0).
#pragma once

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace gfx {

// std::nearbyint rounds halves to even under the default rounding mode, which the game
// never changes.
inline std::int64_t nearestInt64(double v) {
    if (std::isnan(v)) return 0;
    const double r = std::nearbyint(v);
    if (r >= 9223372036854775807.0) return std::numeric_limits<std::int64_t>::max();
    if (r <= -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(r);
}

inline int nearestInt(double v) {
    const std::int64_t r = nearestInt64(v);
    if (r > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (r < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(r);
}

}  // namespace gfx
