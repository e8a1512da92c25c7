// Play rules: selecting a planet and shaping its orbit, pause, win and loss, the bonus,
// the rising number of planets needed and the spawner.
#include <algorithm>
#include <cmath>

#include "game_test.h"

namespace {

constexpr float kOverflowedCounters[] = {2147483648.0f, 3e12f};

}  // namespace

class PlayRulesTest : public GameTest {
protected:
    // A new game on the Play screen with the first planet placed on its orbit and the
    // spawner stopped, so nothing else appears.
    void SetUp() override {
        GameTest::SetUp();
        startPlay();
        game->spawnCounter = 3e12f;
        rec::setMouse(0, 0);
        frame();
        rec::clearRecords();
    }

    // One press of `button` at (x, y): down for a frame, up for a frame.
    void clickAt(float x, float y, int button = KEY_LBUTTON) {
        rec::setMouse(x, y);
        tap(button);
    }

    void selectFirstPlanet(int button = KEY_LBUTTON) {
        clickAt(firstPlanet().x, firstPlanet().y, button);
        ASSERT_EQ(game->playState, AdjustOrbit);
    }

    std::vector<rec::SoundCall> soundsOn(const std::string& op, std::uint32_t handle) {
        std::vector<rec::SoundCall> out;
        for (const auto& c : rec::sounds(op))
            if (c.handle == handle) out.push_back(c);
        return out;
    }
};

TEST_F(PlayRulesTest, OnlyPlanetsAreSelectedAndEveryPressIsTaken) {
    struct Case {
        const char* name;
        bool onPlanet;
        float x, y;
        int button;
    };
    const Case cases[] = {
        {"sun", false, 400, 300, KEY_LBUTTON}, {"empty space", false, 5, 595, KEY_LBUTTON},
        {"sun", false, 400, 300, KEY_RBUTTON}, {"empty space", false, 5, 595, KEY_RBUTTON},
        {"planet", true, 0, 0, KEY_LBUTTON},   {"planet", true, 0, 0, KEY_RBUTTON},
    };
    for (const Case& c : cases) {
        restart();
        const float x = c.onPlanet ? firstPlanet().x : c.x;
        const float y = c.onPlanet ? firstPlanet().y : c.y;
        rec::setMouse(x, y);
        rec::setKey(c.button, true);
        frame();
        bool& latch = c.button == KEY_LBUTTON ? game->leftButtonLatch : game->rightButtonLatch;
        EXPECT_TRUE(latch) << c.name;
        EXPECT_EQ(game->playState, c.onPlanet ? AdjustOrbit : Running) << c.name;
        EXPECT_EQ(firstPlanet().selected, c.onPlanet) << c.name;
        EXPECT_EQ(soundsOn("Effect_PlayEx", game->selectSound).size(), c.onPlanet ? 1u : 0u) << c.name;

        if (!c.onPlanet) {
            // Still held: moving onto the planet selects nothing.
            rec::setMouse(firstPlanet().x, firstPlanet().y);
            frame();
            EXPECT_EQ(game->playState, Running) << c.name;
            EXPECT_FALSE(firstPlanet().selected) << c.name;
        }
        rec::setKey(c.button, false);
        frame();
        EXPECT_FALSE(latch) << c.name;
    }
}

TEST_F(PlayRulesTest, SelectingPlaysTheSoundsAndMovesTheMouseOntoTheEllipse) {
    firstPlanet().ellipseX = 1.5f;
    firstPlanet().ellipseY = 1.25f;
    frame();
    rec::clearRecords();
    rec::setMouse(firstPlanet().x, firstPlanet().y);
    rec::setKey(KEY_LBUTTON, true);
    frame();

    EXPECT_EQ(game->playState, AdjustOrbit);
    EXPECT_EQ(game->selectedBody, &firstPlanet());
    EXPECT_EQ(game->lastMouseX, 0);
    EXPECT_EQ(game->lastMouseY, 0);
    EXPECT_FALSE(game->cursorVisible);
    const auto selects = soundsOn("Effect_PlayEx", game->selectSound);
    ASSERT_EQ(selects.size(), 1u);
    EXPECT_EQ(selects[0].volume, 75);
    EXPECT_FALSE(selects[0].loop);
    EXPECT_FALSE(rec::channel(game->moveChannel).paused);
    const auto& calls = rec::calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "Input_SetMousePos(480, 300)"), calls.end());

    // The jump point maps back onto the same ellipse.
    rec::setKey(KEY_LBUTTON, false);
    frame();
    EXPECT_EQ(firstPlanet().ellipseX, 1.5f);
    EXPECT_EQ(firstPlanet().ellipseY, 1.25f);
}

