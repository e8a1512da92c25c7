// Feeds arbitrary bytes to the font loader as a description file, then draws with the
// result: every line shape, overlong lines, odd characters and paths must load safely.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gfx/bitmap_font.h"
#include "recording.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    rec::reset();
    rec::setRealFiles(false);
    rec::addTexture("Font/font.png", 256, 256);
    rec::addTexture("Font/other.png", 64, 32);
    rec::addFile("Font\\fuzz.fnt", std::vector<std::uint8_t>(data, data + size));
    Engine* engine = hgeCreate(ENGINE_VERSION);
    {
        BitmapFont font("Font\\fuzz.fnt");
        char text[256];
        for (int i = 0; i < 255; ++i) text[i] = static_cast<char>(i % 64 == 63 ? '\n' : i + 1);
        text[255] = '\0';
        for (int align = 0; align < 4; ++align) font.render(400, 300, align, text);
        font.scale = 0.5f;
        font.setColor(0x80FF00FF);
        font.printf(10, 10, 2, "%s %d", text, static_cast<int>(size));
        font.stringWidth(text);
    }
    engine->Release();
    return 0;
}
