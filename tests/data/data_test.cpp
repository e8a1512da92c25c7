// The generated Data.dat: every file the game loads is there under its exact name and has
// the shape the game relies on; the sounds decode, stay under full scale and loop where they
// must; the presets and the font description read back as written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <numeric>
#include <sstream>

#include "pack_reader.h"
#include "presets.h"

namespace {

using packtest::Pack;
using packtest::Picture;
using packtest::Sound;

class DataPack : public ::testing::Test {
protected:
    static void SetUpTestSuite() { pack = new Pack(VELKARO_DATA_PACK); }
    static void TearDownTestSuite() {
        delete pack;
        pack = nullptr;
    }
    static std::string file(const std::string& name) {
        std::string bytes;
        EXPECT_TRUE(pack->read(name, bytes)) << name;
        return bytes;
    }
    static Picture picture(const std::string& name) {
        Picture p;
        EXPECT_TRUE(packtest::decodePicture(file(name), p)) << name;
        return p;
    }
    static Sound sound(const std::string& name) {
        Sound s;
        EXPECT_TRUE(packtest::decodeMp3(file(name), s)) << name;
        return s;
    }
    static Pack* pack;
};

Pack* DataPack::pack = nullptr;

TEST_F(DataPack, HoldsExactlyTheFilesTheGameLoads) {
    ASSERT_TRUE(pack->mounted());
    // The game's names with '\' written as '/', and the font's texture.
    std::vector<std::string> expected{
        "Black.tga",          "Boom3.psi",          "Media/Deselect.mp3", "Media/Explode.mp3",
        "Media/Increase.mp3", "Media/Instruct.mp3", "Media/Menu.mp3",     "Media/MenuSelect.mp3",
        "Media/Move.mp3",     "Media/Navigate.mp3", "Media/Select.mp3",   "Media/VelkaroPlay.mp3",
        "Ouch.png",           "Stars.tga",          "Texture/Cursor.png", "Texture/InstructBG.tga",
        "Texture/MenuBG.tga", "Texture/Planet.png", "myFont.fnt",         "myFont.png",
        "particle1.psi",      "particles.png"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(pack->names(), expected);
}

TEST_F(DataPack, PicturesHaveTheSizesTheGameDrawsThemAt) {
    const struct {
        const char* name;
        int width, height;
    } cases[] = {
        {"Stars.tga", 1024, 1024},
        {"Black.tga", 800, 600},
        {"Texture/MenuBG.tga", 800, 600},
        {"Texture/InstructBG.tga", 800, 600},
        {"Texture/Planet.png", 256, 64},
        {"particles.png", 64, 64},
        {"Ouch.png", 64, 16},
        {"Texture/Cursor.png", 16, 16},
        {"myFont.png", 512, 512},
    };
    for (const auto& c : cases) {
        const Picture p = picture(c.name);
        EXPECT_EQ(p.width, c.width) << c.name;
        EXPECT_EQ(p.height, c.height) << c.name;
    }
}

// Mean absolute step between neighbouring columns (or rows) at `index` and the next one,
// wrapping around the edge.
float stepAcross(const Picture& p, int index, bool columns) {
    float sum = 0;
    const int n = columns ? p.height : p.width, limit = columns ? p.width : p.height;
    for (int i = 0; i < n; ++i) {
        const int a = index, b = (index + 1) % limit;
        sum += columns ? std::fabs(p.luminance(a, i) - p.luminance(b, i))
                       : std::fabs(p.luminance(i, a) - p.luminance(i, b));
    }
    return sum / n;
}

TEST_F(DataPack, StarFieldTilesWithoutSeams) {
    const Picture p = picture("Stars.tga");
    ASSERT_EQ(p.width, 1024);
    for (bool columns : {true, false}) {
        float inner = 0;
        for (int i = 100; i < 900; i += 8) inner += stepAcross(p, i, columns);
        inner /= 100;
        // The wrap from the last column (row) to the first is no rougher than inside.
        EXPECT_LT(stepAcross(p, 1023, columns), inner * 2.0f) << (columns ? "columns" : "rows");
    }
    // Stars, not an empty sky: a good number of bright points.
    int bright = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) bright += p.luminance(x, y) > 0.5f;
    EXPECT_GT(bright, 500);
}

TEST_F(DataPack, OverlayIsClearInTheMiddleAndDarkAtTheCorners) {
    const Picture p = picture("Black.tga");
    ASSERT_EQ(p.width, 800);
    EXPECT_LT(p.at(400, 300, 3), 0.02f);
    for (auto [x, y] : {std::pair{0, 0}, {799, 0}, {0, 599}, {799, 599}}) EXPECT_GT(p.at(x, y, 3), 0.6f);
}

// Over black, how bright the picture is in a rectangle, on average and at most, and how much
// it varies: a calm, dark area keeps cyan text legible.
struct AreaLook {
    float mean = 0, peak = 0, deviation = 0;
};

AreaLook lookAt(const Picture& p, int x0, int y0, int x1, int y1) {
    std::vector<float> values;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) values.push_back(p.luminance(x, y) * p.at(x, y, 3));
    AreaLook look;
    look.mean = std::accumulate(values.begin(), values.end(), 0.0f) / values.size();
    for (float v : values) {
        look.peak = std::max(look.peak, v);
        look.deviation += (v - look.mean) * (v - look.mean);
    }
    look.deviation = std::sqrt(look.deviation / values.size());
    return look;
}