TEST_F(PlayRulesTest, SpeedFollowsTheWheelAndTheKeysWithItsFloor) {
    struct Case {
        float start;
        int wheel;
        bool minus, plus;
        float expected;
    };
    const Case cases[] = {
        {10, 3, false, false, 13},   {10, -1, false, false, 9},   {10, -20, false, false, 4},
        {10, 0, true, false, 9.9f},  {10, 0, false, true, 10.1f}, {10, 0, true, true, 10},
        {10, 2, false, true, 12.1f}, {4.05f, 0, true, false, 4},  {30, 0, false, false, 30},
    };
    for (const Case& c : cases) {
        restart();
        selectFirstPlanet();
        firstPlanet().speed = c.start;
        rec::setWheel(c.wheel);
        rec::setKey(KEY_MINUS, c.minus);
        rec::setKey(KEY_EQUALS, c.plus);
        frame(0.01f);
        EXPECT_NEAR(firstPlanet().speed, c.expected, 1e-5)
            << c.start << " wheel " << c.wheel << " minus " << c.minus << " plus " << c.plus;
        rec::setWheel(0);
        rec::setKey(KEY_MINUS, false);
        rec::setKey(KEY_EQUALS, false);
    }
}

TEST_F(PlayRulesTest, TheMouseShapesTheEllipseWithinItsLimits) {
    struct Case {
        float x, y, ex, ey;
    };
    const Case cases[] = {
        {400, 300, 1.25f, 1.25f}, {720, 360, 2.25f, 1.5f}, {800, 600, 2.3f, 1.7f},
        {0, 0, 0.5f, 0.5f},       {100, 50, 0.5f, 0.5f},   {160, 408, 0.5f, 1.7f},
    };
    for (const Case& c : cases) {
        restart();
        selectFirstPlanet();
        rec::setMouse(c.x, c.y);
        frame();
        EXPECT_FLOAT_EQ(firstPlanet().ellipseX, c.ex) << c.x << ", " << c.y;
        EXPECT_FLOAT_EQ(firstPlanet().ellipseY, c.ey) << c.x << ", " << c.y;
        EXPECT_EQ(game->lastMouseX, static_cast<int>(c.x));
        EXPECT_EQ(game->lastMouseY, static_cast<int>(c.y));
    }
}

TEST_F(PlayRulesTest, AReleaseSilencesTheMoveSound) {
    struct Case {
        const char* how;
        bool staysSelected;
    };
    const Case cases[] = {{"left click", false}, {"right click", false}, {"death", true}};
    for (const Case& c : cases) {
        restart();
        selectFirstPlanet();
        game->planetsNeeded = 0;  // the dead planet must not end the game first
        rec::clearRecords();
        const std::string how = c.how;
        if (how == "left click") clickAt(100, 100, KEY_LBUTTON);
        if (how == "right click") clickAt(100, 100, KEY_RBUTTON);
        if (how == "death") {
            firstPlanet().alive = false;
            frame();
        }
        EXPECT_EQ(game->playState, Running) << c.how;
        EXPECT_EQ(firstPlanet().selected, c.staysSelected) << c.how;
        EXPECT_TRUE(game->cursorVisible) << c.how;
        const auto releases = soundsOn("Effect_PlayEx", game->deselectSound);
        ASSERT_EQ(releases.size(), 1u) << c.how;
        EXPECT_EQ(releases[0].volume, 75);
        // Right after the release sound: silenced, then paused.
        const auto& sounds = rec::sounds();
        const auto release = std::find_if(sounds.begin(), sounds.end(), [&](const rec::SoundCall& s) {
            return s.op == "Effect_PlayEx" && s.handle == game->deselectSound;
        });
        ASSERT_LE(release + 3, sounds.end());
        EXPECT_EQ(release[1].op, "Channel_SetVolume");
        EXPECT_EQ(release[1].handle, game->moveChannel);
        EXPECT_EQ(release[1].volume, 0);
        EXPECT_EQ(release[2].op, "Channel_Pause");
        EXPECT_EQ(release[2].handle, game->moveChannel);
        EXPECT_TRUE(rec::channel(game->moveChannel).paused) << c.how;
    }
}

