#include "gfx/particle_system.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "engine_fixture.h"

namespace {

// A preset file's 128 little-endian bytes, built from readable values.
struct PresetFile {
    std::int32_t emissionRate = 10;
    float systemLifetime = -1.0f;
    float lifeMin = 10.0f, lifeMax = 10.0f;
    float direction = 0.0f, spread = 0.0f;
    bool relative = false;
    float speedMin = 0.0f, speedMax = 0.0f;
    float gravityMin = 0.0f, gravityMax = 0.0f;
    float radialMin = 0.0f, radialMax = 0.0f;
    float tangentialMin = 0.0f, tangentialMax = 0.0f;
    float sizeStart = 1.0f, sizeEnd = 1.0f, sizeVariation = 0.0f;
    float spinStart = 0.0f, spinEnd = 0.0f, spinVariation = 0.0f;
    float colorStart[4] = {1, 1, 1, 1};
    float colorEnd[4] = {1, 1, 1, 1};
    float colorVariation = 0.0f, alphaVariation = 0.0f;

    std::vector<std::uint8_t> bytes() const {
        std::vector<std::uint8_t> b(128, 0xEE);  // filler where nothing is read
        auto put = [&b](int at, std::uint32_t v) {
            for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        };
        auto putF = [&put](int at, float v) { put(at, std::bit_cast<std::uint32_t>(v)); };
        put(4, static_cast<std::uint32_t>(emissionRate));
        putF(8, systemLifetime);
        putF(12, lifeMin);
        putF(16, lifeMax);
        putF(20, direction);
        putF(24, spread);
        b[28] = relative ? 0x02 : 0x00;
        putF(32, speedMin);
        putF(36, speedMax);
        putF(40, gravityMin);
        putF(44, gravityMax);
        putF(48, radialMin);
        putF(52, radialMax);
        putF(56, tangentialMin);
        putF(60, tangentialMax);
        putF(64, sizeStart);
        putF(68, sizeEnd);
        putF(72, sizeVariation);
        putF(76, spinStart);
        putF(80, spinEnd);
        putF(84, spinVariation);
        for (int i = 0; i < 4; ++i) putF(88 + 4 * i, colorStart[i]);
        for (int i = 0; i < 4; ++i) putF(104 + 4 * i, colorEnd[i]);
        putF(120, colorVariation);
        putF(124, alphaVariation);
        return b;
    }
};

class ParticleSystemTest : public EngineTest {
protected:
    std::unique_ptr<ParticleSystem> make(const PresetFile& p, float rate = 0.0f) {
        rec::addFile("Media\\test.psi", p.bytes());
        return std::make_unique<ParticleSystem>("Media\\test.psi", &sprite, rate);
    }
    // The 15 draws of each of `count` particles: a life of 10 s, `t` of the way along the
    // emitter's path, everything else 0.
    static void queueParticles(int count, float t) {
        std::vector<float> draws;
        for (int i = 0; i < count; ++i) {
            draws.insert(draws.end(), {10.0f, t});
            draws.insert(draws.end(), 13, 0.0f);
        }
        rec::queueRandomFloats(draws);
    }

