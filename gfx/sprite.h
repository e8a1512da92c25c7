// A rectangle cut out of a texture, drawn as one engine quad about its hot spot.
#pragma once

#include "engine.h"

class Sprite {
public:
    // The rectangle (x, y, w, h) of `texture`, in texels; texture 0 draws plain colours and
    // counts as a 1 x 1 texture.
    Sprite(HTexture texture, float x, float y, float w, float h);
    ~Sprite();
    // Each sprite holds one engine reference, so copies would give back one too many.
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;

    // Unrotated at scale 1, hot spot at (x, y).
    void render(float x, float y);
    // Scaled and turned (radians, clockwise on screen) about the hot spot at (x, y); a
    // vertical scale of 0 means "the same as the horizontal one".
    void renderEx(float x, float y, float rot, float hscale, float vscale);
    // Colour of corner i (0..3: top-left, top-right, bottom-right, bottom-left), or of all
    // four when i is -1. Other indices are ignored.
    void setColor(std::uint32_t col, int i = -1);
    // Mirrors the texture left-right (bx) and top-bottom (by); the flags are the state
    // wanted, so repeating a call changes nothing.
    void setFlip(bool bx, bool by);
    void setHotSpot(float x, float y);
    void setBlendMode(int blend);

    Quad quad;
    float texX;
    float texY;
    float width;
    float height;
    float texWidth;
    float texHeight;
    float hotX;
    float hotY;
    bool flipX;
    bool flipY;
};
