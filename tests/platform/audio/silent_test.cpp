// Without a sound device (the test runs with no usable OpenAL driver) every call still
// hands out handles; channels keep time on the clock, silently.
#include "desktop/subsystems.h"
#include "engine.h"
#include "fixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace fs = std::filesystem;

namespace {

void wait(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

TEST(NoSoundDevice, EverythingWorksSilently) {
    const fs::path root = fixtures::makeTempFolder();
    fixtures::writeTone(root / "tone.wav", 22050, 1, 0.2, 440, 0.5);
    fixtures::writeTone(root / "music.wav", 44100, 2, 1.0, 220, 0.5);
    ASSERT_TRUE(fixtures::encodeMp3(root / "music.wav", root / "music.mp3"));
    const fs::path previous = fs::current_path();
    fs::current_path(root);

    Engine* hge = hgeCreate(ENGINE_VERSION);
    hge->System_SetState(STATE_WINDOWED, true);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(hge->System_Initiate());
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("No sound device"), std::string::npos) << log;

    const HEffect effect = hge->Effect_Load("tone.wav");
    ASSERT_NE(effect, 0u);
    const HChannel once = hge->Effect_PlayEx(effect, 130, 20, 2.0f, false);
    const HChannel looping = hge->Effect_PlayEx(effect, 100, 0, 1.0f, true);
    ASSERT_NE(once, 0u);
    ASSERT_NE(looping, 0u);
    EXPECT_EQ(desktop::channelSource(once), 0u);
    EXPECT_TRUE(hge->Channel_IsPlaying(once));

    // At pitch 2 the 0.2 s sound is over after 0.1 s; the looping one goes on.
    wait(0.25);
    EXPECT_FALSE(hge->Channel_IsPlaying(once));
    EXPECT_TRUE(hge->Channel_IsPlaying(looping));
    EXPECT_LT(hge->Channel_GetPos(looping), 0.2f);
    desktop::audioFrame();
    hge->Channel_SetVolume(once, 50);
    EXPECT_EQ(hge->Channel_GetPos(once), 0.0f) << "the finished channel was reaped";

    hge->Channel_Pause(looping);
    EXPECT_FALSE(hge->Channel_IsPlaying(looping));
    const float pausedAt = hge->Channel_GetPos(looping);
    wait(0.05);
    EXPECT_EQ(hge->Channel_GetPos(looping), pausedAt);
    hge->Channel_SetPos(looping, 0.0f);
    EXPECT_EQ(hge->Channel_GetPos(looping), 0.0f);
    hge->Channel_Resume(looping);
    EXPECT_TRUE(hge->Channel_IsPlaying(looping));

    const HStream music = hge->Stream_Load("music.mp3");
    ASSERT_NE(music, 0u);
    const HChannel playing = hge->Stream_Play(music, true, 50);
    ASSERT_NE(playing, 0u);
    EXPECT_TRUE(hge->Channel_IsPlaying(playing));
    hge->Channel_Pause(playing);
    hge->Channel_SetPos(playing, 0.0f);
    hge->Channel_Resume(playing);
    desktop::audioFrame();
    EXPECT_TRUE(hge->Channel_IsPlaying(playing));

    hge->System_Shutdown();
    EXPECT_FALSE(hge->Channel_IsPlaying(looping));
    hge->Effect_Free(effect);
    hge->Stream_Free(music);
    hge->Release();
    fs::current_path(previous);
    fs::remove_all(root);
}

}  // namespace
