// Single-byte text drawn with glyphs cut out of one texture, as a font description file
// (first line "[HGEFONT]") lays them out.
#pragma once

#include <cstdint>

#include "sprite.h"

class BitmapFont {
public:
    static constexpr int TextBufferSize = 1024;
    static constexpr int LineBufferSize = 256;  // a description line: 255 bytes and NUL

    // Never fails outwardly: what cannot be read leaves the font empty or partly filled.
    explicit BitmapFont(const char* filename);
    ~BitmapFont();
    BitmapFont(const BitmapFont&) = delete;
    BitmapFont& operator=(const BitmapFont&) = delete;

    // (x, y) is the top of the first line; align 0 left, 1 right, 2 centre (only the two
    // low bits count; 3 draws like 0). LF starts a new line; other bytes are glyphs.
    void render(float x, float y, int align, const char* text);
    // Formats into textBuffer (cut at 1023 bytes) and renders it.
    void printf(float x, float y, int align, const char* format, ...) __attribute__((format(printf, 5, 6)));
    void setColor(std::uint32_t col);
    // Width in screen pixels at the current scale, up to the end or the first LF.
    float stringWidth(const char* text) const;
    // Copies the line at `text` into `line` (LineBufferSize bytes; longer lines are cut)
    // and returns where the next line starts, or null when none follows.
    static const char* readLine(const char* text, char* line);

    char textBuffer[TextBufferSize];
    HTexture texture;
    Sprite* glyphs[256];
    float preOffset[256];
    float postOffset[256];
    float lineHeight;
    float scale;
    float rotation;
    float tracking;
    float lineSpacing;
    std::uint32_t color;

private:
    // Returns false when reading must stop (the texture could not be loaded).
    bool readBitmapLine(const char* filename, const char* line);
    void readCharLine(const char* line);
    // c itself when it has a glyph, otherwise the question mark.
    int glyphIndex(unsigned char c) const;
    // Pen x at the start of the line `text` begins.
    float lineStart(float x, int align, const char* text) const;
};
