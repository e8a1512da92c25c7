// What volumes above 100 sound like: OpenAL Soft's wave-file output (16-bit, mono)
// records what a sound card would be sent, and the test measures the peaks.
#include "engine.h"
#include "fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The samples of a 16-bit PCM WAV file, scaled to -1..1 (the data chunk's declared size
// is not trusted: the writer fills it in last).
std::vector<float> readPcm16(const std::string& file) {
    std::vector<float> samples;
    const std::size_t data = file.find("data");
    if (data == std::string::npos) return samples;
    for (std::size_t i = data + 8; i + 1 < file.size(); i += 2) {
        const auto lo = static_cast<unsigned char>(file[i]);
        const auto hi = static_cast<unsigned char>(file[i + 1]);
        const auto u = static_cast<std::uint16_t>(lo | hi << 8);
        samples.push_back(static_cast<float>(static_cast<std::int16_t>(u)) / 32768.0f);
    }
    return samples;
}

struct Burst {
    float peak = 0;
    std::size_t samples = 0;
    std::size_t atFullScale = 0;  // |sample| >= 0.998
};

// The sounding stretches, split at silences of at least `gap` samples.
std::vector<Burst> bursts(const std::vector<float>& samples, std::size_t gap) {
    std::vector<Burst> found;
    std::size_t quiet = gap;
    for (float s : samples) {
        const float level = std::fabs(s);
        if (level < 0.001f) {
            ++quiet;
            continue;
        }
        if (quiet >= gap) found.emplace_back();
        quiet = 0;
        Burst& b = found.back();
        b.peak = std::max(b.peak, level);
        ++b.samples;
        if (level >= 0.998f) ++b.atFullScale;
    }
    return found;
}

TEST(Loudness, VolumeAbove100PlaysLouderWithinFullScale) {
    const fs::path root = fixtures::makeTempFolder();
    const fs::path output = root / "out.wav";
    fixtures::writeFile(root / "alsoft.conf", "[general]\nchannels = mono\nsample-type = int16\n"
                                              "frequency = 44100\n[wave]\nfile = " +
                                                  output.string() + "\n");
    // Read by OpenAL Soft when it starts, which is in System_Initiate below.
    setenv("ALSOFT_CONF", (root / "alsoft.conf").c_str(), 1);
    setenv("ALSOFT_DRIVERS", "wave", 1);
    fixtures::writeTone(root / "half.wav", 44100, 1, 0.2, 441, 0.5);
    fixtures::writeTone(root / "loud.wav", 44100, 1, 0.2, 441, 0.9);

    Engine* hge = hgeCreate(ENGINE_VERSION);
    hge->System_SetState(STATE_WINDOWED, true);
    ASSERT_TRUE(hge->System_Initiate());
    const HEffect half = hge->Effect_Load((root / "half.wav").c_str());
    const HEffect loud = hge->Effect_Load((root / "loud.wav").c_str());
    ASSERT_NE(half, 0u);
    ASSERT_NE(loud, 0u);
    const std::pair<HEffect, int> plays[] = {{half, 100}, {half, 130}, {loud, 100}, {loud, 130}};
    for (const auto& [effect, volume] : plays) {
        hge->Effect_PlayEx(effect, volume);
        std::this_thread::sleep_for(std::chrono::milliseconds(450));
    }
    hge->System_Shutdown();
    hge->Release();

    const std::vector<Burst> b = bursts(readPcm16(fixtures::readFile(output)), 4410);
    ASSERT_EQ(b.size(), 4u);
    for (std::size_t i = 0; i < b.size(); ++i)
        std::printf("burst %zu, volume %d: peak %.4f, %zu of %zu samples at full scale\n", i,
                    plays[i].second, b[i].peak, b[i].atFullScale, b[i].samples);
    // Half scale at 130 comes out 1.3 times as loud as at 100.
    EXPECT_NEAR(b[1].peak / b[0].peak, 1.3f, 0.03f);
    // 0.9 at 130 would reach 1.17: it is not quieter than at 100, and it is held within full
    // scale rather than clipped (a clipped sine would sit at full scale a third of the time).
    EXPECT_GE(b[3].peak, b[2].peak);
    EXPECT_LT(b[3].atFullScale, b[3].samples / 100);
    fs::remove_all(root);
}

}  // namespace
