// Particle presets: the 128-byte little-endian file the particle system reads.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace datagen {

struct ParticlePresetValues {
    std::int32_t emissionRate = 0;  // particles per second
    float systemLifetime = 0;       // seconds of emission; -1 endless
    float lifeMin = 0, lifeMax = 0;
    float direction = 0, spread = 0;  // radians; 0 is up
    bool relative = false;
    float speedMin = 0, speedMax = 0;  // pixels per step
    float gravityMin = 0, gravityMax = 0;
    float radialAccelMin = 0, radialAccelMax = 0;
    float tangentialAccelMin = 0, tangentialAccelMax = 0;
    float sizeStart = 1, sizeEnd = 1, sizeVariation = 0;
    float spinStart = 0, spinEnd = 0, spinVariation = 0;
    std::array<float, 4> colorStart{1, 1, 1, 1}, colorEnd{1, 1, 1, 1};  // r, g, b, a
    float colorVariation = 0, alphaVariation = 0;

    bool operator==(const ParticlePresetValues&) const = default;
};

constexpr std::size_t PresetFileSize = 128;

// The file's bytes, field by field; the sprite slot (first 4 bytes) and the 3 bytes after
// the relative flag are zero.
std::string encodePreset(const ParticlePresetValues& preset);
// Reads the fields back; false unless exactly 128 bytes.
bool decodePreset(const std::string& bytes, ParticlePresetValues& preset);

// The sun's endless warm corona (particle1.psi), drawn with the 64 x 64 glow picture.
ParticlePresetValues sunCorona();
// A planet's explosion (Boom3.psi), drawn with the 16 x 16 flare frames: a short burst whose
// particles are all gone well within the planet's two-second fade.
ParticlePresetValues explosionBurst();

}  // namespace datagen
