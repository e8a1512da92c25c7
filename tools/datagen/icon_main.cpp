// velkaro_icon: draws the program's icon in the sizes desktop menus ask for, laid out as an
// icon theme folder.
//
//   velkaro_icon OUTDIR SIZE...   writes OUTDIR/<SIZE>x<SIZE>/apps/velkaro.png

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "icon.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: velkaro_icon OUTDIR SIZE...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 16 || size > 1024) {
            std::fprintf(stderr, "velkaro_icon: size %s is not within 16..1024\n", argv[i]);
            return 2;
        }
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        const std::filesystem::path folder = std::filesystem::path(argv[1]) / name / "apps";
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        const std::string bytes = datagen::encodePng(datagen::appIcon(size));
        std::ofstream out(folder / "velkaro.png", std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "velkaro_icon: cannot write %s\n", (folder / "velkaro.png").c_str());
            return 1;
        }
    }
    return 0;
}
