// The one Game lives in static storage: built before main (engine reference, random seed)
// and torn down after main has returned and shut the engine down.
#include "game/game.h"
#include "app/program.h"

namespace {
Game game;
}

int main() { return app::run(game); }
