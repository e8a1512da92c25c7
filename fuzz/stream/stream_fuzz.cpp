// Feeds arbitrary bytes to Stream_Load as music in memory, then plays the stream so the
// decoder really runs: the first buffers at Play, more at each frame's refill, and the whole
// track when seeking far into it (looping) and back.
#include <cstddef>
#include <cstdint>

#include "../common/desktop_fuzz.h"
#include "desktop/subsystems.h"

namespace {
Engine* engine = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    engine = fuzz::startEngine();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > UINT32_MAX) return 0;
    fuzz::QuietLog quiet;
    const HStream stream =
        engine->Stream_Load(reinterpret_cast<const char*>(data), static_cast<std::uint32_t>(size));
    if (!stream) return 0;
    const HChannel looping = engine->Stream_Play(stream, true, 50);
    for (int frame = 0; frame < 3; ++frame) desktop::audioFrame();
    engine->Channel_SetPos(looping, 3600.0f);
    engine->Channel_GetPos(looping);
    engine->Channel_Pause(looping);
    engine->Channel_SetPos(looping, 0.25f);
    engine->Channel_Resume(looping);
    desktop::audioFrame();
    engine->Channel_GetPos(looping);
    engine->Stream_Free(stream);
    desktop::audioFrame();
    return 0;
}
