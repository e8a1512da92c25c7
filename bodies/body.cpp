// Body records: construction, creation of suns and planets, the player's setters and
// teardown.
#include "bodies/body.h"

#include <limits>

#include "bodies/particle_presets.h"
#include "gfx/animation.h"
#include "gfx/particle_system.h"
#include "services.h"

std::int32_t Body::planetTally = 0;

namespace {

constexpr const char* SunPicture = "particles.png";
constexpr const char* PlanetPicture = "Texture\\Planet.png";
constexpr const char* OuchPicture = "Ouch.png";
constexpr const char* ExplodeSound = "Media\\Explode.mp3";
constexpr const char* GlowPreset = "particle1.psi";
constexpr const char* ExplosionPreset = "Boom3.psi";

// A colour channel 100..254.
std::uint32_t randomChannel() { return static_cast<std::uint32_t>(100 + platform::rand() % 155); }

}  // namespace

Body::Body()
    : addedChildren(0),
      speed(0.0f),
      radius(0.0f),
      scale(0.0f),
      angle(0.0f),
      hge(hgeCreate(ENGINE_VERSION)),
      x(0),
      y(0),
      parentX(0),
      parentY(0),
      isSun(false),
      ellipseX(0.0f),
      ellipseY(0.0f),
      selected(false),
      age(0.0f),
      requester(nullptr),
      alive(false),
      exploded(false),
      fade(1.0f),
      lastDelta(0.0f),
      ringFade(0.0f),
      flyingAway(false),
      explodeSound(0),
      color(0),
      ouchTexture(0) {
    bodies::holdPresets();
}

Body::~Body() {
    releaseResources();
    children.reset();
    hge->Release();
    bodies::dropPresets();
}

void Body::releaseResources() {
    hge->Effect_Free(explodeSound);
    explodeSound = 0;
    // The particle system borrows one of the sprites, so it goes first.
    particles.reset();
    sprite.reset();
    ouchSprite.reset();
    hge->Texture_Free(sheet.texture);
    sheet.texture = 0;
    hge->Texture_Free(ouchTexture);
    ouchTexture = 0;
}

void Body::dropDrawing() {
    // The particle system borrows one of the sprites, so it goes first.
    particles.reset();
    sprite.reset();
    ouchSprite.reset();
}

void Body::retireChildren() {
    if (!children) return;
    for (int i = 0; i < ChildSlots; ++i) {
        Body* child = slot(i);
        child->releaseResources();
        child->alive = false;
        child->retireChildren();
    }
}

void Body::init(std::int16_t px, std::int16_t py, float baseRadius, float bodyScale, bool sun) {
    // What an earlier body in this slot held is given back only after the new pictures and
    // sound are loaded, so the engine's cache still has them.
    const HEffect oldSound = explodeSound;
    const HTexture oldTexture = sheet.texture;
    const HTexture oldOuchTexture = ouchTexture;
    std::unique_ptr<ParticleSystem> oldParticles = std::move(particles);
    std::unique_ptr<Animation> oldSprite = std::move(sprite);
    std::unique_ptr<Animation> oldOuchSprite = std::move(ouchSprite);

    const std::uint32_t red = randomChannel();
    const std::uint32_t green = randomChannel();
    const std::uint32_t blue = randomChannel();
    color = 0x01000000u | red << 16 | green << 8 | blue;

    explodeSound = hge->Effect_Load(ExplodeSound);

    ringFade = 0.0f;
    lastDelta = 0.0f;
    fade = 1.0f;
    flyingAway = false;
    ouchTexture = 0;
    exploded = false;
    alive = true;
    age = 0.0f;
    scale = bodyScale;
    x = px;
    y = py;

    radius = static_cast<float>(platform::rand() % 30 + 85) * baseRadius / 100.0f;
    // 180 / 3.14: the start angle is a whole number times this, not reduced to one turn.
    angle = static_cast<float>((platform::rand() % 360) * 57.324840764331206);
    int turn = 0;
    do {
        turn = platform::rand() % 20;
    } while (turn < 10);
    speed = static_cast<float>(turn);

    isSun = sun;
    addedChildren = 0;
    ellipseX = static_cast<float>(platform::rand() % 100 + 100) / 100.0f;
    ellipseY = static_cast<float>(platform::rand() % 100 + 100) / 100.0f;
    selected = false;

    sheet.frameHeight = 64;
    sheet.frameWidth = 64;
    const float frameW = static_cast<float>(sheet.frameWidth);
    const float frameH = static_cast<float>(sheet.frameHeight);
    if (isSun) {
        sheet.frames = 0;
        sheet.texture = sheet.hge->Texture_Load(SunPicture, 0, false);
        sprite = std::make_unique<Animation>(sheet.texture, 1, 1.0f, 0.0f, 0.0f, frameW, frameH);
        sprite->setHotSpot(sprite->width / 2, sprite->height / 2);
        sprite->setBlendMode(0);
        sprite->play();
        particles = bodies::makeParticleSystem(GlowPreset, sprite.get());
        particles->fireAt(400.0f, 300.0f);
    } else {
        sheet.frames = 4;
        sheet.texture = sheet.hge->Texture_Load(PlanetPicture, 0, false);
        const float fps = static_cast<float>(platform::rand() % 5 + 10);
        sprite = std::make_unique<Animation>(sheet.texture, 4, fps, 0.0f, 0.0f, frameW, frameH);
        sprite->setHotSpot(sprite->width / 2, sprite->height / 2);
        sprite->play();
        ouchTexture = hge->Texture_Load(OuchPicture);
        ouchSprite = std::make_unique<Animation>(ouchTexture, 4, 16.0f, 0.0f, 0.0f, 16.0f, 16.0f);
        // The planet's centre, not the 16 x 16 frame's: explosions are fired 16 pixels
        // right of and below the planet's position to make up for it.
        ouchSprite->setHotSpot(sprite->width / 2, sprite->height / 2);
        ouchSprite->setBlendMode(0);
        ouchSprite->play();
        particles = bodies::makeParticleSystem(ExplosionPreset, ouchSprite.get());
    }

    oldParticles.reset();
    oldSprite.reset();
    oldOuchSprite.reset();
    hge->Effect_Free(oldSound);
    hge->Texture_Free(oldTexture);
    hge->Texture_Free(oldOuchTexture);
    // The earlier body's children are gone for good; their records are kept for this
    // body's children, since the game may still hold a pointer to one of them.
    retireChildren();
}

bool Body::addChild(Body& from, bool grown) {
    requester = &from;
    if (addedChildren == 0 && !children) children = std::make_unique<Body[]>(ChildSlots);
    // Counts every request; it stays at its top instead of overflowing in an endless game.
    if (addedChildren < std::numeric_limits<std::int32_t>::max()) ++addedChildren;
    for (int i = 0; i < ChildSlots; ++i) {
        Body* child = slot(i);
        if (child->alive) continue;
        child->init(x, y, radius * 0.5f, scale * 2.0f / 3.0f, false);
        if (grown) child->age = 1.1f;
        return true;
    }
    return false;
}

void Body::setEllipse(float ex, float ey) {
    ellipseX = ex;
    if (ellipseX > 2.3f) ellipseX = 2.3f;
    if (ellipseX < 0.5f) ellipseX = 0.5f;
    ellipseY = ey;
    if (ellipseY > 1.7f) ellipseY = 1.7f;
    if (ellipseY < 0.5f) ellipseY = 0.5f;
}

void Body::setSpeed(float s) { speed = s < 4.0f ? 4.0f : s; }

float Body::discRadius() const { return sprite ? sprite->width / 2 * scale : 0.0f; }
