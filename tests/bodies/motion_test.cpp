// Orbits, ageing, explosions, flying away, dying and clearing the planets.
#include <cmath>
#include <limits>

#include "bodies/pixel.h"
#include "body_fixture.h"

namespace bodytest {
namespace {

using Motion = BodyTest;

TEST(Pixel, TruncatesTowardZeroAndWrapsSixteenBits) {
    struct Case {
        float value;
        std::int16_t want;
    };
    const Case cases[] = {
        {399.99f, 399},
        {-3.7f, -3},
        {0.5f, 0},
        {-0.5f, 0},
        {32767.9f, 32767},
        {32768.0f, -32768},
        {40400.0f, -25136},
        {65541.0f, 5},
        {-32769.0f, 32767},
        {-65536.0f, 0},
        {1e12f, 0},
        {-1e12f, 0},
        {std::numeric_limits<float>::infinity(), 0},
        {std::numeric_limits<float>::quiet_NaN(), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(bodies::toPixel(c.value), c.want) << c.value;
}

TEST_F(Motion, PlanetStandsOnItsEllipse) {
    struct Case {
        std::int16_t parentX;
        float radius, ellipseX, angle;
        std::int16_t wantX, wantY;
    };
    const float pi = 3.14159274f;
    const Case cases[] = {
        {400, 100.0f, 1.5f, 0.0f, 550, 300},       // the rightmost point of the ellipse
        {400, 0.01f, 1.0f, pi, 399, 300},          // 399.99 is truncated, not rounded
        {0, 3.7f, 1.0f, pi, -3, 300},              // -3.7 goes toward zero
        {400, 40000.0f, 1.0f, 0.0f, -25136, 300},  // far off screen the coordinate wraps
    };
    for (const Case& c : cases) {
        Body sun;
        sun.init(c.parentX, 300, 300.0f, 1.0f, true);
        Body& planet = addChild(sun);
        planet.radius = c.radius;
        planet.ellipseX = c.ellipseX;
        planet.ellipseY = 1.0f;
        planet.angle = c.angle;
        // No game time passes, so the angle stays where it was put.
        sun.update(sun, 0.0f, 0.01f);
        EXPECT_EQ(planet.x, c.wantX) << c.radius;
        EXPECT_EQ(planet.y, c.wantY) << c.radius;
        EXPECT_EQ(planet.parentX, c.parentX);
    }
}

TEST_F(Motion, AngleGrowsWithGameTimeAndSpeed) {
    auto sun = makeSun();
    Body& planet = addChild(*sun);
    planet.angle = 1.0f;
    planet.speed = 10.0f;
    sun->update(*sun, 0.5f, 0.01f);
    EXPECT_FLOAT_EQ(planet.angle, 1.5f);
    EXPECT_EQ(planet.x, bodies::toPixel(400.0f + std::cos(1.5f) * (planet.ellipseX * planet.radius)));
    EXPECT_EQ(planet.y, bodies::toPixel(300.0f + std::sin(1.5f) * (planet.ellipseY * planet.radius)));
}

TEST_F(Motion, SunNeverMoves) {
    auto sun = makeSun();
    addChild(*sun);
    for (int i = 0; i < 100; ++i) sun->update(*sun, 0.5f, 0.1f);
    EXPECT_EQ(sun->x, 400);
    EXPECT_EQ(sun->y, 300);
    EXPECT_EQ(sun->parentX, 400);
    EXPECT_EQ(sun->parentY, 300);
    EXPECT_TRUE(sun->alive);
    EXPECT_EQ(sun->fade, 1.0f);
}

TEST_F(Motion, WithoutGameTimeNothingMovesButEverythingAges) {
    auto sun = makeSun();
    Body& planet = addChild(*sun, false);
    sun->update(*sun, 0.0f, 0.01f);
    const std::int16_t x = planet.x, y = planet.y;
    const float angle = planet.angle;
    bool animated = false;
    for (int i = 0; i < 50; ++i) {
        sun->update(*sun, 0.0f, 0.1f);
        animated = animated || planet.sprite->currentFrame != 0;
    }
    EXPECT_EQ(planet.x, x);
    EXPECT_EQ(planet.y, y);
    EXPECT_EQ(planet.angle, angle);
    EXPECT_NEAR(planet.age, 5.01f / 5.0f, 1e-5f);
    EXPECT_TRUE(animated);
    EXPECT_GT(sun->particles->liveCount, 0) << "the glow goes on";
}

TEST_F(Motion, ExplosionFadesOverTwoSecondsAndEndsWithItsParticles) {
    auto sun = makeSun();
    Body& planet = addChild(*sun);
    sun->update(*sun, 0.1f, 0.01f);
    const std::int16_t x = planet.x, y = planet.y;
    planet.exploded = true;
    planet.particles->fireAt(static_cast<float>(x + 16), static_cast<float>(y + 16));

    int steps = 0;
    while (planet.alive && steps < 100) {
        sun->update(*sun, 0.25f, 0.25f);
        ++steps;
        EXPECT_EQ(planet.x, x) << "an exploded body stays where it blew up";
        EXPECT_EQ(planet.y, y);
        if (steps == 7) {
            EXPECT_EQ(planet.fade, 0.125f);
        }
        if (steps == 8) {
            EXPECT_EQ(planet.fade, 0.0f) << "2 seconds of real time";
        }
        if (planet.alive) {
            EXPECT_TRUE(planet.fade > 0.0f || planet.particles->liveCount > 0);
        }
    }
    EXPECT_FALSE(planet.alive);
    EXPECT_EQ(planet.particles, nullptr) << "a dead body gives back its particle storage";
    // The particles live 3 seconds, well past the fade.
    EXPECT_GT(steps, 8);
    EXPECT_LT(steps, 20);
}

TEST_F(Motion, ChildrenFlyAwayAndDieWithTheirExplodedParent) {
    auto sun = makeSun();
    Body& planet = addChild(*sun);
    Body& moon = addChild(planet);
    Body& grandMoon = addChild(moon);
    Body& deadMoon = addChild(planet);
    deadMoon.alive = false;
    sun->update(*sun, 0.01f, 0.01f);
    const float moonRadius = moon.radius;

    planet.exploded = true;
    planet.particles->fireAt(static_cast<float>(planet.x + 16), static_cast<float>(planet.y + 16));
    sun->update(*sun, 0.01f, 0.25f);
    // Marked before it is updated, so its orbit already grows by 2000 pixels per second of
    // game time.
    EXPECT_FLOAT_EQ(moon.radius, moonRadius + 20.0f);
    EXPECT_TRUE(moon.flyingAway);
    EXPECT_TRUE(grandMoon.flyingAway);
    EXPECT_FALSE(deadMoon.flyingAway) << "only live descendants fly";
    EXPECT_FALSE(planet.flyingAway);
    EXPECT_FALSE(sun->children[1].flyingAway);

    // A child added while the explosion runs flies away too.
    Body& late = addChild(planet);
    sun->update(*sun, 0.0f, 0.25f);
    EXPECT_TRUE(late.flyingAway);

    while (planet.alive) {
        const float moonAge = moon.age;
        sun->update(*sun, 0.0f, 0.25f);
        if (!planet.alive) {
            EXPECT_FALSE(moon.alive) << "direct children die in the same update";
            EXPECT_FALSE(late.alive);
            EXPECT_FLOAT_EQ(moon.age, moonAge + 0.05f) << "after being updated once more";
            // Further down nothing is reached any more; the game must not see it alive.
            EXPECT_FALSE(grandMoon.alive);
        }
    }
}

TEST_F(Motion, KillPlanetsLeavesOnlyTheSun) {
    auto sun = makeSun();
    Body& planet = addChild(*sun);
    addChild(planet);
    addChild(*sun);
    addChild(*sun);
    const float age = sun->age;
    sun->killPlanets();
    EXPECT_TRUE(sun->alive);
    for (int i = 0; i < Body::ChildSlots; ++i) EXPECT_FALSE(sun->children[i].alive);
    EXPECT_FALSE(planet.children[0].alive);
    EXPECT_EQ(sun->addedChildren, 3);
    EXPECT_EQ(sun->age, age);
    EXPECT_TRUE(sun->addChild(*sun, true));
    EXPECT_TRUE(sun->children[0].alive);
    EXPECT_FALSE(sun->children[1].alive);
}

}  // namespace
}  // namespace bodytest
