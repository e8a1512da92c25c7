// Screen drawing: the menu, the instructions, the Play texts and state displays, the fade
// overlay and the cursor, read back from the recorded quads.
#include <cmath>

#include "game_test.h"
#include "gfx/animation.h"

namespace {

constexpr std::uint32_t kHighlight = 0xFF00C8FF;
constexpr std::uint32_t kDimmed = 0x9600C8FF;

struct Expected {
    std::string text;
    float x, y;  // the anchor the game gives: left end, right end or middle by `align`
    int align;
    float scale;
};

// The glyph run must sit where the alignment puts it: left end at x, right end at x, or
// centred on x to the nearest whole pixel.
void expectPlaced(const fixtures::Text& t, const Expected& e) {
    EXPECT_EQ(t.text, e.text);
    EXPECT_FLOAT_EQ(t.scale, e.scale) << e.text;
    EXPECT_FLOAT_EQ(t.y, e.y) << e.text;
    const float anchor = e.align == 0 ? t.x : e.align == 1 ? t.x + t.width() : t.x + t.width() / 2;
    EXPECT_NEAR(anchor, e.x, e.align == 2 ? 0.5 : 1e-3) << e.text;
}

const char* const kInstructionLines[] = {
    "Welcome to 'Velkaro'!",
    "The game is simple, you are given control",
    "of a Solar System, and you need to preserve it.",
    "You do this by adusting the speed and orbit",
    "of every planet in the system.",
    "The controls are easy too!",
    "All you have to do it click a planet",
    "orbiting the Sun. Move your mouse",
    "to adjust its orbit, and using your",
    "mouse wheel or the plus (+) and minus (-) keys",
    "you can change the planets velocity.",
    "You'll get a bonus every 60 seconds of game time",
    "providing you don't lose any planets before time expires.",
    "Losing planets a planet with reset the bonus timer.",
    "If you manage to get the bonus, you'll see a",
    "deduction from the time multiplier, giving you",
    "more time to make decisions.",
    "You will lose if you fall below the minimum",
    "number of planets required. So be careful!",
    "If you can survive for 30 years, then you're",
    "probably doing something right. Good Luck!",
};
const float kInstructionYs[] = {5,   30,  55,  80,  105, 155, 180, 205, 230, 255, 280,
                                330, 355, 380, 405, 430, 455, 480, 505, 530, 555};

}  // namespace

class RenderTest : public GameTest {
protected:
    std::vector<fixtures::Text> renderTexts() {
        rec::clearRecords();
        game->render();
        return texts();
    }
    const fixtures::Text* find(const std::vector<fixtures::Text>& all, const std::string& text) {
        for (const auto& t : all)
            if (t.text == text) return &t;
        ADD_FAILURE() << "no text \"" << text << "\"";
        return nullptr;
    }
};

TEST_F(RenderTest, MenuHighlightsTheChosenItem) {
    for (int index = 0; index < 3; ++index) {
        game->reset();
        game->menuIndex = index;
        game->update(0.01f);
        const auto all = renderTexts();
        ASSERT_EQ(all.size(), 3u);
        const Expected items[] = {{"Start Game", 400, 440, 2, 0.5f},
                                  {"Instructions", 400, 490, 2, 0.5f},
                                  {"Exit", 400, 540, 2, 0.5f}};
        for (int i = 0; i < 3; ++i) {
            expectPlaced(all[i], items[i]);
            EXPECT_EQ(all[i].color, i == index ? kHighlight : kDimmed) << index << " " << i;
        }
        // The menu picture lies under the items.
        const auto quads = rec::quads();
        ASSERT_FALSE(quads.empty());
        EXPECT_EQ(quads.front().tex, game->menuBackground);
    }
}

TEST_F(RenderTest, InstructionsShowAllLinesInTheColourTheMenuLeft) {
    struct Case {
        bool moveToExitDuringFade;
        std::uint32_t color;
    };
    for (const Case c : {Case{false, kDimmed}, Case{true, kHighlight}}) {
        game->reset();
        tap(KEY_DOWN);
        tap(KEY_ENTER);
        if (c.moveToExitDuringFade) tap(KEY_DOWN);
        untilScreen(Instructions);
        const auto all = renderTexts();
        ASSERT_EQ(all.size(), 21u);
        for (int i = 0; i < 21; ++i) {
            expectPlaced(all[i], {kInstructionLines[i], 400, kInstructionYs[i], 2, 0.5f});
            EXPECT_EQ(all[i].color, c.color) << i;
        }
        EXPECT_EQ(rec::quads().front().tex, game->instructionsBackground);
    }
}

