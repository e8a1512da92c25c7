// One body of the solar system: the sun at the root of the tree, or a planet circling its
// parent on an ellipse. Every body owns five child slots; a slot whose body is not alive
// is free and taken again by the next child.
//
// The operations are split by concept: creation and setters (body.cpp), motion and life
// cycle (body_motion.cpp), hit-testing, collisions and the planet count
// (body_collisions.cpp), drawing and the orbit ring (body_drawing.cpp).
#pragma once

#include <cstdint>
#include <memory>

#include "bodies/texture_sheet.h"
#include "engine.h"

class Animation;
class ParticleSystem;

class Body {
public:
    static constexpr int ChildSlots = 5;

    // An empty slot: not alive, no pictures, no children. Takes two engine references
    // (its own and its sheet's) that it keeps until it is torn down.
    Body();
    // Releases everything the body owns, the whole subtree below it included.
    ~Body();
    Body(const Body&) = delete;
    Body& operator=(const Body&) = delete;

    // Creation (body.cpp).

    // Makes this slot a live sun or planet at (x, y) with random colour, orbit and speed.
    // Whatever an earlier body in this slot held is released; its child records stay
    // allocated (a pointer the game holds may still read them) and are used again by the
    // next children of this slot.
    void init(std::int16_t x, std::int16_t y, float baseRadius, float scale, bool isSun);
    // Makes a new planet circling this body in the first free slot; false when all five
    // slots hold live bodies. Every request counts in addedChildren.
    bool addChild(Body& requester, bool grown);
    // The player's limits: ellipseX 0.5..2.3, ellipseY 0.5..1.7.
    void setEllipse(float ex, float ey);
    // At least 4; no upper limit.
    void setSpeed(float s);

    // Motion and life cycle (body_motion.cpp).

    // Moves, ages and runs the explosion of this body, then its live children. gameDelta
    // drives the orbits, realDelta ageing, animations, explosions and particles. The root
    // is passed as its own parent.
    void update(const Body& parent, float gameDelta, float realDelta);
    // Marks this body and all its live descendants as spiralling away.
    void flyAway();
    // Every body of the subtree but the sun stops being alive.
    void killPlanets();

    // Hit-testing, collisions and counting (body_collisions.cpp).

    // The first body, this one before its children, whose disc strictly contains the point.
    Body* hitTest(std::int32_t px, std::int32_t py);
    // Finds one pair of touching grown bodies, explodes the planets in it and plays the
    // explosion sound. Called on the root with the root as `other`.
    bool checkCollisions(Body& other);
    // Grown bodies other than the sun with no exploded ancestor. Called on the root.
    std::int32_t countPlanets();

    // Drawing (body_drawing.cpp).

    // Draws the sun, each planet with its moons and then its ring, and the sun's glow last.
    void render();
    // The dashed orbit around the parent; brighter, with white dashes, when selected.
    void drawRing(bool selected);

    // Half the sprite's frame width times the scale: the disc used for hits and collisions.
    float discRadius() const;

    std::unique_ptr<Body[]> children;  // five slots, created by the first addChild
    std::int32_t addedChildren;        // addChild requests since init, refused ones too
    float speed;                       // the angle grows by gameDelta * speed * 0.1 radians
    float radius;                      // orbit radius; semi-axes radius * ellipseX, radius * ellipseY
    float scale;                       // drawing scale; also scales the disc
    float angle;                       // position on the orbit, radians, never reduced
    std::unique_ptr<Animation> sprite;
    std::unique_ptr<Animation> ouchSprite;      // a planet's explosion particles are drawn with it
    std::unique_ptr<ParticleSystem> particles;  // the sun's glow or a planet's explosion
    Engine* hge;
    std::int16_t x, y;
    std::int16_t parentX, parentY;  // the parent's position at this body's last update
    bool isSun;
    float ellipseX;
    float ellipseY;
    bool selected;  // set and cleared by the game
    TextureSheet sheet;
    float age;  // grows by realDelta / 5; grown when above 1
    Body* requester;
    bool alive;
    bool exploded;
    float fade;  // 1 while intact, falls to 0 during the explosion
    float lastDelta;
    float ringFade;  // 0..1, fade-in of the orbit ring
    bool flyingAway;
    HEffect explodeSound;
    std::uint32_t color;   // 0xAARRGGBB; alpha is set at every drawing
    HTexture ouchTexture;  // the picture of ouchSprite, given back with the sprite

    // Counter shared by every countPlanets walk.
    static std::int32_t planetTally;

private:
    // Gives back the sound, pictures, sprites and particle system of this body.
    void releaseResources();
    // Releases the resources of every record below this body and marks them not alive;
    // the records themselves stay for the next children.
    void retireChildren();
    // Marks every record below this body not alive.
    void killSubtree();
    // A dead body is never drawn or updated again: its sprites and particle storage go at
    // once. Its picture and sound handles stay until the slot is used again, so the
    // engine's cache still holds them for the next planet.
    void dropDrawing();
    Body* slot(int i) const { return &children[i]; }
};
