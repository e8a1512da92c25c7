#include "pictures.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "font.h"
#include "random.h"

namespace datagen {

namespace {

constexpr double Pi = 3.14159265358979323846;

float smoothstep(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

Color mix(Color a, Color b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

// A star's colour from a temperature-like value 0 (red-orange) .. 1 (blue-white).
Color starColor(float temperature) {
    const Color warm{1.0f, 0.72f, 0.48f, 1}, white{1, 0.97f, 0.92f, 1}, cold{0.7f, 0.82f, 1.0f, 1};
    return temperature < 0.5f ? mix(warm, white, temperature * 2)
                              : mix(white, cold, (temperature - 0.5f) * 2);
}

// Adds a Gaussian dot of light at (cx, cy), wrapping around the edges of a tile.
void addStar(Image& image, double cx, double cy, double sigma, Color c, float brightness, bool spikes) {
    const int reach = static_cast<int>(std::ceil(sigma * 3.5)) + (spikes ? 6 : 0);
    const int w = image.width(), h = image.height();
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            const int px = static_cast<int>(std::floor(cx)) + dx, py = static_cast<int>(std::floor(cy)) + dy;
            const double ox = px + 0.5 - cx, oy = py + 0.5 - cy;
            double v = std::exp(-(ox * ox + oy * oy) / (2 * sigma * sigma));
            if (spikes) {
                // Faint cross of diffraction spikes on the brightest stars.
                v += 0.35 * std::exp(-oy * oy / 0.35) * std::exp(-std::fabs(ox) / 2.2);
                v += 0.35 * std::exp(-ox * ox / 0.35) * std::exp(-std::fabs(oy) / 2.2);
            }
            Color& d = image.at(((px % w) + w) % w, ((py % h) + h) % h);
            d.r += c.r * brightness * static_cast<float>(v);
            d.g += c.g * brightness * static_cast<float>(v);
            d.b += c.b * brightness * static_cast<float>(v);
        }
}

// Soft light painted into RGB and alpha: the picture becomes more opaque where it glows.
void paintGlow(Image& image, double cx, double cy, double radius, Color c, float strength) {
    const int x0 = std::max(0, static_cast<int>(cx - radius)),
              x1 = std::min(image.width() - 1, static_cast<int>(cx + radius));
    const int y0 = std::max(0, static_cast<int>(cy - radius)),
              y1 = std::min(image.height() - 1, static_cast<int>(cy + radius));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy) / radius;
            if (d >= 1) continue;
            const float v = static_cast<float>(std::pow(1 - d, 2.0)) * strength;
            image.blendOver(x, y, c, v);
        }
}

// A thin antialiased ellipse ring; `brightness(angle)` shapes it along its length.
template <typename Shade>
void paintRing(Image& image, double cx, double cy, double rx, double ry, double tilt, double thickness,
               Color c, Shade shade) {
    const double ct = std::cos(tilt), st = std::sin(tilt);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const double px = x + 0.5 - cx, py = y + 0.5 - cy;
            const double u = (px * ct + py * st) / rx, v = (-px * st + py * ct) / ry;
            const double r = std::sqrt(u * u + v * v);
            // Distance to the ring in pixels, approximately.
            const double scale =
                std::min(rx, ry) + (std::max(rx, ry) - std::min(rx, ry)) * std::fabs(u) / std::max(r, 1e-6);
            const double dist = std::fabs(r - 1) * scale;
            if (dist > thickness * 3) continue;
            const float cover = static_cast<float>(std::exp(-dist * dist / (thickness * thickness)));
            image.blendOver(x, y, c, cover * shade(std::atan2(v, u)));
        }
}

