// Text rasterised from a TrueType font through FreeType: the game's bitmap font (glyph
// texture and description file) and coverage masks for title art.
#pragma once

#include <string>
#include <vector>

#include "image.h"

namespace datagen {

// Coverage (0..1) of a text line; `baseline` is the row of the baseline inside the mask.
struct TextMask {
    int width = 0, height = 0, baseline = 0;
    std::vector<float> coverage;
    float at(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return 0;
        return coverage[y * width + x];
    }
};

// Renders `text` at `pixelSize` pixels per em with `tracking` extra pixels after every
// glyph; an empty mask when the font cannot be read.
TextMask renderText(const std::string& fontPath, const std::string& text, int pixelSize, int tracking);

struct BitmapFontFiles {
    std::string description;  // the .fnt text
    Image texture{1, 1};
};

// Every printable ASCII character (32 to 126) in one texture, cells of one height so that
// glyphs placed at the pen's top share a baseline. `textureName` is written on the Bitmap
// line. Empty description when the font cannot be read.
BitmapFontFiles buildBitmapFont(const std::string& fontPath, const std::string& textureName);

// Cell height of the bitmap font in texture pixels.
constexpr int FontCellHeight = 48;

}  // namespace datagen
