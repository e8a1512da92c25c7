// Orbits and the life cycle of bodies: moving, ageing, exploding, flying away, dying.
#include <cmath>

#include "bodies/body.h"
#include "bodies/pixel.h"
#include "gfx/animation.h"
#include "gfx/particle_system.h"

void Body::update(const Body& parent, float gameDelta, float realDelta) {
    lastDelta = realDelta;
    age += realDelta / 5;
    parentX = parent.x;
    parentY = parent.y;

    if (!isSun) {
        // Flying bodies spiral out: they keep turning while the orbit grows.
        if (flyingAway) radius += 2000 * gameDelta;
        // An exploded body stays where it blew up.
        if (!exploded) {
            angle += gameDelta * speed * 0.1f;
            x = bodies::toPixel(static_cast<float>(parent.x) + std::cos(angle) * (ellipseX * radius));
            y = bodies::toPixel(static_cast<float>(parent.y) + std::sin(angle) * (ellipseY * radius));
        }
    }

    // Repeated while the explosion runs, so a child added meanwhile flies away too.
    if (exploded && addedChildren > 0) {
        for (int i = 0; i < ChildSlots; ++i)
            if (slot(i)->alive) slot(i)->flyAway();
    }

    if (!exploded) {
        sprite->update(realDelta);
    } else {
        fade -= realDelta * 0.5f;
        if (fade < 0.0f) fade = 0.0f;
        particles->update(realDelta);
    }

    if (addedChildren > 0) {
        for (int i = 0; i < ChildSlots; ++i)
            if (slot(i)->alive) slot(i)->update(*this, gameDelta, realDelta);
    }

    // Only an exploded body's fade falls: it dies once the fade and its last particle are gone.
    if (particles->liveCount == 0 && fade <= 0.0f) {
        alive = false;
        killSubtree();
        dropDrawing();
    }

    if (isSun) particles->update(realDelta);
}

void Body::killSubtree() {
    if (!children) return;
    // The whole subtree goes, not only the direct children: a body below them is never
    // reached again, and a game holding it as its selected planet must see it gone.
    for (int i = 0; i < ChildSlots; ++i) {
        slot(i)->alive = false;
        slot(i)->dropDrawing();
        slot(i)->killSubtree();
    }
}

void Body::flyAway() {
    if (addedChildren > 0) {
        for (int i = 0; i < ChildSlots; ++i)
            if (slot(i)->alive) slot(i)->flyAway();
    }
    flyingAway = true;
}

void Body::killPlanets() {
    if (children) {
        for (int i = 0; i < ChildSlots; ++i)
            if (slot(i)->alive) slot(i)->killPlanets();
    }
    if (!isSun) {
        alive = false;
        dropDrawing();
    }
}
