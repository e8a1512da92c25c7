// Fixtures shared by the Game and program tests: the Game's pictures, sounds and music as
// fakes, a small font whose glyphs can be read back from the recorded quads, and empty
// particle presets. None of it depends on the generated data.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "recording.h"

namespace fixtures {

// Every glyph is 8 x 16 texels; character c sits at x = 8 c of a 1024 x 16 texture, so the
// texture coordinate of a drawn glyph tells which character it is.
constexpr float GlyphWidth = 8.0f;
constexpr float GlyphHeight = 16.0f;
constexpr float FontTextureWidth = 1024.0f;

inline std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

inline std::string fontDescription() {
    std::string text = "[HGEFONT]\r\nBitmap=font.png\r\n";
    char line[64];
    for (int c = 32; c < 127; ++c) {
        std::snprintf(line, sizeof line, "Char=%X,%d,0,8,16,0,0\r\n", c, c * 8);
        text += line;
    }
    return text;
}

// The pictures, the font and the presets that the Game, its bodies and the backdrop load.
inline void addGamePicturesAndFiles() {
    for (const char* name : {"Texture\\Cursor.png", "Texture\\MenuBG.tga", "Texture\\InstructBG.tga"})
        rec::addTexture(name, 256, 256);
    rec::addTexture("particles.png", 64, 64);
    rec::addTexture("Texture\\Planet.png", 256, 64);
    rec::addTexture("Ouch.png", 64, 16);
    rec::addTexture("Black.tga", 512, 512);
    rec::addTexture("Stars.tga", 512, 512);
    rec::addTexture("font.png", static_cast<int>(FontTextureWidth), static_cast<int>(GlyphHeight));
    rec::addFile("myFont.fnt", bytesOf(fontDescription()));
    // Presets that never emit: particles would only clutter the recorded drawing.
    rec::addFile("particle1.psi", std::vector<std::uint8_t>(128, 0));
    rec::addFile("Boom3.psi", std::vector<std::uint8_t>(128, 0));
}

// Every sound and music stream of the Game and its bodies.
inline void addGameSounds() {
    for (const char* name :
         {"Media\\Increase.mp3", "Media\\MenuSelect.mp3", "Media\\Navigate.mp3", "Media\\Select.mp3",
          "Media\\Deselect.mp3", "Media\\Move.mp3", "Media\\VelkaroPlay.mp3", "Media\\Menu.mp3",
          "Media\\Instruct.mp3", "Media\\Explode.mp3"})
        rec::addSound(name);
}

inline void addGameAssets() {
    addGamePicturesAndFiles();
    addGameSounds();
}

// One text as drawn: consecutive glyph quads of the font texture that follow each other
// on one line in one colour.
struct Text {
    std::string text;
    float x = 0.0f;  // left edge of the first glyph
    float y = 0.0f;
    float scale = 0.0f;
    std::uint32_t color = 0;

    float width() const { return static_cast<float>(text.size()) * GlyphWidth * scale; }
};

inline std::vector<Text> textsIn(const std::vector<Quad>& quads, HTexture fontTexture) {
    std::vector<Text> texts;
    float penX = 0.0f;
    for (const Quad& q : quads) {
        if (q.tex != fontTexture || fontTexture == 0) {
            penX = -1e9f;  // anything else drawn in between ends the text
            continue;
        }
        const char c = static_cast<char>(std::lround(q.v[0].tx * FontTextureWidth / GlyphWidth));
        const float scale = (q.v[3].y - q.v[0].y) / GlyphHeight;
        const bool continues = !texts.empty() && std::fabs(q.v[0].x - penX) < 0.01f &&
                               texts.back().y == q.v[0].y && texts.back().color == q.v[0].col &&
                               texts.back().scale == scale;
        if (!continues) texts.push_back(Text{"", q.v[0].x, q.v[0].y, scale, q.v[0].col});
        texts.back().text += c;
        penX = q.v[1].x;
    }
    return texts;
}

inline std::vector<Text> textsDrawn(HTexture fontTexture) { return textsIn(rec::quads(), fontTexture); }

}  // namespace fixtures
