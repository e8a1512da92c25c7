// The star backdrop behind every screen: a star field that drifts slowly, seen through a
// screen-sized overlay picture whose alpha decides how much of it shows.
#pragma once

#include "engine.h"

struct Backdrop {
    Quad overlayQuad{};
    Quad starsQuad{};  // 1024 x 1024, reaching past the right and bottom edges
    float starScrollSpeed = 5.0f;

    // Fills both quads and loads their pictures (with mipmaps; a missing one leaves 0).
    void build(Engine& hge);
    // Moves the stars' texture coordinates; they are never wrapped, the texture repeats.
    void scroll(float dt);
    void render(Engine& hge) const;
};
