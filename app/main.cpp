// The one Game lives in static storage: built before main (engine reference, random seed)
// and torn down after main has returned and shut the engine down.
#include "app/program.h"
#include "game/game.h"

namespace {
Game game;
}

int main() { return app::run(game); }
