// Draws the game's screens from the generated files, the way the game layers them, into
// PNG pictures to look at: the menu, the instructions page and a moment of play with the
// sun's corona and an explosion in progress. Test-only: it reads the files directly.
//
//   velkaro_data_preview DATA_DIR OUT_DIR

#include <stb_image.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Texture {
    int w = 0, h = 0;
    std::vector<float> rgba;  // 0..1
    bool ok() const { return w > 0; }
};

Texture load(const std::string& path) {
    Texture t;
    int n = 0;
    unsigned char* p = stbi_load(path.c_str(), &t.w, &t.h, &n, 4);
    if (!p) {
        std::fprintf(stderr, "cannot load %s\n", path.c_str());
        t.w = t.h = 0;
        return t;
    }
    t.rgba.resize(static_cast<size_t>(t.w) * t.h * 4);
    for (size_t i = 0; i < t.rgba.size(); ++i) t.rgba[i] = p[i] / 255.0f;
    stbi_image_free(p);
    return t;
}

struct Rgba {
    float r, g, b, a;
};

// Bilinear sample at texel coordinates; `wrap` repeats the texture, otherwise clamps.
Rgba sample(const Texture& t, float x, float y, bool wrap) {
    x -= 0.5f;
    y -= 0.5f;
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const float fx = x - x0, fy = y - y0;
    auto texel = [&](int tx, int ty) {
        if (wrap) {
            tx = ((tx % t.w) + t.w) % t.w;
            ty = ((ty % t.h) + t.h) % t.h;
        } else {
            tx = std::clamp(tx, 0, t.w - 1);
            ty = std::clamp(ty, 0, t.h - 1);
        }
        const float* p = &t.rgba[(static_cast<size_t>(ty) * t.w + tx) * 4];
        return Rgba{p[0], p[1], p[2], p[3]};
    };
    const Rgba a = texel(x0, y0), b = texel(x0 + 1, y0), c = texel(x0, y0 + 1), d = texel(x0 + 1, y0 + 1);
    auto mix = [](float p, float q, float s) { return p + (q - p) * s; };
    Rgba out;
    out.r = mix(mix(a.r, b.r, fx), mix(c.r, d.r, fx), fy);
    out.g = mix(mix(a.g, b.g, fx), mix(c.g, d.g, fx), fy);
    out.b = mix(mix(a.b, b.b, fx), mix(c.b, d.b, fx), fy);
    out.a = mix(mix(a.a, b.a, fx), mix(c.a, d.a, fx), fy);
    return out;
}

class Screen {
public:
    Screen() : px_(800 * 600 * 3, 0.0f) {}
    // Draws the texture rectangle (sx, sy, sw, sh) onto the screen rectangle at (x, y) of
    // size (w, h), tinted by `color` (0xAARRGGBB); additive or alpha-blended.
    void quad(const Texture& t, float sx, float sy, float sw, float sh, float x, float y, float w, float h,
              std::uint32_t color, bool additive, bool wrap = false) {
        if (!t.ok()) return;
        const float cr = ((color >> 16) & 0xFF) / 255.0f, cg = ((color >> 8) & 0xFF) / 255.0f,
                    cb = (color & 0xFF) / 255.0f, ca = (color >> 24) / 255.0f;
        const int x0 = std::max(0, static_cast<int>(std::floor(x))),
                  x1 = std::min(800, static_cast<int>(std::ceil(x + w)));
        const int y0 = std::max(0, static_cast<int>(std::floor(y))),
                  y1 = std::min(600, static_cast<int>(std::ceil(y + h)));
        for (int py = y0; py < y1; ++py)
            for (int px = x0; px < x1; ++px) {
                const float u = (px + 0.5f - x) / w, v = (py + 0.5f - y) / h;
                if (u < 0 || v < 0 || u > 1 || v > 1) continue;
                Rgba s = sample(t, sx + u * sw, sy + v * sh, wrap);
                if (!wrap) {
                    // Stay inside the rectangle like the GPU would with texel-exact quads.
                    s = sample(t, std::clamp(sx + u * sw, sx + 0.5f, sx + sw - 0.5f),
                               std::clamp(sy + v * sh, sy + 0.5f, sy + sh - 0.5f), false);
                }
                const float a = s.a * ca;
                float* d = &px_[(static_cast<size_t>(py) * 800 + px) * 3];
                const float r = s.r * cr, g = s.g * cg, b = s.b * cb;
                if (additive) {
                    d[0] += r * a, d[1] += g * a, d[2] += b * a;
                } else {
                    d[0] = d[0] * (1 - a) + r * a, d[1] = d[1] * (1 - a) + g * a,
                    d[2] = d[2] * (1 - a) + b * a;
                }
            }
    }
    void line(float x1, float y1, float x2, float y2, std::uint32_t color) {
        const float a = (color >> 24) / 255.0f;
        const int steps = static_cast<int>(std::max(std::fabs(x2 - x1), std::fabs(y2 - y1))) + 1;
        for (int i = 0; i <= steps; ++i) {
            const int x = static_cast<int>(x1 + (x2 - x1) * i / steps),
                      y = static_cast<int>(y1 + (y2 - y1) * i / steps);
            if (x < 0 || y < 0 || x >= 800 || y >= 600) continue;
            float* d = &px_[(static_cast<size_t>(y) * 800 + x) * 3];
            d[0] = d[0] * (1 - a) + ((color >> 16) & 0xFF) / 255.0f * a;
            d[1] = d[1] * (1 - a) + ((color >> 8) & 0xFF) / 255.0f * a;
            d[2] = d[2] * (1 - a) + (color & 0xFF) / 255.0f * a;
        }
    }
    bool save(const std::string& path) const {
        std::vector<unsigned char> out(px_.size());
        for (size_t i = 0; i < px_.size(); ++i)
            out[i] = static_cast<unsigned char>(std::lround(std::clamp(px_[i], 0.0f, 1.0f) * 255));
        return stbi_write_png(path.c_str(), 800, 600, 3, out.data(), 800 * 3) != 0;
    }

private:
    std::vector<float> px_;
};

