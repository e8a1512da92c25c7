// Mounts arbitrary bytes as a ZIP pack from memory, lists it and reads every file in it the
// way Resource_Load does: directories, names, sizes and compressed data may all lie.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "../common/desktop_fuzz.h"
#include "desktop/subsystems.h"

namespace {
Engine* engine = nullptr;
// A hostile directory may list very many entries; reading a few covers the reader.
constexpr std::size_t kFilesRead = 16;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    engine = fuzz::startEngine();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::QuietLog quiet;
    if (!desktop::mountPackMemory("fuzz.dat", data, size)) return 0;
    const std::vector<std::string> names = desktop::packFileNames();
    for (std::size_t i = 0; i < names.size() && i < kFilesRead; ++i) {
        std::uint32_t length = 0;
        void* block = engine->Resource_Load(names[i].c_str(), &length);
        if (block && static_cast<const char*>(block)[length] != '\0') std::abort();
        engine->Resource_Free(block);
    }
    std::string bytes;
    desktop::readResource("Texture\\Planet.png", bytes);
    if (!desktop::unmountPack("fuzz.dat")) std::abort();
    return 0;
}
