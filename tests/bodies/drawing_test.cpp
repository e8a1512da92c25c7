// Drawing the tree: order of pictures, rings and glow; ring colours; transparency.
#include <cmath>
#include <map>
#include <string>

#include "body_fixture.h"

namespace bodytest {
namespace {

constexpr int RingDashes = 181;

class Drawing : public BodyTest {
protected:
    void SetUp() override {
        BodyTest::SetUp();
        sun = makeSun();
    }

    // A grown planet of the sun on a circle of `radius`, at `angle` once updated.
    Body& planet(Body& parent, float radius, float angle) {
        Body& p = addChild(parent, true);
        p.radius = radius;
        p.ellipseX = 1.0f;
        p.ellipseY = 1.0f;
        p.angle = angle;
        return p;
    }

    // What was drawn, one word per picture or ring; repeated particles count once.
    std::vector<std::string> drawnWords(const std::map<const Body*, std::string>& names) const {
        std::vector<std::string> words;
        auto add = [&words](const std::string& w) {
            if (words.empty() || words.back() != w || w.find("ring") == 0) words.push_back(w);
        };
        const auto& draws = rec::draws();
        bool sunDrawn = false;
        for (std::size_t i = 0; i < draws.size(); ++i) {
            const rec::Draw& d = draws[i];
            if (d.kind == rec::Draw::QuadDraw) {
                const float cx = (d.quad.v[0].x + d.quad.v[2].x) / 2;
                const float cy = (d.quad.v[0].y + d.quad.v[2].y) / 2;
                if (d.quad.tex == sun->sheet.texture) {
                    add(sunDrawn ? "glow" : "sun");
                    sunDrawn = true;
                } else if (d.quad.tex == sun->children[0].ouchTexture) {
                    add("boom");
                } else {
                    std::string word = "?";
                    for (const auto& [body, name] : names)
                        if (std::fabs(body->x - cx) < 0.5f && std::fabs(body->y - cy) < 0.5f) word = name;
                    add(word);
                }
            } else if (d.kind == rec::Draw::LineDraw) {
                // A ring starts at the right end of its ellipse.
                std::string word = "ring ?";
                for (const auto& [body, name] : names) {
                    const float startX = body->parentX + body->ellipseX * body->radius;
                    if (std::fabs(d.line.x1 - startX) < 0.01f && std::fabs(d.line.y1 - body->parentY) < 0.01f)
                        word = "ring " + name;
                }
                add(word);
                i += RingDashes - 1;
            }
        }
        return words;
    }

