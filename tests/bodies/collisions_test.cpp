// Hit-testing, collisions and the planet count.
#include "body_fixture.h"

namespace bodytest {
namespace {

using Collisions = BodyTest;

TEST_F(Collisions, HitTestIsStrictAndFindsParentsFirst) {
    auto sun = makeSun();
    Body& planet = placeChild(*sun, 420, 300);  // overlaps the sun
    Body& moon = placeChild(planet, 430, 300);  // overlaps the planet and the sun
    Body& far = placeChild(*sun, 100, 100);
    struct Case {
        std::int32_t x, y;
        const Body* want;
    };
    const Case cases[] = {
        {432, 300, &planet},  // exactly 32 from the sun: not the sun
        {431, 300, sun.get()}, {400, 332, nullptr},
        {400, 331, sun.get()}, {425, 300, sun.get()},  // sun, planet and moon: the sun
        {441, 300, &planet},                           // planet and moon: the planet
        {443, 300, &moon},                             // 23 from the planet, 13 from the moon
        {100, 121, &far},                              // 21 < 21.33
        {100, 122, nullptr},   {700, 500, nullptr},
    };
    for (const Case& c : cases) EXPECT_EQ(sun->hitTest(c.x, c.y), c.want) << c.x << "," << c.y;

    // Young, exploded and flying bodies are found like any other; dead ones are not.
    far.age = 0.0f;
    far.exploded = true;
    far.flyingAway = true;
    EXPECT_EQ(sun->hitTest(100, 100), &far);
    far.alive = false;
    EXPECT_EQ(sun->hitTest(100, 100), nullptr);
}

TEST_F(Collisions, PlanetsCollideWhenOverlappingByMoreThanEightPixels) {
    struct Case {
        std::int16_t distance;
        float ageA, ageB;
        bool want;
    };
    // Two planets of the sun reach 21.33 each: they collide below 34.67 pixels.
    const Case cases[] = {
        {34, 1.1f, 1.1f, true},  {35, 1.1f, 1.1f, false},
        {0, 1.1f, 1.1f, true},   {34, 1.0f, 1.1f, false},  // a body exactly 1 old is not grown yet
        {34, 1.1f, 0.5f, false},
    };
    for (const Case& c : cases) {
        rec::clearRecords();
        auto sun = makeSun();
        Body& a = placeChild(*sun, 100, 100);
        Body& b = placeChild(*sun, static_cast<std::int16_t>(100 + c.distance), 100);
        a.age = c.ageA;
        b.age = c.ageB;
        EXPECT_EQ(sun->checkCollisions(*sun), c.want) << c.distance;
        EXPECT_EQ(a.exploded, c.want);
        EXPECT_EQ(b.exploded, c.want);
        EXPECT_EQ(rec::sounds("Effect_Play").size(), c.want ? 1u : 0u);
    }
}

TEST_F(Collisions, PlanetHittingTheSunExplodesAlone) {
    auto sun = makeSun();
    sun->age = 2.0f;  // the sun is grown after its first 5 seconds
    Body& planet = placeChild(*sun, 440, 310);
    rec::clearRecords();
    EXPECT_TRUE(sun->checkCollisions(*sun));
    EXPECT_TRUE(planet.exploded);
    EXPECT_FALSE(sun->exploded);
    EXPECT_EQ(planet.particles->position.x, 456.0f);
    EXPECT_EQ(planet.particles->position.y, 326.0f);
    EXPECT_NE(planet.particles->age, -2.0f) << "the explosion is fired";
    EXPECT_EQ(sun->particles->position.x, 400.0f) << "the glow stays";
    const auto played = rec::sounds("Effect_Play");
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].handle, sun->explodeSound);

    // Exploded bodies take no further part.
    rec::clearRecords();
    EXPECT_FALSE(sun->checkCollisions(*sun));
    EXPECT_TRUE(rec::sounds("Effect_Play").empty());
}

TEST_F(Collisions, OnePairPerCallInSearchOrder) {
    auto sun = makeSun();
    Body& p0 = placeChild(*sun, 100, 100);
    Body& p1 = placeChild(*sun, 220, 100);
    Body& p2 = placeChild(*sun, 100, 500);
    Body& p3 = placeChild(*sun, 120, 500);
    Body& moon = placeChild(p0, 200, 100);  // 20 from p1: they touch (threshold 27.6)
    // Slots 2 and 3 touch as well, but the walk reaches the moon of slot 0 with slot 1
    // before it reaches slot 2.
    EXPECT_TRUE(sun->checkCollisions(*sun));
    EXPECT_TRUE(moon.exploded);
    EXPECT_TRUE(p1.exploded);
    EXPECT_FALSE(p0.exploded);
    EXPECT_FALSE(p2.exploded);
    EXPECT_FALSE(p3.exploded);

    EXPECT_TRUE(sun->checkCollisions(*sun));
    EXPECT_TRUE(p2.exploded);
    EXPECT_TRUE(p3.exploded);
    EXPECT_FALSE(sun->checkCollisions(*sun));
    EXPECT_EQ(rec::sounds("Effect_Play").size(), 2u);
}

TEST_F(Collisions, MoonsOfDifferentPlanetsPassThroughEachOther) {
    auto sun = makeSun();
    Body& p0 = placeChild(*sun, 100, 100);
    Body& p1 = placeChild(*sun, 100, 400);
    Body& m0 = placeChild(p0, 200, 250);
    Body& m1 = placeChild(p1, 200, 250);
    EXPECT_FALSE(sun->checkCollisions(*sun));
    // Siblings do meet.
    Body& m2 = placeChild(p0, 205, 250);
    EXPECT_TRUE(sun->checkCollisions(*sun));
    EXPECT_TRUE(m0.exploded);
    EXPECT_TRUE(m2.exploded);
    EXPECT_FALSE(m1.exploded);
}

TEST_F(Collisions, DescendantMeetsAFarAncestor) {
    auto sun = makeSun();
    Body& planet = placeChild(*sun, 100, 100);
    Body& moon = placeChild(planet, 150, 100);
    Body& grandMoon = placeChild(moon, 420, 300);
    sun->age = 2.0f;
    EXPECT_TRUE(sun->checkCollisions(*sun));
    EXPECT_TRUE(grandMoon.exploded);
    EXPECT_FALSE(sun->exploded);
}

TEST_F(Collisions, CountsGrownPlanetsWithoutExplodedAncestors) {
    auto sun = makeSun();
    EXPECT_EQ(sun->countPlanets(), 0);
    Body& planet = placeChild(*sun, 100, 100);
    Body& moon = placeChild(planet, 150, 100);
    Body& young = addChild(*sun, false);
    EXPECT_EQ(sun->countPlanets(), 2);
    young.age = 1.0f;
    EXPECT_EQ(sun->countPlanets(), 2) << "exactly 1 is not grown";
    young.age = 1.1f;
    EXPECT_EQ(sun->countPlanets(), 3);

    // An exploded planet still counts until it dies; its moon no longer does.
    planet.exploded = true;
    EXPECT_EQ(sun->countPlanets(), 2);
    EXPECT_TRUE(moon.alive);
    planet.alive = false;
    EXPECT_EQ(sun->countPlanets(), 1);
    // The tally starts afresh on every walk from the sun.
    EXPECT_EQ(sun->countPlanets(), 1);
}

}  // namespace
}  // namespace bodytest