TEST_F(DataPack, BackgroundsKeepTheTextAreasCalm) {
    const struct {
        const char* name;
        int x0, y0, x1, y1;  // where the game writes its texts
    } cases[] = {
        {"Texture/MenuBG.tga", 300, 436, 500, 570},   // the three menu items
        {"Texture/InstructBG.tga", 90, 5, 710, 580},  // the 21 lines of instructions
    };
    for (const auto& c : cases) {
        const Picture p = picture(c.name);
        ASSERT_EQ(p.width, 800) << c.name;
        const AreaLook look = lookAt(p, c.x0, c.y0, c.x1, c.y1);
        EXPECT_LT(look.mean, 0.1f) << c.name;
        EXPECT_LT(look.peak, 0.25f) << c.name;
        EXPECT_LT(look.deviation, 0.03f) << c.name;
    }
    // The menu's title art is there, above the items.
    const Picture menu = picture("Texture/MenuBG.tga");
    EXPECT_GT(lookAt(menu, 60, 60, 740, 200).peak, 0.8f);
}

TEST_F(DataPack, PlanetFramesShowALitTurningSphere) {
    const Picture p = picture("Texture/Planet.png");
    ASSERT_EQ(p.width, 256);
    for (int frame = 0; frame < 4; ++frame) {
        const int x0 = frame * 64;
        EXPECT_FLOAT_EQ(p.at(x0 + 32, 32, 3), 1.0f) << frame;
        for (auto [x, y] : {std::pair{0, 0}, {63, 0}, {0, 63}, {63, 63}})
            EXPECT_EQ(p.at(x0 + x, y, 3), 0.0f) << frame;
        // Lit from the upper left: that side is brighter than the lower right.
        EXPECT_GT(p.luminance(x0 + 22, 22), p.luminance(x0 + 44, 44) + 0.2f) << frame;
        // Grey tones that take the tint: red, green and blue stay close together.
        EXPECT_NEAR(p.at(x0 + 30, 30, 0), p.at(x0 + 30, 30, 2), 0.05f) << frame;
        // Consecutive frames differ: the surface turns.
        const int next = (frame + 1) % 4 * 64;
        float change = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                change += std::fabs(p.luminance(x0 + x, y) - p.luminance(next + x, y));
        EXPECT_GT(change / (64 * 64), 0.005f) << frame;
    }
}

TEST_F(DataPack, GlowFadesOutFromTheCentre) {
    const Picture p = picture("particles.png");
    ASSERT_EQ(p.width, 64);
    float previous = 2;
    for (int x = 32; x < 64; x += 4) {
        EXPECT_LT(p.at(x, 32, 3), previous) << x;
        previous = p.at(x, 32, 3);
    }
    EXPECT_GT(p.at(32, 32, 3), 0.9f);
    EXPECT_EQ(p.at(63, 32, 3), 0.0f);
    EXPECT_EQ(p.at(0, 0, 3), 0.0f);
}

