// The one Game lives in static storage and is built before main (engine reference, random
// seed). It is torn down at exit by a handler registered when the entry has returned, so
// it goes before every object that the engine and the bodies create on first use during
// the run: exit handlers and static objects are undone in the reverse order of their
// registration. A plain static Game would be destroyed after those and free its sounds
// and bodies into caches that no longer exist.
#include <cstdlib>
#include <new>

#include "app/program.h"
#include "game/game.h"

namespace {

alignas(Game) unsigned char storage[sizeof(Game)];
Game& game = *new (storage) Game;

void tearDownGame() { game.~Game(); }

}  // namespace

int main() {
    const int result = app::run(game);
    std::atexit(tearDownGame);
    return result;
}