    std::unique_ptr<Body> sun;
};

TEST_F(Drawing, SunThenEachPlanetWithItsMoonsThenItsRingGlowLast) {
    Body& p0 = planet(*sun, 100.0f, 0.0f);
    Body& moon = planet(p0, 30.0f, 0.0f);
    Body& p1 = planet(*sun, 150.0f, 1.5707964f);
    sun->update(*sun, 0.0f, 0.25f);
    ASSERT_GT(sun->particles->liveCount, 0);
    rec::clearRecords();
    sun->render();
    const std::vector<std::string> want = {"sun",     "p0", "moon",    "ring moon",
                                           "ring p0", "p1", "ring p1", "glow"};
    EXPECT_EQ(drawnWords({{&p0, "p0"}, {&moon, "moon"}, {&p1, "p1"}}), want);
    EXPECT_EQ(rec::lines().size(), 3u * RingDashes);
}

TEST_F(Drawing, BodiesSitOnTheirPositionsAtTheirScale) {
    Body& p0 = planet(*sun, 100.0f, 0.0f);
    sun->update(*sun, 0.0f, 0.01f);
    rec::clearRecords();
    sun->render();
    const auto quads = rec::quads();
    ASSERT_GE(quads.size(), 2u);
    EXPECT_EQ(quads[0].v[0].x, 368.0f);
    EXPECT_EQ(quads[0].v[2].y, 332.0f);
    EXPECT_EQ(quads[0].blend, 0);
    EXPECT_EQ(p0.x, 500);
    EXPECT_FLOAT_EQ(quads[1].v[0].x, 500.0f - 32.0f * 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(quads[1].v[2].y, 300.0f + 32.0f * 2.0f / 3.0f);
}

TEST_F(Drawing, RingColours) {
    struct Case {
        const char* name;
        bool selected;
        float fade, ringFade, lastDelta;
        std::uint32_t alpha;
    };
    const Case cases[] = {
        {"unselected", false, 1.0f, 1.0f, 0.01f, 150},
        {"selected", true, 1.0f, 1.0f, 0.01f, 255},
        {"exploding", false, 0.5f, 1.0f, 0.01f, 75},
        {"exploding, selected", true, 0.5f, 1.0f, 0.01f, 127},
        {"exploded", true, 0.0f, 1.0f, 0.01f, 0},
        {"new", false, 1.0f, 0.0f, 0.01f, 0},  // 150 * 0.005 truncates to 0
        {"fading in", false, 1.0f, 0.0f, 1.0f, 75},
        {"fading in, selected", true, 1.0f, 0.25f, 0.5f, 127},
    };
    Body& p = planet(*sun, 100.0f, 0.0f);
    sun->update(*sun, 0.0f, 0.01f);
    for (const Case& c : cases) {
        rec::clearRecords();
        p.fade = c.fade;
        p.ringFade = c.ringFade;
        p.lastDelta = c.lastDelta;
        p.drawRing(c.selected);
        const auto lines = rec::lines();
        ASSERT_EQ(lines.size(), static_cast<std::size_t>(RingDashes)) << c.name;
        int white = 0;
        for (const rec::Line& l : lines) {
            EXPECT_EQ(l.color >> 24, c.alpha) << c.name;
            const std::uint32_t rgb = l.color & 0xFFFFFF;
            EXPECT_TRUE(rgb == 0x6464FF || (c.selected && rgb == 0xFFFFFF)) << c.name << std::hex << rgb;
            white += rgb == 0xFFFFFF;
            EXPECT_EQ(l.z, 0.5f);
        }
        if (c.selected) {
            // The first dash is white, the next two are not; about a third in all.
            EXPECT_EQ(lines[0].color & 0xFFFFFF, 0xFFFFFFu) << c.name;
            EXPECT_EQ(lines[1].color & 0xFFFFFF, 0x6464FFu) << c.name;
            EXPECT_EQ(lines[2].color & 0xFFFFFF, 0x6464FFu) << c.name;
            EXPECT_GE(white, 50) << c.name;
            EXPECT_LE(white, 70) << c.name;
        } else {
            EXPECT_EQ(white, 0) << c.name;
        }
    }
}

TEST_F(Drawing, RingFollowsTheEllipseInOneDegreeDashes) {
    Body& p = planet(*sun, 100.0f, 0.0f);
    p.ellipseX = 1.5f;
    p.ellipseY = 0.5f;
    sun->update(*sun, 0.0f, 0.01f);
    rec::clearRecords();
    p.drawRing(false);
    const auto lines = rec::lines();
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(RingDashes));
    EXPECT_FLOAT_EQ(lines[0].x1, 550.0f);
    EXPECT_FLOAT_EQ(lines[0].y1, 300.0f);
    const float oneDegree = 0.017453292f;
    EXPECT_NEAR(lines[0].x2, 400.0f + std::cos(oneDegree) * 150.0f, 1e-3f);
    EXPECT_NEAR(lines[0].y2, 300.0f + std::sin(oneDegree) * 50.0f, 1e-3f);
    // The next dash starts two degrees on; the last one about a full turn after the first.
    EXPECT_NEAR(lines[1].y1, 300.0f + std::sin(2 * oneDegree) * 50.0f, 1e-3f);
    EXPECT_NEAR(lines.back().x1, 550.0f, 0.01f);
    EXPECT_NEAR(lines.back().y1, 300.0f, 0.01f);
    for (const rec::Line& l : lines) {
        const float u = (l.x2 - 400.0f) / 150.0f, v = (l.y2 - 300.0f) / 50.0f;
        EXPECT_NEAR(u * u + v * v, 1.0f, 1e-4f);
    }
}

TEST_F(Drawing, RingFadesInWithEveryDrawing) {
    Body& p = planet(*sun, 100.0f, 0.0f);
    sun->update(*sun, 0.0f, 0.25f);
    sun->render();
    sun->render();
    EXPECT_FLOAT_EQ(p.ringFade, 0.25f);
    for (int i = 0; i < 10; ++i) sun->render();
    EXPECT_EQ(p.ringFade, 1.0f);
}

TEST_F(Drawing, NoRingForFlyingBodiesOrTheSun) {
    Body& p = planet(*sun, 100.0f, 0.0f);
    Body& moon = planet(p, 30.0f, 0.0f);
    sun->update(*sun, 0.0f, 0.25f);
    p.flyingAway = true;
    moon.flyingAway = true;
    rec::clearRecords();
    sun->render();
    EXPECT_TRUE(rec::lines().empty());
    EXPECT_EQ(drawnWords({{&p, "p"}, {&moon, "moon"}}),
              (std::vector<std::string>{"sun", "p", "moon", "glow"}));
}

TEST_F(Drawing, YoungBodiesAreHalfTransparent) {
    struct Case {
        float age;
        std::uint32_t alpha;
    };
    const Case cases[] = {{0.0f, 0x7D}, {0.99f, 0x7D}, {1.0f, 0xFF}, {1.1f, 0xFF}};
    Body& p = planet(*sun, 100.0f, 0.0f);
    sun->update(*sun, 0.0f, 0.01f);
    for (const Case& c : cases) {
        p.age = c.age;
        rec::clearRecords();
        sun->render();
        const auto quads = rec::quads();
        ASSERT_GE(quads.size(), 2u);
        for (const Vertex& v : quads[1].v) {
            EXPECT_EQ(v.col >> 24, c.alpha) << c.age;
            EXPECT_EQ(v.col & 0xFFFFFF, p.color & 0xFFFFFF) << c.age;
        }
    }
}

TEST_F(Drawing, ExplodedPlanetTurnsIntoParticles) {
    Body& p = planet(*sun, 100.0f, 0.0f);
    Body& other = planet(*sun, 100.0f, 0.0f);
    sun->update(*sun, 0.0f, 0.25f);
    ASSERT_TRUE(sun->checkCollisions(*sun));
    // Until the next update its fade is still exactly 1: it is drawn whole.
    rec::clearRecords();
    sun->render();
    std::map<const Body*, std::string> names = {{&p, "p"}};
    EXPECT_EQ(drawnWords(names), (std::vector<std::string>{"sun", "p", "ring p", "p", "ring p", "glow"}));
    (void)other;

    sun->update(*sun, 0.0f, 0.25f);
    rec::clearRecords();
    sun->render();
    EXPECT_EQ(drawnWords(names),
              (std::vector<std::string>{"sun", "boom", "ring p", "boom", "ring p", "glow"}));
    // The rings fade out with the explosion.
    EXPECT_EQ(rec::lines().front().color >> 24, static_cast<std::uint32_t>(150 * 0.875f * p.ringFade));
}

}  // namespace
}  // namespace bodytest