TEST_F(DataPack, FlareFramesAreBrightInTheMiddleAndClearAtTheEdges) {
    const Picture p = picture("Ouch.png");
    ASSERT_EQ(p.width, 64);
    for (int frame = 0; frame < 4; ++frame) {
        EXPECT_GT(p.at(frame * 16 + 8, 8, 3), 0.8f) << frame;
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(p.at(frame * 16 + i, 0, 3), 0.0f) << frame;
            EXPECT_EQ(p.at(frame * 16, i, 3), 0.0f) << frame;
        }
    }
}

TEST_F(DataPack, CursorTipIsItsTopLeftPixel) {
    const Picture p = picture("Texture/Cursor.png");
    ASSERT_EQ(p.width, 16);
    EXPECT_EQ(p.at(0, 0, 3), 1.0f);
    EXPECT_EQ(p.at(1, 0, 3), 0.0f);
    EXPECT_EQ(p.at(15, 15, 3), 0.0f);
    // Crisp: every pixel either opaque or clear.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_TRUE(p.at(x, y, 3) == 0.0f || p.at(x, y, 3) == 1.0f) << x << "," << y;
}

struct Levels {
    float peak = 0, dc = 0, edgeStart = 0, edgeEnd = 0, boundaryJump = 0, typicalStep = 0;
};

// Peak, DC offset and the levels at the ends of one channel (its first four samples, its
// last millisecond); boundaryJump is the step from the last sample back to the first,
// typicalStep the 99.9th percentile of the steps inside.
Levels measure(const std::vector<float>& s) {
    Levels l;
    double sum = 0;
    for (float v : s) {
        l.peak = std::max(l.peak, std::fabs(v));
        sum += v;
    }
    l.dc = static_cast<float>(sum / s.size());
    for (size_t i = 0; i < 4; ++i) l.edgeStart = std::max(l.edgeStart, std::fabs(s[i]));
    for (size_t i = 0; i < 44; ++i) l.edgeEnd = std::max(l.edgeEnd, std::fabs(s[s.size() - 1 - i]));
    std::vector<float> steps(s.size() - 1);
    for (size_t i = 0; i + 1 < s.size(); ++i) steps[i] = std::fabs(s[i + 1] - s[i]);
    std::nth_element(steps.begin(), steps.begin() + static_cast<long>(steps.size() * 999 / 1000),
                     steps.end());
    l.typicalStep = steps[steps.size() * 999 / 1000];
    l.boundaryJump = std::fabs(s.front() - s.back());
    return l;
}

TEST_F(DataPack, SoundsDecodeUnderFullScaleWithoutClicksAndLoopsMeetTheirStart) {
    const struct {
        const char* name;
        int channels;
        double minSeconds, maxSeconds;
        bool loops;
    } cases[] = {
        {"Media/Navigate.mp3", 1, 0.03, 0.3, false}, {"Media/MenuSelect.mp3", 1, 0.2, 1.0, false},
        {"Media/Select.mp3", 1, 0.1, 0.5, false},    {"Media/Deselect.mp3", 1, 0.1, 0.5, false},
        {"Media/Explode.mp3", 1, 0.8, 2.5, false},   {"Media/Increase.mp3", 1, 0.4, 1.5, false},
        {"Media/Move.mp3", 1, 0.5, 2.0, true},       {"Media/Menu.mp3", 2, 60, 90, true},
        {"Media/Instruct.mp3", 2, 60, 90, true},     {"Media/VelkaroPlay.mp3", 2, 60, 90, true},
    };
    for (const auto& c : cases) {
        const Sound s = sound(c.name);
        ASSERT_EQ(s.rate, 44100) << c.name;
        ASSERT_EQ(s.channels, c.channels) << c.name;
        const double seconds = static_cast<double>(s.frames()) / s.rate;
        EXPECT_GE(seconds, c.minSeconds) << c.name;
        EXPECT_LE(seconds, c.maxSeconds) << c.name;
        // Loops are whole seconds long: the encoder's delay and padding are gone.
        if (c.loops) {
            EXPECT_EQ(s.frames() % 44100, 0u) << c.name;
        }
        for (const auto& channel : s.samples) {
            const Levels l = measure(channel);
            EXPECT_LT(l.peak, 0.97f) << c.name;
            EXPECT_GT(l.peak, 0.2f) << c.name;
            EXPECT_LT(std::fabs(l.dc), 0.005f) << c.name;
            if (c.loops) {
                EXPECT_LE(l.boundaryJump, l.typicalStep) << c.name;
            } else {
                EXPECT_LT(l.edgeStart, 0.02f) << c.name;
                EXPECT_LT(l.edgeEnd, 0.02f) << c.name;
            }
        }
    }
}

