// Screen flow: the fade through black, the switch with each screen's music, the menu, the
// instructions and the Exit screen.
#include "game_test.h"

TEST_F(GameTest, NoFadeInAtProgramStart) {
    game->reset();
    EXPECT_EQ(game->screen, MainMenu);
    EXPECT_EQ(game->pendingScreen, NoScreen);
    EXPECT_EQ(game->fadeLevel, 0.0f);
    frame();
    EXPECT_EQ(game->fadeLevel, 0.0f);
    EXPECT_EQ(game->screen, MainMenu);
}

TEST_F(GameTest, FadesMoveByTheFrameTimeAndStopAtTheirEnds) {
    struct Case {
        float level;
        bool toBlack;
        float dt;
        bool result;
        float after;
    };
    const Case cases[] = {
        {0.0f, true, 0.25f, false, 0.25f}, {0.9f, true, 0.25f, false, 1.0f},
        {1.0f, true, 0.25f, true, 1.0f},   {1.0f, false, 0.25f, false, 0.75f},
        {0.1f, false, 0.25f, false, 0.0f}, {0.0f, false, 0.25f, true, 0.0f},
    };
    for (const Case& c : cases) {
        game->fadeLevel = c.level;
        const bool result = c.toBlack ? game->fadeToBlack(c.dt) : game->fadeFromBlack(c.dt);
        EXPECT_EQ(result, c.result) << c.level << (c.toBlack ? " to black" : " from black");
        EXPECT_FLOAT_EQ(game->fadeLevel, c.after) << c.level << (c.toBlack ? " to black" : " from black");
    }
}

TEST_F(GameTest, MenuNavigationWrapsAndPlaysTheNavigateSound) {
    struct Case {
        std::vector<int> keys;
        int index;
    };
    const Case cases[] = {
        {{KEY_DOWN}, 1},
        {{KEY_DOWN, KEY_DOWN}, 2},
        {{KEY_DOWN, KEY_DOWN, KEY_DOWN}, 0},
        {{KEY_UP}, 2},
        {{KEY_UP, KEY_UP, KEY_UP, KEY_UP}, 2},
        {{KEY_DOWN, KEY_UP}, 0},
    };
    for (const Case& c : cases) {
        game->reset();
        rec::clearRecords();
        for (int key : c.keys) tap(key);
        EXPECT_EQ(game->menuIndex, c.index) << c.keys.size() << " presses";
        EXPECT_EQ(count(rec::sounds(), "Effect_Play", game->navigateSound), static_cast<int>(c.keys.size()));
        EXPECT_EQ(game->pendingScreen, NoScreen);
    }
}

TEST_F(GameTest, HoldingAMenuKeyMovesOnce) {
    game->reset();
    rec::setKey(KEY_DOWN, true);
    frames(50);
    EXPECT_EQ(game->menuIndex, 1);
    EXPECT_EQ(rec::sounds("Effect_Play").size(), 1u);
    EXPECT_FALSE(game->cursorVisible);
}

TEST_F(GameTest, AChoiceFadesOutWhileTheMenuStaysLiveAndTheLastChoiceWins) {
    game->reset();
    tap(KEY_ENTER);
    EXPECT_EQ(game->pendingScreen, Play);
    EXPECT_TRUE(rec::channel(game->menuMusicChannel).paused);
    std::vector<rec::SoundCall> selects;
    for (const auto& c : rec::sounds("Effect_PlayEx"))
        if (c.handle == game->menuSelectSound) selects.push_back(c);
    ASSERT_EQ(selects.size(), 1u);
    EXPECT_EQ(selects[0].volume, 50);
    EXPECT_FALSE(selects[0].loop);

    frames(20);
    tap(KEY_DOWN);  // still live during the fade
    tap(KEY_ENTER);
    EXPECT_EQ(game->pendingScreen, Instructions);
    EXPECT_EQ(count(rec::sounds(), "Effect_PlayEx", game->menuSelectSound), 2);
    EXPECT_GT(game->fadeLevel, 0.2f);
    EXPECT_LT(game->fadeLevel, 1.0f);

    rec::clearRecords();
    untilScreen(Instructions);
    EXPECT_EQ(game->screen, Instructions);
    // Every switch rewinds all three tunes, in this order.
    const auto rewinds = rec::sounds("Channel_SetPos");
    ASSERT_EQ(rewinds.size(), 3u);
    EXPECT_EQ(rewinds[0].handle, game->playMusicChannel);
    EXPECT_EQ(rewinds[1].handle, game->menuMusicChannel);
    EXPECT_EQ(rewinds[2].handle, game->instructionsMusicChannel);
    for (const auto& r : rewinds) EXPECT_EQ(r.pos, 0.0f);
}

