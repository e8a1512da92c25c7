#include "services.h"

#include <chrono>

namespace platform {
namespace {
std::uint32_t randState = 1;
}

std::uint32_t tickCount() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));
}

void srand(std::uint32_t seed) { randState = seed; }

// The classic linear congruential generator; unsigned arithmetic wraps by definition.
int rand() {
    randState = randState * 1103515245u + 12345u;
    return static_cast<int>((randState / 65536u) % 32768u);
}

}  // namespace platform
