#include "particle_system.h"

#include <bit>
#include <cmath>

#include "rounding.h"

namespace {
// Shared by every particle system; each system holds one reference.
Engine* engine = nullptr;

constexpr float Stopped = -2.0f;
constexpr float Endless = -1.0f;
constexpr float HalfPi = 1.5707964f;

std::uint32_t readU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

float readFloat(const std::uint8_t* block, int offset) {
    return std::bit_cast<float>(readU32(block + offset));
}

ParticleColor readColor(const std::uint8_t* block, int offset) {
    return {readFloat(block, offset), readFloat(block, offset + 4), readFloat(block, offset + 8),
            readFloat(block, offset + 12)};
}

// The fast inverse square root: one Newton step, with 0.4999 in place of 0.5. The magic
// subtraction is done unsigned, so odd bit patterns (NaN, negative) cannot overflow.
float invSqrt(float x) {
    const std::int32_t bits = std::bit_cast<std::int32_t>(x);
    const std::uint32_t guess = 0x5F3759DFu - static_cast<std::uint32_t>(bits >> 1);
    const float y = std::bit_cast<float>(guess);
    return y * (1.5f - 0.4999f * x * y * y);
}

// Change per second that takes `from` to `to` over a life; a life of 0 ends in the first
// step anyway, so it needs no change (and no division by zero).
float perSecond(float from, float to, float lifetime) {
    return lifetime != 0.0f ? (to - from) / lifetime : 0.0f;
}

std::uint32_t colorByte(float component) {
    // Wraps modulo 2^32 like the addition it feeds; nothing is clamped.
    return static_cast<std::uint32_t>(gfx::nearestInt64(static_cast<double>(component * 255.0f)));
}
}  // namespace

ParticleSystem::ParticleSystem(const char* filename, Sprite* sprite, float rate)
    : preset{},
      stepInterval(0.0f),
      stepResidue(0.0f),
      age(Stopped),
      emissionResidue(0.0f),
      prevPosition{0.0f, 0.0f},
      position{0.0f, 0.0f},
      liveCount(0),
      particles{} {
    engine = hgeCreate(ENGINE_VERSION);
    std::uint32_t size = 0;
    void* block = engine->Resource_Load(filename, &size);
    // A missing or short preset leaves every field 0: such a system never emits.
    if (block && size >= PresetFileSize) {
        const auto* b = static_cast<const std::uint8_t*>(block);
        preset.emissionRate = static_cast<std::int32_t>(readU32(b + 4));
        preset.systemLifetime = readFloat(b, 8);
        preset.lifeMin = readFloat(b, 12);
        preset.lifeMax = readFloat(b, 16);
        preset.direction = readFloat(b, 20);
        preset.spread = readFloat(b, 24);
        preset.relative = b[28] != 0;
        preset.speedMin = readFloat(b, 32);
        preset.speedMax = readFloat(b, 36);
        preset.gravityMin = readFloat(b, 40);
        preset.gravityMax = readFloat(b, 44);
        preset.radialAccelMin = readFloat(b, 48);
        preset.radialAccelMax = readFloat(b, 52);
        preset.tangentialAccelMin = readFloat(b, 56);
        preset.tangentialAccelMax = readFloat(b, 60);
        preset.sizeStart = readFloat(b, 64);
        preset.sizeEnd = readFloat(b, 68);
        preset.sizeVariation = readFloat(b, 72);
        preset.spinStart = readFloat(b, 76);
        preset.spinEnd = readFloat(b, 80);
        preset.spinVariation = readFloat(b, 84);
        preset.colorStart = readColor(b, 88);
        preset.colorEnd = readColor(b, 104);
        preset.colorVariation = readFloat(b, 120);
        preset.alphaVariation = readFloat(b, 124);
    }
    if (block) engine->Resource_Free(block);
    preset.sprite = sprite;
    // Only a positive rate gives fixed steps; a negative one would never let the step
    // clock run down.
    if (rate > 0.0f) stepInterval = 1.0f / rate;
}

ParticleSystem::~ParticleSystem() { engine->Release(); }

void ParticleSystem::update(float dt) {
    if (stepInterval == 0.0f) {
        step(dt);
        return;
    }
    stepResidue += dt;
    if (stepResidue >= stepInterval) {
        step(stepInterval);
        while (stepResidue >= stepInterval) {
            const float left = stepResidue - stepInterval;
            // Past float precision, subtracting makes no progress: take the remainder at once.
            stepResidue = left < stepResidue ? left : std::fmod(stepResidue, stepInterval);
        }
    }
}

