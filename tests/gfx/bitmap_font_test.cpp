#include "gfx/bitmap_font.h"

#include <memory>
#include <string>
#include <vector>

#include "engine_fixture.h"

namespace {

class BitmapFontTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        rec::addTexture("Font/font.png", 256, 256);
    }
    // A description under `name` with the given text (after the header when `header`).
    std::unique_ptr<BitmapFont> load(const std::string& body, const char* name = "Font\\myFont.fnt",
                                     bool header = true) {
        const std::string text = (header ? "[HGEFONT]\r\n" : "") + body;
        rec::addFile(name, std::vector<std::uint8_t>(text.begin(), text.end()));
        return std::make_unique<BitmapFont>(name);
    }
    // The usual font: texels match pixels on a 256 x 256 texture.
    std::unique_ptr<BitmapFont> standard() {
        return load(
            "Bitmap = font.png\n"
            "Char=\"A\",2,0,14,28,-1,1\n"
            "Char=\"B\",20,0,10,31,0,2\n"
            "Char=\"?\",40,0,8,20,1,1\n"
            "Char=\"f\",60,0,5,10,0,0\n"
            "Char=\"s\",70,0,7,10,0,0\n");
    }
    static int glyphCount(const BitmapFont& f) {
        int n = 0;
        for (const Sprite* g : f.glyphs) n += g != nullptr;
        return n;
    }
};

TEST_F(BitmapFontTest, CharLinesOfEveryShape) {
    const struct {
        const char* line;
        int code;  // -1: the line is ignored
    } cases[] = {
        {"Char=\"A\",2,0,14,28,-1,1", 'A'},
        {"Char=41,2,0,14,28,-1,1", 'A'},
        {"Char = \"\"\",2,0,14,28,-1,1", '"'},  // a quoted double quote
        {"Char=  7e , 2 ,0,\t14 ,28, -1,+1", '~'},
        {"Char=ff,2,0,14,28,-1,1", 0xFF},
        {"Char=0041,2,0,14,28,-1,1", 'A'},
        {"Char=\"\t\",2,0,14,28,-1,1", '\t'},
        {"Char=\"=\",2,0,14,28,-1,1", '='},
        {"Char=100,2,0,14,28,-1,1", -1},  // above FF
        {"Char=fffffffff41,2,0,14,28,-1,1", -1},
        {"Char=\"A\",2,0,14,28,-1", -1},  // five numbers
        {"Char=\"A\",2,0,14,28,-1,x", -1},
        {"Char \"A\",2,0,14,28,-1,1", -1},  // no equals sign
        {"Char=\"A", -1},                   // ends inside the quote
        {"Char=zz,2,0,14,28,-1,1", -1},
        {"char=41,2,0,14,28,-1,1", -1},    // not a Char line
        {"Chars=41,2,0,14,28,-1,1", 'A'},  // told apart by its first letters only
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        auto f = load(std::string("Bitmap=font.png\n") + c.line + "\n");
        if (c.code < 0) {
            EXPECT_EQ(glyphCount(*f), 0);
            continue;
        }
        ASSERT_EQ(glyphCount(*f), 1);
        const Sprite* g = f->glyphs[c.code];
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(g->texX, 2.0f);
        EXPECT_EQ(g->texY, 0.0f);
        EXPECT_EQ(g->width, 14.0f);
        EXPECT_EQ(g->height, 28.0f);
        EXPECT_EQ(g->quad.tex, f->texture);
        EXPECT_EQ(f->preOffset[c.code], -1.0f);
        EXPECT_EQ(f->postOffset[c.code], 1.0f);
        EXPECT_EQ(f->lineHeight, 28.0f);
    }
}

TEST_F(BitmapFontTest, LaterCharLinesWinAndTheTallestSetsTheLineHeight) {
    auto f = load("Char=41,0,0,5,40,0,0\nBitmap=font.png\nChar=41,2,0,14,28,-1,1\nChar=42,0,0,5,12,0,0\n");
    ASSERT_NE(f->glyphs['A'], nullptr);
    EXPECT_EQ(f->glyphs['A']->width, 14.0f);
    EXPECT_NE(f->glyphs['A']->quad.tex, 0u);
    EXPECT_EQ(f->lineHeight, 40.0f) << "a replaced glyph's height still counted";
    EXPECT_EQ(f->glyphs['B']->height, 12.0f);
}

