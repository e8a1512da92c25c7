// Sound on the desktop engine, read back from OpenAL (the null output device stands in for
// a sound card and plays in real time).
#include <AL/al.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "desktop/subsystems.h"
#include "engine.h"
#include "fixtures.h"

namespace fs = std::filesystem;

namespace {

struct SoundFiles {
    fs::path root = fixtures::makeTempFolder();
    bool ok = true;

    SoundFiles() {
        const auto mp3 = [&](const char* name, int rate, int channels, double seconds) {
            const fs::path wav = root / (std::string(name) + ".wav");
            fixtures::writeTone(wav, rate, channels, seconds, 440, 0.5);
            ok = ok && fixtures::encodeMp3(wav, root / (std::string(name) + ".mp3"));
        };
        mp3("short", 22050, 1, 0.2);
        mp3("long", 44100, 1, 1.0);
        mp3("music", 44100, 2, 3.0);
        mp3("loop", 44100, 1, 0.3);
        fixtures::writeTone(root / "stereo.wav", 44100, 2, 0.2, 440, 0.5);
        fixtures::writeFile(root / "Sub/Nested.mp3", fixtures::readFile(root / "short.mp3"));
        fixtures::writeFile(root / "noise.mp3", fixtures::noise(20000, 11));
        fixtures::writeFile(root / "empty.mp3", "");
        fixtures::writeFile(root / "cut.mp3", fixtures::readFile(root / "music.mp3").substr(0, 200));
        fixtures::writeFile(root / "cut.wav", fixtures::readFile(root / "short.wav").substr(0, 30));
        std::string badFormat = fixtures::readFile(root / "short.wav");
        badFormat[20] = 0x55;  // format tag 0x55 is MP3-in-WAV, which SDL refuses
        fixtures::writeFile(root / "badformat.wav", badFormat);
    }
    ~SoundFiles() { fs::remove_all(root); }
};

SoundFiles& files() {
    static SoundFiles f;
    return f;
}

ALint intOf(HChannel channel, ALenum what) {
    ALint value = -1;
    alGetSourcei(desktop::channelSource(channel), what, &value);
    return value;
}

float floatOf(HChannel channel, ALenum what) {
    ALfloat value = -1;
    alGetSourcef(desktop::channelSource(channel), what, &value);
    return value;
}

// Runs engine frames (the music refill and the reaper) for a while of real time.
void runFrames(double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        desktop::audioFrame();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Runs frames until `done` holds; false after 5 seconds.
template <typename F>
bool runFramesUntil(F done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        runFrames(0.005);
    }
    return done();
}

class Audio : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        previous = fs::current_path();
        fs::current_path(files().root);
        hge = hgeCreate(ENGINE_VERSION);
        hge->System_SetState(STATE_WINDOWED, true);
        initiated = hge->System_Initiate();
    }
    static void TearDownTestSuite() {
        hge->System_Shutdown();
        hge->Release();
        fs::current_path(previous);
    }
    void SetUp() override {
        ASSERT_TRUE(files().ok) << "lame is needed to make the fixtures";
        ASSERT_TRUE(initiated);
    }
    static Engine* hge;
    static bool initiated;
    static fs::path previous;
};
Engine* Audio::hge = nullptr;
bool Audio::initiated = false;
fs::path Audio::previous;

TEST_F(Audio, EffectsDecodeMp3AndWav) {
    const std::string wav = fixtures::readFile(files().root / "stereo.wav");
    struct Case {
        const char* name;
        HEffect effect;
    };
    const std::vector<Case> cases = {
        {"short.mp3", hge->Effect_Load("short.mp3")},
        {"short.wav", hge->Effect_Load("short.wav")},
        {"stereo.wav", hge->Effect_Load("stereo.wav")},
        {"Sub\\Nested.mp3", hge->Effect_Load("Sub\\Nested.mp3")},
        {"stereo.wav in memory", hge->Effect_Load(wav.data(), static_cast<std::uint32_t>(wav.size()))},
    };
    for (const Case& c : cases) {
        ASSERT_NE(c.effect, 0u) << c.name;
        const HChannel channel = hge->Effect_Play(c.effect);
        ASSERT_NE(channel, 0u) << c.name;
        EXPECT_EQ(intOf(channel, AL_SOURCE_STATE), AL_PLAYING) << c.name;
        EXPECT_TRUE(hge->Channel_IsPlaying(channel)) << c.name;
        hge->Channel_Stop(channel);
        hge->Effect_Free(c.effect);
    }
}

