#include "gfx/sprite.h"

#include <cmath>
#include <memory>

#include "engine_fixture.h"

namespace {

using SpriteTest = EngineTest;

struct Corner {
    float x, y;
};

void expectCorners(const Quad& q, const Corner (&want)[4], float tolerance = 0.0f) {
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        if (tolerance == 0.0f) {
            EXPECT_FLOAT_EQ(q.v[i].x, want[i].x);
            EXPECT_FLOAT_EQ(q.v[i].y, want[i].y);
        } else {
            EXPECT_NEAR(q.v[i].x, want[i].x, tolerance);
            EXPECT_NEAR(q.v[i].y, want[i].y, tolerance);
        }
    }
}

void expectTexCoords(const Quad& q, const Corner (&want)[4]) {
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_FLOAT_EQ(q.v[i].tx, want[i].x);
        EXPECT_FLOAT_EQ(q.v[i].ty, want[i].y);
    }
}

const Quad& lastQuad() { return rec::draws().back().quad; }

TEST_F(SpriteTest, WithoutTextureCoordinatesAreTexels) {
    Sprite s(0, 16, 8, 64, 32);
    EXPECT_EQ(s.texWidth, 1.0f);
    EXPECT_EQ(s.texHeight, 1.0f);
    expectTexCoords(s.quad, {{16, 8}, {80, 8}, {80, 40}, {16, 40}});
    EXPECT_EQ(s.quad.tex, 0u);
    EXPECT_EQ(s.quad.blend, BLEND_DEFAULT);
    for (const Vertex& v : s.quad.v) {
        EXPECT_EQ(v.z, 0.5f);
        EXPECT_EQ(v.col, 0xFFFFFFFFu);
    }
}

TEST_F(SpriteTest, TextureCoordinatesDivideByTheTextureSize) {
    rec::addTexture("Texture/Sheet.png", 256, 128);
    const HTexture tex = engine->Texture_Load("Texture\\Sheet.png");
    ASSERT_NE(tex, 0u);
    Sprite s(tex, 64, 32, 64, 32);
    EXPECT_EQ(s.texWidth, 256.0f);
    EXPECT_EQ(s.texHeight, 128.0f);
    expectTexCoords(s.quad, {{0.25f, 0.25f}, {0.5f, 0.25f}, {0.5f, 0.5f}, {0.25f, 0.5f}});
    s.render(0, 0);
    EXPECT_EQ(lastQuad().tex, tex);
}

TEST_F(SpriteTest, UnknownTextureSizeCountsAsOneTexel) {
    Sprite s(12345, 0, 0, 64, 32);  // a handle the engine does not know reports size 0
    EXPECT_EQ(s.texWidth, 1.0f);
    EXPECT_EQ(s.texHeight, 1.0f);
    EXPECT_FLOAT_EQ(s.quad.v[2].tx, 64.0f);
}

TEST_F(SpriteTest, RenderPlacesTheHotSpotAtThePoint) {
    struct Case {
        float hotX, hotY;
        Corner want[4];
    } cases[] = {
        {0, 0, {{100, 50}, {164, 50}, {164, 82}, {100, 82}}},
        {32, 16, {{68, 34}, {132, 34}, {132, 66}, {68, 66}}},
        {64, 0, {{36, 50}, {100, 50}, {100, 82}, {36, 82}}},
    };
    Sprite s(0, 0, 0, 64, 32);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hotX);
        s.setHotSpot(c.hotX, c.hotY);
        rec::clearRecords();
        s.render(100, 50);
        ASSERT_EQ(rec::quads().size(), 1u);
        expectCorners(lastQuad(), c.want);
    }
}

TEST_F(SpriteTest, RenderExScalesAboutTheHotSpot) {
    struct Case {
        const char* name;
        float rot, hscale, vscale;
        Corner want[4];
    } cases[] = {
        {"unit scale equals render", 0, 1, 1, {{68, 84}, {132, 84}, {132, 116}, {68, 116}}},
        {"zero vscale follows hscale", 0, 2, 0, {{36, 68}, {164, 68}, {164, 132}, {36, 132}}},
        {"separate scales", 0, 2, 0.5f, {{36, 92}, {164, 92}, {164, 108}, {36, 108}}},
        {"negative scale mirrors", 0, -1, 1, {{132, 84}, {68, 84}, {68, 116}, {132, 116}}},
    };
    Sprite s(0, 0, 0, 64, 32);
    s.setHotSpot(32, 16);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        s.renderEx(100, 100, c.rot, c.hscale, c.vscale);
        expectCorners(lastQuad(), c.want);
    }
    // Same as render at the same point.
    s.render(100, 100);
    expectCorners(lastQuad(), cases[0].want);
}