TEST_F(BitmapFontTest, CharBeforeAnyBitmapHasNoTexture) {
    auto f = load("Char=41,2,0,14,28,-1,1\n");
    ASSERT_NE(f->glyphs['A'], nullptr);
    EXPECT_EQ(f->glyphs['A']->quad.tex, 0u);
    EXPECT_EQ(f->texture, 0u);
}

TEST_F(BitmapFontTest, BitmapLinesResolveAgainstTheDescriptionsFolder) {
    rec::addTexture("font.png", 64, 64);
    rec::addTexture("a/font.png", 64, 64);
    const struct {
        const char* description;
        const char* loaded;
    } cases[] = {
        {"Font\\myFont.fnt", "Texture_Load(Font\\font.png, 0, 0)"},
        {"Font/myFont.fnt", "Texture_Load(Font/font.png, 0, 0)"},
        {"myFont.fnt", "Texture_Load(font.png, 0, 0)"},
        {"a\\b/myFont.fnt", "Texture_Load(a\\font.png, 0, 0)"},  // a backslash comes first
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        rec::clearRecords();
        auto f = load("Bitmap = font.png\n", c.description);
        ASSERT_FALSE(rec::calls().empty());
        EXPECT_EQ(rec::calls().back().substr(0, std::string(c.loaded).size()), c.loaded);
        EXPECT_NE(f->texture, 0u);
    }
}

TEST_F(BitmapFontTest, BitmapLineWithoutANameIsIgnored) {
    auto f = load("Bitmap =\nBitmap font.png\nChar=41,2,0,14,28,-1,1\n");
    EXPECT_EQ(f->texture, 0u);
    EXPECT_NE(f->glyphs['A'], nullptr);
    EXPECT_TRUE(rec::calls().empty());
}

TEST_F(BitmapFontTest, AFailingTextureStopsTheReading) {
    auto f = load("Bitmap=font.png\nChar=41,2,0,14,28,-1,1\nBitmap=missing.png\nChar=42,2,0,14,28,-1,1\n");
    EXPECT_EQ(f->texture, 0u);
    EXPECT_NE(f->glyphs['A'], nullptr);
    EXPECT_EQ(f->glyphs['B'], nullptr);
}

TEST_F(BitmapFontTest, OverlongTexturePathIsRefused) {
    const std::string folder(250, 'd');
    rec::addTexture(folder + "/font.png", 64, 64);  // 259 characters: still fine
    auto fits = load("Bitmap=font.png\nChar=41,1,1,1,1,1,1\n", (folder + "/x.fnt").c_str());
    EXPECT_NE(fits->texture, 0u);
    rec::clearRecords();
    auto tooLong = load("Bitmap=font.png1\nChar=41,1,1,1,1,1,1\n", (folder + "/x.fnt").c_str());
    EXPECT_EQ(tooLong->texture, 0u);
    EXPECT_EQ(tooLong->glyphs['A'], nullptr);
    EXPECT_TRUE(rec::calls().empty());
}

TEST_F(BitmapFontTest, OverlongLinesAreCutNotSplit) {
    const std::string pad(300, ' ');
    auto f = load("Bitmap=font.png\nChar=41,2,0,14,28,-1,1" + pad + "\n" + std::string(255, 'x') +
                  "Char=42,2,0,14,28,-1,1\nChar=43,1,1,1,1,1,1");  // no line break at the end
    EXPECT_NE(f->glyphs['A'], nullptr);
    EXPECT_EQ(f->glyphs['B'], nullptr);
    EXPECT_NE(f->glyphs['C'], nullptr) << "the last line counts";
}

TEST_F(BitmapFontTest, HeaderMustBeExact) {
    for (const char* text :
         {"[HGEFONT] \n", "[hgefont]\n", "\n[HGEFONT]\n", "\r[HGEFONT]\n", "", "HGEFONT"}) {
        SCOPED_TRACE(text);
        rec::clearRecords();
        auto f =
            load(std::string(text) + "Bitmap=font.png\nChar=41,2,0,14,28,-1,1\n", "Font\\bad.fnt", false);
        EXPECT_EQ(glyphCount(*f), 0);
        ASSERT_EQ(rec::logLines().size(), 1u);
        EXPECT_EQ(rec::logLines()[0], "Font Font\\bad.fnt has incorrect format.");
    }
}