struct Glyph {
    int x, y, w, h;
    float pre, post;
};

// The font description as the game reads it (hex codes only, which is what the generator writes).
struct Font {
    Texture texture;
    std::map<int, Glyph> glyphs;
    float width(const std::string& s, float scale) const {
        float w = 0;
        for (unsigned char c : s) {
            auto it = glyphs.find(glyphs.count(c) ? c : '?');
            if (it != glyphs.end()) w += it->second.pre + it->second.post + it->second.w;
        }
        return w * scale;
    }
    void print(Screen& screen, float x, float y, int align, const std::string& s, float scale,
               std::uint32_t color) const {
        float pen = x;
        const float w = width(s, scale);
        if (align == 1) pen = x - w;
        if (align == 2) pen = x - std::nearbyint(w / 2);
        for (unsigned char c : s) {
            auto it = glyphs.find(glyphs.count(c) ? c : '?');
            if (it == glyphs.end()) continue;
            const Glyph& g = it->second;
            pen += g.pre * scale;
            screen.quad(texture, g.x, g.y, g.w, g.h, pen, y, g.w * scale, g.h * scale, color, false);
            pen += (g.post + g.w) * scale;
        }
    }
};

Font loadFont(const std::string& dir) {
    Font font;
    std::ifstream in(dir + "/myFont.fnt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Bitmap", 0) == 0) font.texture = load(dir + "/" + line.substr(line.find('=') + 1));
        if (line.rfind("Char", 0) == 0) {
            unsigned code = 0;
            Glyph g{};
            if (std::sscanf(line.c_str(), "Char=%x,%d,%d,%d,%d,%f,%f", &code, &g.x, &g.y, &g.w, &g.h, &g.pre,
                            &g.post) == 7)
                font.glyphs[static_cast<int>(code)] = g;
        }
    }
    return font;
}

// The particle rules the game uses, enough to see what a preset looks like.
struct Preset {
    std::int32_t rate;
    float lifetime, lifeMin, lifeMax, direction, spread;
    std::uint32_t relative;
    float speedMin, speedMax, gravMin, gravMax, radMin, radMax, tanMin, tanMax;
    float sizeStart, sizeEnd, sizeVar, spinStart, spinEnd, spinVar;
    float c0[4], c1[4], colorVar, alphaVar;
};

Preset loadPreset(const std::string& path) {
    Preset p{};
    std::ifstream in(path, std::ios::binary);
    char bytes[128] = {};
    in.read(bytes, 128);
    static_assert(sizeof(Preset) == 124);
    std::memcpy(&p, bytes + 4, sizeof p);
    return p;
}

struct Particle {
    float x, y, vx, vy, grav, rad, tan, size, sizeD, c[4], cD[4], age, life;
};

