#include "app/backdrop.h"

namespace {

void fillQuad(Quad& quad, float width, float height, HTexture texture) {
    constexpr std::uint32_t white = 0xFFFFFFFF;
    quad.v[0] = Vertex{0.0f, 0.0f, 0.0f, white, 0.0f, 0.0f};
    quad.v[1] = Vertex{width, 0.0f, 0.0f, white, 1.0f, 0.0f};
    quad.v[2] = Vertex{width, height, 0.0f, white, 1.0f, 1.0f};
    quad.v[3] = Vertex{0.0f, height, 0.0f, white, 0.0f, 1.0f};
    quad.tex = texture;
    quad.blend = BLEND_DEFAULT;
}

}  // namespace

void Backdrop::build(Engine& hge) {
    fillQuad(overlayQuad, 800.0f, 600.0f, hge.Texture_Load("Black.tga", 0, true));
    fillQuad(starsQuad, 1024.0f, 1024.0f, hge.Texture_Load("Stars.tga", 0, true));
}

// At speed 5 the field drifts left by 0.05 and down by 0.04 of its size per second.
void Backdrop::scroll(float dt) {
    const double dx = static_cast<double>(dt) * 0.01 * starScrollSpeed;
    const double dy = static_cast<double>(dt) * 0.008 * starScrollSpeed;
    for (Vertex& v : starsQuad.v) {
        v.tx = static_cast<float>(v.tx + dx);
        v.ty = static_cast<float>(v.ty - dy);
    }
}

void Backdrop::render(Engine& hge) const {
    hge.Gfx_RenderQuad(&starsQuad);
    hge.Gfx_RenderQuad(&overlayQuad);
}
