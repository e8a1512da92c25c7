#include "gfx/animation.h"

#include <vector>

#include "engine_fixture.h"

namespace {

class AnimationTest : public EngineTest {
protected:
    HTexture texture(int w, int h) {
        rec::addTexture("sheet.png", w, h);
        return engine->Texture_Load("sheet.png");
    }
};

struct Rect {
    float left, top;
};

// The frame's top-left texel, from corner 0 of the unmirrored quad.
Rect frameTexel(const Animation& a) { return {a.quad.v[0].tx * a.texWidth, a.quad.v[0].ty * a.texHeight}; }

TEST_F(AnimationTest, FramesFillTheFirstRowUpToTheRightEdge) {
    Animation a(texture(256, 256), 4, 10, 0, 0, 64, 64);
    a.setFrame(3);
    EXPECT_FLOAT_EQ(a.quad.v[0].tx, 0.75f);
    EXPECT_FLOAT_EQ(a.quad.v[1].tx, 1.0f);
    EXPECT_FLOAT_EQ(a.quad.v[0].ty, 0.0f);
    EXPECT_FLOAT_EQ(a.quad.v[2].ty, 0.25f);
}

TEST_F(AnimationTest, FramesContinueOnRowsBelow) {
    Animation a(texture(256, 512), 8, 10, 128, 32, 64, 64);
    const Rect want[8] = {{128, 32}, {192, 32}, {0, 96}, {64, 96}, {128, 96}, {192, 96}, {0, 160}, {64, 160}};
    for (int n = 0; n < 8; ++n) {
        SCOPED_TRACE(n);
        a.setFrame(n);
        EXPECT_EQ(a.currentFrame, n);
        EXPECT_FLOAT_EQ(frameTexel(a).left, want[n].left);
        EXPECT_FLOAT_EQ(frameTexel(a).top, want[n].top);
        EXPECT_FLOAT_EQ(a.quad.v[2].tx * 256, want[n].left + 64);
        EXPECT_FLOAT_EQ(a.quad.v[2].ty * 512, want[n].top + 64);
    }
    EXPECT_EQ(a.texX, 128.0f);  // the frame rectangle lives in the quad only
    EXPECT_EQ(a.texY, 32.0f);
}

TEST_F(AnimationTest, SetFrameWrapsEitherWay) {
    Animation a(texture(512, 64), 8, 10, 0, 0, 64, 64);
    const struct { int n, shown; } cases[] = {{-1, 7}, {8, 0}, {-9, 7}, {17, 1}, {-16, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n);
        a.setFrame(c.n);
        EXPECT_EQ(a.currentFrame, c.shown);
        EXPECT_FLOAT_EQ(frameTexel(a).left, 64.0f * c.shown);
    }
}

TEST_F(AnimationTest, FramesThatCannotWrapStayInTheFirstRow) {
    // No texture counts as 1 texel wide: not even one frame fits in a row.
    Animation a(0, 4, 10, 0, 0, 64, 64);
    a.setFrame(2);
    EXPECT_FLOAT_EQ(a.quad.v[0].tx, 128.0f);
    EXPECT_FLOAT_EQ(a.quad.v[0].ty, 0.0f);
    // A frame under half a texel wide.
    Animation thin(texture(64, 64), 4, 10, 0, 0, 0.25f, 8);
    thin.setFrame(3);
    EXPECT_FLOAT_EQ(thin.quad.v[0].tx * 64, 0.75f);
    // No frames at all shows frame 0.
    Animation none(texture(64, 64), 0, 10, 0, 0, 16, 16);
    none.setFrame(5);
    EXPECT_EQ(none.currentFrame, 0);
    none.mode = Animation::Reverse;
    none.play();
    EXPECT_EQ(none.currentFrame, 0);
    // A rectangle far right of its texture: the row arithmetic must not overflow.
    Animation far(texture(64, 64), 4, 10, 1e10f, 0, 1, 1);
    far.setFrame(3);
    EXPECT_EQ(far.currentFrame, 3);
}

TEST_F(AnimationTest, FirstUpdateAfterPlayOnlyStartsTheClock) {
    Animation a(texture(256, 64), 4, 4, 0, 0, 64, 64);  // 0.25 s a frame
    a.update(1.0f);
    EXPECT_EQ(a.currentFrame, 0) << "a stopped animation does not run";
    a.play();
    a.update(100.0f);
    EXPECT_EQ(a.currentFrame, 0);
    EXPECT_EQ(a.sinceLastFrame, 0.0f);
    a.update(0.625f);  // 2.5 frame times
    EXPECT_EQ(a.currentFrame, 2);
    EXPECT_FLOAT_EQ(a.sinceLastFrame, 0.125f);
    a.update(0.125f);
    EXPECT_EQ(a.currentFrame, 3);
    a.update(0.25f);
    EXPECT_EQ(a.currentFrame, 0);
    a.update(0.25f);
    a.play();  // mid-sequence: back to the start
    EXPECT_EQ(a.currentFrame, 0);
    EXPECT_EQ(a.sinceLastFrame, -1.0f);
}

TEST_F(AnimationTest, EveryModeValueActsAtItsEnds) {
    struct Case {
        int mode;
        std::vector<int> frames;  // after play, then after each of six frame times
        bool playing;             // at the end
    } cases[] = {
        {0, {0, 1, 2, 2, 2, 2, 2}, false}, {1, {2, 1, 0, 0, 0, 0, 0}, false},
        {2, {0, 1, 2, 1, 0, 0, 0}, false}, {3, {2, 1, 0, 1, 2, 2, 2}, false},
        {4, {0, 1, 2, 0, 1, 2, 0}, true},  {5, {2, 1, 0, 2, 1, 0, 2}, true},
        {6, {0, 1, 2, 1, 0, 1, 2}, true},  {7, {2, 1, 0, 1, 2, 1, 0}, true},
        {8, {0, 1, 2, 0, 1, 2, 0}, true},  // unknown flags wrap
        {9, {2, 1, 0, 2, 1, 0, 2}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        Animation a(texture(192, 64), 3, 1, 0, 0, 64, 64);
        a.mode = c.mode;
        a.play();
        a.update(0.0f);
        std::vector<int> seen{a.currentFrame};
        for (int i = 0; i < 6; ++i) {
            a.update(1.0f);
            seen.push_back(a.currentFrame);
            EXPECT_FLOAT_EQ(frameTexel(a).left, 64.0f * a.currentFrame);
        }
        EXPECT_EQ(seen, c.frames);
        EXPECT_EQ(a.playing, c.playing);
    }
}

TEST_F(AnimationTest, StoppingInsideALongUpdateStillUsesUpItsTime) {
    Animation a(texture(192, 64), 3, 1, 0, 0, 64, 64);
    a.mode = 0;
    a.play();
    a.update(0.0f);
    a.update(5.5f);
    EXPECT_EQ(a.currentFrame, 2);
    EXPECT_FALSE(a.playing);
    EXPECT_FLOAT_EQ(a.sinceLastFrame, 0.5f);
}

TEST_F(AnimationTest, OneFrameLoopKeepsShowingIt) {
    Animation a(texture(64, 64), 1, 10, 0, 0, 64, 64);
    a.play();
    for (float dt : {0.0f, 0.1f, 0.35f}) a.update(dt);
    EXPECT_EQ(a.currentFrame, 0);
    EXPECT_FLOAT_EQ(a.quad.v[1].tx, 1.0f);
}

TEST_F(AnimationTest, MirroringIsKeptAcrossFrames) {
    Animation a(texture(256, 64), 4, 10, 0, 0, 64, 64);
    a.setFlip(true, false);
    a.setFrame(1);
    EXPECT_TRUE(a.flipX);
    EXPECT_FALSE(a.flipY);
    EXPECT_FLOAT_EQ(a.quad.v[0].tx, 0.5f);  // frame 1 spans 0.25..0.5, mirrored
    EXPECT_FLOAT_EQ(a.quad.v[1].tx, 0.25f);
    a.setFlip(false, false);
    EXPECT_FLOAT_EQ(a.quad.v[0].tx, 0.25f);
}

TEST_F(AnimationTest, RatesThatNeverAdvanceAndHugeStepsEnd) {
    Animation still(texture(256, 64), 4, 0, 0, 0, 64, 64);
    still.play();
    still.update(0.0f);
    still.update(1000.0f);
    EXPECT_EQ(still.currentFrame, 0);

    // Far more time than float steps can count off one frame at a time: must not hang.
    Animation fast(texture(256, 64), 4, 60, 0, 0, 64, 64);
    fast.play();
    fast.update(0.0f);
    fast.update(1e30f);
    EXPECT_LT(fast.sinceLastFrame, fast.frameTime);
    EXPECT_TRUE(fast.playing);
}

}  // namespace
