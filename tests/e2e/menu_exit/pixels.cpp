// Reads a screenshot and prints what the end-to-end test checks:
//   width height mean-brightness pixels-near-colour
// for the colour R G B given on the command line, within TOLERANCE per channel, counted
// inside the rectangle X0 Y0 X1 Y1 (whole picture when left out).
#include <stb/stb_image.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 6 && argc != 10) {
        std::fprintf(stderr, "usage: %s PICTURE R G B TOLERANCE [X0 Y0 X1 Y1]\n", argv[0]);
        return 2;
    }
    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = stbi_load(argv[1], &width, &height, &channels, 3);
    if (!pixels) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    const int want[3] = {std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4])};
    const int tolerance = std::atoi(argv[5]);
    int x0 = 0, y0 = 0, x1 = width, y1 = height;
    if (argc == 10) {
        x0 = std::atoi(argv[6]);
        y0 = std::atoi(argv[7]);
        x1 = std::atoi(argv[8]);
        y1 = std::atoi(argv[9]);
    }

    double sum = 0.0;
    long near = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = pixels + (static_cast<long>(y) * width + x) * 3;
            sum += (p[0] + p[1] + p[2]) / 3.0;
            if (x < x0 || x >= x1 || y < y0 || y >= y1) continue;
            bool close = true;
            for (int c = 0; c < 3; ++c) close = close && std::abs(p[c] - want[c]) <= tolerance;
            near += close ? 1 : 0;
        }
    }
    std::printf("%d %d %.1f %ld\n", width, height, sum / (static_cast<double>(width) * height), near);
    stbi_image_free(pixels);
    return 0;
}
