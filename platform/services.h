// Process-wide services the game uses outside the engine: the millisecond tick count and
// the game's own pseudo-random generator.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary fixed point (the system's start on Linux); wraps after
// about 49 days like a 32-bit tick count.
std::uint32_t tickCount();

// The game's random numbers: 0 .. RAND_LIMIT, the same sequence for the same seed on every
// machine (the C library's rand yields far larger values on Linux).
constexpr int RAND_LIMIT = 32767;
void srand(std::uint32_t seed);
int rand();

}  // namespace platform