TEST_F(PlayRulesTest, EscapeIsIgnoredWhileAdjustingButPauseIsNot) {
    selectFirstPlanet();
    tap(KEY_ESCAPE);
    EXPECT_EQ(game->pendingScreen, NoScreen);
    EXPECT_EQ(game->playState, AdjustOrbit);

    tap(KEY_P);
    EXPECT_EQ(game->playState, Paused);
    EXPECT_FALSE(rec::channel(game->moveChannel).paused);

    tap(KEY_P);
    EXPECT_EQ(game->playState, Running);
    EXPECT_TRUE(firstPlanet().selected);
    EXPECT_FALSE(rec::channel(game->moveChannel).paused);
    EXPECT_TRUE(game->cursorVisible);
}

TEST_F(PlayRulesTest, TheMoveSoundFollowsTheMouseOnEvenCounts) {
    selectFirstPlanet();
    struct Step {
        float counter, dt, x, y;
        bool tuned;  // volume and pitch set in this frame
        int volume;
        float pitch;
    };
    // The counter grows by the truncated dt x 100: 0 for the float nearest 0.01, 1 for 0.02.
    const Step steps[] = {
        {0, 0.01f, 350, 350, true, 60, 2.0f}, {0, 0.01f, 350, 350, true, 0, 2.0f},
        {1, 0.01f, 200, 100, false, 0, 0},    {1, 0.02f, 800, 600, true, 60, 3.0f},
        {0, 0.01f, 0, 0, true, 60, 1.0f},     {1, 0.03f, 0, 0, false, 0, 0},
    };
    for (const Step& s : steps) {
        game->spawnCounter = s.counter;
        rec::setMouse(s.x, s.y);
        rec::clearRecords();
        frame(s.dt);
        const auto volumes = soundsOn("Channel_SetVolume", game->moveChannel);
        const auto pitches = soundsOn("Channel_SetPitch", game->moveChannel);
        ASSERT_EQ(volumes.size(), s.tuned ? 1u : 0u) << s.counter << " " << s.dt;
        ASSERT_EQ(pitches.size(), s.tuned ? 1u : 0u);
        if (s.tuned) {
            EXPECT_EQ(volumes[0].volume, s.volume) << s.x << ", " << s.y;
            EXPECT_FLOAT_EQ(pitches[0].pitch, s.pitch);
        }
    }
}

TEST_F(PlayRulesTest, PauseFreezesEverythingButTheEndTests) {
    frames(10);
    tap(KEY_P);
    ASSERT_EQ(game->playState, Paused);
    const float days = game->days, multiplier = game->timeMultiplier, bonus = game->bonusTimer,
                increase = game->increaseTimer, counter = game->spawnCounter, angle = firstPlanet().angle;
    const int x = firstPlanet().x, y = firstPlanet().y;
    rec::setMouse(firstPlanet().x, firstPlanet().y);
    rec::setKey(KEY_LBUTTON, true);
    frames(50);
    rec::setKey(KEY_LBUTTON, false);
    EXPECT_EQ(game->playState, Paused);
    EXPECT_EQ(game->days, days);
    EXPECT_EQ(game->timeMultiplier, multiplier);
    EXPECT_EQ(game->bonusTimer, bonus);
    EXPECT_EQ(game->increaseTimer, increase);
    EXPECT_EQ(game->spawnCounter, counter);
    EXPECT_EQ(firstPlanet().angle, angle);
    EXPECT_EQ(firstPlanet().x, x);
    EXPECT_EQ(firstPlanet().y, y);
    EXPECT_FALSE(firstPlanet().selected);

    game->days = 356.0f * 30.0f + 1.0f;
    frame();
    EXPECT_EQ(game->playState, Won);
    game->playState = Paused;
    game->hasWon = true;
    game->planetsNeeded = 2;
    frame();
    EXPECT_EQ(game->playState, GameOver);
}