TEST_F(DataPack, PresetsAre128BytesAndReadBackAsWritten) {
    const struct {
        const char* name;
        datagen::ParticlePresetValues values;
    } cases[] = {{"particle1.psi", datagen::sunCorona()}, {"Boom3.psi", datagen::explosionBurst()}};
    for (const auto& c : cases) {
        const std::string bytes = file(c.name);
        ASSERT_EQ(bytes.size(), 128u) << c.name;
        datagen::ParticlePresetValues read;
        ASSERT_TRUE(datagen::decodePreset(bytes, read)) << c.name;
        EXPECT_EQ(read, c.values) << c.name;
        EXPECT_EQ(datagen::encodePreset(read), bytes) << c.name;
    }
    // Fields sit at their offsets, little-endian.
    const std::string corona = file("particle1.psi");
    float lifetime = 0;
    std::memcpy(&lifetime, corona.data() + 8, 4);
    EXPECT_EQ(lifetime, -1.0f);
    EXPECT_EQ(static_cast<unsigned char>(corona[4]), 80u);
}

struct FontGlyph {
    int x, y, w, h, pre, post;
};

// The description as written: "[HGEFONT]", a Bitmap line, Char lines with hex codes.
struct FontDescription {
    std::string header, bitmap;
    std::map<int, FontGlyph> glyphs;
};

FontDescription parseFont(const std::string& text) {
    FontDescription font;
    std::istringstream in(text);
    std::string line;
    std::getline(in, font.header);
    while (std::getline(in, line)) {
        char name[256] = {};
        unsigned code = 0;
        FontGlyph g{};
        if (std::sscanf(line.c_str(), "Bitmap = %255s", name) == 1) font.bitmap = name;
        if (std::sscanf(line.c_str(), "Char=%x , %d , %d , %d , %d , %d , %d", &code, &g.x, &g.y, &g.w, &g.h,
                        &g.pre, &g.post) == 7)
            font.glyphs[static_cast<int>(code)] = g;
    }
    return font;
}

TEST_F(DataPack, FontDescribesEveryPrintableCharacterInsideItsTexture) {
    const FontDescription font = parseFont(file("myFont.fnt"));
    EXPECT_EQ(font.header, "[HGEFONT]");
    ASSERT_EQ(font.bitmap, "myFont.png");
    const Picture texture = picture(font.bitmap);
    ASSERT_GT(texture.width, 0);
    for (int c = 32; c <= 126; ++c) {
        ASSERT_TRUE(font.glyphs.count(c)) << "character " << c;
        const FontGlyph& g = font.glyphs.at(c);
        EXPECT_GE(g.x, 0) << c;
        EXPECT_GE(g.y, 0) << c;
        EXPECT_LE(g.x + g.w, texture.width) << c;
        EXPECT_LE(g.y + g.h, texture.height) << c;
        EXPECT_EQ(g.h, 48) << c;  // one cell height: glyphs share a baseline
        // Something to see, except for the space.
        float ink = 0;
        for (int y = g.y; y < g.y + g.h; ++y)
            for (int x = g.x; x < g.x + g.w; ++x) ink += texture.at(x, y, 3);
        if (c == ' ') {
            EXPECT_EQ(ink, 0.0f);
        } else {
            EXPECT_GT(ink, 5.0f) << c;
        }
    }
}

}  // namespace
