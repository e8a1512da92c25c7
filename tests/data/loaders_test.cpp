// The generated font and presets read through the game's own loaders (BitmapFont and
// ParticleSystem on the recording engine), with the files taken from Data.dat.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "gfx/bitmap_font.h"
#include "gfx/particle_system.h"
#include "gfx/sprite.h"
#include "pack_reader.h"
#include "recording.h"

namespace {

class GeneratedData : public ::testing::Test {
protected:
    void SetUp() override {
        rec::reset();
        engine = hgeCreate(ENGINE_VERSION);
        packtest::Pack pack(VELKARO_DATA_PACK);
        ASSERT_TRUE(pack.mounted());
        for (const char* name : {"myFont.fnt", "particle1.psi", "Boom3.psi"}) {
            std::string bytes;
            ASSERT_TRUE(pack.read(name, bytes)) << name;
            rec::addFile(name, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        }
        std::string texture;
        ASSERT_TRUE(pack.read("myFont.png", texture));
        packtest::Picture picture;
        ASSERT_TRUE(packtest::decodePicture(texture, picture));
        rec::addTexture("myFont.png", picture.width, picture.height);
    }
    void TearDown() override { engine->Release(); }
    Engine* engine = nullptr;
};

// Every text the game draws with the font, with the scale it is drawn at.
struct GameText {
    const char* text;
    float scale;
};

const std::vector<GameText>& gameTexts() {
    static const std::vector<GameText> texts{
        {"Start Game", 0.5f},
        {"Instructions", 0.5f},
        {"Exit", 0.5f},
        {"Welcome to 'Velkaro'!", 0.5f},
        {"The game is simple, you are given control", 0.5f},
        {"of a Solar System, and you need to preserve it.", 0.5f},
        {"You do this by adusting the speed and orbit", 0.5f},
        {"of every planet in the system.", 0.5f},
        {"The controls are easy too!", 0.5f},
        {"All you have to do it click a planet", 0.5f},
        {"orbiting the Sun. Move your mouse", 0.5f},
        {"to adjust its orbit, and using your", 0.5f},
        {"mouse wheel or the plus (+) and minus (-) keys", 0.5f},
        {"you can change the planets velocity.", 0.5f},
        {"You'll get a bonus every 60 seconds of game time", 0.5f},
        {"providing you don't lose any planets before time expires.", 0.5f},
        {"Losing planets a planet with reset the bonus timer.", 0.5f},
        {"If you manage to get the bonus, you'll see a", 0.5f},
        {"deduction from the time multiplier, giving you", 0.5f},
        {"more time to make decisions.", 0.5f},
        {"You will lose if you fall below the minimum", 0.5f},
        {"number of planets required. So be careful!", 0.5f},
        {"If you can survive for 30 years, then you're", 0.5f},
        {"probably doing something right. Good Luck!", 0.5f},
        {"Planet Increase: 9:59", 0.5f},
        {"Next Bonus:", 0.5f},
        {"Time Multiplier: ", 0.75f},
        {"1234567890 %", 0.75f},
        {"Adjust Orbit", 0.75f},
        {"Selected Planets Velocity:", 0.55f},
        {"PAUSED", 1.5f},
        {"GAMEOVER", 1.5f},
        {"You WIN!", 1.5f},
        {"I knew you had it in you.", 0.5f},
        {"Press Enter to continue playing", 0.5f},
        {"Or Escape to return to the Main Menu", 0.5f},
        {"Planet Count: 5", 0.5f},
        {"Planets Needed: 10", 0.5f},
        {"Year(s): 29", 0.5f},
        {"Month(s): 11", 0.5f},
        {"Day(s): 30", 0.5f},
        {"-.", 0.5f},
    };
    return texts;
}

TEST_F(GeneratedData, FontLoadsWithAGlyphForEveryCharacterTheGameWrites) {
    BitmapFont font("myFont.fnt");
    EXPECT_TRUE(rec::logLines().empty());
    EXPECT_NE(font.texture, 0u);
    EXPECT_EQ(font.lineHeight, 48.0f);
    for (int c = 32; c <= 126; ++c) EXPECT_NE(font.glyphs[c], nullptr) << "character " << c;
    for (const GameText& t : gameTexts())
        for (const char* p = t.text; *p; ++p)
            EXPECT_NE(font.glyphs[static_cast<unsigned char>(*p)], nullptr) << t.text;
}

TEST_F(GeneratedData, FontKeepsEveryCentredTextOnTheScreen) {
    BitmapFont font("myFont.fnt");
    for (const GameText& t : gameTexts()) {
        font.scale = t.scale;
        EXPECT_LE(font.stringWidth(t.text), 780.0f) << t.text;
    }
}

TEST_F(GeneratedData, FontKeepsTheHudTextsApart) {
    BitmapFont font("myFont.fnt");
    // (text, scale, where it starts, where the next text starts or the screen ends)
    const struct {
        const char* text;
        float scale, left, right;
    } cases[] = {
        {"Time Multiplier: ", 0.75f, 5, 300},
        {"Planet Increase: 9:59", 0.5f, 580, 800},
        {"Next Bonus:", 0.5f, 580, 737},
        {"60.00", 0.5f, 737, 800},
    };
    for (const auto& c : cases) {
        font.scale = c.scale;
        EXPECT_LE(c.left + font.stringWidth(c.text), c.right) << c.text;
    }
    // While adjusting: "Adjust Orbit" from x 5, the velocity label right-aligned at 700 and
    // its value right-aligned at 790.
    font.scale = 0.75f;
    const float titleEnd = 5 + font.stringWidth("Adjust Orbit");
    font.scale = 0.55f;
    EXPECT_LT(titleEnd, 700 - font.stringWidth("Selected Planets Velocity:"));
    EXPECT_LT(font.stringWidth("99.99"), 90.0f);
    // Lines of the instructions, 25 pixels apart at scale 0.5, do not overlap.
    EXPECT_LE(font.lineHeight * 0.5f, 25.0f);
}

TEST_F(GeneratedData, PresetsLoadIntoTheParticleSystemAsGenerated) {
    Sprite sprite(0, 0, 0, 64, 64);
    ParticleSystem corona("particle1.psi", &sprite, 0);
    EXPECT_EQ(corona.preset.sprite, &sprite);
    EXPECT_EQ(corona.preset.emissionRate, 80);
    EXPECT_EQ(corona.preset.systemLifetime, -1.0f);
    EXPECT_GT(corona.preset.colorStart.r, corona.preset.colorStart.b);
    ParticleSystem boom("Boom3.psi", &sprite, 0);
    EXPECT_GT(boom.preset.systemLifetime, 0.0f);
    EXPECT_LE(boom.preset.systemLifetime + boom.preset.lifeMax, 1.9f);
    EXPECT_FALSE(boom.preset.relative);
}

TEST_F(GeneratedData, ExplosionIsOverWithinTheFadeOfTwoSeconds) {
    Sprite sprite(0, 0, 0, 16, 16);
    ParticleSystem boom("Boom3.psi", &sprite, 0);
    boom.fireAt(416, 316);
    int seen = 0;
    float last = 0;
    for (int frame = 1; frame <= 200; ++frame) {  // two seconds at 100 frames a second
        boom.update(0.01f);
        seen = std::max(seen, boom.liveCount);
        if (boom.liveCount > 0) last = frame * 0.01f;
    }
    EXPECT_GT(seen, 40);
    EXPECT_EQ(boom.liveCount, 0);
    EXPECT_LT(last, 2.0f);
}

TEST_F(GeneratedData, CoronaKeepsGlowingWellBelowTheParticleCap) {
    Sprite sprite(0, 0, 0, 64, 64);
    ParticleSystem corona("particle1.psi", &sprite, 0);
    corona.fireAt(400, 300);
    int fewest = 500, most = 0;
    for (int frame = 1; frame <= 1000; ++frame) {
        corona.update(0.01f);
        if (frame > 300) {
            fewest = std::min(fewest, corona.liveCount);
            most = std::max(most, corona.liveCount);
        }
    }
    EXPECT_GT(fewest, 60);
    EXPECT_LT(most, 400);
}

}  // namespace
