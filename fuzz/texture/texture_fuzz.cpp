// Feeds arbitrary bytes to Texture_Load as a picture in memory: whatever the decoder makes
// of them must load or be refused safely, and a loaded texture must report its size and free.
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
    const bool mipmap = (size & 1) != 0;
    const HTexture texture =
        engine->Texture_Load(reinterpret_cast<const char*>(data), static_cast<std::uint32_t>(size), mipmap);
    if (texture) {
        if (engine->Texture_GetWidth(texture) <= 0 || engine->Texture_GetHeight(texture) <= 0) std::abort();
        engine->Texture_Free(texture);
    }
    return 0;
}
