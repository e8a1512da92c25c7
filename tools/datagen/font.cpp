#include "font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace datagen {

namespace {

// Owns a FreeType library and one face for the time of a call.
class Face {
public:
    // `widthScale` below 1 narrows every glyph and its advance.
    Face(const std::string& path, int pixelSize, double widthScale = 1.0) {
        if (FT_Init_FreeType(&library_) != 0) return;
        if (FT_New_Face(library_, path.c_str(), 0, &face_) != 0) return;
        ok_ = FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(pixelSize)) == 0;
        FT_Matrix matrix{static_cast<FT_Fixed>(std::lround(widthScale * 0x10000)), 0, 0, 0x10000};
        FT_Set_Transform(face_, &matrix, nullptr);
    }
    ~Face() {
        if (face_) FT_Done_Face(face_);
        if (library_) FT_Done_FreeType(library_);
    }
    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;

    bool ok() const { return ok_; }
    // Renders one character as an 8-bit antialiased bitmap; false when it has no glyph.
    bool load(unsigned char c) {
        const FT_UInt index = FT_Get_Char_Index(face_, c);
        if (c != ' ' && index == 0) return false;
        return FT_Load_Glyph(face_, index, FT_LOAD_DEFAULT) == 0 &&
               FT_Render_Glyph(face_->glyph, FT_RENDER_MODE_NORMAL) == 0;
    }
    FT_GlyphSlot slot() const { return face_->glyph; }
    int advance() const { return static_cast<int>((face_->glyph->advance.x + 32) >> 6); }
    int kerning(unsigned char left, unsigned char right) const {
        if (!FT_HAS_KERNING(face_)) return 0;
        FT_Vector k{};
        FT_Get_Kerning(face_, FT_Get_Char_Index(face_, left), FT_Get_Char_Index(face_, right),
                       FT_KERNING_DEFAULT, &k);
        return static_cast<int>((k.x + 32) >> 6);
    }

private:
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    bool ok_ = false;
};

float coverageAt(const FT_Bitmap& bitmap, int x, int y) {
    if (x < 0 || y < 0 || x >= static_cast<int>(bitmap.width) || y >= static_cast<int>(bitmap.rows)) return 0;
    return bitmap.buffer[y * bitmap.pitch + x] / 255.0f;
}

// The glyph texture's look: a white fill that darkens a little towards the bottom, over a
// faint halo, so the tinted texts read as lit panels of light.
constexpr int GlyphPadding = 3;
constexpr float HaloStrength = 0.28f;

}  // namespace

TextMask renderText(const std::string& fontPath, const std::string& text, int pixelSize, int tracking) {
    TextMask mask;
    Face face(fontPath, pixelSize);
    if (!face.ok() || text.empty()) return mask;

    // First pass: extents.
    int pen = 0, top = 0, bottom = 0, right = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!face.load(c)) continue;
        const FT_GlyphSlot g = face.slot();
        top = std::max(top, g->bitmap_top);
        bottom = std::max(bottom, static_cast<int>(g->bitmap.rows) - g->bitmap_top);
        right = std::max(right, pen + g->bitmap_left + static_cast<int>(g->bitmap.width));
        pen += face.advance() + tracking;
        if (i + 1 < text.size()) pen += face.kerning(c, static_cast<unsigned char>(text[i + 1]));
    }
    mask.width = right + 1;
    mask.height = top + bottom + 1;
    mask.baseline = top;
    mask.coverage.assign(static_cast<size_t>(mask.width) * mask.height, 0.0f);

    pen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!face.load(c)) continue;
        const FT_GlyphSlot g = face.slot();
        for (int y = 0; y < static_cast<int>(g->bitmap.rows); ++y)
            for (int x = 0; x < static_cast<int>(g->bitmap.width); ++x) {
                const int mx = pen + g->bitmap_left + x, my = mask.baseline - g->bitmap_top + y;
                if (mx < 0 || my < 0 || mx >= mask.width || my >= mask.height) continue;
                float& m = mask.coverage[my * mask.width + mx];
                m = std::min(1.0f, m + coverageAt(g->bitmap, x, y));
            }
        pen += face.advance() + tracking;
        if (i + 1 < text.size()) pen += face.kerning(c, static_cast<unsigned char>(text[i + 1]));
    }
    return mask;
}