TEST_F(RenderTest, PlayShowsTheTimersMultiplierAndCountsAfterAReset) {
    startPlay();
    const auto all = renderTexts();
    const Expected expected[] = {
        {"Planet Increase: 1:00", 580, 570, 0, 0.5f},
        {"Next Bonus:", 580, 545, 0, 0.5f},
        {"60.00", 737, 545, 0, 0.5f},
        {"Time Multiplier: ", 5, 5, 0, 0.75f},
        {"100 %", 300, 5, 0, 0.75f},
        {"Planet Count: 1", 5, 470, 0, 0.5f},
        {"Planets Needed: 1", 5, 495, 0, 0.5f},
        {"Year(s): 0", 5, 520, 0, 0.5f},
        {"Month(s): 0", 5, 545, 0, 0.5f},
        {"Day(s): 0", 5, 570, 0, 0.5f},
    };
    ASSERT_EQ(all.size(), std::size(expected));
    for (std::size_t i = 0; i < all.size(); ++i) {
        expectPlaced(all[i], expected[i]);
        EXPECT_EQ(all[i].color, kHighlight) << expected[i].text;
    }
    EXPECT_EQ(game->font->scale, 0.5f);

    frame();
    const auto next = renderTexts();
    find(next, "Planet Increase: 0:59");
    find(next, "59.99");
    find(next, "100 %");
}

TEST_F(RenderTest, TimersAndCalendarAreShownWhole) {
    struct Case {
        float days, increase;
        const char *year, *month, *day, *timer;
    };
    const Case cases[] = {
        {400.7f, 60.0f, "Year(s): 1", "Month(s): 1", "Day(s): 4", "Planet Increase: 1:00"},
        {0.0f, 59.7f, "Year(s): 0", "Month(s): 0", "Day(s): 0", "Planet Increase: 0:59"},
        {364.99f, 0.5f, "Year(s): 0", "Month(s): 11", "Day(s): 23", "Planet Increase: 0:00"},
        {365.0f, 125.0f, "Year(s): 1", "Month(s): 0", "Day(s): 0", "Planet Increase: 2:05"},
        {30.9f, -0.005f, "Year(s): 0", "Month(s): 0", "Day(s): 30", "Planet Increase: 0:00"},
        {10950.0f, 9.0f, "Year(s): 30", "Month(s): 0", "Day(s): 0", "Planet Increase: 0:09"},
    };
    for (const Case& c : cases) {
        startPlay();
        game->days = c.days;
        game->increaseTimer = c.increase;
        const auto all = renderTexts();
        for (const char* text : {c.year, c.month, c.day, c.timer})
            EXPECT_NE(find(all, text), nullptr) << c.days;
    }
}

TEST_F(RenderTest, AdjustOrbitShowsTheSelectedPlanetsSpeed) {
    startPlay();
    game->playState = AdjustOrbit;
    game->selectedBody = &firstPlanet();
    firstPlanet().speed = 12.5f;
    const auto all = renderTexts();
    const Expected expected[] = {
        {"Adjust Orbit", 5, 5, 0, 0.75f},
        {"Selected Planets Velocity:", 700, 5, 1, 0.55f},
        {"12.50", 790, 5, 1, 0.55f},
    };
    for (const Expected& e : expected)
        if (const auto* t = find(all, e.text)) expectPlaced(*t, e);
    EXPECT_EQ(all.size(), 3u + 3u + 5u);  // timers, the three above, counts
}

TEST_F(RenderTest, PausedShowsItsWordOverTheHud) {
    startPlay();
    game->playState = Paused;
    const auto all = renderTexts();
    if (const auto* t = find(all, "PAUSED")) {
        expectPlaced(*t, {"PAUSED", 400, 50, 2, 1.5f});
        EXPECT_EQ(t->color, kHighlight);
    }
    EXPECT_EQ(all.size(), 9u);  // timers, the word and the counts
    EXPECT_EQ(game->font->scale, 0.5f);
}

