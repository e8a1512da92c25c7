// A sprite whose texture rectangle steps through equally sized frames at a fixed rate.
#pragma once

#include <cstdint>

#include "sprite.h"

class Animation : public Sprite {
public:
    // Mode flags, combined by OR.
    enum AnimMode : std::int32_t {
        Reverse = 1,   // play starts at the last frame and steps backwards
        PingPong = 2,  // the direction turns at an end
        Loop = 4,      // never stops at an end
    };

    // Frame 0 is the rectangle (x, y, w, h); later frames follow to the right and go on in
    // rows below from the texture's left edge. Starts stopped, showing frame 0, looping.
    Animation(HTexture texture, int frameCount, float fps, float x, float y, float w, float h);

    // Starts again from the first frame (the last one when reversed).
    void play();
    // Advances by dt seconds; the first update after play() only starts the clock.
    void update(float dt);
    // Shows frame n modulo frameCount; mirroring is kept.
    void setFrame(int n);

    bool playing;
    float frameTime;
    float sinceLastFrame;  // exactly -1 marks "restarted, clock not running yet"
    std::int32_t mode;
    std::int32_t frameStep;
    std::int32_t frameCount;
    std::int32_t currentFrame;
};
