// The walks that answer the game's questions about the tree: which body lies under a
// point, which pair of bodies touches, how many planets still stand.
#include <cmath>
#include <cstdint>

#include "bodies/body.h"
#include "gfx/animation.h"
#include "gfx/particle_system.h"

namespace {

// Between whole-pixel positions; the squares are summed in 64 bits, so bodies far apart
// cannot overflow.
double distance(std::int32_t ax, std::int32_t ay, std::int32_t bx, std::int32_t by) {
    const std::int64_t dx = static_cast<std::int64_t>(ax) - bx;
    const std::int64_t dy = static_cast<std::int64_t>(ay) - by;
    return std::sqrt(static_cast<double>(dx * dx + dy * dy));
}

bool grown(const Body& b) { return b.age > 1.0f; }

void explode(Body& b) {
    b.exploded = true;
    // The explosion sprite's hot spot lies at the planet frame's centre, 16 pixels left of
    // and above its own.
    b.particles->fireAt(static_cast<float>(b.x + 16), static_cast<float>(b.y + 16));
}

}  // namespace

Body* Body::hitTest(std::int32_t px, std::int32_t py) {
    if (distance(x, y, px, py) < discRadius()) return this;
    if (addedChildren > 0) {
        for (int i = 0; i < ChildSlots; ++i) {
            if (!slot(i)->alive) continue;
            if (Body* hit = slot(i)->hitTest(px, py)) return hit;
        }
    }
    return nullptr;
}

bool Body::checkCollisions(Body& other) {
    if (this != &other && !exploded && !other.exploded && grown(*this) && grown(other)) {
        // The discs must overlap by more than 8 pixels.
        const float reach = other.discRadius() + discRadius() - 8;
        if (distance(x, y, other.x, other.y) < reach) {
            if (!isSun) explode(*this);
            if (!other.isSun) explode(other);
            hge->Effect_Play(explodeSound);
            return true;
        }
    }
    // The order of this search decides which pair explodes when several touch.
    if (addedChildren > 0) {
        for (int i = 0; i < ChildSlots; ++i) {
            Body* c = slot(i);
            if (!c->alive) continue;
            for (int j = 0; j < ChildSlots; ++j) {
                Body* d = slot(j);
                if (d->alive && c->checkCollisions(*d)) return true;
            }
            if (c->checkCollisions(other)) return true;
            if (c->checkCollisions(*this)) return true;
        }
    }
    return false;
}

std::int32_t Body::countPlanets() {
    if (isSun) planetTally = 0;
    if (children) {
        for (int i = 0; i < ChildSlots; ++i) {
            Body* child = slot(i);
            if (!child->alive) continue;
            if (grown(*child) && !exploded) ++planetTally;
            // Bodies below an exploded one fly away and no longer count.
            if (!exploded) child->countPlanets();
        }
    }
    return planetTally;
}