TEST_F(PlayRulesTest, WinningNeedsMoreThanThirtyYearsOf356DaysAndLosingOverridesIt) {
    const float limit = 356.0f * 30.0f;
    struct Case {
        float days;
        int needed;
        bool hasWon;
        PlayState expected;
    };
    const Case cases[] = {
        {limit, 1, false, Running},
        {std::nextafter(limit, 2 * limit), 1, false, Won},
        {std::nextafter(limit, 2 * limit), 2, false, GameOver},
        {std::nextafter(limit, 2 * limit), 1, true, Running},
    };
    for (const Case& c : cases) {
        restart();
        game->days = c.days;
        game->planetsNeeded = c.needed;
        game->hasWon = c.hasWon;
        frame();
        EXPECT_EQ(game->playState, c.expected) << c.days << " needed " << c.needed;
    }
}

TEST_F(PlayRulesTest, AfterAWinEnterPlaysOnAndTheWinDoesNotComeBack) {
    game->days = 356.0f * 30.0f + 10.0f;
    frame();
    ASSERT_EQ(game->playState, Won);
    frames(100);
    EXPECT_EQ(game->endFade, 1.0f);
    EXPECT_TRUE(game->hasWon);
    tap(KEY_ENTER);
    EXPECT_EQ(game->playState, Running);
    EXPECT_EQ(game->endFade, 0.0f);
    frames(20);
    EXPECT_EQ(game->playState, Running);

    game->playState = Won;
    tap(KEY_ESCAPE);
    EXPECT_EQ(game->pendingScreen, MainMenu);
}

TEST_F(PlayRulesTest, DaysAndTheMultiplierGrowByState) {
    struct Case {
        PlayState state;
        double daysPerGameDelta;
    };
    const Case cases[] = {{Running, 50}, {Won, 25}, {GameOver, 0}};
    for (const Case& c : cases) {
        restart();
        game->playState = c.state;
        game->hasWon = true;
        if (c.state == GameOver) game->planetsNeeded = 5;
        const float multiplier = game->timeMultiplier, days = game->days;
        const double gameDelta = static_cast<float>(static_cast<double>(multiplier) * 0.01f);
        frame(0.01f);
        EXPECT_NEAR(game->days - days, c.daysPerGameDelta * gameDelta, 1e-6) << c.state;
        EXPECT_NEAR(game->timeMultiplier, multiplier + 0.00001, 1e-8) << c.state;
    }
}

TEST_F(PlayRulesTest, SixtySecondsWithoutCollisionGiveTheBonusAndRaiseThePlanetsNeeded) {
    int frameCount = 0;
    float before = game->timeMultiplier;
    while (frameCount < 7000) {
        before = game->timeMultiplier;
        game->update(0.01f);
        ++frameCount;
        if (game->timeMultiplier < before) break;
    }
    // About 6000 frames of 0.01 s, then the frame that finds the timer run out.
    EXPECT_GE(frameCount, 5999);
    EXPECT_LE(frameCount, 6002);
    EXPECT_NEAR(game->timeMultiplier, before + 0.00001 - 0.05, 1e-6);
    EXPECT_FLOAT_EQ(game->bonusTimer, 60.0f - 0.01f);
    // The increase timer ran out in the same frame.
    EXPECT_EQ(game->planetsNeeded, 2);
    const auto increases = soundsOn("Effect_PlayEx", game->increaseSound);
    ASSERT_EQ(increases.size(), 1u);
    EXPECT_EQ(increases[0].volume, 130);
    EXPECT_FLOAT_EQ(game->increaseTimer, 60.0f - 0.01f);
    frame();
    EXPECT_EQ(game->playState, GameOver);  // one planet, two needed
}

