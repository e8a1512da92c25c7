// A long evening of play: the program's real entry, frame loop and Game on the recording
// engine at 100 frames per second, driven by a seeded random player who clicks and drags
// planets, turns the wheel, holds + and -, pauses, goes back to the menu and reads the
// instructions. The run must end without a sanitizer report, and what the game holds
// (bodies, engine objects, heap) must level off after the first minutes.
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "app/program.h"
#include "bodies/body.h"
#include "game/game.h"
#include "game_fixtures.h"
#include "recording.h"
#include "services.h"

#if defined(__SANITIZE_ADDRESS__)
#define SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SOAK_ASAN 1
#endif
#endif
#ifdef SOAK_ASAN
// From the sanitizer runtime (its header does not come with every compiler).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

constexpr long kFramesPerSecond = 100;
constexpr long kFramesPerMinute = 60 * kFramesPerSecond;

// Bytes of heap in use: the sanitizer's allocator replaces malloc, so it is asked directly.
std::size_t heapInUse() {
#ifdef SOAK_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

int liveBodies(const Body& body) {
    int n = body.alive ? 1 : 0;
    if (body.children && body.addedChildren > 0)
        for (int i = 0; i < Body::ChildSlots; ++i)
            if (body.children[i].alive) n += liveBodies(body.children[i]);
    return n;
}

void collectLive(Body& body, std::vector<Body*>& out) {
    if (!body.isSun) out.push_back(&body);
    if (body.children && body.addedChildren > 0)
        for (int i = 0; i < Body::ChildSlots; ++i)
            if (body.children[i].alive) collectLive(body.children[i], out);
}

struct Figures {
    int liveBodies = 0;
    int engineReferences = 0;  // two per body record, one per sprite and particle system, ...
    std::size_t textures = 0, effects = 0, streams = 0, channels = 0;
    std::size_t heap = 0;

    void print(const char* label, long frame) const {
        std::printf(
            "%-9s %5.1f min: bodies %3d, engine references %4d, textures %zu, effects %zu, streams %zu, "
            "channels %zu, heap %zu bytes\n",
            label, static_cast<double>(frame) / kFramesPerMinute, liveBodies, engineReferences, textures,
            effects, streams, channels, heap);
    }
};

// A player with a random but repeatable hand: each decision holds a key or button for a
// few frames, then waits a little before the next one.
class Player {
public:
    Player(Game& game, unsigned seed) : game_(game), random_(seed) {}

    void frame() {
        rec::setWheel(0);
        wander();
        if (held_) {
            if (--holdFrames_ > 0) return;
            rec::setKey(held_, false);
            held_ = 0;
            wait_ = between(1, 12);
            return;
        }
        if (wait_ > 0) {
            --wait_;
            return;
        }
        if (pending_) return fire();
        if (game_.screen == MainMenu)
            menu();
        else if (game_.screen == Instructions)
            press(chance(50) ? KEY_ESCAPE : KEY_ENTER, between(1, 8), 50, 300);
        else if (game_.screen == Play)
            play();
    }

    int menuTrips = 0, instructionVisits = 0, selections = 0, pauses = 0, gameOverPresses = 0;

private:
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    bool chance(int percent) { return between(1, 100) <= percent; }

    // Holds `key` for `frames` frames, after waiting between waitLow and waitHigh frames.
    void press(int key, int frames, int waitLow = 0, int waitHigh = 0) {
        pending_ = key;
        pendingFrames_ = frames;
        wait_ = between(waitLow, waitHigh);
        if (wait_ == 0) fire();
    }
    void fire() {
        held_ = pending_;
        holdFrames_ = pendingFrames_;
        pending_ = 0;
        rec::setKey(held_, true);
    }

    void wander() {
        if (chance(3)) {
            mouseX_ = static_cast<float>(between(-20, 820));
            mouseY_ = static_cast<float>(between(-20, 620));
        } else {
            mouseX_ += static_cast<float>(between(-6, 6));
            mouseY_ += static_cast<float>(between(-6, 6));
        }
        rec::setMouse(mouseX_, mouseY_);
    }

    void menu() {
        // Every fourth visit reads the instructions; the others start a game.
        if (target_ < 0) target_ = ++menuVisits_ % 4 == 0 ? 1 : 0;
        if (game_.menuIndex != target_) {
            press(chance(50) ? KEY_UP : KEY_DOWN, between(1, 5), 3, 40);
            return;
        }
        if (target_ == 1)
            ++instructionVisits;
        else
            ++menuTrips;
        target_ = -1;
        press(KEY_ENTER, between(1, 10), 5, 60);
    }

    void play() {
        switch (game_.playState) {
            case Running:
                return running();
            case AdjustOrbit:
                return adjusting();
            case Paused:
                return press(KEY_P, between(1, 4), 20, 300);
            case GameOver:
                ++gameOverPresses;
                return press(chance(50) ? KEY_ENTER : KEY_ESCAPE, between(1, 6), 50, 250);
            case Won:
                return press(chance(70) ? KEY_ENTER : KEY_ESCAPE, between(1, 6), 50, 250);
            default:
                return;
        }
    }

    void running() {
        const int roll = between(1, 1000);
        if (roll <= 450) {
            // Aim at a planet where it stands now and click it.
            std::vector<Body*> planets;
            collectLive(*game_.sun, planets);
            if (!planets.empty()) {
                const Body* p =
                    planets[static_cast<std::size_t>(between(0, static_cast<int>(planets.size()) - 1))];
                mouseX_ = p->x + static_cast<float>(between(-3, 3));
                mouseY_ = p->y + static_cast<float>(between(-3, 3));
                rec::setMouse(mouseX_, mouseY_);
            }
            ++selections;
            press(chance(80) ? KEY_LBUTTON : KEY_RBUTTON, between(1, 4));
        } else if (roll <= 550) {
            press(chance(50) ? KEY_LBUTTON : KEY_RBUTTON, between(1, 4));
        } else if (roll <= 580) {
            ++pauses;
            press(KEY_P, between(1, 4));
        } else if (roll <= 583) {
            press(KEY_ESCAPE, between(1, 4));
        } else {
            wait_ = between(10, 150);
        }
    }

    void adjusting() {
        const int roll = between(1, 100);
        if (roll <= 25) {
            rec::setWheel(between(-3, 3));
            wait_ = between(2, 30);
        } else if (roll <= 40) {
            press(chance(50) ? KEY_EQUALS : KEY_MINUS, between(5, 120));
        } else if (roll <= 50) {
            ++pauses;
            press(KEY_P, between(1, 4));
        } else if (roll <= 55) {
            press(KEY_ESCAPE, between(1, 4));
        } else if (roll <= 75) {
            press(chance(50) ? KEY_LBUTTON : KEY_RBUTTON, between(1, 4));
        } else {
            // Drag the orbit around.
            mouseX_ = static_cast<float>(between(0, 800));
            mouseY_ = static_cast<float>(between(0, 600));
            rec::setMouse(mouseX_, mouseY_);
            wait_ = between(5, 60);
        }
    }

    Game& game_;
    std::mt19937 random_;
    float mouseX_ = 400.0f, mouseY_ = 300.0f;
    int held_ = 0, holdFrames_ = 0, wait_ = 0;
    int pending_ = 0, pendingFrames_ = 0;
    int target_ = -1;
    int menuVisits_ = 0;
};

struct Soak {
    Game* game = nullptr;
    Player* player = nullptr;
    long frames = 0;
    long baselineFrame = 0;
    Figures baseline, last, peak;
    // Heap on entering the main menu, right after the reset: the tree is then always the
    // sun and one planet, so these are comparable over the whole run.
    std::size_t menuHeapBaseline = 0, menuHeapLast = 0, menuHeapMax = 0;
    int previousScreen = MainMenu;

    Figures measure() const {
        rec::finishEffects();
        rec::forgetStoppedChannels();
        Figures f;
        f.liveBodies = game->sun ? liveBodies(*game->sun) : 0;
        f.engineReferences = rec::references();
        f.textures = rec::liveTextures();
        f.effects = rec::liveEffects();
        f.streams = rec::liveStreams();
        f.channels = rec::liveChannels();
        f.heap = heapInUse();
        return f;
    }

    static void hook(long frame, void* user) {
        Soak& s = *static_cast<Soak*>(user);
        rec::clearRecords();
        if (s.game->screen == MainMenu && s.previousScreen != MainMenu) {
            const std::size_t heap = heapInUse();
            if (frame >= s.baselineFrame && s.menuHeapBaseline == 0) s.menuHeapBaseline = heap;
            if (s.menuHeapBaseline != 0) s.menuHeapMax = std::max(s.menuHeapMax, heap);
            s.menuHeapLast = heap;
        }
        s.previousScreen = s.game->screen;
        s.player->frame();
        // Effects end after a while, as real sounds do.
        if (frame % kFramesPerSecond == 0) {
            rec::finishEffects();
            rec::forgetStoppedChannels();
        }
        if (frame > 0 && frame % kFramesPerMinute == 0) {
            const Figures f = s.measure();
            if (frame == s.baselineFrame) s.baseline = f;
            if (frame >= s.baselineFrame) {
                s.peak.liveBodies = std::max(s.peak.liveBodies, f.liveBodies);
                s.peak.engineReferences = std::max(s.peak.engineReferences, f.engineReferences);
                s.peak.textures = std::max(s.peak.textures, f.textures);
                s.peak.effects = std::max(s.peak.effects, f.effects);
                s.peak.streams = std::max(s.peak.streams, f.streams);
                s.peak.channels = std::max(s.peak.channels, f.channels);
                s.peak.heap = std::max(s.peak.heap, f.heap);
            }
            s.last = f;
            if (frame % (10 * kFramesPerMinute) == 0 || std::getenv("VELKARO_SOAK_VERBOSE"))
                f.print("at", frame);
        }
    }
};

long soakMinutes() {
    const char* text = std::getenv("VELKARO_SOAK_MINUTES");
    const long minutes = text ? std::strtol(text, nullptr, 10) : 3;
    return minutes >= 3 ? minutes : 3;
}

std::vector<std::uint8_t> fileBytes(const char* name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Soak, LongPlayLevelsOff) {
    rec::reset();
    fixtures::addGameAssets();
    // Presets that emit, so the sun's glow and every explosion run real particles.
    rec::addFile("particle1.psi", fileBytes("particle1.psi"));
    rec::addFile("Boom3.psi", fileBytes("Boom3.psi"));
    ASSERT_EQ(rec::fileReads(), 0);

    const long minutes = soakMinutes();
    Game game;
    platform::srand(20261211);
    Player player(game, 7);
    Soak soak;
    soak.game = &game;
    soak.player = &player;
    soak.frames = minutes * kFramesPerMinute;
    soak.baselineFrame = (minutes >= 20 ? 5 : 1) * kFramesPerMinute;
    rec::setFrameTime(1.0f / kFramesPerSecond);
    rec::setMaxFrames(soak.frames);
    rec::setFrameHook(&Soak::hook, &soak);

    EXPECT_EQ(app::run(game), 0);
    rec::setFrameHook(nullptr, nullptr);
    EXPECT_EQ(rec::framesRun(), soak.frames) << "the program ended early";

    soak.baseline.print("baseline", soak.baselineFrame);
    soak.peak.print("peak", soak.frames);
    soak.last.print("end", soak.frames);
    std::printf(
        "player: %d games started, %d instruction visits, %d selection clicks, %d pauses, %d presses after "
        "game over\n",
        player.menuTrips, player.instructionVisits, player.selections, player.pauses, player.gameOverPresses);

    // The player really played: games, selections, round trips through the menu.
    EXPECT_GE(player.menuTrips, 2);
    EXPECT_GE(player.instructionVisits, 1);
    EXPECT_GE(player.selections, 20);
    EXPECT_GE(player.pauses, 5);

    // What the game holds levels off: a tree never has more than a few hundred bodies, the
    // engine objects stay at their early count, and the heap stays within a few percent.
    const Figures& b = soak.baseline;
    const Figures& end = soak.last;
    EXPECT_LE(soak.peak.liveBodies, 200);
    EXPECT_LE(soak.peak.textures, b.textures);
    EXPECT_LE(soak.peak.effects, b.effects);
    EXPECT_LE(soak.peak.streams, b.streams);
    EXPECT_LE(end.channels, b.channels + 8);
    std::printf(
        "heap on a fresh main menu: %zu bytes after the first minutes, at most %zu later, %zu at the end\n",
        soak.menuHeapBaseline, soak.menuHeapMax, soak.menuHeapLast);
    ASSERT_GT(soak.menuHeapBaseline, 0u) << "no return to the menu after the first minutes";
    EXPECT_LE(soak.menuHeapMax, soak.menuHeapBaseline + soak.menuHeapBaseline / 20)
        << "heap grew by more than 5 % after the first minutes";
}

}  // namespace