std::vector<Particle> simulate(const Preset& p, float ex, float ey, float seconds, std::mt19937& rng) {
    auto rnd = [&](float a, float b) {
        return a + (b - a) * std::uniform_real_distribution<float>(0, 1)(rng);
    };
    std::vector<Particle> ps;
    float age = 0, residue = 0;
    const float dt = 0.01f;
    for (float t = 0; t < seconds; t += dt) {
        if (age >= 0 && p.lifetime != -1.0f) {
            age += dt;
            if (age >= p.lifetime) age = -2;
        }
        for (size_t i = 0; i < ps.size();) {
            Particle& q = ps[i];
            q.age += dt;
            if (q.age >= q.life) {
                q = ps.back();
                ps.pop_back();
                continue;
            }
            float dx = q.x - ex, dy = q.y - ey, len = std::sqrt(dx * dx + dy * dy);
            if (len > 0) dx /= len, dy /= len;
            q.vx += (dx * q.rad - dy * q.tan) * dt;
            q.vy += (dy * q.rad + dx * q.tan) * dt;
            q.vy += q.grav * dt;
            q.x += q.vx, q.y += q.vy;
            q.size += q.sizeD * dt;
            for (int k = 0; k < 4; ++k) q.c[k] += q.cD[k] * dt;
            ++i;
        }
        if (age != -2) {
            const float needed = p.rate * dt + residue;
            const int count = static_cast<int>(std::nearbyint(needed));
            residue = needed - count;
            for (int k = 0; k < count && ps.size() < 500; ++k) {
                Particle q{};
                q.life = rnd(p.lifeMin, p.lifeMax);
                q.x = ex + rnd(-2, 2), q.y = ey + rnd(-2, 2);
                const float a = p.direction - 1.5707964f + rnd(0, p.spread) - p.spread / 2;
                const float sp = rnd(p.speedMin, p.speedMax);
                q.vx = std::cos(a) * sp, q.vy = std::sin(a) * sp;
                q.grav = rnd(p.gravMin, p.gravMax), q.rad = rnd(p.radMin, p.radMax),
                q.tan = rnd(p.tanMin, p.tanMax);
                q.size = rnd(p.sizeStart, p.sizeStart + (p.sizeEnd - p.sizeStart) * p.sizeVar);
                q.sizeD = (p.sizeEnd - q.size) / q.life;
                for (int c = 0; c < 3; ++c) q.c[c] = rnd(p.c0[c], p.c0[c] + (p.c1[c] - p.c0[c]) * p.colorVar);
                q.c[3] = rnd(p.c0[3], p.c0[3] + (p.c1[3] - p.c0[3]) * p.alphaVar);
                for (int c = 0; c < 4; ++c) q.cD[c] = (p.c1[c] - q.c[c]) / q.life;
                ps.push_back(q);
            }
        }
    }
    return ps;
}

std::uint32_t particleColor(const Particle& q) {
    auto b = [](float v) { return static_cast<std::uint32_t>(std::clamp(std::lround(v * 255), 0L, 255L)); };
    return b(q.c[3]) << 24 | b(q.c[0]) << 16 | b(q.c[1]) << 8 | b(q.c[2]);
}