TEST_F(Audio, BadSoundsGiveZeroAndALogLine) {
    for (const char* name : {"missing.mp3", "noise.mp3", "empty.mp3", "cut.mp3", "cut.wav", "badformat.wav",
                             "Sub\\Missing.wav"}) {
        testing::internal::CaptureStderr();
        const HEffect effect = hge->Effect_Load(name);
        const std::string effectLog = testing::internal::GetCapturedStderr();
        testing::internal::CaptureStderr();
        const HStream stream = hge->Stream_Load(name);
        const std::string streamLog = testing::internal::GetCapturedStderr();
        EXPECT_EQ(effect, 0u) << name;
        EXPECT_EQ(stream, 0u) << name;
        EXPECT_NE(effectLog.find(name), std::string::npos) << name << ": " << effectLog;
        EXPECT_NE(streamLog.find(name), std::string::npos) << name << ": " << streamLog;
    }
}

TEST_F(Audio, SameNameIsCachedAndCounted) {
    const HEffect first = hge->Effect_Load("Sub/Nested.mp3");
    const HEffect second = hge->Effect_Load("Sub\\Nested.mp3");
    ASSERT_NE(first, 0u);
    EXPECT_EQ(second, first);
    hge->Effect_Free(first);
    EXPECT_NE(hge->Effect_Play(second), 0u) << "one reference is still held";
    hge->Effect_Free(second);
    EXPECT_EQ(hge->Effect_Play(second), 0u) << "the last reference is gone";

    const HStream music = hge->Stream_Load("music.mp3");
    EXPECT_EQ(hge->Stream_Load("music.mp3"), music);
    hge->Stream_Free(music);
    EXPECT_NE(hge->Stream_Play(music, false), 0u);
    hge->Stream_Free(music);
    EXPECT_EQ(hge->Stream_Play(music, false), 0u);
}

// Volume 100 is the sound's own level; above it the gain grows on (130 -> 1.3) up to 2,
// which the source's maximum gain lets through.
TEST_F(Audio, PlayExSetsGainPanPitchAndLoop) {
    const HEffect effect = hge->Effect_Load("long.mp3");
    struct Case {
        int volume, pan;
        float pitch;
        bool loop;
        float gain, x, appliedPitch;
    };
    const Case cases[] = {
        {100, 0, 1.0f, false, 1.0f, 0.0f, 1.0f},      {0, 0, 1.0f, true, 0.0f, 0.0f, 1.0f},
        {50, -100, 0.5f, false, 0.5f, -1.0f, 0.5f},   {75, 100, 2.0f, true, 0.75f, 1.0f, 2.0f},
        {130, 50, 3.0f, false, 1.3f, 0.5f, 3.0f},     {-20, -300, 0.0f, false, 0.0f, -1.0f, 0.1f},
        {1000, 300, 50.0f, false, 2.0f, 1.0f, 10.0f},
    };
    for (const Case& c : cases) {
        const HChannel channel = hge->Effect_PlayEx(effect, c.volume, c.pan, c.pitch, c.loop);
        ASSERT_NE(channel, 0u) << c.volume;
        EXPECT_FLOAT_EQ(floatOf(channel, AL_GAIN), c.gain) << c.volume;
        EXPECT_GE(floatOf(channel, AL_MAX_GAIN), c.gain) << c.volume;
        EXPECT_FLOAT_EQ(floatOf(channel, AL_PITCH), c.appliedPitch) << c.pitch;
        EXPECT_EQ(intOf(channel, AL_LOOPING), c.loop ? AL_TRUE : AL_FALSE);
        ALfloat position[3] = {};
        alGetSourcefv(desktop::channelSource(channel), AL_POSITION, position);
        EXPECT_NEAR(position[0], c.x, 1e-6) << c.pan;
        hge->Channel_Stop(channel);
    }
    hge->Effect_Free(effect);
}

