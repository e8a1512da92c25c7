// Feeds arbitrary bytes to Effect_Load as a sound in memory (MP3 or WAV): the whole-sound
// decoder must accept or refuse them safely, and a loaded effect must play, seek and free.
#include <cstddef>
#include <cstdint>

#include "../common/desktop_fuzz.h"

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
    const HEffect effect =
        engine->Effect_Load(reinterpret_cast<const char*>(data), static_cast<std::uint32_t>(size));
    if (!effect) return 0;
    const HChannel once = engine->Effect_Play(effect);
    const HChannel looping = engine->Effect_PlayEx(effect, 130, 50, 2.0f, true);
    engine->Channel_SetPos(looping, 1000.0f);
    engine->Channel_GetPos(looping);
    engine->Channel_SetPos(once, 0.05f);
    engine->Channel_Pause(looping);
    engine->Channel_Resume(looping);
    engine->Effect_Free(effect);
    engine->Channel_IsPlaying(once);
    return 0;
}
