// A fresh recording engine, the fixture assets and one Game per test, with helpers that
// run frames the way the program does.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "bodies/body.h"
#include "game/game.h"
#include "game_fixtures.h"
#include "gfx/bitmap_font.h"
#include "recording.h"
#include "services.h"

class GameTest : public ::testing::Test {
protected:
    void SetUp() override {
        rec::reset();
        fixtures::addGameAssets();
        game = std::make_unique<Game>();
        platform::srand(12345);
    }
    void TearDown() override { game.reset(); }
    // A fresh engine, fixtures and Game within one test (for tables of cases).
    void restart() {
        TearDown();
        SetUp();
    }

    // update, then render inside a scene, as the engine's frame does.
    bool frame(float dt = 0.01f) {
        const bool result = game->update(dt);
        Engine* hge = game->hge;
        hge->Gfx_BeginScene(0);
        game->render();
        hge->Gfx_EndScene();
        return result;
    }
    void frames(int count, float dt = 0.01f) {
        for (int i = 0; i < count; ++i) frame(dt);
    }
    // Frames until `screen` is shown (at most 20 seconds of them); returns how many ran.
    int untilScreen(std::int32_t screen, float dt = 0.01f) {
        int n = 0;
        while (game->screen != screen && n < 2000) {
            frame(dt);
            ++n;
        }
        return n;
    }
    // Key down for one frame, then up for one frame: one press.
    void tap(int key, float dt = 0.01f) {
        rec::setKey(key, true);
        frame(dt);
        rec::setKey(key, false);
        frame(dt);
    }

    // A new game on the Play screen, as the menu's Start Game leaves it.
    void startPlay() {
        game->reset();
        game->screen = Play;
    }

    Body& firstPlanet() { return game->sun->children[0]; }

    // Spawn requests made so far anywhere in the tree (each request counts, granted or not).
    static int requests(const Body& body) {
        int total = body.addedChildren;
        if (body.children)
            for (int i = 0; i < 5; ++i)
                if (body.children[i].alive) total += requests(body.children[i]);
        return total;
    }

    std::vector<fixtures::Text> texts() const { return fixtures::textsDrawn(game->font->texture); }
    static std::vector<std::string> strings(const std::vector<fixtures::Text>& texts) {
        std::vector<std::string> out;
        for (const auto& t : texts) out.push_back(t.text);
        return out;
    }

    static int count(const std::vector<rec::SoundCall>& calls, const std::string& op, std::uint32_t handle) {
        int n = 0;
        for (const auto& c : calls)
            if (c.op == op && c.handle == handle) ++n;
        return n;
    }

    std::unique_ptr<Game> game;
};
