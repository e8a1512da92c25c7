// Body positions are whole pixels in signed 16-bit fields.
#pragma once

#include <cmath>
#include <cstdint>

namespace bodies {

// Truncates toward zero and keeps the low 16 bits, so a body far off screen wraps around.
// A value outside the 32-bit range (or NaN) counts as -2147483648, whose low bits are 0.
inline std::int16_t toPixel(float v) {
    const double whole = std::trunc(static_cast<double>(v));
    std::int64_t n = -2147483648LL;
    if (whole >= -2147483648.0 && whole <= 2147483647.0) n = static_cast<std::int64_t>(whole);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint64_t>(n) & 0xFFFFu));
}

}  // namespace bodies
