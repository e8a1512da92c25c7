#include "presets.h"

#include <bit>

namespace datagen {

namespace {

class Writer {
public:
    void u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void f32(float v) { u32(std::bit_cast<std::uint32_t>(v)); }
    std::string bytes;
};

class Reader {
public:
    explicit Reader(const std::string& b) : bytes_(b) {}
    std::uint32_t u32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes_[at_ + i])) << (8 * i);
        at_ += 4;
        return v;
    }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    float f32() { return std::bit_cast<float>(u32()); }

private:
    const std::string& bytes_;
    std::size_t at_ = 0;
};

}  // namespace

std::string encodePreset(const ParticlePresetValues& p) {
    Writer w;
    w.u32(0);  // sprite slot, filled in by the game
    w.i32(p.emissionRate);
    w.f32(p.systemLifetime);
    w.f32(p.lifeMin);
    w.f32(p.lifeMax);
    w.f32(p.direction);
    w.f32(p.spread);
    w.u32(p.relative ? 1u : 0u);  // one flag byte and three unused ones
    w.f32(p.speedMin);
    w.f32(p.speedMax);
    w.f32(p.gravityMin);
    w.f32(p.gravityMax);
    w.f32(p.radialAccelMin);
    w.f32(p.radialAccelMax);
    w.f32(p.tangentialAccelMin);
    w.f32(p.tangentialAccelMax);
    w.f32(p.sizeStart);
    w.f32(p.sizeEnd);
    w.f32(p.sizeVariation);
    w.f32(p.spinStart);
    w.f32(p.spinEnd);
    w.f32(p.spinVariation);
    for (float c : p.colorStart) w.f32(c);
    for (float c : p.colorEnd) w.f32(c);
    w.f32(p.colorVariation);
    w.f32(p.alphaVariation);
    return w.bytes;
}

bool decodePreset(const std::string& bytes, ParticlePresetValues& p) {
    if (bytes.size() != PresetFileSize) return false;
    Reader r(bytes);
    r.u32();
    p.emissionRate = r.i32();
    p.systemLifetime = r.f32();
    p.lifeMin = r.f32();
    p.lifeMax = r.f32();
    p.direction = r.f32();
    p.spread = r.f32();
    p.relative = (r.u32() & 0xFF) != 0;
    p.speedMin = r.f32();
    p.speedMax = r.f32();
    p.gravityMin = r.f32();
    p.gravityMax = r.f32();
    p.radialAccelMin = r.f32();
    p.radialAccelMax = r.f32();
    p.tangentialAccelMin = r.f32();
    p.tangentialAccelMax = r.f32();
    p.sizeStart = r.f32();
    p.sizeEnd = r.f32();
    p.sizeVariation = r.f32();
    p.spinStart = r.f32();
    p.spinEnd = r.f32();
    p.spinVariation = r.f32();
    for (float& c : p.colorStart) c = r.f32();
    for (float& c : p.colorEnd) c = r.f32();
    p.colorVariation = r.f32();
    p.alphaVariation = r.f32();
    return true;
}

ParticlePresetValues sunCorona() {
    ParticlePresetValues p;
    p.emissionRate = 80;
    p.systemLifetime = -1.0f;
    p.lifeMin = 1.4f;
    p.lifeMax = 2.8f;
    p.direction = 0.0f;
    p.spread = 6.2831853f;  // all round
    // Slow drift outwards (steps are frames, about 100 a second), curling with the
    // tangential push.
    p.speedMin = 0.05f;
    p.speedMax = 0.25f;
    p.radialAccelMin = -0.02f;
    p.radialAccelMax = 0.04f;
    p.tangentialAccelMin = 0.02f;
    p.tangentialAccelMax = 0.08f;
    p.sizeStart = 0.8f;
    p.sizeEnd = 1.9f;
    p.sizeVariation = 0.3f;
    p.colorStart = {1.0f, 0.78f, 0.32f, 0.24f};
    p.colorEnd = {1.0f, 0.28f, 0.04f, 0.0f};
    p.colorVariation = 0.35f;
    p.alphaVariation = 0.25f;
    return p;
}

ParticlePresetValues explosionBurst() {
    ParticlePresetValues p;
    // About 80 particles in the first eighth of a second.
    p.emissionRate = 640;
    p.systemLifetime = 0.125f;
    // The last particle is gone by 0.125 + 1.4 seconds, before the fade ends at 2.
    p.lifeMin = 0.45f;
    p.lifeMax = 1.4f;
    p.direction = 0.0f;
    p.spread = 6.2831853f;
    p.speedMin = 0.35f;
    p.speedMax = 1.7f;
    // Braking outwards so the cloud swells and settles instead of flying apart.
    p.radialAccelMin = -1.1f;
    p.radialAccelMax = -0.5f;
    p.tangentialAccelMin = -0.25f;
    p.tangentialAccelMax = 0.25f;
    // Near two thirds, the 16 x 16 frame drawn from the (32, 32) hot spot centres on the
    // point 16 pixels up-left of where it was fired, the planet's centre.
    p.sizeStart = 1.0f;
    p.sizeEnd = 0.55f;
    p.sizeVariation = 0.35f;
    p.colorStart = {1.0f, 0.92f, 0.65f, 1.0f};
    p.colorEnd = {1.0f, 0.3f, 0.08f, 0.0f};
    p.colorVariation = 0.3f;
    p.alphaVariation = 0.15f;
    return p;
}

}  // namespace datagen
