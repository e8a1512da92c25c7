// velkaro_datagen: makes every picture, sound, music track, the font and the particle
// presets of the game and packs them into Data.dat.
//
//   velkaro_datagen --pack OUT.dat --font FACE.ttf [--loose DIR] [--threads N]
//
// --loose also writes each file under DIR, for looking at them.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "assets.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: velkaro_datagen --pack OUT.dat --font FACE.ttf [--loose DIR] [--threads N]\n");
    return 2;
}

bool writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    std::string packPath, looseDir, fontPath;
    unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return usage();
        const std::string value = argv[++i];
        if (arg == "--pack") {
            packPath = value;
        } else if (arg == "--font") {
            fontPath = value;
        } else if (arg == "--loose") {
            looseDir = value;
        } else if (arg == "--threads") {
            threads = static_cast<unsigned>(std::max(1, std::atoi(value.c_str())));
        } else {
            return usage();
        }
    }
    if (packPath.empty() || fontPath.empty()) return usage();
    if (!std::filesystem::exists(fontPath)) {
        std::fprintf(stderr, "velkaro_datagen: font not found: %s\n", fontPath.c_str());
        return 1;
    }

    const auto start = std::chrono::steady_clock::now();
    const std::vector<datagen::DataFile> files = datagen::generateData(fontPath, threads);
    for (const datagen::DataFile& file : files)
        if (file.bytes.empty()) {
            std::fprintf(stderr, "velkaro_datagen: could not make %s\n", file.name.c_str());
            return 1;
        }
    if (!datagen::writePack(packPath, files)) return 1;
    if (!looseDir.empty())
        for (const datagen::DataFile& file : files)
            if (!writeFile(std::filesystem::path(looseDir) / file.name, file.bytes)) {
                std::fprintf(stderr, "velkaro_datagen: cannot write %s under %s\n", file.name.c_str(),
                             looseDir.c_str());
                return 1;
            }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    size_t total = 0;
    for (const datagen::DataFile& file : files) total += file.bytes.size();
    std::printf("velkaro_datagen: %zu files, %.1f MB, in %.2f s on %u threads\n", files.size(), total / 1e6,
                seconds, threads);
    return 0;
}