TEST_F(BitmapFontTest, MissingFileOrBareHeaderGiveAnEmptyFont) {
    BitmapFont missing("nowhere.fnt");
    auto bare = load("");
    auto nulBeforeLines = load(std::string("\0Char=41,2,0,14,28,-1,1\n", 24));
    for (BitmapFont* f : {&missing, bare.get(), nulBeforeLines.get()}) {
        EXPECT_EQ(glyphCount(*f), 0);
        f->render(10, 10, 0, "AB?");
        f->setColor(0xFF102030);
        EXPECT_EQ(f->color, 0xFF102030u);
        EXPECT_EQ(f->stringWidth("AB"), 0.0f);
    }
    EXPECT_TRUE(rec::logLines().empty());
    EXPECT_TRUE(rec::quads().empty());
    EXPECT_EQ(rec::liveResourceBlocks(), 0);
}

TEST_F(BitmapFontTest, GlyphsSitAtThePenAndAdvanceByTheirOffsets) {
    auto f = standard();
    f->render(100, 50, 0, "AB");
    std::vector<Quad> q = rec::quads();
    ASSERT_EQ(q.size(), 2u);
    EXPECT_FLOAT_EQ(q[0].v[0].x, 99);  // pre-offset -1
    EXPECT_FLOAT_EQ(q[0].v[0].y, 50);
    EXPECT_FLOAT_EQ(q[0].v[2].x, 113);
    EXPECT_FLOAT_EQ(q[0].v[2].y, 78);
    EXPECT_FLOAT_EQ(q[0].v[2].tx, 16.0f / 256);
    EXPECT_FLOAT_EQ(q[1].v[0].x, 114);  // 99 + 14 + post-offset 1
    EXPECT_FLOAT_EQ(q[1].v[2].y, 81);

    rec::clearRecords();
    f->scale = 0.5f;
    f->render(100, 50, 0, "AB");
    q = rec::quads();
    ASSERT_EQ(q.size(), 2u);
    EXPECT_FLOAT_EQ(q[0].v[0].x, 99.5f);
    EXPECT_FLOAT_EQ(q[0].v[2].x, 106.5f);  // 7 x 14 pixels
    EXPECT_FLOAT_EQ(q[0].v[2].y, 64.0f);
    EXPECT_FLOAT_EQ(q[1].v[0].x, 107.0f);  // then (1 + 14) x 0.5 further
}

TEST_F(BitmapFontTest, AlignmentUsesTheTwoLowBits) {
    auto f = standard();
    const struct {
        int align;
        const char* text;
        float firstLeft;  // left edge of the first glyph (pre-offset 0)
    } cases[] = {
        {0, "fs", 100}, {1, "fs", 88}, {2, "fs", 94}, {3, "fs", 100},
        {4, "fs", 100}, {5, "fs", 88}, {6, "fs", 94}, {2, "f", 98},  // width 5: 2.5 goes to 2
        {2, "s", 96},                                                // width 7: 3.5 goes to 4
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.align << " " << c.text);
        rec::clearRecords();
        f->render(100, 0, c.align, c.text);
        ASSERT_FALSE(rec::quads().empty());
        EXPECT_FLOAT_EQ(rec::quads()[0].v[0].x, c.firstLeft);
    }
    // Right alignment ends the last advance at x.
    rec::clearRecords();
    f->render(100, 0, 1, "A");
    EXPECT_FLOAT_EQ(rec::quads()[0].v[0].x, 100 - 14 + -1);  // pen at 86, then the pre-offset
}

