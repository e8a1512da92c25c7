// Shared set-up of the body tests: fake pictures and sound, two small particle presets, a
// fixed seed, and helpers that build trees with bodies placed by hand.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <memory>
#include <vector>

#include "bodies/body.h"
#include "gfx/animation.h"
#include "gfx/particle_system.h"
#include "recording.h"
#include "services.h"

namespace bodytest {

// The fields of a 128-byte preset file the tests care about; the rest stay 0.
struct PresetValues {
    std::int32_t emissionRate = 0;
    float systemLifetime = 0.0f;
    float life = 1.0f;  // every particle lives exactly this long
};

inline std::vector<std::uint8_t> presetFile(const PresetValues& v) {
    std::vector<std::uint8_t> bytes(128, 0);
    auto put = [&bytes](int offset, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    auto putFloat = [&put](int offset, float value) { put(offset, std::bit_cast<std::uint32_t>(value)); };
    put(4, static_cast<std::uint32_t>(v.emissionRate));
    putFloat(8, v.systemLifetime);
    putFloat(12, v.life);
    putFloat(16, v.life);
    putFloat(64, 1.0f);                                      // sizeStart
    putFloat(68, 1.0f);                                      // sizeEnd
    for (int c = 0; c < 8; ++c) putFloat(88 + 4 * c, 1.0f);  // white, opaque, start and end
    return bytes;
}

// The explosion emits 10 particles in its first quarter second (40 per second for half a
// second) that live 3 seconds, so they outlast the 2-second fade.
inline const PresetValues Explosion{40, 0.5f, 3.0f};
// The sun's glow emits for ever.
inline const PresetValues Glow{10, -1.0f, 1.0f};

inline void addFixtures() {
    rec::addTexture("particles.png", 64, 64);
    rec::addTexture("Texture\\Planet.png", 256, 64);
    rec::addTexture("Ouch.png", 64, 16);
    rec::addSound("Media\\Explode.mp3");
    rec::addFile("particle1.psi", presetFile(Glow));
    rec::addFile("Boom3.psi", presetFile(Explosion));
}

class BodyTest : public ::testing::Test {
protected:
    void SetUp() override {
        rec::reset();
        platform::srand(20261211);
        addFixtures();
    }

    static std::unique_ptr<Body> makeSun() {
        auto sun = std::make_unique<Body>();
        sun->init(400, 300, 300.0f, 1.0f, true);
        return sun;
    }

    // Adds a child and returns it (the slot that has just come alive).
    static Body& addChild(Body& parent, bool grown = true) {
        bool wasAlive[Body::ChildSlots] = {};
        for (int i = 0; parent.children && i < Body::ChildSlots; ++i) wasAlive[i] = parent.children[i].alive;
        EXPECT_TRUE(parent.addChild(parent, grown));
        for (int i = 0; i < Body::ChildSlots; ++i)
            if (!wasAlive[i] && parent.children[i].alive) return parent.children[i];
        ADD_FAILURE() << "no slot came alive";
        return parent;
    }

    // A grown child standing still at (x, y) until the next update moves it.
    static Body& placeChild(Body& parent, std::int16_t x, std::int16_t y) {
        Body& child = addChild(parent, true);
        child.x = x;
        child.y = y;
        return child;
    }
};

}  // namespace bodytest
