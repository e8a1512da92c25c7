// The main picture of a body and the size of its frames.
#pragma once

#include <cstdint>

#include "engine.h"

struct TextureSheet {
    // Takes its own engine reference, with which the body's main picture is loaded.
    TextureSheet();
    // Gives the reference back. It does not shut the engine down: a sheet goes away with
    // its body while the game may still be running.
    ~TextureSheet();
    TextureSheet(const TextureSheet&) = delete;
    TextureSheet& operator=(const TextureSheet&) = delete;

    std::int32_t reserved;  // always 0
    std::int32_t frames;    // 4 for a planet, 0 for the sun
    HTexture texture;
    std::int32_t frameHeight;
    std::int32_t frameWidth;
    Engine* hge;
};
