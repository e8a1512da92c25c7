#include "sprite.h"

#include <cmath>
#include <utility>

namespace {
// Shared by every sprite (and so every animation); each sprite holds one reference.
Engine* engine = nullptr;

void setTexCoords(Vertex& v, float u, float t) {
    v.tx = u;
    v.ty = t;
}
}  // namespace

Sprite::Sprite(HTexture texture, float x, float y, float w, float h)
    : texX(x),
      texY(y),
      width(w),
      height(h),
      texWidth(1.0f),
      texHeight(1.0f),
      hotX(0.0f),
      hotY(0.0f),
      flipX(false),
      flipY(false) {
    engine = hgeCreate(ENGINE_VERSION);
    if (texture != 0) {
        // A size the engine cannot report (a stale handle gives 0) counts as 1 x 1, like no
        // texture, so the coordinates never divide by zero.
        const int tw = engine->Texture_GetWidth(texture, false);
        const int th = engine->Texture_GetHeight(texture, false);
        if (tw > 0) texWidth = static_cast<float>(tw);
        if (th > 0) texHeight = static_cast<float>(th);
    }
    quad.tex = texture;
    quad.blend = BLEND_DEFAULT;
    for (Vertex& v : quad.v) {
        v.x = 0.0f;
        v.y = 0.0f;
        v.z = 0.5f;
        v.col = 0xFFFFFFFF;
    }
    const float uLeft = x / texWidth;
    const float vTop = y / texHeight;
    const float uRight = (x + w) / texWidth;
    const float vBottom = (y + h) / texHeight;
    setTexCoords(quad.v[0], uLeft, vTop);
    setTexCoords(quad.v[1], uRight, vTop);
    setTexCoords(quad.v[2], uRight, vBottom);
    setTexCoords(quad.v[3], uLeft, vBottom);
}

Sprite::~Sprite() { engine->Release(); }

void Sprite::render(float x, float y) {
    const float left = x - hotX;
    const float top = y - hotY;
    const float right = x + width - hotX;
    const float bottom = y + height - hotY;
    quad.v[0].x = left;
    quad.v[0].y = top;
    quad.v[1].x = right;
    quad.v[1].y = top;
    quad.v[2].x = right;
    quad.v[2].y = bottom;
    quad.v[3].x = left;
    quad.v[3].y = bottom;
    engine->Gfx_RenderQuad(&quad);
}

void Sprite::renderEx(float x, float y, float rot, float hscale, float vscale) {
    if (vscale == 0.0f) vscale = hscale;
    const float l = -hotX * hscale;
    const float t = -hotY * vscale;
    const float r = (width - hotX) * hscale;
    const float b = (height - hotY) * vscale;
    const float px[4] = {l, r, r, l};
    const float py[4] = {t, t, b, b};
    if (rot != 0.0f) {
        const float c = static_cast<float>(std::cos(static_cast<double>(rot)));
        const float s = static_cast<float>(std::sin(static_cast<double>(rot)));
        for (int i = 0; i < 4; ++i) {
            quad.v[i].x = px[i] * c - py[i] * s + x;
            quad.v[i].y = px[i] * s + py[i] * c + y;
        }
    } else {
        for (int i = 0; i < 4; ++i) {
            quad.v[i].x = px[i] + x;
            quad.v[i].y = py[i] + y;
        }
    }
    engine->Gfx_RenderQuad(&quad);
}

void Sprite::setColor(std::uint32_t col, int i) {
    if (i == -1) {
        for (Vertex& v : quad.v) v.col = col;
    } else if (i >= 0 && i < 4) {
        quad.v[i].col = col;
    }
}

void Sprite::setFlip(bool bx, bool by) {
    auto swapTex = [this](int a, int b) {
        std::swap(quad.v[a].tx, quad.v[b].tx);
        std::swap(quad.v[a].ty, quad.v[b].ty);
    };
    if (bx != flipX) {
        swapTex(0, 1);
        swapTex(3, 2);
        flipX = bx;
    }
    if (by != flipY) {
        swapTex(0, 3);
        swapTex(1, 2);
        flipY = by;
    }
}

void Sprite::setHotSpot(float x, float y) {
    hotX = x;
    hotY = y;
}

void Sprite::setBlendMode(int blend) { quad.blend = blend; }