TEST_F(Audio, EffectChannelPausesResumesAndRewinds) {
    const HEffect effect = hge->Effect_Load("long.mp3");
    const HChannel channel = hge->Effect_PlayEx(effect, 100, 0, 1.0f, true);
    ASSERT_TRUE(runFramesUntil([&] { return hge->Channel_GetPos(channel) > 0.2f; }));

    hge->Channel_Pause(channel);
    EXPECT_EQ(intOf(channel, AL_SOURCE_STATE), AL_PAUSED);
    EXPECT_FALSE(hge->Channel_IsPlaying(channel));
    const float pausedAt = hge->Channel_GetPos(channel);
    runFrames(0.1);
    EXPECT_FLOAT_EQ(hge->Channel_GetPos(channel), pausedAt) << "a paused channel keeps its place";

    hge->Channel_SetPos(channel, 0.0f);
    EXPECT_LT(hge->Channel_GetPos(channel), 0.01f);
    EXPECT_EQ(intOf(channel, AL_SOURCE_STATE), AL_PAUSED) << "rewinding keeps it paused";

    hge->Channel_Resume(channel);
    EXPECT_EQ(intOf(channel, AL_SOURCE_STATE), AL_PLAYING);
    EXPECT_TRUE(hge->Channel_IsPlaying(channel));

    hge->Channel_SetVolume(channel, 60);
    hge->Channel_SetPitch(channel, 3.0f);
    hge->Channel_SetPanning(channel, -50);
    EXPECT_FLOAT_EQ(floatOf(channel, AL_GAIN), 0.6f);
    EXPECT_FLOAT_EQ(floatOf(channel, AL_PITCH), 3.0f);
    ALfloat position[3] = {};
    alGetSourcefv(desktop::channelSource(channel), AL_POSITION, position);
    EXPECT_FLOAT_EQ(position[0], -0.5f);

    // A looping effect wraps around instead of ending: at pitch 3 the second-long sound
    // comes round within half a second.
    float last = hge->Channel_GetPos(channel);
    bool wrapped = false;
    ASSERT_TRUE(runFramesUntil([&] {
        const float now = hge->Channel_GetPos(channel);
        wrapped = wrapped || now < last;
        last = now;
        return wrapped;
    }));
    EXPECT_TRUE(hge->Channel_IsPlaying(channel));
    hge->Effect_Free(effect);
    EXPECT_FALSE(hge->Channel_IsPlaying(channel)) << "freeing the effect stops its channels";
}

TEST_F(Audio, FinishedEffectChannelsAreReaped) {
    const HEffect effect = hge->Effect_Load("short.mp3");
    const HChannel channel = hge->Effect_Play(effect);
    ASSERT_NE(desktop::channelSource(channel), 0u);
    ASSERT_TRUE(runFramesUntil([&] { return !hge->Channel_IsPlaying(channel); }));
    desktop::audioFrame();
    EXPECT_EQ(desktop::channelSource(channel), 0u) << "the finished channel is gone";
    hge->Channel_Resume(channel);
    hge->Channel_SetPos(channel, 0.0f);
    EXPECT_FALSE(hge->Channel_IsPlaying(channel));
    hge->Effect_Free(effect);
}

// Sources are limited: a burst of sounds gets as many as there are and then 0 with a log
// line; once they have finished their sources serve new sounds, even before a frame reaps
// them.
TEST_F(Audio, SourcesAreBoundedAndReused) {
    const HEffect effect = hge->Effect_Load("short.mp3");
    std::vector<HChannel> burst;
    std::set<ALuint> sources;
    testing::internal::CaptureStderr();
    for (int i = 0; i < 100; ++i) burst.push_back(hge->Effect_Play(effect));
    const std::string log = testing::internal::GetCapturedStderr();
    for (HChannel c : burst)
        if (c) sources.insert(desktop::channelSource(c));
    const std::size_t played = sources.size();
    std::printf("%zu sources for a burst of %zu sounds\n", played, burst.size());
    EXPECT_GE(played, 16u);
    EXPECT_LT(played, burst.size());
    EXPECT_EQ(burst.back(), 0u);
    EXPECT_NE(log.find("busy"), std::string::npos) << log;

    ASSERT_TRUE(runFramesUntil([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return std::none_of(burst.begin(), burst.end(),
                            [&](HChannel c) { return hge->Channel_IsPlaying(c); });
    }));
    for (int i = 0; i < 100; ++i) {
        const HChannel c = hge->Effect_Play(effect);
        ASSERT_NE(c, 0u) << i;
        sources.insert(desktop::channelSource(c));
        hge->Channel_Stop(c);
    }
    EXPECT_EQ(sources.size(), played) << "no source beyond the first burst's was made";
    hge->Effect_Free(effect);
}

