#include "icon.h"

#include <algorithm>
#include <cmath>

#include "pictures.h"

namespace datagen {

namespace {

constexpr double Pi = 3.14159265358979323846;

// Colour with alpha premultiplied, so layers add and blend without fringes.
struct Light {
    float r = 0, g = 0, b = 0, a = 0;
};

Light premultiplied(const Color& c) { return {c.r * c.a, c.g * c.a, c.b * c.a, c.a}; }

void over(Light& under, const Light& top) {
    under.r = top.r + under.r * (1 - top.a);
    under.g = top.g + under.g * (1 - top.a);
    under.b = top.b + under.b * (1 - top.a);
    under.a = top.a + under.a * (1 - top.a);
}

// Bilinear sample of the picture's rectangle (x0, y0, w, h) at u, v in 0..1; outside is clear.
Light sample(const Image& image, int x0, int y0, int w, int h, double u, double v) {
    if (u < 0 || v < 0 || u >= 1 || v >= 1) return {};
    const double fx = u * w - 0.5, fy = v * h - 0.5;
    const int ix = static_cast<int>(std::floor(fx)), iy = static_cast<int>(std::floor(fy));
    const float tx = static_cast<float>(fx - ix), ty = static_cast<float>(fy - iy);
    Light sum;
    for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) {
            const int x = std::clamp(ix + dx, 0, w - 1), y = std::clamp(iy + dy, 0, h - 1);
            const float weight = (dx ? tx : 1 - tx) * (dy ? ty : 1 - ty);
            const Light p = premultiplied(image.at(x0 + x, y0 + y));
            sum.r += p.r * weight;
            sum.g += p.g * weight;
            sum.b += p.b * weight;
            sum.a += p.a * weight;
        }
    return sum;
}

Light tinted(Light p, float r, float g, float b) { return {p.r * r, p.g * g, p.b * b, p.a}; }

}  // namespace

Image appIcon(int size) {
    const Image stars = starField();
    const Image planet = planetFrames();
    const Image halo = glow();
    const int frame = planet.height();  // frames are square, in one row

    // In tile units (0..1 across the icon).
    constexpr double SunX = 0.44, SunY = 0.47, SunRadius = 0.2, HaloRadius = 0.44;
    constexpr double RingA = 0.4, RingB = 0.17, RingTilt = -0.35;
    constexpr double PlanetAngle = 0.62 * Pi, PlanetRadius = 0.085;
    const double ringWidth = std::max(0.012, 1.1 / size);
    const double pa = std::cos(PlanetAngle) * RingA, pb = std::sin(PlanetAngle) * RingB;
    const double planetX = SunX + pa * std::cos(RingTilt) - pb * std::sin(RingTilt);
    const double planetY = SunY + pa * std::sin(RingTilt) + pb * std::cos(RingTilt);

    constexpr int Samples = 4;
    Image icon(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            Light sum;
            for (int sy = 0; sy < Samples; ++sy)
                for (int sx = 0; sx < Samples; ++sx) {
                    const double u = (x + (sx + 0.5) / Samples) / size;
                    const double v = (y + (sy + 0.5) / Samples) / size;
                    // Rounded tile: distance outside the inner square, against the corner radius.
                    constexpr double Corner = 0.17, Margin = 0.02;
                    const double ex = std::max(0.0, std::fabs(u - 0.5) - (0.5 - Margin - Corner));
                    const double ey = std::max(0.0, std::fabs(v - 0.5) - (0.5 - Margin - Corner));
                    if (std::hypot(ex, ey) > Corner) continue;

                    const float depth = static_cast<float>(0.6 + 0.4 * v);
                    Light p{0.01f * depth, 0.02f * depth, 0.07f * depth, 1};
                    // A quarter of the star tile, so stars stay visible when shrunk.
                    const Light star = sample(stars, 0, 0, stars.width(), stars.height(), u * 0.4, v * 0.4);
                    p.r += star.r * 1.6f;
                    p.g += star.g * 1.6f;
                    p.b += star.b * 1.6f;

                    // The sun: its glow and picture added as light, warm like the game's suns.
                    const Light haloLight =
                        sample(halo, 0, 0, halo.width(), halo.height(), (u - SunX) / (2 * HaloRadius) + 0.5,
                               (v - SunY) / (2 * HaloRadius) + 0.5);
                    const Light sun = sample(planet, 0, 0, frame, frame, (u - SunX) / (2 * SunRadius) + 0.5,
                                             (v - SunY) / (2 * SunRadius) + 0.5);
                    const Light warm = tinted(haloLight, 1.0f, 0.55f, 0.15f);
                    const Light core = tinted(sun, 1.0f, 0.8f, 0.35f);
                    p.r += warm.r * 0.8f + core.r * 1.3f;
                    p.g += warm.g * 0.8f + core.g * 1.3f;
                    p.b += warm.b * 0.8f + core.b * 1.3f;

                    // The orbit ring in the game's ring blue, behind the planet.
                    const double ox = u - SunX, oy = v - SunY;
                    const double rx = ox * std::cos(RingTilt) + oy * std::sin(RingTilt);
                    const double ry = -ox * std::sin(RingTilt) + oy * std::cos(RingTilt);
                    const double onRing = std::fabs(std::hypot(rx / RingA, ry / RingB) - 1) * RingB;
                    const bool behindSun = ry < 0 && std::hypot(ox, oy) < SunRadius * 0.9;
                    if (onRing < ringWidth / 2 && !behindSun) {
                        const float alpha = 150.0f / 255.0f;
                        over(p, {0.39f * alpha, 0.39f * alpha, 1.0f * alpha, alpha});
                    }

                    // The planet, lit and tinted cool, over everything.
                    const Light world =
                        sample(planet, 0, 0, frame, frame, (u - planetX) / (2 * PlanetRadius) + 0.5,
                               (v - planetY) / (2 * PlanetRadius) + 0.5);
                    over(p, tinted(world, 0.45f, 0.8f, 1.0f));

                    sum.r += p.r;
                    sum.g += p.g;
                    sum.b += p.b;
                    sum.a += p.a;
                }
            constexpr float Count = Samples * Samples;
            const float a = sum.a / Count;
            icon.at(x, y) =
                a > 0 ? Color{sum.r / Count / a, sum.g / Count / a, sum.b / Count / a, a} : Color{0, 0, 0, 0};
        }
    return icon;
}

}  // namespace datagen