TEST_F(RenderTest, GameOverDrawsOnlyTheBodiesAndTheFadingRedWord) {
    const std::pair<float, std::uint32_t> fades[] = {{0.0f, 0x00}, {0.5f, 0x7F}, {1.0f, 0xFF}};
    for (const auto& [fade, alpha] : fades) {
        startPlay();
        game->playState = GameOver;
        game->endFade = fade;
        const auto all = renderTexts();
        ASSERT_EQ(all.size(), 1u) << fade;
        expectPlaced(all[0], {"GAMEOVER", 400, 50, 2, 1.5f});
        EXPECT_EQ(all[0].color, (alpha << 24) | 0x00C80000u) << fade;

        // Besides the word and the final overlay, only the sun's and the planet's pictures.
        const HTexture bodyTextures[] = {game->sun->sprite->quad.tex, firstPlanet().sprite->quad.tex};
        auto quads = rec::quads();
        ASSERT_FALSE(quads.empty());
        quads.pop_back();  // the fade overlay
        for (const Quad& q : quads) {
            if (q.tex == game->font->texture) continue;
            EXPECT_TRUE(q.tex == bodyTextures[0] || q.tex == bodyTextures[1]) << q.tex;
        }
        EXPECT_FALSE(rec::lines().empty());  // the planet's ring
    }
}

TEST_F(RenderTest, WonFadesItsFourLinesInTogether) {
    const std::pair<float, std::uint32_t> fades[] = {{0.25f, 0x3F}, {1.0f, 0xFF}};
    for (const auto& [fade, alpha] : fades) {
        startPlay();
        game->playState = Won;
        game->endFade = fade;
        const auto all = renderTexts();
        const Expected lines[] = {
            {"You WIN!", 400, 50, 2, 1.5f},
            {"I knew you had it in you.", 400, 130, 2, 0.5f},
            {"Press Enter to continue playing", 400, 160, 2, 0.5f},
            {"Or Escape to return to the Main Menu", 400, 190, 2, 0.5f},
        };
        for (const Expected& e : lines) {
            if (const auto* t = find(all, e.text)) {
                expectPlaced(*t, e);
                EXPECT_EQ(t->color, (alpha << 24) | 0x0000C8FFu) << e.text;
            }
        }
        // The timers and counts stay, in the Play colour.
        EXPECT_EQ(all.size(), 3u + 4u + 5u);
        if (const auto* t = find(all, "Planet Count: 1")) {
            EXPECT_EQ(t->color, kHighlight);
        }
        EXPECT_EQ(game->font->scale, 0.5f);
    }
}

TEST_F(RenderTest, TheFadeOverlayTakesItsAlphaFromTheFadeLevel) {
    const std::pair<float, std::uint32_t> levels[] = {
        {0.0f, 0x00}, {0.5f, 0x7F}, {0.999f, 0xFE}, {1.0f, 0xFF}};
    game->reset();
    for (const auto& [level, alpha] : levels) {
        game->fadeLevel = level;
        rec::clearRecords();
        game->render();
        const Quad overlay = rec::quads().back();
        for (const Vertex& v : overlay.v) EXPECT_EQ(v.col, alpha << 24) << level;
        EXPECT_EQ(overlay.tex, 0u);
        EXPECT_EQ(overlay.v[2].x, 800.0f);
        EXPECT_EQ(overlay.v[2].y, 600.0f);
        EXPECT_EQ(game->fadeColor, alpha << 24);
    }
}

TEST_F(RenderTest, TheCursorShowsOnlyWhileRunning) {
    struct Case {
        const char* where;
        bool shown;
    };
    const Case cases[] = {
        {"menu", false}, {"instructions", false}, {"running", true}, {"adjusting", false}, {"paused", true}};
    for (const Case& c : cases) {
        const std::string where = c.where;
        game->reset();
        rec::setMouse(0, 0);
        if (where == "instructions") {
            game->menuIndex = 1;
            tap(KEY_ENTER);
            untilScreen(Instructions);
        }
        if (where != "menu" && where != "instructions") {
            startPlay();
            frame();
        }
        if (where == "adjusting") {
            rec::setMouse(firstPlanet().x, firstPlanet().y);
            tap(KEY_LBUTTON);
            ASSERT_EQ(game->playState, AdjustOrbit);
        }
        if (where == "paused") tap(KEY_P);
        rec::setMouse(123, 456);
        frame();
        const Quad last = rec::quads().back();
        const bool cursorDrawn = last.tex == game->cursor->quad.tex && last.tex != 0;
        EXPECT_EQ(cursorDrawn, c.shown) << c.where;
        if (cursorDrawn) {
            // Over the overlay, its top-left corner at the mouse.
            EXPECT_EQ(last.v[0].x, 123.0f);
            EXPECT_EQ(last.v[0].y, 456.0f);
            EXPECT_EQ(last.v[2].x, 139.0f);
            EXPECT_EQ(last.v[2].y, 472.0f);
        }
    }
}