TEST_F(Audio, StaleChannelHandlesAreIgnored) {
    const HEffect effect = hge->Effect_Load("long.mp3");
    const HChannel old = hge->Effect_PlayEx(effect, 100, 0, 1.0f, true);
    hge->Channel_Stop(old);
    const HChannel fresh = hge->Effect_PlayEx(effect, 100, 0, 1.0f, true);
    ASSERT_NE(fresh, old);
    EXPECT_EQ(desktop::channelSource(old), 0u);

    hge->Channel_Pause(old);
    hge->Channel_SetVolume(old, 0);
    hge->Channel_SetPitch(old, 2.0f);
    hge->Channel_SetPos(old, 0.5f);
    hge->Channel_Stop(old);
    EXPECT_FALSE(hge->Channel_IsPlaying(old));
    EXPECT_EQ(hge->Channel_GetPos(old), 0.0f);
    EXPECT_EQ(intOf(fresh, AL_SOURCE_STATE), AL_PLAYING);
    EXPECT_FLOAT_EQ(floatOf(fresh, AL_GAIN), 1.0f);
    EXPECT_FLOAT_EQ(floatOf(fresh, AL_PITCH), 1.0f);

    // Handle 0 everywhere.
    EXPECT_EQ(hge->Effect_Play(0), 0u);
    EXPECT_EQ(hge->Effect_PlayEx(0, 50), 0u);
    EXPECT_EQ(hge->Stream_Play(0, true, 50), 0u);
    hge->Channel_Pause(0);
    hge->Channel_Resume(0);
    hge->Channel_SetPos(0, 0.0f);
    hge->Channel_SetVolume(0, 60);
    hge->Channel_SetPitch(0, 2.0f);
    hge->Channel_SetPanning(0, 10);
    hge->Channel_Stop(0);
    hge->Effect_Free(0);
    hge->Stream_Free(0);
    EXPECT_FALSE(hge->Channel_IsPlaying(0));

    // A freed effect's handle doesn't reach the effect loaded after it.
    hge->Effect_Free(effect);
    const HEffect next = hge->Effect_Load("short.mp3");
    hge->Effect_Free(effect);
    EXPECT_NE(hge->Effect_Play(next), 0u);
    hge->Effect_Free(next);
}

TEST_F(Audio, MusicStreamsThroughARingOfBuffers) {
    const HStream music = hge->Stream_Load("music.mp3");
    ASSERT_NE(music, 0u);
    const HChannel channel = hge->Stream_Play(music, false, 50);
    ASSERT_NE(channel, 0u);
    EXPECT_FLOAT_EQ(floatOf(channel, AL_GAIN), 0.5f);
    EXPECT_EQ(intOf(channel, AL_SOURCE_STATE), AL_PLAYING);
    const ALint ring = intOf(channel, AL_BUFFERS_QUEUED);
    EXPECT_GE(ring, 2);
    EXPECT_LE(ring, 8);

    // A second of play takes more than the ring holds: buffers are refilled as they drain.
    runFrames(1.0);
    EXPECT_EQ(intOf(channel, AL_SOURCE_STATE), AL_PLAYING);
    EXPECT_EQ(intOf(channel, AL_BUFFERS_QUEUED), ring);
    EXPECT_NEAR(hge->Channel_GetPos(channel), 1.0f, 0.25f);

    // Played to its end without looping, it stops and its channel goes.
    ASSERT_TRUE(runFramesUntil([&] { return !hge->Channel_IsPlaying(channel); }));
    desktop::audioFrame();
    EXPECT_EQ(desktop::channelSource(channel), 0u);
    hge->Stream_Free(music);
}

TEST_F(Audio, MusicLoopsWithoutAGap) {
    const HStream music = hge->Stream_Load("loop.mp3");
    const HChannel channel = hge->Stream_Play(music, true, 100);
    // The 0.3 s track comes round several times; the source never runs dry meanwhile.
    float last = 0.0f;
    int wraps = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1200);
    while (std::chrono::steady_clock::now() < end) {
        runFrames(0.02);
        ASSERT_EQ(intOf(channel, AL_SOURCE_STATE), AL_PLAYING);
        const float now = hge->Channel_GetPos(channel);
        EXPECT_LT(now, 0.31f);
        if (now < last) ++wraps;
        last = now;
    }
    EXPECT_GE(wraps, 2);
    hge->Stream_Free(music);
}