void ParticleSystem::step(float dt) {
    if (age >= 0.0f) {
        age += dt;
        if (age >= preset.systemLifetime) age = Stopped;
    }

    int i = 0;
    while (i < liveCount) {
        Particle& p = particles[i];
        p.age += dt;
        if (p.age >= p.lifetime) {
            --liveCount;
            particles[i] = particles[liveCount];
            continue;
        }
        const float dx = p.position.x - position.x;
        const float dy = p.position.y - position.y;
        const float inv = invSqrt(dx * dx + dy * dy);
        const float nx = dx * inv;
        const float ny = dy * inv;
        const float ax = nx * p.radialAccel + -ny * p.tangentialAccel;
        const float ay = ny * p.radialAccel + nx * p.tangentialAccel;
        p.velocity.x += ax * dt;
        p.velocity.y += ay * dt;
        p.velocity.y += p.gravity * dt;
        p.position.x += p.velocity.x;
        p.position.y += p.velocity.y;
        p.spin += p.spinDelta * dt;
        p.size += p.sizeDelta * dt;
        p.color.r += p.colorDelta.r * dt;
        p.color.g += p.colorDelta.g * dt;
        p.color.b += p.colorDelta.b * dt;
        p.color.a += p.colorDelta.a * dt;
        ++i;
    }

    if (age != Stopped) {
        const float needed = static_cast<float>(preset.emissionRate) * dt + emissionResidue;
        const std::int64_t count = gfx::nearestInt64(static_cast<double>(needed));
        emissionResidue = needed - static_cast<float>(count);
        // A non-finite step would otherwise stop emission for good.
        if (!std::isfinite(emissionResidue)) emissionResidue = 0.0f;
        for (std::int64_t n = 0; n < count && liveCount < MaxParticles; ++n) {
            emit();
            ++liveCount;
        }
    }

    prevPosition = position;
}

void ParticleSystem::emit() {
    const ParticlePreset& q = preset;
    Particle& p = particles[liveCount];

    p.age = 0.0f;
    p.lifetime = engine->Random_Float(q.lifeMin, q.lifeMax);

    const float t = engine->Random_Float(0.0f, 1.0f);
    p.position.x = prevPosition.x + (position.x - prevPosition.x) * t;
    p.position.y = prevPosition.y + (position.y - prevPosition.y) * t;
    p.position.x += engine->Random_Float(-2.0f, 2.0f);
    p.position.y += engine->Random_Float(-2.0f, 2.0f);

    float angle = q.direction - HalfPi + engine->Random_Float(0.0f, q.spread) - q.spread / 2.0f;
    if (q.relative) {
        const float travel = static_cast<float>(std::atan2(static_cast<double>(prevPosition.y - position.y),
                                                           static_cast<double>(prevPosition.x - position.x)));
        angle += travel + HalfPi;
    }
    const float speed = engine->Random_Float(q.speedMin, q.speedMax);
    p.velocity.x = static_cast<float>(std::cos(static_cast<double>(angle))) * speed;
    p.velocity.y = static_cast<float>(std::sin(static_cast<double>(angle))) * speed;

    p.gravity = engine->Random_Float(q.gravityMin, q.gravityMax);
    p.radialAccel = engine->Random_Float(q.radialAccelMin, q.radialAccelMax);
    p.tangentialAccel = engine->Random_Float(q.tangentialAccelMin, q.tangentialAccelMax);

    p.size = engine->Random_Float(q.sizeStart, q.sizeStart + (q.sizeEnd - q.sizeStart) * q.sizeVariation);
    p.sizeDelta = perSecond(p.size, q.sizeEnd, p.lifetime);

    p.spin = engine->Random_Float(q.spinStart, q.spinStart + (q.spinEnd - q.spinStart) * q.spinVariation);
    p.spinDelta = perSecond(p.spin, q.spinEnd, p.lifetime);

    const ParticleColor& s = q.colorStart;
    const ParticleColor& e = q.colorEnd;
    p.color.r = engine->Random_Float(s.r, s.r + (e.r - s.r) * q.colorVariation);
    p.color.g = engine->Random_Float(s.g, s.g + (e.g - s.g) * q.colorVariation);
    p.color.b = engine->Random_Float(s.b, s.b + (e.b - s.b) * q.colorVariation);
    p.color.a = engine->Random_Float(s.a, s.a + (e.a - s.a) * q.alphaVariation);

    p.colorDelta.r = perSecond(p.color.r, e.r, p.lifetime);
    p.colorDelta.g = perSecond(p.color.g, e.g, p.lifetime);
    p.colorDelta.b = perSecond(p.color.b, e.b, p.lifetime);
    p.colorDelta.a = perSecond(p.color.a, e.a, p.lifetime);
}

void ParticleSystem::fire() {
    age = preset.systemLifetime == Endless ? Endless : 0.0f;
    stepResidue = 0.0f;
}

void ParticleSystem::fireAt(float x, float y) {
    stop();
    moveTo(x, y);
    fire();
}

void ParticleSystem::stop(bool kill) {
    age = Stopped;
    if (kill) liveCount = 0;
}

void ParticleSystem::moveTo(float x, float y, bool moveParticles) {
    if (moveParticles) {
        const float dx = x - position.x;
        const float dy = y - position.y;
        for (int i = 0; i < liveCount; ++i) {
            particles[i].position.x += dx;
            particles[i].position.y += dy;
        }
        prevPosition.x += dx;
        prevPosition.y += dy;
    } else if (age == Stopped) {
        prevPosition = {x, y};
    } else {
        prevPosition = position;
    }
    position = {x, y};
}

void ParticleSystem::render() {
    Sprite* sprite = preset.sprite;
    if (!sprite) return;
    const std::uint32_t saved = sprite->quad.v[0].col;
    for (int i = 0; i < liveCount; ++i) {
        const Particle& p = particles[i];
        const std::uint32_t col = colorByte(p.color.a) * 0x1000000u + colorByte(p.color.r) * 0x10000u +
                                  colorByte(p.color.g) * 0x100u + colorByte(p.color.b);
        sprite->setColor(col, -1);
        sprite->renderEx(p.position.x, p.position.y, p.spin * p.age, p.size, 0.0f);
    }
    sprite->setColor(saved, -1);
}
