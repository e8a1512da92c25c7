// Creating suns and planets, adding children, the player's setters, teardown.
#include <algorithm>
#include <cmath>

#include "body_fixture.h"

namespace bodytest {
namespace {

using Creation = BodyTest;

TEST_F(Creation, InitDrawsInTheGameOrder) {
    // A planet's random values, drawn by hand in the order the game draws them.
    platform::srand(77);
    const int red = 100 + platform::rand() % 155;
    const int green = 100 + platform::rand() % 155;
    const int blue = 100 + platform::rand() % 155;
    const float radius = static_cast<float>(platform::rand() % 30 + 85) * 160.0f / 100.0f;
    const float angle = static_cast<float>((platform::rand() % 360) * 57.324840764331206);
    int speed = 0;
    do {
        speed = platform::rand() % 20;
    } while (speed < 10);
    const float ellipseX = static_cast<float>(platform::rand() % 100 + 100) / 100.0f;
    const float ellipseY = static_cast<float>(platform::rand() % 100 + 100) / 100.0f;
    const int fps = platform::rand() % 5 + 10;
    const int next = platform::rand();

    platform::srand(77);
    Body planet;
    planet.init(10, 20, 160.0f, 0.5f, false);
    EXPECT_EQ(planet.color, 0x01000000u | static_cast<std::uint32_t>(red << 16 | green << 8 | blue));
    EXPECT_EQ(planet.radius, radius);
    EXPECT_EQ(planet.angle, angle);
    EXPECT_EQ(planet.speed, static_cast<float>(speed));
    EXPECT_EQ(planet.ellipseX, ellipseX);
    EXPECT_EQ(planet.ellipseY, ellipseY);
    EXPECT_FLOAT_EQ(planet.sprite->frameTime, 1.0f / static_cast<float>(fps));
    EXPECT_EQ(platform::rand(), next) << "init drew more or fewer numbers than the game does";
    EXPECT_EQ(planet.x, 10);
    EXPECT_EQ(planet.y, 20);
    EXPECT_EQ(planet.scale, 0.5f);
}

TEST_F(Creation, RandomValuesStayInTheirRanges) {
    int lowChannel = 255, highChannel = 0, lowRadius = 200, highRadius = 0;
    float lowSpeed = 100, highSpeed = 0, lowEllipse = 9, highEllipse = 0;
    int lowFps = 100, highFps = 0;
    Body planet;
    for (int i = 0; i < 2000; ++i) {
        planet.init(400, 300, 100.0f, 1.0f, false);
        for (int shift : {0, 8, 16}) {
            const int channel = static_cast<int>(planet.color >> shift & 0xFF);
            lowChannel = std::min(lowChannel, channel);
            highChannel = std::max(highChannel, channel);
        }
        EXPECT_EQ(planet.color >> 24, 0x01u);
        // With base radius 100 the radius is the percentage itself.
        ASSERT_EQ(planet.radius, std::floor(planet.radius));
        lowRadius = std::min(lowRadius, static_cast<int>(planet.radius));
        highRadius = std::max(highRadius, static_cast<int>(planet.radius));
        ASSERT_EQ(planet.speed, std::floor(planet.speed));
        lowSpeed = std::min(lowSpeed, planet.speed);
        highSpeed = std::max(highSpeed, planet.speed);
        for (float e : {planet.ellipseX, planet.ellipseY}) {
            lowEllipse = std::min(lowEllipse, e);
            highEllipse = std::max(highEllipse, e);
        }
        const int fps = static_cast<int>(std::lround(1.0f / planet.sprite->frameTime));
        lowFps = std::min(lowFps, fps);
        highFps = std::max(highFps, fps);
    }
    EXPECT_EQ(lowChannel, 100);
    EXPECT_EQ(highChannel, 254);
    EXPECT_EQ(lowRadius, 85);
    EXPECT_EQ(highRadius, 114);
    EXPECT_EQ(lowSpeed, 10.0f);
    EXPECT_EQ(highSpeed, 19.0f);
    EXPECT_EQ(lowFps, 10);
    EXPECT_EQ(highFps, 14);
    EXPECT_FLOAT_EQ(lowEllipse, 1.0f);
    EXPECT_FLOAT_EQ(highEllipse, 1.99f);
}

TEST_F(Creation, SunAndPlanetPicturesAndEffects) {
    auto sun = makeSun();
    EXPECT_TRUE(sun->alive);
    EXPECT_TRUE(sun->isSun);
    EXPECT_EQ(sun->sheet.frames, 0);
    EXPECT_EQ(sun->sprite->frameCount, 1);
    EXPECT_EQ(sun->sprite->quad.blend, 0);
    EXPECT_EQ(sun->sprite->hotX, 32.0f);
    EXPECT_EQ(sun->sprite->hotY, 32.0f);
    EXPECT_EQ(sun->ouchSprite, nullptr);
    // The glow starts at once at the screen centre, drawn with the sun's own picture.
    EXPECT_EQ(sun->particles->preset.sprite, sun->sprite.get());
    EXPECT_EQ(sun->particles->position.x, 400.0f);
    EXPECT_EQ(sun->particles->position.y, 300.0f);
    EXPECT_NE(sun->particles->age, -2.0f);
    EXPECT_NE(sun->explodeSound, 0u);

    Body& planet = addChild(*sun, false);
    EXPECT_FALSE(planet.isSun);
    EXPECT_EQ(planet.sheet.frames, 4);
    EXPECT_EQ(planet.sheet.frameWidth, 64);
    EXPECT_EQ(planet.sheet.frameHeight, 64);
    EXPECT_EQ(planet.sprite->frameCount, 4);
    EXPECT_EQ(planet.sprite->quad.blend, BLEND_DEFAULT);
    EXPECT_EQ(planet.sprite->hotX, 32.0f);
    EXPECT_TRUE(planet.sprite->playing);
    // The explosion sprite is 16 x 16 but turns about the planet's centre.
    EXPECT_EQ(planet.ouchSprite->width, 16.0f);
    EXPECT_EQ(planet.ouchSprite->hotX, 32.0f);
    EXPECT_EQ(planet.ouchSprite->hotY, 32.0f);
    EXPECT_EQ(planet.ouchSprite->quad.blend, 0);
    EXPECT_EQ(planet.particles->preset.sprite, planet.ouchSprite.get());
    EXPECT_EQ(planet.particles->preset.emissionRate, Explosion.emissionRate);
    EXPECT_EQ(planet.particles->age, -2.0f) << "the explosion waits for a collision";
    // One shared copy of the sound and of each picture.
    EXPECT_EQ(planet.explodeSound, sun->explodeSound);
    EXPECT_EQ(rec::liveEffects(), 1u);
    EXPECT_EQ(rec::liveTextures(), 3u);
}

TEST_F(Creation, AddChildFillsTheFirstFreeSlot) {
    auto sun = makeSun();
    EXPECT_EQ(sun->children, nullptr);
    for (int i = 0; i < Body::ChildSlots; ++i) {
        EXPECT_TRUE(sun->addChild(*sun, false));
        EXPECT_TRUE(sun->children[i].alive);
    }
    Body& child = sun->children[1];
    EXPECT_EQ(child.x, sun->x);
    EXPECT_EQ(child.y, sun->y);
    EXPECT_FLOAT_EQ(child.scale, 2.0f / 3.0f);
    EXPECT_GE(child.radius, 0.85f * sun->radius * 0.5f - 0.01f);
    EXPECT_LE(child.radius, 1.14f * sun->radius * 0.5f + 0.01f);
    EXPECT_EQ(child.age, 0.0f);
    EXPECT_EQ(sun->requester, sun.get());

    // A sixth request is refused but counted, and touches no child.
    struct Snapshot {
        float angle, radius, age;
        std::uint32_t color;
        bool operator==(const Snapshot&) const = default;
    };
    auto snapshot = [&sun](int i) {
        const Body& c = sun->children[i];
        return Snapshot{c.angle, c.radius, c.age, c.color};
    };
    Snapshot before[Body::ChildSlots];
    for (int i = 0; i < Body::ChildSlots; ++i) before[i] = snapshot(i);
    EXPECT_FALSE(sun->addChild(*sun, true));
    EXPECT_EQ(sun->addedChildren, 6);
    for (int i = 0; i < Body::ChildSlots; ++i) EXPECT_TRUE(snapshot(i) == before[i]) << "slot " << i;

    // A dead slot is taken before the later free ones.
    sun->children[2].alive = false;
    sun->children[3].alive = false;
    EXPECT_TRUE(sun->addChild(*sun, true));
    EXPECT_TRUE(sun->children[2].alive);
    EXPECT_FALSE(sun->children[3].alive);
    EXPECT_EQ(sun->children[2].age, 1.1f) << "grown children skip their youth";
    EXPECT_EQ(sun->addedChildren, 7);
}

TEST_F(Creation, SettersClamp) {
    struct Case {
        float ex, ey, wantX, wantY;
    };
    const Case ellipses[] = {
        {3.0f, 0.2f, 2.3f, 0.5f},
        {0.4f, 1.8f, 0.5f, 1.7f},
        {1.2f, 1.3f, 1.2f, 1.3f},
        {2.3f, 1.7f, 2.3f, 1.7f},
    };
    Body planet;
    planet.init(400, 300, 100.0f, 1.0f, false);
    for (const Case& c : ellipses) {
        planet.setEllipse(c.ex, c.ey);
        EXPECT_EQ(planet.ellipseX, c.wantX) << c.ex;
        EXPECT_EQ(planet.ellipseY, c.wantY) << c.ey;
    }
    const std::pair<float, float> speeds[] = {{3.0f, 4.0f}, {4.0f, 4.0f}, {25.0f, 25.0f}, {-7.0f, 4.0f}};
    for (auto [s, want] : speeds) {
        planet.setSpeed(s);
        EXPECT_EQ(planet.speed, want) << s;
    }
}

TEST_F(Creation, FreshPlanetEllipseIsNotClamped) {
    bool above = false;
    Body planet;
    for (int i = 0; i < 500 && !above; ++i) {
        planet.init(400, 300, 100.0f, 1.0f, false);
        above = planet.ellipseY > 1.7f;
    }
    EXPECT_TRUE(above);
}

TEST_F(Creation, TeardownGivesEverythingBack) {
    // The game holds the engine for longer than any body.
    Engine* game = hgeCreate(ENGINE_VERSION);
    const int references = rec::references();
    const int shutdowns = rec::shutdownCount();
    {
        auto sun = makeSun();
        Body& planet = addChild(*sun);
        addChild(planet);
        addChild(*sun);
        // Two engine references per record, one per sprite and particle system.
        EXPECT_GT(rec::references(), references);
    }
    EXPECT_EQ(rec::references(), references);
    EXPECT_EQ(rec::liveTextures(), 0u);
    EXPECT_EQ(rec::liveEffects(), 0u);
    // Tearing bodies down must not stop the engine the game still runs on.
    EXPECT_EQ(rec::shutdownCount(), shutdowns);
    game->Release();
}

}  // namespace
}  // namespace bodytest