TEST_F(Audio, MusicPausesResumesAndRewinds) {
    const HStream music = hge->Stream_Load("music.mp3");
    const HChannel channel = hge->Stream_Play(music, true, 50);
    ASSERT_TRUE(runFramesUntil([&] { return hge->Channel_GetPos(channel) > 0.5f; }));

    hge->Channel_Pause(channel);
    EXPECT_EQ(intOf(channel, AL_SOURCE_STATE), AL_PAUSED);
    EXPECT_FALSE(hge->Channel_IsPlaying(channel));
    const float pausedAt = hge->Channel_GetPos(channel);
    runFrames(0.2);
    EXPECT_FLOAT_EQ(hge->Channel_GetPos(channel), pausedAt);

    hge->Channel_Resume(channel);
    EXPECT_EQ(intOf(channel, AL_SOURCE_STATE), AL_PLAYING);
    runFrames(0.1);
    EXPECT_GT(hge->Channel_GetPos(channel), pausedAt);

    hge->Channel_SetPos(channel, 0.0f);
    EXPECT_LT(hge->Channel_GetPos(channel), 0.05f);
    EXPECT_EQ(intOf(channel, AL_SOURCE_STATE), AL_PLAYING);

    runFrames(0.3);
    hge->Channel_Pause(channel);
    hge->Channel_SetPos(channel, 0.0f);
    EXPECT_EQ(intOf(channel, AL_SOURCE_STATE), AL_PAUSED) << "rewinding keeps it paused";
    EXPECT_LT(hge->Channel_GetPos(channel), 0.01f);
    runFrames(0.1);
    EXPECT_LT(hge->Channel_GetPos(channel), 0.01f);
    hge->Channel_Resume(channel);
    ASSERT_TRUE(runFramesUntil([&] { return hge->Channel_GetPos(channel) > 0.1f; }));

    hge->Channel_SetPos(channel, 2.0f);
    EXPECT_NEAR(hge->Channel_GetPos(channel), 2.0f, 0.05f);
    hge->Stream_Free(music);
    EXPECT_FALSE(hge->Channel_IsPlaying(channel)) << "freeing the music stops its channels";
}

// Like the game, frees sounds from a static destructor at exit, after the engine's own
// statics would have gone (this object is built before the engine is first used).
struct FreedAtExit {
    std::vector<HEffect> effects;
    std::vector<HStream> streams;
    ~FreedAtExit() {
        Engine* hge = hgeCreate(ENGINE_VERSION);
        for (HEffect e : effects) hge->Effect_Free(e);
        for (HStream s : streams) hge->Stream_Free(s);
        hge->Release();
    }
} freedAtExit;

// After System_Shutdown and after the last Release, freeing what was loaded is harmless
// and the handles are stale.
TEST(AudioLifetime, FreeingAfterShutdownAndRelease) {
    ASSERT_TRUE(files().ok);
    const fs::path previous = fs::current_path();
    fs::current_path(files().root);
    Engine* hge = hgeCreate(ENGINE_VERSION);
    hge->System_SetState(STATE_WINDOWED, true);
    ASSERT_TRUE(hge->System_Initiate());
    HEffect effect = hge->Effect_Load("short.mp3");
    HStream music = hge->Stream_Load("music.mp3");
    const HChannel looping = hge->Effect_PlayEx(effect, 100, 0, 1.0f, true);
    const HChannel playing = hge->Stream_Play(music, true, 50);
    ASSERT_NE(looping, 0u);
    ASSERT_NE(playing, 0u);

    hge->System_Shutdown();
    EXPECT_FALSE(hge->Channel_IsPlaying(looping));
    EXPECT_FALSE(hge->Channel_IsPlaying(playing));
    hge->System_Shutdown();
    hge->Effect_Free(effect);
    hge->Stream_Free(music);
    EXPECT_EQ(hge->Effect_Play(effect), 0u);
    EXPECT_EQ(hge->Stream_Play(music, true), 0u);

    effect = hge->Effect_Load("short.mp3");
    music = hge->Stream_Load("music.mp3");
    freedAtExit.effects = {hge->Effect_Load("long.mp3"), hge->Effect_Load("stereo.wav")};
    freedAtExit.streams = {hge->Stream_Load("loop.mp3")};
    Engine* last = hge;
    hge->Release();
    last->Effect_Free(effect);
    last->Stream_Free(music);
    fs::current_path(previous);
}

}  // namespace