// A title word: gradient fill, a dark edge and a wide blue glow.
void paintTitle(Image& image, const TextMask& mask, int left, int top) {
    if (mask.width == 0) return;
    auto coverAt = [&](int x, int y) { return mask.at(x - left, y - top); };
    const int pad = 18;
    for (int y = top - pad; y < top + mask.height + pad; ++y)
        for (int x = left - pad; x < left + mask.width + pad; ++x) {
            if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) continue;
            float glowSum = 0, weight = 0, edge = 0;
            for (int dy = -pad; dy <= pad; dy += 3)
                for (int dx = -pad; dx <= pad; dx += 3) {
                    const float w = std::exp(-static_cast<float>(dx * dx + dy * dy) / 110.0f);
                    glowSum += w * coverAt(x + dx, y + dy);
                    weight += w;
                }
            for (int dy = -2; dy <= 2; ++dy)
                for (int dx = -2; dx <= 2; ++dx) edge = std::max(edge, coverAt(x + dx, y + dy));
            const float glowAmount = std::min(1.0f, 2.2f * glowSum / weight);
            image.blendOver(x, y, {0.15f, 0.45f, 1.0f, 1}, glowAmount * 0.55f);
            image.blendOver(x, y, {0.02f, 0.05f, 0.15f, 1}, edge * 0.9f);
            const float cover = coverAt(x, y);
            if (cover > 0) {
                const float t = std::clamp(
                    static_cast<float>(y - top - mask.baseline * 0.1f) / (mask.baseline * 0.95f), 0.0f, 1.0f);
                // Bright steel at the top, deep cyan below, with a thin highlight band.
                Color fill = mix({0.95f, 0.98f, 1.0f, 1}, {0.0f, 0.55f, 0.95f, 1}, t);
                const float band = std::exp(-std::pow((t - 0.52f) / 0.05f, 2.0f));
                fill = mix(fill, {1, 1, 1, 1}, band * 0.6f);
                image.blendOver(x, y, fill, cover);
            }
        }
}

}  // namespace

Image starField() {
    constexpr int Size = 1024;
    Image image(Size, Size);
    image.fill({0.004f, 0.006f, 0.018f, 1});
    // A faint tiling haze so the black is not flat.
    const auto haze = makeOctaves(4, 5, 11);
    const auto tint = makeOctaves(2, 3, 12);
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            const double u = (x + 0.5) / Size, v = (y + 0.5) / Size;
            const float n = smoothstep(0.45f, 0.85f, fbm(haze, u, v));
            const float t = fbm(tint, u, v);
            const Color c = mix({0.05f, 0.02f, 0.09f, 1}, {0.01f, 0.05f, 0.09f, 1}, t);
            Color& d = image.at(x, y);
            d.r += c.r * n;
            d.g += c.g * n;
            d.b += c.b * n;
        }
    Random random(7);
    // Many faint stars, fewer bright ones, a handful with spikes.
    for (int i = 0; i < 2600; ++i) {
        const double x = random.range(0, Size), y = random.range(0, Size);
        const double r = random.uniform();
        const float brightness = static_cast<float>(0.18 + 1.6 * std::pow(r, 6.0));
        const double sigma = 0.45 + 0.5 * std::pow(r, 4.0);
        const Color c = starColor(static_cast<float>(random.uniform()));
        addStar(image, x, y, sigma, c, brightness, false);
    }
    for (int i = 0; i < 14; ++i) {
        const double x = random.range(0, Size), y = random.range(0, Size);
        addStar(image, x, y, 0.9, starColor(static_cast<float>(random.range(0.4, 1.0))), 1.3f, true);
    }
    return image;
}

