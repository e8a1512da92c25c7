// A long game neither piles up bodies nor engine objects, and new planets read no file.
#include <algorithm>

#include "body_fixture.h"

namespace bodytest {
namespace {

using Memory = BodyTest;

// What the engine is holding for the game: references (two per body record, one per
// sprite and per particle system), pictures, sounds, playing channels, file blocks.
struct Holdings {
    int references = 0;
    std::size_t textures = 0, effects = 0, channels = 0;
    int blocks = 0;

    static Holdings now() {
        rec::finishEffects();
        return {rec::references(), rec::liveTextures(), rec::liveEffects(), rec::liveChannels(),
                rec::liveResourceBlocks()};
    }
    void takeMax(const Holdings& h) {
        references = std::max(references, h.references);
        textures = std::max(textures, h.textures);
        effects = std::max(effects, h.effects);
        channels = std::max(channels, h.channels);
        blocks = std::max(blocks, h.blocks);
    }
};

// One round of play: every free slot of the sun gets a planet with two moons, one of them
// with a moon of its own; the planets of slots 0 and 1 are pushed together and the
// touching pairs explode; the tree runs until both planets are gone.
void playRound(Body& sun) {
    while (sun.addChild(sun, true)) {
    }
    for (int i = 0; i < Body::ChildSlots; ++i) {
        Body& planet = sun.children[i];
        if (planet.addedChildren != 0) continue;
        planet.addChild(planet, true);
        planet.addChild(planet, true);
        planet.children[0].addChild(planet.children[0], true);
    }
    sun.update(sun, 0.01f, 0.01f);
    Body& a = sun.children[0];
    Body& b = sun.children[1];
    a.x = b.x = 100;
    a.y = b.y = 100;
    while (sun.checkCollisions(sun)) {
    }
    ASSERT_TRUE(a.exploded || b.exploded);
    for (int step = 0; step < 200 && (a.alive || b.alive); ++step) {
        sun.update(sun, 0.01f, 0.25f);
        sun.checkCollisions(sun);
        sun.countPlanets();
        sun.render();
        rec::clearRecords();
        // One of the two may have met another body first; the other goes as well.
        for (Body* p : {&a, &b}) {
            if (p->alive && !p->exploded) {
                p->exploded = true;
                p->particles->fireAt(0, 0);
            }
        }
    }
    ASSERT_FALSE(a.alive || b.alive);
}

TEST_F(Memory, ThousandsOfRoundsHoldNoMore) {
    auto sun = makeSun();
    Holdings warm;
    for (int round = 0; round < 50; ++round) {
        ASSERT_NO_FATAL_FAILURE(playRound(*sun));
        warm.takeMax(Holdings::now());
    }
    const int reads = rec::fileReads();
    Holdings later;
    for (int round = 0; round < 2000; ++round) {
        ASSERT_NO_FATAL_FAILURE(playRound(*sun));
        later.takeMax(Holdings::now());
    }
    EXPECT_LE(later.references, warm.references);
    EXPECT_LE(later.textures, 3u);
    EXPECT_LE(later.effects, 1u);
    EXPECT_EQ(later.channels, 0u);
    EXPECT_EQ(later.blocks, 0);
    EXPECT_EQ(rec::fileReads(), reads);
}

TEST_F(Memory, HeldPointerIntoAReusedSlotStaysReadable) {
    auto sun = makeSun();
    Body& planet = addChild(*sun);
    Body* held = &addChild(planet);  // as the game holds the body under the mouse
    held->selected = true;
    sun->update(*sun, 0.01f, 0.01f);
    planet.exploded = true;
    planet.particles->fireAt(0, 0);
    for (int i = 0; i < 100 && planet.alive; ++i) sun->update(*sun, 0.01f, 0.25f);
    ASSERT_FALSE(planet.alive);
    EXPECT_FALSE(held->alive);
    // The dead give back their sprites and particle storage at once.
    for (const Body* dead : {&planet, held}) {
        EXPECT_EQ(dead->sprite, nullptr);
        EXPECT_EQ(dead->particles, nullptr);
    }

    // The dead planet's slot is taken again: the moon it had is gone for good and its
    // record can still be read.
    const int references = rec::references();
    EXPECT_TRUE(sun->addChild(*sun, false));
    EXPECT_EQ(&sun->children[0], &planet);
    EXPECT_EQ(planet.addedChildren, 0);
    EXPECT_FALSE(held->alive);
    EXPECT_TRUE(held->selected);
    EXPECT_EQ(held->sprite, nullptr);
    EXPECT_EQ(held->particles, nullptr);
    EXPECT_EQ(rec::references(), references + 3) << "only the new planet's sprites and particle system";
    EXPECT_NE(sun->hitTest(held->x, held->y), held);
}

// The smallest PNG header the engine needs to learn a picture's size.
std::vector<std::uint8_t> pngHeader(std::uint32_t w, std::uint32_t h) {
    std::vector<std::uint8_t> b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                   0,    0,   0,   13,  'I',  'H',  'D',  'R'};
    for (std::uint32_t v : {w, h})
        for (int shift : {24, 16, 8, 0}) b.push_back(static_cast<std::uint8_t>(v >> shift));
    for (std::uint8_t v : {8, 6, 0, 0, 0, 0, 0, 0, 0}) b.push_back(v);  // RGBA, then a CRC
    return b;
}

TEST(BodyFiles, OnlyTheFirstPlanetReadsFiles) {
    rec::reset();
    platform::srand(3);
    rec::addFile("particles.png", pngHeader(64, 64));
    rec::addFile("Texture\\Planet.png", pngHeader(256, 64));
    rec::addFile("Ouch.png", pngHeader(64, 16));
    rec::addFile("Media\\Explode.mp3", {0xFF, 0xFB, 0x90, 0x00});
    rec::addFile("particle1.psi", presetFile(Glow));
    rec::addFile("Boom3.psi", presetFile(Explosion));

    auto sun = std::make_unique<Body>();
    sun->init(400, 300, 300.0f, 1.0f, true);
    ASSERT_EQ(rec::fileReads(), 3) << "sun picture, explosion sound, glow preset";
    ASSERT_TRUE(sun->addChild(*sun, true));
    ASSERT_EQ(rec::fileReads(), 6) << "planet picture, explosion picture, explosion preset";
    ASSERT_EQ(rec::liveTextures(), 3u);
    EXPECT_EQ(sun->children[0].particles->preset.emissionRate, Explosion.emissionRate);

    for (int i = 0; i < 4; ++i) ASSERT_TRUE(sun->addChild(*sun, true));
    Body& planet = sun->children[2];
    ASSERT_TRUE(planet.addChild(planet, true));
    // Planets in new slots and in used ones alike.
    sun->killPlanets();
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(sun->addChild(*sun, false));
    EXPECT_EQ(rec::fileReads(), 6);
    EXPECT_EQ(rec::liveTextures(), 3u);
    EXPECT_EQ(rec::liveEffects(), 1u);
    EXPECT_EQ(planet.children[0].particles, nullptr) << "the dropped moon gave its particles back";
    // Every planet got the preset, not an empty system.
    for (int i = 0; i < Body::ChildSlots; ++i) {
        EXPECT_EQ(sun->children[i].particles->preset.emissionRate, Explosion.emissionRate);
        EXPECT_EQ(sun->children[i].particles->preset.sprite, sun->children[i].ouchSprite.get());
    }
}

}  // namespace
}  // namespace bodytest