TEST_F(BitmapFontTest, LineFeedsRoundTheirStepAndRealignEachLine) {
    auto f = load("Bitmap=font.png\nChar=\"f\",60,0,5,31,0,0\nChar=\"s\",70,0,7,10,0,0\n");
    ASSERT_EQ(f->lineHeight, 31.0f);
    const struct { float scale, step; } cases[] = {{1.0f, 31}, {0.5f, 16}, {1.5f, 46}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scale);
        f->scale = c.scale;
        rec::clearRecords();
        f->render(100, 10, 1, "ff\ns\n\ns");
        const std::vector<Quad> q = rec::quads();
        ASSERT_EQ(q.size(), 4u);
        EXPECT_FLOAT_EQ(q[0].v[0].y, 10);
        EXPECT_FLOAT_EQ(q[2].v[0].y, 10 + c.step);
        EXPECT_FLOAT_EQ(q[3].v[0].y, 10 + 3 * c.step);
        EXPECT_FLOAT_EQ(q[0].v[0].x, 100 - 10 * c.scale);  // each line right-aligned on its own
        EXPECT_FLOAT_EQ(q[2].v[0].x, 100 - 7 * c.scale);
    }
}

TEST_F(BitmapFontTest, UnknownBytesFallBackToTheQuestionMark) {
    auto f = standard();
    f->render(0, 0, 0, "Z\rA");  // CR is no line break: drawn as a glyph, here the '?'
    std::vector<Quad> q = rec::quads();
    ASSERT_EQ(q.size(), 3u);
    EXPECT_FLOAT_EQ(q[0].v[0].x, 1);  // '?' pre-offset 1
    EXPECT_FLOAT_EQ(q[0].v[2].tx, 48.0f / 256);
    EXPECT_FLOAT_EQ(q[1].v[0].x, 11);  // 1 + 8 + 1 + 1
    EXPECT_FLOAT_EQ(q[1].v[0].y, 0);
    EXPECT_FLOAT_EQ(q[2].v[0].x, 19);
    EXPECT_FLOAT_EQ(f->stringWidth("Z\r"), 20.0f);

    // Without a question mark unknown bytes are skipped and the pen stays.
    auto plain = load("Bitmap=font.png\nChar=\"A\",2,0,14,28,-1,1\nChar=0D,0,0,3,3,0,0\n");
    rec::clearRecords();
    plain->render(0, 0, 0,
                  "Z\xC3"
                  "A\r");
    q = rec::quads();
    ASSERT_EQ(q.size(), 2u);
    EXPECT_FLOAT_EQ(q[0].v[0].x, -1);
    EXPECT_FLOAT_EQ(q[1].v[2].x, 17);  // the CR glyph, 3 wide
}

TEST_F(BitmapFontTest, StringWidthStopsAtTheLineEnd) {
    auto f = standard();
    f->tracking = 2.0f;
    EXPECT_FLOAT_EQ(f->stringWidth("AB"), (14 + 0 + 2) + (10 + 2 + 2));
    EXPECT_FLOAT_EQ(f->stringWidth("AB\nAAAA"), 30);
    EXPECT_FLOAT_EQ(f->stringWidth(""), 0);
    f->scale = 0.5f;
    EXPECT_FLOAT_EQ(f->stringWidth("A"), 8);
}

TEST_F(BitmapFontTest, SetColorReachesEveryGlyph) {
    auto f = standard();
    f->setColor(0x80FF0000);
    EXPECT_EQ(f->color, 0x80FF0000u);
    for (const Sprite* g : f->glyphs) {
        if (!g) continue;
        for (const Vertex& v : g->quad.v) EXPECT_EQ(v.col, 0x80FF0000u);
    }
    f->render(0, 0, 0, "AB");
    for (const Quad& q : rec::quads()) EXPECT_EQ(q.v[3].col, 0x80FF0000u);
}

TEST_F(BitmapFontTest, PrintfFormatsAndCutsLongTexts) {
    auto f = standard();
    f->printf(100, 0, 1, "%c%d", 'A', 42);
    EXPECT_STREQ(f->textBuffer, "A42");
    ASSERT_EQ(rec::quads().size(), 3u);
    EXPECT_FLOAT_EQ(rec::quads()[2].v[2].x, 100 - 1 + 0.0f) << "right-aligned like render";

    rec::clearRecords();
    const std::string longText(1500, 'A');
    f->printf(0, 0, 0, "%s!", longText.c_str());
    EXPECT_EQ(std::string(f->textBuffer), longText.substr(0, 1023));
    EXPECT_EQ(rec::quads().size(), 1023u);
}

}  // namespace