Image backdropOverlay() {
    constexpr int W = 800, H = 600;
    Image image(W, H);
    const auto clouds = makeOctaves(3, 6, 21);
    const auto hue = makeOctaves(2, 3, 22);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const float ex = (x + 0.5f - W / 2.0f) / (W / 2.0f), ey = (y + 0.5f - H / 2.0f) / (H / 2.0f);
            const float e = std::sqrt(ex * ex + ey * ey);
            // Vignette: clear in the middle, deep at the corners.
            const float vignette = smoothstep(0.45f, 1.45f, e) * 0.9f;
            const double u = x / 1024.0, v = y / 1024.0;
            const float density = smoothstep(0.48f, 0.78f, fbm(clouds, u, v)) * smoothstep(0.25f, 0.9f, e);
            const Color cloud = mix({0.28f, 0.10f, 0.42f, 1}, {0.05f, 0.25f, 0.42f, 1}, fbm(hue, u, v));
            Color c{0.0f, 0.0f, 0.02f, vignette};
            // The nebula lies over the vignette's dark.
            const float ca = density * 0.55f;
            const float a = ca + c.a * (1 - ca);
            if (a > 0) {
                c.r = (cloud.r * ca + c.r * c.a * (1 - ca)) / a;
                c.g = (cloud.g * ca + c.g * c.a * (1 - ca)) / a;
                c.b = (cloud.b * ca + c.b * c.a * (1 - ca)) / a;
            }
            c.a = a;
            image.at(x, y) = c;
        }
    return image;
}

Image menuBackground(const std::string& fontPath) {
    constexpr int W = 800, H = 600;
    Image image(W, H);
    // Dim the stars a little, more towards the bottom where the menu items sit.
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) image.at(x, y) = {0.01f, 0.02f, 0.06f, 0.25f + 0.3f * y / H};

    // A sun rising behind the title, and an orbit swept around it.
    paintGlow(image, 400, 175, 330, {0.25f, 0.45f, 0.95f, 1}, 0.35f);
    paintGlow(image, 400, 175, 120, {0.7f, 0.85f, 1.0f, 1}, 0.25f);
    paintRing(image, 400, 170, 350, 78, -0.08, 1.4, {0.45f, 0.7f, 1.0f, 1},
              [](double a) { return static_cast<float>(0.35 + 0.45 * std::max(0.0, std::sin(a))); });
    paintRing(image, 400, 170, 300, 58, -0.08, 0.9, {0.45f, 0.7f, 1.0f, 1},
              [](double a) { return static_cast<float>(0.15 + 0.3 * std::max(0.0, std::sin(a))); });
    // A small planet on the outer orbit, to the lower right.
    {
        const double a = 1.1, ct = std::cos(-0.08), st = std::sin(-0.08);
        const double ux = 350 * std::cos(a), uy = 78 * std::sin(a);
        const double px = 400 + ux * ct - uy * st, py = 170 + ux * st + uy * ct;
        paintGlow(image, px, py, 26, {0.5f, 0.8f, 1.0f, 1}, 0.6f);
        for (int y = static_cast<int>(py) - 10; y <= static_cast<int>(py) + 10; ++y)
            for (int x = static_cast<int>(px) - 10; x <= static_cast<int>(px) + 10; ++x) {
                const double d = std::hypot(x + 0.5 - px, y + 0.5 - py);
                const float cover = std::clamp(static_cast<float>(7.5 - d), 0.0f, 1.0f);
                const float light = std::clamp(
                    static_cast<float>(0.55 - (x + 0.5 - px) * 0.06 + (y + 0.5 - py) * 0.03), 0.1f, 1.0f);
                image.blendOver(x, y, {0.75f * light, 0.85f * light, 1.0f * light, 1}, cover);
            }
    }

    const TextMask title = renderText(fontPath, "VELKARO", 118, 10);
    paintTitle(image, title, (W - title.width) / 2, 168 - title.baseline);

    // A quiet panel behind the three menu items (centred at x 400, y 440 to 560).
    for (int y = 420; y < 592; ++y)
        for (int x = 240; x < 560; ++x) {
            const float fx = std::min(x - 240, 559 - x) / 24.0f, fy = std::min(y - 420, 591 - y) / 18.0f;
            const float inside = smoothstep(0.0f, 1.0f, std::min(fx, fy));
            image.blendOver(x, y, {0.0f, 0.02f, 0.06f, 1}, inside * 0.5f);
        }
    for (int x = 270; x < 530; ++x) {
        const float along = 1 - std::fabs(x - 400) / 130.0f;
        image.blendOver(x, 418, {0.3f, 0.75f, 1.0f, 1}, along * 0.6f);
        image.blendOver(x, 593, {0.3f, 0.75f, 1.0f, 1}, along * 0.4f);
    }
    return image;
}

