// An RGBA picture in floats (0..1, straight alpha) and the two file formats the game loads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

struct Color {
    float r = 0, g = 0, b = 0, a = 0;
};

class Image {
public:
    Image(int width, int height) : width_(width), height_(height), pixels_(width * height) {}

    int width() const { return width_; }
    int height() const { return height_; }
    Color& at(int x, int y) { return pixels_[y * width_ + x]; }
    const Color& at(int x, int y) const { return pixels_[y * width_ + x]; }
    void fill(Color c);
    // Paints c over the pixel (straight-alpha "over"), scaled by coverage 0..1.
    void blendOver(int x, int y, Color c, float coverage);
    // Adds light: colour times intensity onto the RGB, alpha grows towards 1 with it.
    void addLight(int x, int y, Color c, float intensity);
    // Copies `src` with its top-left corner at (x, y); pixels outside are dropped.
    void paste(const Image& src, int x, int y);

private:
    int width_, height_;
    std::vector<Color> pixels_;
};

// Bytes of the picture as an uncompressed TGA with its origin at the top-left: 32 bits per
// pixel with alpha, or 24 bits without.
std::string encodeTga(const Image& image, bool withAlpha);
// Bytes of the picture as an 8-bit RGBA PNG.
std::string encodePng(const Image& image);

// 0..1 to a byte, rounding, clamped.
std::uint8_t toByte(float v);

}  // namespace datagen
