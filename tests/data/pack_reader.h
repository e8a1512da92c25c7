// Test-only access to the generated pack: reads Data.dat through PhysicsFS, the way the
// engine mounts it, and decodes pictures (stb_image) and MP3s (mpg123) directly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace packtest {

// Mounts the pack for the life of the object.
class Pack {
public:
    explicit Pack(const std::string& path);
    ~Pack();
    Pack(const Pack&) = delete;
    Pack& operator=(const Pack&) = delete;

    bool mounted() const { return mounted_; }
    // Every file name in the pack, folders joined with '/', sorted.
    std::vector<std::string> names() const;
    // The whole file; false when missing.
    bool read(const std::string& name, std::string& bytes) const;

private:
    bool mounted_ = false;
};

struct Picture {
    int width = 0, height = 0;
    std::vector<float> rgba;  // 0..1, 4 per pixel
    float at(int x, int y, int channel) const {
        return rgba[(static_cast<size_t>(y) * width + x) * 4 + channel];
    }
    float luminance(int x, int y) const {
        return 0.2126f * at(x, y, 0) + 0.7152f * at(x, y, 1) + 0.0722f * at(x, y, 2);
    }
};

// False when the bytes are not a picture stb_image can read.
bool decodePicture(const std::string& bytes, Picture& picture);

struct Sound {
    long rate = 0;
    int channels = 0;
    std::vector<std::vector<float>> samples;  // per channel, -1..1
    size_t frames() const { return samples.empty() ? 0 : samples[0].size(); }
};

// Decodes a whole MP3 from memory with mpg123 (gapless on, as the engine uses it).
bool decodeMp3(const std::string& bytes, Sound& sound);

}  // namespace packtest
