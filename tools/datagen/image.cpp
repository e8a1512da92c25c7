#include "image.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>

namespace datagen {

std::uint8_t toByte(float v) {
    const float c = std::clamp(v, 0.0f, 1.0f);
    return static_cast<std::uint8_t>(std::lround(c * 255.0f));
}

void Image::fill(Color c) { std::fill(pixels_.begin(), pixels_.end(), c); }

void Image::blendOver(int x, int y, Color c, float coverage) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    Color& d = at(x, y);
    const float sa = std::clamp(c.a * coverage, 0.0f, 1.0f);
    const float oa = sa + d.a * (1 - sa);
    if (oa <= 0) return;
    d.r = (c.r * sa + d.r * d.a * (1 - sa)) / oa;
    d.g = (c.g * sa + d.g * d.a * (1 - sa)) / oa;
    d.b = (c.b * sa + d.b * d.a * (1 - sa)) / oa;
    d.a = oa;
}

void Image::addLight(int x, int y, Color c, float intensity) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    Color& d = at(x, y);
    d.r += c.r * intensity;
    d.g += c.g * intensity;
    d.b += c.b * intensity;
    d.a = std::min(1.0f, d.a + intensity);
}

void Image::paste(const Image& src, int x, int y) {
    for (int sy = 0; sy < src.height(); ++sy)
        for (int sx = 0; sx < src.width(); ++sx) {
            const int dx = x + sx, dy = y + sy;
            if (dx >= 0 && dy >= 0 && dx < width_ && dy < height_) at(dx, dy) = src.at(sx, sy);
        }
}

std::string encodeTga(const Image& image, bool withAlpha) {
    const int w = image.width(), h = image.height();
    std::string out(18, '\0');
    out[2] = 2;  // uncompressed true-colour
    out[12] = static_cast<char>(w & 0xFF);
    out[13] = static_cast<char>(w >> 8);
    out[14] = static_cast<char>(h & 0xFF);
    out[15] = static_cast<char>(h >> 8);
    out[16] = static_cast<char>(withAlpha ? 32 : 24);
    out[17] = static_cast<char>(0x20 | (withAlpha ? 8 : 0));  // top-left origin, alpha bits
    out.reserve(out.size() + static_cast<size_t>(w) * h * (withAlpha ? 4 : 3));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Color& c = image.at(x, y);
            out.push_back(static_cast<char>(toByte(c.b)));
            out.push_back(static_cast<char>(toByte(c.g)));
            out.push_back(static_cast<char>(toByte(c.r)));
            if (withAlpha) out.push_back(static_cast<char>(toByte(c.a)));
        }
    return out;
}

namespace {

void putBigEndian32(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void putChunk(std::string& out, const char* type, const std::string& data) {
    putBigEndian32(out, static_cast<std::uint32_t>(data.size()));
    const std::string body = std::string(type, 4) + data;
    out += body;
    putBigEndian32(out, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                                         static_cast<uInt>(body.size()))));
}

}  // namespace

std::string encodePng(const Image& image) {
    const int w = image.width(), h = image.height();
    std::string raw;
    raw.reserve(static_cast<size_t>(h) * (1 + 4 * w));
    for (int y = 0; y < h; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < w; ++x) {
            const Color& c = image.at(x, y);
            raw.push_back(static_cast<char>(toByte(c.r)));
            raw.push_back(static_cast<char>(toByte(c.g)));
            raw.push_back(static_cast<char>(toByte(c.b)));
            raw.push_back(static_cast<char>(toByte(c.a)));
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packedSize, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
              reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()), 9);
    packed.resize(packedSize);

    std::string header;
    putBigEndian32(header, static_cast<std::uint32_t>(w));
    putBigEndian32(header, static_cast<std::uint32_t>(h));
    header += std::string("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA, deflate, no filter, no interlace

    std::string out("\x89PNG\r\n\x1a\n", 8);
    putChunk(out, "IHDR", header);
    putChunk(out, "IDAT", packed);
    putChunk(out, "IEND", "");
    return out;
}

}  // namespace datagen
