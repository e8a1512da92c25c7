#include "bitmap_font.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "rounding.h"

namespace {
// Shared by every font; each font holds one reference.
Engine* engine = nullptr;

constexpr std::size_t MaxPathLength = 259;  // texture paths longer than this are refused

bool startsWith(const char* line, const char* word) {
    return std::strncmp(line, word, std::strlen(word)) == 0;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads ", <int>" with optional white space around the comma; a number too large for an
// int saturates. Returns false when the text does not match.
bool readCommaInt(const char*& p, int& value) {
    while (isSpace(*p)) ++p;
    if (*p != ',') return false;
    ++p;
    while (isSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (*p < '0' || *p > '9') return false;
    long long v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (v <= INT_MAX) v = v * 10 + (*p - '0');
    }
    if (negative) v = -v;
    value = static_cast<int>(v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : v);
    return true;
}
}  // namespace

BitmapFont::BitmapFont(const char* filename)
    : textBuffer{},
      texture(0),
      glyphs{},
      preOffset{},
      postOffset{},
      lineHeight(0.0f),
      scale(1.0f),
      rotation(0.0f),
      tracking(0.0f),
      lineSpacing(1.0f),
      color(0xFFFFFFFF) {
    engine = hgeCreate(ENGINE_VERSION);
    if (!filename) return;
    std::uint32_t size = 0;
    void* block = engine->Resource_Load(filename, &size);
    if (!block) return;
    std::vector<char> text(static_cast<std::size_t>(size) + 1);
    std::memcpy(text.data(), block, size);
    text[size] = '\0';
    engine->Resource_Free(block);

    char line[LineBufferSize];
    const char* next = readLine(text.data(), line);
    if (std::strcmp(line, "[HGEFONT]") != 0) {
        engine->System_Log("Font %s has incorrect format.", filename);
        return;
    }
    while (next) {
        next = readLine(next, line);
        if (startsWith(line, "Bitmap")) {
            if (!readBitmapLine(filename, line)) break;
        } else if (startsWith(line, "Char")) {
            readCharLine(line);
        }
    }
}

BitmapFont::~BitmapFont() {
    for (Sprite* glyph : glyphs) delete glyph;
    engine->Release();
}

bool BitmapFont::readBitmapLine(const char* filename, const char* line) {
    char name[LineBufferSize];
    if (std::sscanf(line, "Bitmap = %255s", name) != 1) return true;
    const char* separator = std::strrchr(filename, '\\');
    if (!separator) separator = std::strrchr(filename, '/');
    const std::size_t folderLength = separator ? static_cast<std::size_t>(separator - filename) + 1 : 0;
    const std::size_t nameLength = std::strlen(name);
    // A longer path is refused like a texture that cannot be loaded, rather than cut into
    // the name of some other file.
    if (folderLength + nameLength > MaxPathLength) {
        texture = 0;
        return false;
    }
    char path[MaxPathLength + 1];
    std::memcpy(path, filename, folderLength);
    std::memcpy(path + folderLength, name, nameLength + 1);
    texture = engine->Texture_Load(path, 0, false);
    return texture != 0;
}

void BitmapFont::readCharLine(const char* line) {
    const char* p = std::strchr(line, '=');
    if (!p) return;
    ++p;
    while (*p == ' ') ++p;

    unsigned code = 0;
    if (*p == '"') {
        // The quoted byte may itself be a quote; the byte after it closes the quote unread.
        if (p[1] == '\0' || p[2] == '\0') return;
        code = static_cast<unsigned char>(p[1]);
        p += 3;
    } else {
        if (hexDigit(*p) < 0) return;
        for (; hexDigit(*p) >= 0; ++p) {
            if (code <= 0xFF) code = code * 16 + static_cast<unsigned>(hexDigit(*p));
        }
        if (code > 0xFF) return;
    }

    // x, y, w, h of the rectangle, then the pre- and post-offset; a line with fewer than
    // six numbers is ignored.
    int v[6];
    for (int& value : v) {
        if (!readCommaInt(p, value)) return;
    }
    delete glyphs[code];
    glyphs[code] = new Sprite(texture, static_cast<float>(v[0]), static_cast<float>(v[1]),
                              static_cast<float>(v[2]), static_cast<float>(v[3]));
    preOffset[code] = static_cast<float>(v[4]);
    postOffset[code] = static_cast<float>(v[5]);
    if (static_cast<float>(v[3]) > lineHeight) lineHeight = static_cast<float>(v[3]);
}

const char* BitmapFont::readLine(const char* text, char* line) {
    std::size_t n = 0;
    // Bytes past the buffer's 255 are skipped: a long line is cut, never split in two.
    for (; *text && *text != '\r' && *text != '\n'; ++text) {
        if (n < LineBufferSize - 1) line[n++] = *text;
    }
    line[n] = '\0';
    while (*text == '\r' || *text == '\n') ++text;
    return *text ? text : nullptr;
}

int BitmapFont::glyphIndex(unsigned char c) const { return glyphs[c] ? c : '?'; }

float BitmapFont::stringWidth(const char* text) const {
    float w = 0.0f;
    for (const char* p = text; *p && *p != '\n'; ++p) {
        const int i = glyphIndex(static_cast<unsigned char>(*p));
        if (glyphs[i]) w += postOffset[i] + preOffset[i] + tracking + glyphs[i]->width;
    }
    return w * scale;
}

float BitmapFont::lineStart(float x, int align, const char* text) const {
    switch (align & 3) {
        case 1:
            return x - stringWidth(text);
        case 2:
            return x - static_cast<float>(gfx::nearestInt64(static_cast<double>(stringWidth(text) / 2.0f)));
        default:
            return x;
    }
}

void BitmapFont::render(float x, float y, int align, const char* text) {
    float penX = lineStart(x, align, text);
    float penY = y;
    for (const char* p = text; *p; ++p) {
        if (*p == '\n') {
            penY +=
                static_cast<float>(gfx::nearestInt64(static_cast<double>(lineSpacing * scale * lineHeight)));
            penX = lineStart(x, align, p + 1);
            continue;
        }
        const int i = glyphIndex(static_cast<unsigned char>(*p));
        Sprite* glyph = glyphs[i];
        if (!glyph) continue;
        penX += preOffset[i] * scale;
        glyph->renderEx(penX, penY, rotation, scale, 0.0f);
        penX += (postOffset[i] + tracking + glyph->width) * scale;
    }
}

void BitmapFont::printf(float x, float y, int align, const char* format, ...) {
    va_list args;
    va_start(args, format);
    // A longer text is cut at 1023 bytes.
    if (std::vsnprintf(textBuffer, sizeof textBuffer, format, args) < 0) textBuffer[0] = '\0';
    va_end(args);
    render(x, y, align, textBuffer);
}

void BitmapFont::setColor(std::uint32_t col) {
    color = col;
    for (Sprite* glyph : glyphs) {
        if (glyph) glyph->setColor(col, -1);
    }
}