TEST_F(PlayRulesTest, ACollisionRestartsTheBonusTimer) {
    // A second grown planet on the very same orbit touches the first at once.
    Body& first = firstPlanet();
    ASSERT_TRUE(game->sun->addChild(*game->sun, true));
    Body& second = game->sun->children[1];
    second.radius = first.radius;
    second.angle = first.angle;
    second.speed = first.speed;
    second.ellipseX = first.ellipseX;
    second.ellipseY = first.ellipseY;
    game->bonusTimer = 10.0f;
    const float multiplier = game->timeMultiplier;
    frame(0.01f);
    EXPECT_FLOAT_EQ(game->bonusTimer, 60.0f - 0.01f);
    EXPECT_TRUE(first.exploded && second.exploded);
    EXPECT_GT(game->timeMultiplier, multiplier);  // no bonus
}

TEST_F(PlayRulesTest, TimersRestartFromSixtyLessTheFrame) {
    struct Case {
        float bonus, increase;
        bool bonusGiven, raised;
    };
    const Case cases[] = {{0, 30, true, false},
                          {30, 0, false, true},
                          {-0.004f, -0.004f, true, true},
                          {0.001f, 0.001f, false, false}};
    for (const Case& c : cases) {
        restart();
        game->bonusTimer = c.bonus;
        game->increaseTimer = c.increase;
        game->planetsNeeded = 0;
        const float multiplier = game->timeMultiplier;
        frame(0.02f);
        EXPECT_FLOAT_EQ(game->bonusTimer, c.bonusGiven ? 60.0f - 0.02f : c.bonus - 0.02f);
        EXPECT_FLOAT_EQ(game->increaseTimer, c.raised ? 60.0f - 0.02f : c.increase - 0.02f);
        EXPECT_NEAR(game->timeMultiplier, multiplier + 0.00002 - (c.bonusGiven ? 0.05 : 0.0), 1e-6);
        EXPECT_EQ(game->planetsNeeded, c.raised ? 1 : 0);
        EXPECT_EQ(soundsOn("Effect_PlayEx", game->increaseSound).size(), c.raised ? 1u : 0u);
    }
}

TEST_F(GameTest, TheFirstPlanetSpawnsAfterAboutFiveSeconds) {
    startPlay();
    rec::setMouse(0, 0);
    const int start = requests(*game->sun);
    int frameCount = 0;
    while (requests(*game->sun) == start && frameCount < 1000) {
        game->update(0.01f);
        ++frameCount;
    }
    // One count per frame at first; the 500th frame reaches 500.
    EXPECT_EQ(frameCount, 500);
    EXPECT_EQ(game->spawnCounter, 500.0f);
    EXPECT_EQ(requests(*game->sun), start + 1);
}

TEST_F(GameTest, AStepOfZeroSpawnsInEveryFrame) {
    startPlay();
    const int start = requests(*game->sun);
    frames(20, 0.005f);  // 1000 x 0.1 x 0.005 < 1
    EXPECT_EQ(game->spawnCounter, 0.0f);
    EXPECT_EQ(requests(*game->sun), start + 20);
}

TEST_F(GameTest, AnOverflowedCounterSpawnsNoMore) {
    for (float counter : kOverflowedCounters) {
        for (float dt : {0.005f, 0.01f, 0.02f}) {
            startPlay();
            game->spawnCounter = counter;
            const int start = requests(*game->sun);
            frames(100, dt);
            EXPECT_EQ(requests(*game->sun), start) << counter << " at " << dt;
            EXPECT_GE(game->spawnCounter, 2147483648.0f);
        }
    }
}

TEST_F(GameTest, TheSpawnCounterRunsAwayAndThenStopsSpawning) {
    startPlay();
    // A multiplier high enough for the counter to pass the 32-bit range within a short test.
    game->timeMultiplier = 5.0f;
    game->planetsNeeded = 0;
    float counter = game->spawnCounter;
    int frameCount = 0;
    while (game->spawnCounter < 2147483648.0f && frameCount < 10000) {
        counter = game->spawnCounter;
        game->update(0.01f);
        ++frameCount;
    }
    ASSERT_GE(game->spawnCounter, 2147483648.0f);
    EXPECT_LT(counter, game->spawnCounter);
    const int start = requests(*game->sun);
    for (int i = 0; i < 300; ++i) game->update(0.01f);
    EXPECT_EQ(requests(*game->sun), start);
    EXPECT_GE(game->spawnCounter, 2147483648.0f);
}