BitmapFontFiles buildBitmapFont(const std::string& fontPath, const std::string& textureName) {
    BitmapFontFiles files;
    // 38 pixels per em puts every ASCII glyph with its halo inside a 48-pixel cell; a bold
    // face drawn a little narrow gives the texts a lean, technical look and keeps the
    // game's longest lines on the screen.
    constexpr int PixelSize = 38;
    constexpr double WidthScale = 0.88;
    Face face(fontPath, PixelSize, WidthScale);
    if (!face.ok()) return files;

    // The baseline sits where the tallest glyph (with halo) just fits at the top.
    int ascent = 0, descent = 0;
    for (int c = 33; c <= 126; ++c) {
        if (!face.load(static_cast<unsigned char>(c))) continue;
        ascent = std::max(ascent, face.slot()->bitmap_top);
        descent = std::max(descent, static_cast<int>(face.slot()->bitmap.rows) - face.slot()->bitmap_top);
    }
    const int spare = FontCellHeight - (ascent + descent);
    const int baseline = std::max(GlyphPadding, spare / 2) + ascent;

    constexpr int TextureSize = 512;
    constexpr int Gap = 2;  // transparent texels between cells keep filtering from bleeding
    files.texture = Image(TextureSize, TextureSize);
    files.texture.fill({1, 1, 1, 0});
    files.description = "[HGEFONT]\n\nBitmap=" + textureName + "\n\n";

    int cellX = Gap, cellY = Gap;
    for (int c = 32; c <= 126; ++c) {
        if (!face.load(static_cast<unsigned char>(c))) continue;
        const FT_GlyphSlot g = face.slot();
        const FT_Bitmap& bitmap = g->bitmap;
        const int advance = face.advance();
        const int cellWidth = std::max(1, static_cast<int>(bitmap.width) + 2 * GlyphPadding);
        if (cellX + cellWidth + Gap > TextureSize) {
            cellX = Gap;
            cellY += FontCellHeight + Gap;
        }
        if (cellY + FontCellHeight > TextureSize) break;

        // Glyph coverage placed in the cell, then the halo as a small blur of it.
        const int originX = GlyphPadding, originY = baseline - g->bitmap_top;
        auto glyphAt = [&](int x, int y) { return coverageAt(bitmap, x - originX, y - originY); };
        for (int y = 0; y < FontCellHeight; ++y)
            for (int x = 0; x < cellWidth; ++x) {
                const float cover = glyphAt(x, y);
                float halo = 0, weight = 0;
                for (int dy = -GlyphPadding; dy <= GlyphPadding; ++dy)
                    for (int dx = -GlyphPadding; dx <= GlyphPadding; ++dx) {
                        const float d2 = static_cast<float>(dx * dx + dy * dy);
                        const float w = std::exp(-d2 / 3.0f);
                        halo += w * glyphAt(x + dx, y + dy);
                        weight += w;
                    }
                halo = std::min(1.0f, 1.6f * halo / weight) * HaloStrength;
                const float shade = 1.0f - 0.22f * static_cast<float>(y) / FontCellHeight;
                const float alpha = cover + (1 - cover) * halo;
                Color out{1, 1, 1, alpha};
                if (alpha > 0) {
                    const float lit = (cover * shade + (1 - cover) * halo * 0.85f) / alpha;
                    out.r = out.g = out.b = lit;
                }
                files.texture.at(cellX + x, cellY + y) = out;
            }

        // Space has no bitmap: an empty cell a texel wide that only advances the pen.
        const int preOffset = c == ' ' ? 0 : g->bitmap_left - GlyphPadding;
        const int postOffset = advance - preOffset - cellWidth;
        char line[96];
        std::snprintf(line, sizeof line, "Char=%02X,%d,%d,%d,%d,%d,%d\n", c, cellX, cellY, cellWidth,
                      FontCellHeight, preOffset, postOffset);
        files.description += line;
        cellX += cellWidth + Gap;
    }
    return files;
}

}  // namespace datagen