void backdrop(Screen& s, const Texture& stars, const Texture& overlay, float scrollSeconds) {
    const float tx = 0.05f * scrollSeconds, ty = -0.04f * scrollSeconds;
    s.quad(stars, tx * stars.w, ty * stars.h, static_cast<float>(stars.w), static_cast<float>(stars.h), 0, 0,
           1024, 1024, 0xFFFFFFFF, false, true);
    s.quad(overlay, 0, 0, 800, 600, 0, 0, 800, 600, 0xFFFFFFFF, false);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: velkaro_data_preview DATA_DIR OUT_DIR\n");
        return 2;
    }
    const std::string dir = argv[1], out = argv[2];
    const Texture stars = load(dir + "/Stars.tga"), overlay = load(dir + "/Black.tga");
    const Texture menu = load(dir + "/Texture/MenuBG.tga"), instruct = load(dir + "/Texture/InstructBG.tga");
    const Texture planet = load(dir + "/Texture/Planet.png"), glow = load(dir + "/particles.png");
    const Texture flare = load(dir + "/Ouch.png"), cursor = load(dir + "/Texture/Cursor.png");
    const Font font = loadFont(dir);
    bool ok = true;

    {
        Screen s;
        backdrop(s, stars, overlay, 3.0f);
        s.quad(menu, 0, 0, 800, 600, 0, 0, 800, 600, 0xFFFFFFFF, false);
        font.print(s, 400, 440, 2, "Start Game", 0.5f, 0xFF00C8FF);
        font.print(s, 400, 490, 2, "Instructions", 0.5f, 0x9600C8FF);
        font.print(s, 400, 540, 2, "Exit", 0.5f, 0x9600C8FF);
        ok &= s.save(out + "/menu.png");
    }
    {
        const char* lines[] = {"Welcome to 'Velkaro'!",
                               "The game is simple, you are given control",
                               "of a Solar System, and you need to preserve it.",
                               "You do this by adusting the speed and orbit",
                               "of every planet in the system.",
                               "",
                               "The controls are easy too!",
                               "All you have to do it click a planet",
                               "orbiting the Sun. Move your mouse",
                               "to adjust its orbit, and using your",
                               "mouse wheel or the plus (+) and minus (-) keys",
                               "you can change the planets velocity.",
                               "",
                               "You'll get a bonus every 60 seconds of game time",
                               "providing you don't lose any planets before time expires.",
                               "Losing planets a planet with reset the bonus timer.",
                               "If you manage to get the bonus, you'll see a",
                               "deduction from the time multiplier, giving you",
                               "more time to make decisions.",
                               "You will lose if you fall below the minimum",
                               "number of planets required. So be careful!",
                               "If you can survive for 30 years, then you're",
                               "probably doing something right. Good Luck!"};
        Screen s;
        backdrop(s, stars, overlay, 7.0f);
        s.quad(instruct, 0, 0, 800, 600, 0, 0, 800, 600, 0xFFFFFFFF, false);
        float y = 5;
        for (const char* l : lines) {
            if (*l) font.print(s, 400, y, 2, l, 0.5f, 0x9600C8FF);
            y += 25;
        }
        ok &= s.save(out + "/instructions.png");
    }
    {
        Screen s;
        std::mt19937 rng(5);
        backdrop(s, stars, overlay, 11.0f);
        // The sun: its picture tinted and added, then (after the planets) its corona.
        s.quad(glow, 0, 0, 64, 64, 400 - 32, 300 - 32, 64, 64, 0xFFFFE0A0, true);
        const struct {
            float x, y;
            std::uint32_t color;
            int frame;
            float rx, ry;
        } planets[] = {{560, 330, 0xFFC8A078, 0, 165, 110},
                       {290, 180, 0xFF78B4E6, 1, 150, 160},
                       {420, 470, 0xFFA0E08C, 2, 140, 170}};
        for (const auto& p : planets) {
            s.quad(planet, p.frame * 64.0f, 0, 64, 64, p.x - 32 * 2 / 3.0f, p.y - 32 * 2 / 3.0f,
                   64 * 2 / 3.0f, 64 * 2 / 3.0f, p.color, false);
            for (float a = 0; a < 6.2831853f; a += 0.034906585f)
                s.line(400 + std::cos(a) * p.rx, 300 + std::sin(a) * p.ry,
                       400 + std::cos(a + 0.017453f) * p.rx, 300 + std::sin(a + 0.017453f) * p.ry,
                       0x966464FF);
        }
        // An explosion 0.35 s old, fired 16 pixels right and down of the planet at (250, 400).
        const Preset boom = loadPreset(dir + "/Boom3.psi");
        for (const Particle& q : simulate(boom, 250 + 16, 400 + 16, 0.35f, rng)) {
            const float size = q.size;
            s.quad(flare, 16.0f * (static_cast<int>(q.age * 16) % 4), 0, 16, 16, q.x - 32 * size,
                   q.y - 32 * size, 16 * size, 16 * size, particleColor(q), true);
        }
        const Preset corona = loadPreset(dir + "/particle1.psi");
        for (const Particle& q : simulate(corona, 400, 300, 4.0f, rng))
            s.quad(glow, 0, 0, 64, 64, q.x - 32 * q.size, q.y - 32 * q.size, 64 * q.size, 64 * q.size,
                   particleColor(q), true);
        font.print(s, 5, 5, 0, "Time Multiplier: ", 0.75f, 0xFF00C8FF);
        font.print(s, 300, 5, 0, "100 %", 0.75f, 0xFF00C8FF);
        font.print(s, 580, 570, 0, "Planet Increase: 1:00", 0.5f, 0xFF00C8FF);
        font.print(s, 580, 545, 0, "Next Bonus:", 0.5f, 0xFF00C8FF);
        font.print(s, 737, 545, 0, "60.00", 0.5f, 0xFF00C8FF);
        const char* counts[] = {"Planet Count: 3", "Planets Needed: 1", "Year(s): 1", "Month(s): 1",
                                "Day(s): 4"};
        for (int i = 0; i < 5; ++i) font.print(s, 5, 470.0f + 25 * i, 0, counts[i], 0.5f, 0xFF00C8FF);
        font.print(s, 400, 50, 2, "PAUSED", 1.5f, 0xFF00C8FF);
        s.quad(cursor, 0, 0, 16, 16, 610, 250, 16, 16, 0xFFFFFFFF, false);
        ok &= s.save(out + "/play.png");
    }
    return ok ? 0 : 1;
}