    Sprite sprite{0, 0, 0, 16, 16};
};

TEST_F(ParticleSystemTest, ReadsThePresetFieldByField) {
    PresetFile f;
    f.emissionRate = -70000;
    f.systemLifetime = 1.5f;
    f.lifeMin = 0.25f;
    f.lifeMax = 0.75f;
    f.direction = 3.0f;
    f.spread = 0.5f;
    f.relative = true;
    f.speedMin = 1.0f;
    f.speedMax = 2.0f;
    f.gravityMin = -3.0f;
    f.gravityMax = 4.0f;
    f.radialMin = 5.0f;
    f.radialMax = 6.0f;
    f.tangentialMin = 7.0f;
    f.tangentialMax = 8.0f;
    f.sizeStart = 9.0f;
    f.sizeEnd = 10.0f;
    f.sizeVariation = 0.125f;
    f.spinStart = 11.0f;
    f.spinEnd = 12.0f;
    f.spinVariation = 0.375f;
    const float cs[4] = {0.1f, 0.2f, 0.3f, 0.4f}, ce[4] = {0.5f, 0.6f, 0.7f, 0.8f};
    std::memcpy(f.colorStart, cs, sizeof cs);
    std::memcpy(f.colorEnd, ce, sizeof ce);
    f.colorVariation = 0.625f;
    f.alphaVariation = 0.875f;
    auto ps = make(f);
    const ParticlePreset& p = ps->preset;
    EXPECT_EQ(p.sprite, &sprite);
    EXPECT_EQ(p.emissionRate, -70000);
    EXPECT_EQ(p.systemLifetime, 1.5f);
    EXPECT_EQ(p.lifeMin, 0.25f);
    EXPECT_EQ(p.lifeMax, 0.75f);
    EXPECT_EQ(p.direction, 3.0f);
    EXPECT_EQ(p.spread, 0.5f);
    EXPECT_TRUE(p.relative);
    EXPECT_EQ(p.speedMin, 1.0f);
    EXPECT_EQ(p.speedMax, 2.0f);
    EXPECT_EQ(p.gravityMin, -3.0f);
    EXPECT_EQ(p.gravityMax, 4.0f);
    EXPECT_EQ(p.radialAccelMin, 5.0f);
    EXPECT_EQ(p.radialAccelMax, 6.0f);
    EXPECT_EQ(p.tangentialAccelMin, 7.0f);
    EXPECT_EQ(p.tangentialAccelMax, 8.0f);
    EXPECT_EQ(p.sizeStart, 9.0f);
    EXPECT_EQ(p.sizeEnd, 10.0f);
    EXPECT_EQ(p.sizeVariation, 0.125f);
    EXPECT_EQ(p.spinStart, 11.0f);
    EXPECT_EQ(p.spinEnd, 12.0f);
    EXPECT_EQ(p.spinVariation, 0.375f);
    EXPECT_EQ(p.colorStart.r, 0.1f);
    EXPECT_EQ(p.colorStart.a, 0.4f);
    EXPECT_EQ(p.colorEnd.g, 0.6f);
    EXPECT_EQ(p.colorEnd.b, 0.7f);
    EXPECT_EQ(p.colorVariation, 0.625f);
    EXPECT_EQ(p.alphaVariation, 0.875f);
    EXPECT_EQ(ps->liveCount, 0);
    EXPECT_EQ(ps->age, -2.0f);
    EXPECT_EQ(rec::liveResourceBlocks(), 0);
}

TEST_F(ParticleSystemTest, MissingOrShortPresetIsSafeAndSilent) {
    std::vector<std::uint8_t> shortFile = PresetFile{}.bytes();
    shortFile.resize(127);
    rec::addFile("short.psi", shortFile);
    for (const char* name : {"missing.psi", "short.psi"}) {
        SCOPED_TRACE(name);
        ParticleSystem ps(name, &sprite, 0);
        ps.fireAt(100, 100);
        for (int i = 0; i < 10; ++i) ps.update(0.1f);
        ps.render();
        EXPECT_EQ(ps.liveCount, 0);
        EXPECT_TRUE(rec::quads().empty());
        ParticleSystem noSprite(name, nullptr, 30);
        noSprite.fire();
        noSprite.update(1.0f);
        noSprite.render();
    }
    EXPECT_EQ(rec::liveResourceBlocks(), 0);
}

TEST_F(ParticleSystemTest, EmissionCarriesTheFractionOver) {
    auto ps = make(PresetFile{});  // 10 a second, endless
    ps->fire();
    EXPECT_EQ(ps->age, -1.0f);
    ps->update(0.25f);  // 2.5 goes to 2
    EXPECT_EQ(ps->liveCount, 2);
    EXPECT_FLOAT_EQ(ps->emissionResidue, 0.5f);
    ps->update(0.25f);  // 3.0
    EXPECT_EQ(ps->liveCount, 5);
    ps->update(0.05f);  // 0.5 goes to 0: halves go to even
    EXPECT_EQ(ps->liveCount, 5);
    ps->update(0.1f);  // 1.5 goes to 2, leaving -0.5
    EXPECT_EQ(ps->liveCount, 7);
    EXPECT_FLOAT_EQ(ps->emissionResidue, -0.5f);
}

TEST_F(ParticleSystemTest, TimedEmissionEndsBeforeTheStepThatReachesItsLifetime) {
    PresetFile f;
    f.systemLifetime = 0.5f;
    auto ps = make(f);
    ps->fire();
    EXPECT_EQ(ps->age, 0.0f);
    ps->update(0.25f);
    EXPECT_EQ(ps->liveCount, 2);
    ps->update(0.25f);
    EXPECT_EQ(ps->liveCount, 2);
    EXPECT_EQ(ps->age, -2.0f);
    ps->update(0.25f);
    EXPECT_EQ(ps->liveCount, 2);
}

TEST_F(ParticleSystemTest, StoppedParticlesDieOutWithinTheirLife) {
    PresetFile f;
    f.lifeMin = 0.5f;
    f.lifeMax = 1.0f;
    auto ps = make(f);
    ps->fire();
    for (int i = 0; i < 10; ++i) ps->update(0.1f);
    EXPECT_GT(ps->liveCount, 0);
    ps->stop();
    ps->update(0.5f);
    EXPECT_GT(ps->liveCount, 0);
    ps->update(0.5f);
    EXPECT_EQ(ps->liveCount, 0);
    ps->fire();
    ps->update(0.1f);
    ps->stop(true);
    EXPECT_EQ(ps->liveCount, 0);
}

TEST_F(ParticleSystemTest, FixedRateMakesAtMostOneStepPerUpdate) {
    PresetFile f;
    f.emissionRate = 100;
    auto ps = make(f, 50.0f);
    EXPECT_FLOAT_EQ(ps->stepInterval, 0.02f);
    ps->fire();
    ps->update(0.05f);  // one step of 0.02 s: 2 particles, not 5
    EXPECT_EQ(ps->liveCount, 2);
    EXPECT_NEAR(ps->stepResidue, 0.01f, 1e-6f);
    ps->update(0.005f);  // 0.015 gathered: no step
    EXPECT_EQ(ps->liveCount, 2);
    ps->update(1.0f);  // one step, the rest dropped
    EXPECT_EQ(ps->liveCount, 4);
    EXPECT_LT(ps->stepResidue, ps->stepInterval);
    ps->update(1e30f);  // must not spin for ever
    EXPECT_LT(ps->stepResidue, ps->stepInterval);
}

TEST_F(ParticleSystemTest, RatesThatAreNotPositiveStepEveryUpdate) {
    for (float rate : {0.0f, -5.0f, NAN}) {
        SCOPED_TRACE(rate);
        auto ps = make(PresetFile{}, rate);
        EXPECT_EQ(ps->stepInterval, 0.0f);
        ps->fire();
        ps->update(0.3f);
        EXPECT_EQ(ps->liveCount, 3);
    }
}

TEST_F(ParticleSystemTest, CapsAtFiveHundred) {
    PresetFile f;
    f.emissionRate = 2000;
    auto ps = make(f);
    ps->fire();
    ps->update(1.0f);
    EXPECT_EQ(ps->liveCount, 500);
    EXPECT_EQ(ps->emissionResidue, 0.0f) << "particles refused at the cap are not kept";
    ps->update(0.01f);
    EXPECT_EQ(ps->liveCount, 500);
    // One dies: exactly one newcomer takes its place in the same step.
    ps->particles[7].lifetime = 0.0f;
    ps->update(0.01f);
    EXPECT_EQ(ps->liveCount, 500);
    int newborn = 0;
    for (int i = 0; i < ps->liveCount; ++i) newborn += ps->particles[i].age == 0.0f;
    EXPECT_EQ(newborn, 1);
}

TEST_F(ParticleSystemTest, TheLastParticleFillsTheGapAndMovesInTheSameStep) {
    auto ps = make(PresetFile{});
    ps->stop();
    ps->liveCount = 3;
    for (int i = 0; i < 3; ++i) {
        Particle& p = ps->particles[i];
        p = Particle{};
        p.position = {100.0f + i, 0.0f};
        p.velocity = {1.0f, 2.0f};
        p.lifetime = 10.0f;
        p.size = 1.0f;
    }
    ps->particles[0].lifetime = 0.05f;
    ps->update(0.1f);
    ASSERT_EQ(ps->liveCount, 2);
    EXPECT_FLOAT_EQ(ps->particles[0].position.x, 103.0f);  // was entry 2 at 102
    EXPECT_FLOAT_EQ(ps->particles[0].position.y, 2.0f);
    EXPECT_FLOAT_EQ(ps->particles[0].age, 0.1f);
    EXPECT_FLOAT_EQ(ps->particles[1].position.x, 102.0f);
}

TEST_F(ParticleSystemTest, NewParticleDrawsItsRandomNumbersInOrder) {
    PresetFile f;
    f.emissionRate = 1;
    f.direction = 0.0f;
    f.spread = 1.0f;
    f.sizeStart = 1.0f;
    f.sizeEnd = 3.0f;
    f.spinStart = 0.0f;
    f.spinEnd = 4.0f;
    const float end[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    std::memcpy(f.colorEnd, end, sizeof end);
    auto ps = make(f);
    ps->fireAt(100, 100);
    ps->moveTo(110, 100);                              // emits along (100,100)..(110,100)
    rec::queueRandomFloats({2.0f,                      // lifetime
                            0.5f,                      // t along the path
                            1.0f, -1.5f,               // jitter x, y
                            0.5f,                      // spread draw: angle = -pi/2 + 0.5 - 0.5
                            3.0f,                      // speed
                            4.0f, 5.0f, 6.0f,          // gravity, radial, tangential
                            2.0f,                      // size
                            1.0f,                      // spin
                            0.8f, 0.6f, 0.4f, 0.2f});  // r, g, b, a
    ps->update(1.0f);
    ASSERT_EQ(ps->liveCount, 1);
    const Particle& p = ps->particles[0];
    EXPECT_EQ(p.age, 0.0f);
    EXPECT_EQ(p.lifetime, 2.0f);
    EXPECT_FLOAT_EQ(p.position.x, 106.0f);
    EXPECT_FLOAT_EQ(p.position.y, 98.5f);
    EXPECT_NEAR(p.velocity.x, 0.0f, 1e-6f);  // straight up
    EXPECT_FLOAT_EQ(p.velocity.y, -3.0f);
    EXPECT_EQ(p.gravity, 4.0f);
    EXPECT_EQ(p.radialAccel, 5.0f);
    EXPECT_EQ(p.tangentialAccel, 6.0f);
    EXPECT_EQ(p.size, 2.0f);
    EXPECT_FLOAT_EQ(p.sizeDelta, 0.5f);
    EXPECT_EQ(p.spin, 1.0f);
    EXPECT_FLOAT_EQ(p.spinDelta, 1.5f);
    EXPECT_EQ(p.color.r, 0.8f);
    EXPECT_EQ(p.color.g, 0.6f);
    EXPECT_EQ(p.color.b, 0.4f);
    EXPECT_EQ(p.color.a, 0.2f);
    EXPECT_FLOAT_EQ(p.colorDelta.r, -0.4f);
    EXPECT_FLOAT_EQ(p.colorDelta.a, -0.1f);
    EXPECT_EQ(ps->prevPosition.x, 110.0f);
}

TEST_F(ParticleSystemTest, RelativeDirectionFollowsTheEmittersPath) {
    PresetFile f;
    f.emissionRate = 1;
    f.relative = true;
    auto ps = make(f);
    ps->fireAt(100, 100);
    ps->moveTo(110, 100);  // moving right: direction 0 emits straight back, to the left
    rec::queueRandomFloats({1, 0, 0, 0, 0, 2, 0, 0, 0, 1, 0, 1, 1, 1, 1});
    ps->update(1.0f);
    ASSERT_EQ(ps->liveCount, 1);
    EXPECT_FLOAT_EQ(ps->particles[0].velocity.x, -2.0f);
    EXPECT_NEAR(ps->particles[0].velocity.y, 0.0f, 1e-5f);
}

TEST_F(ParticleSystemTest, AccelerationPointsAwayFromAndAroundTheEmitter) {
    auto ps = make(PresetFile{});
    ps->moveTo(100, 100);
    ps->liveCount = 2;
    Particle& off = ps->particles[0];
    off = Particle{};
    off.position = {103, 104};  // 3-4-5 away
    off.radialAccel = 10.0f;
    off.tangentialAccel = 20.0f;
    off.lifetime = 10.0f;
    Particle& on = ps->particles[1];
    on = off;
    on.position = {100, 100};
    on.gravity = 2.0f;
    ps->update(0.5f);
    // radial 10 * (0.6, 0.8) + tangential 20 * (-0.8, 0.6), for half a second; the fast
    // inverse square root is close, not exact.
    EXPECT_NEAR(off.velocity.x, (6.0f - 16.0f) * 0.5f, 0.02f);
    EXPECT_NEAR(off.velocity.y, (8.0f + 12.0f) * 0.5f, 0.02f);
    EXPECT_NEAR(off.position.x, 103.0f - 5.0f, 0.02f);
    // On the emitter: no radial or tangential push, no NaN, only gravity.
    EXPECT_EQ(on.velocity.x, 0.0f);
    EXPECT_EQ(on.velocity.y, 1.0f);
    EXPECT_EQ(on.position.y, 101.0f);
}

TEST_F(ParticleSystemTest, DirectionComesFromTheFastInverseSquareRoot) {
    auto ps = make(PresetFile{});
    ps->liveCount = 1;
    Particle& p = ps->particles[0];
    p = Particle{};
    p.position = {3, 4};
    p.radialAccel = 10.0f;
    p.lifetime = 10.0f;
    ps->update(1.0f);
    // 1/sqrt(25) after one Newton step with 0.4999 is 0.19971175 (with 0.5: 0.19968976).
    EXPECT_NEAR(p.velocity.x, 10 * 3 * 0.19971175f, 2e-6f);
    EXPECT_NEAR(p.velocity.y, 10 * 4 * 0.19971175f, 2e-6f);
}

TEST_F(ParticleSystemTest, FireAtStartsAfreshWithoutATrail) {
    auto ps = make(PresetFile{});
    ps->fireAt(0, 0);
    queueParticles(2, 0.0f);
    ps->update(0.25f);
    ASSERT_EQ(ps->liveCount, 2);
    ps->fireAt(200, 100);
    EXPECT_EQ(ps->prevPosition.x, 200.0f);
    EXPECT_EQ(ps->prevPosition.y, 100.0f);
    queueParticles(3, 0.5f);  // halfway along any path
    ps->update(0.25f);
    ASSERT_EQ(ps->liveCount, 5) << "the old particles fly on";
    for (int i = 2; i < 5; ++i) {
        EXPECT_EQ(ps->particles[i].position.x, 200.0f);
        EXPECT_EQ(ps->particles[i].position.y, 100.0f);
    }
    // A plain move while emitting does leave a trail.
    ps->moveTo(300, 100);
    queueParticles(2, 0.5f);
    ps->update(0.25f);
    EXPECT_EQ(ps->particles[ps->liveCount - 1].position.x, 250.0f);
}

TEST_F(ParticleSystemTest, MoveToCanDragTheParticlesAlong) {
    auto ps = make(PresetFile{});
    ps->fireAt(10, 20);
    ps->update(0.5f);
    ASSERT_EQ(ps->liveCount, 5);
    std::vector<ParticleVector> before;
    for (int i = 0; i < ps->liveCount; ++i) before.push_back(ps->particles[i].position);
    ps->moveTo(15, 10, true);
    for (int i = 0; i < ps->liveCount; ++i) {
        EXPECT_FLOAT_EQ(ps->particles[i].position.x, before[i].x + 5);
        EXPECT_FLOAT_EQ(ps->particles[i].position.y, before[i].y - 10);
    }
    EXPECT_EQ(ps->position.x, 15.0f);
    EXPECT_EQ(ps->prevPosition.x, 15.0f);
    EXPECT_EQ(ps->prevPosition.y, 10.0f);
}

TEST_F(ParticleSystemTest, RenderPacksEachParticlesColour) {
    const struct {
        ParticleColor color;
        std::uint32_t packed;
    } cases[] = {
        {{1.0f, 0.5f, 0.0f, 1.0f}, 0xFFFF8000},  // 127.5 goes to 128
        {{0.0f, 0.0f, 0.0f, 0.0f}, 0x00000000},
        {{1.0f, 1.0f, 1.0f, 1.0f}, 0xFFFFFFFF},
        {{0.5f / 255, 1.5f / 255, 0.0f, 2.5f / 255}, 0x02000200},  // halves to even
        {{1.2f, 0.0f, 0.0f, 1.0f}, 0x00320000},                    // out of range: wraps, not clamped
    };
    auto ps = make(PresetFile{});
    sprite.setHotSpot(8, 8);
    sprite.setColor(0x11223344, -1);
    sprite.setColor(0x55667788, 2);
    ps->liveCount = 5;
    for (int i = 0; i < 5; ++i) {
        Particle& p = ps->particles[i];
        p = Particle{};
        p.position = {50.0f + 10 * i, 60.0f};
        p.size = 2.0f;
        p.color = cases[i].color;
    }
    ps->render();
    const std::vector<Quad> quads = rec::quads();
    ASSERT_EQ(quads.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        for (const Vertex& v : quads[i].v) EXPECT_EQ(v.col, cases[i].packed);
        EXPECT_FLOAT_EQ(quads[i].v[0].x, 50.0f + 10 * i - 16);
        EXPECT_FLOAT_EQ(quads[i].v[2].y, 60.0f + 16);
    }
    for (const Vertex& v : sprite.quad.v) EXPECT_EQ(v.col, 0x11223344u);

    // With nothing alive every corner still ends with corner 0's colour.
    sprite.setColor(0x99999999, 3);
    ps->liveCount = 0;
    rec::clearRecords();
    ps->render();
    EXPECT_TRUE(rec::quads().empty());
    for (const Vertex& v : sprite.quad.v) EXPECT_EQ(v.col, 0x11223344u);
}

TEST_F(ParticleSystemTest, RenderTurnsEachParticleBySpinTimesAge) {
    auto ps = make(PresetFile{});
    ps->liveCount = 1;
    Particle& p = ps->particles[0];
    p = Particle{};
    p.position = {100, 100};
    p.size = 1.0f;
    p.spin = static_cast<float>(M_PI);
    p.age = 0.5f;  // a quarter turn
    p.color = {1, 1, 1, 1};
    ps->render();
    const Quad q = rec::quads().at(0);
    EXPECT_NEAR(q.v[0].x, 100.0f, 1e-4f);
    EXPECT_NEAR(q.v[1].y, 116.0f, 1e-4f);
}

}  // namespace