Image instructionsBackground() {
    constexpr int W = 800, H = 600;
    Image image(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const float ex = (x + 0.5f - W / 2.0f) / (W / 2.0f), ey = (y + 0.5f - H / 2.0f) / (H / 2.0f);
            // A calm, even panel for the text; stars show faintly through it at the edges.
            const float a = 0.72f - 0.2f * smoothstep(0.7f, 1.0f, std::max(std::fabs(ex), std::fabs(ey)));
            image.at(x, y) = {0.01f, 0.025f, 0.07f, a};
        }
    // Thin frame lines at the sides, fading towards the middle, and corner brackets.
    const Color line{0.25f, 0.65f, 1.0f, 1};
    for (int y = 0; y < H; ++y) {
        const float along = 0.25f + 0.45f * std::fabs(y - H / 2.0f) / (H / 2.0f);
        image.blendOver(14, y, line, along);
        image.blendOver(W - 15, y, line, along);
        image.blendOver(18, y, line, along * 0.3f);
        image.blendOver(W - 19, y, line, along * 0.3f);
    }
    for (int i = 0; i < 60; ++i) {
        const float fade = 1 - i / 60.0f;
        for (int corner = 0; corner < 4; ++corner) {
            const int x = corner % 2 == 0 ? 14 + i : W - 15 - i;
            const int y = corner / 2 == 0 ? 2 : H - 3;
            image.blendOver(x, y, line, 0.8f * fade);
        }
    }
    return image;
}

Image planetFrames() {
    constexpr int Frames = 4, Size = 64, Samples = 4;
    constexpr double Radius = 29.0, Tilt = 0.35;
    Image image(Frames * Size, Size);
    image.fill({1, 1, 1, 0});
    // Surface noise repeats every eighth of a turn, so four frames of a sixteenth of a turn
    // each make a rotation that loops without a jump.
    constexpr int Symmetry = 8;
    const auto land = makeOctaves(2, 4, 31);
    const auto bands = makeOctaves(4, 2, 32);
    const double lx = -0.55, ly = -0.45, lz = 0.70;  // light from the upper left, in front
    const double lightNorm = std::sqrt(lx * lx + ly * ly + lz * lz);
    for (int frame = 0; frame < Frames; ++frame) {
        const double spin = frame * (2 * Pi / Symmetry) / Frames;
        for (int y = 0; y < Size; ++y)
            for (int x = 0; x < Size; ++x) {
                float cover = 0, r = 0, g = 0, b = 0;
                for (int sy = 0; sy < Samples; ++sy)
                    for (int sx = 0; sx < Samples; ++sx) {
                        const double px = (x + (sx + 0.5) / Samples - Size / 2.0) / Radius;
                        const double py = (y + (sy + 0.5) / Samples - Size / 2.0) / Radius;
                        const double d2 = px * px + py * py;
                        if (d2 >= 1) continue;
                        const double pz = std::sqrt(1 - d2);
                        // Tilted axis: turn the view point back into the planet's frame.
                        const double qx = px * std::cos(Tilt) + py * std::sin(Tilt);
                        const double qy = -px * std::sin(Tilt) + py * std::cos(Tilt);
                        const double longitude = std::atan2(qx, pz) + spin;
                        const double latitude = std::asin(std::clamp(qy, -1.0, 1.0));
                        double u = longitude / (2 * Pi / Symmetry);
                        u -= std::floor(u);
                        const double v = (latitude / Pi + 0.5) * 2;
                        const float continent = smoothstep(0.5f, 0.58f, fbm(land, u, v));
                        const float stripe = fbm(bands, u * 0.25, v * 2.0);
                        float albedo = 0.92f - 0.28f * continent - 0.1f * stripe;
                        // Polar caps stay bright.
                        albedo = std::max(albedo,
                                          smoothstep(0.78f, 0.9f, static_cast<float>(std::fabs(qy))) * 0.98f);
                        const double lambert = std::max(0.0, (px * lx + py * ly + pz * lz) / lightNorm);
                        const double rim = std::pow(1 - pz, 3.0) * 0.35 * std::max(0.2, lambert);
                        const float light = static_cast<float>(0.16 + 0.84 * std::pow(lambert, 0.8) + rim);
                        r += albedo * light;
                        g += albedo * light;
                        b += albedo * light * 1.02f;
                        cover += 1;
                    }
                if (cover == 0) continue;
                image.at(frame * Size + x, y) = {r / cover, g / cover, std::min(1.0f, b / cover),
                                                 cover / (Samples * Samples)};
            }
    }
    return image;
}

