// The program entry and the two callbacks the engine calls once per frame.
#pragma once

class Game;
struct Backdrop;

namespace app {

// Sets the engine up (windowed when Space is held at this moment), resets `game` and runs
// the frame loop until the game asks to quit; then shuts the engine down. Always 0.
int run(Game& game);

// The backdrop of the running program, as the frames left it.
const Backdrop& backdrop();

}  // namespace app