TEST_F(GameTest, TheSwitchComesOnTheFirstFrameThatStartsBlack) {
    game->reset();
    tap(KEY_DOWN);
    rec::setKey(KEY_ENTER, true);
    frame(0.01f);
    ASSERT_EQ(game->pendingScreen, Instructions);
    frame(0.6f);
    frame(0.6f);  // reaches black
    EXPECT_EQ(game->fadeLevel, 1.0f);
    EXPECT_EQ(game->screen, MainMenu);
    frame(0.6f);  // starts black: switches, and the new screen fades in from here on
    EXPECT_EQ(game->screen, Instructions);
    EXPECT_EQ(game->pendingScreen, NoScreen);
    EXPECT_EQ(game->fadeLevel, 1.0f);
    frame(0.6f);
    EXPECT_FLOAT_EQ(game->fadeLevel, 0.4f);
}

TEST_F(GameTest, ExitEndsTheProgramAfterOneSecondOfFade) {
    game->reset();
    tap(KEY_DOWN);
    tap(KEY_DOWN);
    rec::setKey(KEY_ENTER, true);
    ASSERT_TRUE(frame());
    ASSERT_EQ(game->pendingScreen, Exit);

    int frames = 0;
    while (frame() && frames < 1000) ++frames;
    // 100 frames of 0.01 s to black, then the frame that switches and quits.
    EXPECT_GE(frames, 99);
    EXPECT_LE(frames, 101);
    EXPECT_EQ(game->screen, Exit);
    EXPECT_FALSE(game->update(0.01f));
}

TEST_F(GameTest, InstructionsPlayTheirOwnMusicAndLeaveByEnterOrEscape) {
    for (int key : {KEY_ENTER, KEY_ESCAPE}) {
        game->reset();
        game->menuIndex = 1;
        rec::setKey(KEY_ENTER, true);
        frame();
        rec::setKey(KEY_ENTER, false);
        untilScreen(Instructions);
        ASSERT_EQ(game->screen, Instructions);

        // Enforced every frame, whatever played before.
        game->hge->Channel_Resume(game->playMusicChannel);
        game->hge->Channel_Resume(game->menuMusicChannel);
        game->hge->Channel_Pause(game->instructionsMusicChannel);
        frame();
        EXPECT_TRUE(rec::channel(game->playMusicChannel).paused);
        EXPECT_TRUE(rec::channel(game->menuMusicChannel).paused);
        EXPECT_FALSE(rec::channel(game->instructionsMusicChannel).paused);
        EXPECT_EQ(game->backgroundQuad.tex, game->instructionsBackground);

        game->days = 77;  // a reset clears this
        tap(key);
        EXPECT_EQ(game->pendingScreen, MainMenu) << key;
        untilScreen(MainMenu);
        EXPECT_EQ(game->screen, MainMenu);
        EXPECT_EQ(game->days, 0.0f);
        EXPECT_FALSE(rec::channel(game->menuMusicChannel).paused);
        EXPECT_TRUE(rec::channel(game->instructionsMusicChannel).paused);
        EXPECT_EQ(game->backgroundQuad.tex, game->menuBackground);
    }
}

TEST_F(GameTest, HoldingEnterFromGameOverIntoTheMenuStartsANewGame) {
    startPlay();
    game->planetsNeeded = 2;  // one planet alive: lost at once
    frame();
    ASSERT_EQ(game->playState, GameOver);

    rec::setKey(KEY_ENTER, true);
    frame();
    ASSERT_EQ(game->pendingScreen, MainMenu);
    untilScreen(MainMenu);
    ASSERT_EQ(game->screen, MainMenu);
    // The reset cleared the latch, so the menu took the held Enter as a new press.
    EXPECT_EQ(game->pendingScreen, Play);
    EXPECT_EQ(game->menuIndex, 0);
    EXPECT_TRUE(rec::channel(game->menuMusicChannel).paused);
    untilScreen(Play);
    EXPECT_EQ(game->screen, Play);
    EXPECT_EQ(game->playState, Running);
    EXPECT_EQ(game->planetsNeeded, 1);
}

TEST_F(GameTest, PlayKeepsOnlyThePlayMusic) {
    startPlay();
    game->hge->Channel_Resume(game->menuMusicChannel);
    game->hge->Channel_Resume(game->instructionsMusicChannel);
    frame();
    EXPECT_FALSE(rec::channel(game->playMusicChannel).paused);
    EXPECT_TRUE(rec::channel(game->menuMusicChannel).paused);
    EXPECT_TRUE(rec::channel(game->instructionsMusicChannel).paused);
}

TEST_F(GameTest, EscapeFromRunningGoesBackToTheMenu) {
    startPlay();
    tap(KEY_ESCAPE);
    EXPECT_EQ(game->pendingScreen, MainMenu);
    untilScreen(MainMenu);
    EXPECT_EQ(game->screen, MainMenu);
}
