// Particles emitted from a movable point, up to 500 alive, all drawn with one borrowed
// sprite and configured by a 128-byte preset file (.psi).
#pragma once

#include <cstdint>

#include "sprite.h"

struct ParticleVector {
    float x, y;
};

struct ParticleColor {
    float r, g, b, a;
};

// The preset file's record, little-endian, 128 bytes; in memory the first field holds the
// sprite the particles are drawn with instead of the file's value.
struct ParticlePreset {
    Sprite* sprite;
    std::int32_t emissionRate;  // particles per second
    float systemLifetime;       // seconds of emission after fire(); -1 = endless
    float lifeMin;
    float lifeMax;
    float direction;  // radians, 0 = up, clockwise on screen
    float spread;     // width of the emission cone, centred on direction
    bool relative;    // direction relative to the emitter's movement
    float speedMin;   // pixels per step
    float speedMax;
    float gravityMin;  // per second, added to the y velocity
    float gravityMax;
    float radialAccelMin;  // away from the emitter, per second
    float radialAccelMax;
    float tangentialAccelMin;
    float tangentialAccelMax;
    float sizeStart;
    float sizeEnd;
    float sizeVariation;  // 0..1: how far towards sizeEnd the start may lie
    float spinStart;
    float spinEnd;
    float spinVariation;
    ParticleColor colorStart;
    ParticleColor colorEnd;
    float colorVariation;  // r, g, b
    float alphaVariation;  // a
};

struct Particle {
    ParticleVector position;
    ParticleVector velocity;  // pixels per step
    float gravity;
    float radialAccel;
    float tangentialAccel;
    float spin;
    float spinDelta;
    float size;
    float sizeDelta;
    ParticleColor color;
    ParticleColor colorDelta;
    float age;
    float lifetime;
};

class ParticleSystem {
public:
    static constexpr int MaxParticles = 500;
    static constexpr std::uint32_t PresetFileSize = 128;

    // Loads the preset `filename` (missing or short: a system that never emits); `sprite` is
    // borrowed and must outlive the system. rate 0: one step per update with its own time;
    // otherwise fixed steps of 1 / rate seconds.
    ParticleSystem(const char* filename, Sprite* sprite, float rate);
    ~ParticleSystem();
    ParticleSystem(const ParticleSystem&) = delete;
    ParticleSystem& operator=(const ParticleSystem&) = delete;

    void update(float dt);
    // Starts emission: endless, or for systemLifetime seconds from now.
    void fire();
    // Stops, jumps to (x, y) without spreading particles along the jump, and fires.
    void fireAt(float x, float y);
    // Ends emission; kill also removes every live particle.
    void stop(bool kill = false);
    void moveTo(float x, float y, bool moveParticles = false);
    void render();

    ParticlePreset preset;
    float stepInterval;  // 0: one step per update
    float stepResidue;
    float age;  // >= 0 timed emission, -1 endless, -2 stopped
    float emissionResidue;
    ParticleVector prevPosition;
    ParticleVector position;
    std::int32_t liveCount;
    Particle particles[MaxParticles];

private:
    void step(float dt);
    void emit();
};