TEST_F(SpriteTest, RenderExTurnsClockwiseAboutTheHotSpot) {
    Sprite s(0, 0, 0, 64, 64);
    s.setHotSpot(32, 32);
    s.renderEx(100, 100, static_cast<float>(M_PI / 2), 1, 1);
    // The texture's top-left corner swings to the top-right.
    expectCorners(lastQuad(), {{132, 68}, {132, 132}, {68, 132}, {68, 68}}, 1e-4f);
}

TEST_F(SpriteTest, SetFlipMirrorsOnceAndRestores) {
    Sprite s(0, 16, 8, 64, 32);
    const Quad original = s.quad;
    s.setFlip(true, false);
    s.setFlip(true, false);
    expectTexCoords(s.quad, {{80, 8}, {16, 8}, {16, 40}, {80, 40}});
    EXPECT_TRUE(s.flipX);
    s.setFlip(true, true);
    expectTexCoords(s.quad, {{80, 40}, {16, 40}, {16, 8}, {80, 8}});
    s.setFlip(false, true);
    expectTexCoords(s.quad, {{16, 40}, {80, 40}, {80, 8}, {16, 8}});
    s.setFlip(false, false);
    expectTexCoords(s.quad, {{original.v[0].tx, original.v[0].ty},
                             {original.v[1].tx, original.v[1].ty},
                             {original.v[2].tx, original.v[2].ty},
                             {original.v[3].tx, original.v[3].ty}});
    EXPECT_FALSE(s.flipX);
    EXPECT_FALSE(s.flipY);
}

TEST_F(SpriteTest, MirroringLeavesTheDrawnRectangleInPlace) {
    Sprite s(0, 0, 0, 64, 32);
    s.setHotSpot(10, 5);
    s.setFlip(true, true);
    s.render(100, 50);
    expectCorners(lastQuad(), {{90, 45}, {154, 45}, {154, 77}, {90, 77}});
}

TEST_F(SpriteTest, SetColorWritesOneCornerOrAll) {
    Sprite s(0, 0, 0, 8, 8);
    s.setColor(0x80112233, 2);
    EXPECT_EQ(s.quad.v[0].col, 0xFFFFFFFFu);
    EXPECT_EQ(s.quad.v[1].col, 0xFFFFFFFFu);
    EXPECT_EQ(s.quad.v[2].col, 0x80112233u);
    EXPECT_EQ(s.quad.v[3].col, 0xFFFFFFFFu);
    s.setColor(0x80112233, 4);  // not a corner: ignored
    s.setColor(0x80112233, -2);
    EXPECT_EQ(s.quad.v[3].col, 0xFFFFFFFFu);
    s.setColor(0x10203040);
    for (const Vertex& v : s.quad.v) EXPECT_EQ(v.col, 0x10203040u);
    s.render(0, 0);
    for (const Vertex& v : lastQuad().v) EXPECT_EQ(v.col, 0x10203040u);
}

TEST_F(SpriteTest, BlendModeReachesTheEngine) {
    Sprite s(0, 0, 0, 8, 8);
    s.setBlendMode(0);
    s.renderEx(0, 0, 0, 1, 0);
    EXPECT_EQ(lastQuad().blend, 0);
}

TEST_F(SpriteTest, EachSpriteHoldsOneEngineReference) {
    auto a = std::make_unique<Sprite>(0, 0, 0, 8, 8);
    auto b = std::make_unique<Sprite>(0, 0, 0, 8, 8);
    EXPECT_EQ(rec::references(), referencesAtStart + 2);
    a.reset();
    EXPECT_EQ(rec::references(), referencesAtStart + 1);
    b->render(0, 0);  // the shared engine pointer still works for the survivor
    EXPECT_EQ(rec::quads().size(), 1u);
}

}  // namespace
