// Drawing the tree: body pictures, explosions, the sun's glow and the dashed orbit rings.
#include <cmath>
#include <cstdint>

#include "bodies/body.h"
#include "gfx/animation.h"
#include "gfx/particle_system.h"

namespace {

constexpr std::uint32_t RingBlue = 0x6464FF;
constexpr std::uint32_t RingWhite = 0xFFFFFF;
constexpr float OneDegree = 0.017453292f;
constexpr float TwoDegrees = 0.034906585f;
constexpr double FullTurn = 6.283185258507729;

// Alpha byte from 0..255 worth of float, truncated toward zero.
std::uint32_t alphaByte(float a) {
    if (!(a > 0.0f)) return 0;
    if (a >= 255.0f) return 255;
    return static_cast<std::uint32_t>(a);
}

}  // namespace

void Body::render() {
    // A young body is half transparent for its first 5 seconds.
    const std::uint32_t alpha = age >= 1.0f ? 0xFFu : 0x7Du;
    color = (color & 0x00FFFFFFu) | alpha << 24;
    sprite->setColor(color, -1);

    const float px = static_cast<float>(x);
    const float py = static_cast<float>(y);
    if (fade == 1.0f) {
        sprite->renderEx(px, py, 0.0f, scale, scale);
    } else {
        particles->render();
    }

    if (addedChildren > 0) {
        for (int i = 0; i < ChildSlots; ++i)
            if (slot(i)->alive) slot(i)->render();
    }

    // The glow goes over the whole system; flying bodies lose their rings.
    if (isSun) {
        particles->render();
    } else if (!flyingAway) {
        drawRing(selected);
    }
}

void Body::drawRing(bool ringSelected) {
    ringFade += lastDelta * 0.5f;
    if (ringFade > 1.0f) ringFade = 1.0f;

    const float brightness = ringSelected ? 255.0f : 150.0f;
    const std::uint32_t alpha = alphaByte(fade * brightness * ringFade) << 24;
    const float cx = static_cast<float>(parentX);
    const float cy = static_cast<float>(parentY);

    // One-degree dashes every two degrees; a selected ring has every dash white whose
    // whole number of degrees is a multiple of 3.
    float t = 0.0f;
    do {
        const auto degrees = static_cast<std::int64_t>(static_cast<double>(t) / 0.017453292);
        const bool white = ringSelected && degrees % 3 == 0;
        const std::uint32_t col = alpha | (white ? RingWhite : RingBlue);
        const float end = t + OneDegree;
        hge->Gfx_RenderLine(cx + std::cos(t) * ellipseX * radius, cy + std::sin(t) * ellipseY * radius,
                            cx + std::cos(end) * ellipseX * radius, cy + std::sin(end) * ellipseY * radius,
                            col, 0.5f);
        t += TwoDegrees;
    } while (static_cast<double>(t) < FullTurn);
}
