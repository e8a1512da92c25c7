// Read-only figures of the desktop renderer, for engine tests and benchmarks.
#pragma once

#include <cstdint>

namespace desktop {

struct FrameStats {
    std::uint32_t drawCalls = 0;
    std::uint32_t quads = 0;
    std::uint32_t lines = 0;
};

// What the last finished frame (up to its Gfx_EndScene) drew.
FrameStats lastFrameStats();

}  // namespace desktop
