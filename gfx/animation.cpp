#include "animation.h"

#include <limits>

#include "rounding.h"

namespace {
constexpr float RestartMarker = -1.0f;
}

Animation::Animation(HTexture texture, int frameCount, float fps, float x, float y, float w, float h)
    : Sprite(texture, x, y, w, h),
      playing(false),
      // A rate of 0 never advances: an infinite frame time, without dividing by zero.
      frameTime(fps != 0.0f ? 1.0f / fps : std::numeric_limits<float>::infinity()),
      sinceLastFrame(RestartMarker),
      mode(Loop),
      frameStep(1),
      frameCount(frameCount),
      currentFrame(0) {
    setFrame(0);
}

void Animation::play() {
    playing = true;
    sinceLastFrame = RestartMarker;
    if (mode & Reverse) {
        frameStep = -1;
        setFrame(frameCount > 0 ? frameCount - 1 : 0);
    } else {
        frameStep = 1;
        setFrame(0);
    }
}

void Animation::update(float dt) {
    if (!playing) return;
    if (sinceLastFrame == RestartMarker) {
        sinceLastFrame = 0.0f;
    } else {
        sinceLastFrame += dt;
    }
    // A frame time that is not positive (an infinite or negative rate) never advances.
    if (!(frameTime > 0.0f)) return;
    while (sinceLastFrame >= frameTime) {
        const float left = sinceLastFrame - frameTime;
        // Time too large to count off frame by frame at float precision is dropped rather
        // than looping for ever.
        sinceLastFrame = left < sinceLastFrame ? left : 0.0f;
        const int next = currentFrame + frameStep;
        const bool atEnd = next == frameCount;
        const bool atStart = !atEnd && next < 0;
        if (atEnd || atStart) {
            switch (mode) {
                case 0:
                    if (atEnd) playing = false;
                    break;
                case Reverse:
                    if (atStart) playing = false;
                    break;
                case PingPong:
                    if (atEnd) {
                        frameStep = -frameStep;
                    } else {
                        playing = false;
                    }
                    break;
                case Reverse | PingPong:
                    if (atEnd) {
                        playing = false;
                    } else {
                        frameStep = -frameStep;
                    }
                    break;
                case PingPong | Loop:
                case Reverse | PingPong | Loop:
                    frameStep = -frameStep;
                    break;
                default:  // the looping modes wrap through setFrame
                    break;
            }
        }
        if (playing) setFrame(currentFrame + frameStep);
    }
}

void Animation::setFrame(int n) {
    // Without frames there is only frame 0 to show.
    if (frameCount < 1) {
        n = 0;
    } else {
        n %= frameCount;
        if (n < 0) n += frameCount;
    }
    currentFrame = n;

    float left = texX + static_cast<float>(n) * width;
    float top = texY;
    const int frameWidth = gfx::nearestInt(width);
    const int perRow = frameWidth > 0 ? gfx::nearestInt(texWidth) / frameWidth : 0;
    // Frames that would reach past the texture's right edge continue on the rows below; a
    // texture narrower than one frame (or a frame under a texel wide) keeps them all in the
    // first row.
    if (left > texWidth - width && perRow > 0) {
        // 64-bit, so a far-off rectangle cannot overflow the frame arithmetic.
        const std::int64_t first = gfx::nearestInt(texWidth - texX) / frameWidth;
        const std::int64_t m = n - first;
        left = static_cast<float>(m % perRow) * width;
        top = texY + static_cast<float>(m / perRow + 1) * height;
    }

    const bool wasFlipX = flipX;
    const bool wasFlipY = flipY;
    flipX = false;
    flipY = false;
    const float uLeft = left / texWidth;
    const float vTop = top / texHeight;
    const float uRight = (left + width) / texWidth;
    const float vBottom = (top + height) / texHeight;
    quad.v[0].tx = uLeft;
    quad.v[0].ty = vTop;
    quad.v[1].tx = uRight;
    quad.v[1].ty = vTop;
    quad.v[2].tx = uRight;
    quad.v[2].ty = vBottom;
    quad.v[3].tx = uLeft;
    quad.v[3].ty = vBottom;
    setFlip(wasFlipX, wasFlipY);
}