Image glow() {
    constexpr int Size = 64;
    Image image(Size, Size);
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            const double d = std::hypot(x + 0.5 - Size / 2.0, y + 0.5 - Size / 2.0) / (Size / 2.0);
            const double falloff = d >= 1 ? 0 : std::pow(1 - d, 2.2) * 0.85 + 0.15 * std::exp(-d * d * 30);
            image.at(x, y) = {1, 1, 1, static_cast<float>(std::min(1.0, falloff))};
        }
    return image;
}

Image flareFrames() {
    constexpr int Frames = 4, Size = 16;
    Image image(Frames * Size, Size);
    for (int frame = 0; frame < Frames; ++frame) {
        // Four rays turning an eighth of a right angle per frame, with a pulsing core.
        const double turn = frame * (Pi / 2) / Frames;
        const double core = 0.8 + 0.2 * std::sin(frame * Pi / 2);
        for (int y = 0; y < Size; ++y)
            for (int x = 0; x < Size; ++x) {
                const double ox = x + 0.5 - Size / 2.0, oy = y + 0.5 - Size / 2.0;
                const double d = std::hypot(ox, oy);
                double v = core * std::exp(-d * d / 5.0);
                for (int ray = 0; ray < 4; ++ray) {
                    const double a = turn + ray * Pi / 4;
                    const double along = ox * std::cos(a) + oy * std::sin(a);
                    const double across = -ox * std::sin(a) + oy * std::cos(a);
                    const double strength = ray % 2 == 0 ? 0.9 : 0.45;
                    v += strength * std::exp(-across * across / 0.5) *
                         std::max(0.0, 1 - std::fabs(along) / 7.5);
                }
                v *= std::clamp(7.8 - d, 0.0, 1.0);
                const float a = static_cast<float>(std::min(1.0, v));
                image.at(frame * Size + x, y) = {1.0f, 0.95f + 0.05f * a, 0.85f + 0.15f * a, a};
            }
    }
    return image;
}

Image cursor() {
    // An arrow whose tip is the top-left pixel: '#' outline, '+' fill, '.' nothing.
    static constexpr std::array<const char*, 16> rows{
        "#...............", "##..............", "#+#.............", "#++#............",
        "#+++#...........", "#++++#..........", "#+++++#.........", "#++++++#........",
        "#+++++++#.......", "#++++++++#......", "#+++++#####.....", "#++#++#.........",
        "#+#.#++#........", "##..#++#........", "#....#++#.......", ".....####.......",
    };
    Image image(16, 16);
    image.fill({1, 1, 1, 0});
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const char c = rows[static_cast<size_t>(y)][x];
            if (c == '#') image.at(x, y) = {0.02f, 0.08f, 0.16f, 1};
            if (c == '+') {
                const float t = static_cast<float>(x + y) / 20.0f;
                image.at(x, y) = mix({1, 1, 1, 1}, {0.55f, 0.88f, 1.0f, 1}, t);
            }
        }
    return image;
}

}  // namespace datagen
