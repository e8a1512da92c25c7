// The Play screen: win and loss, the play states, planet selection and orbit shaping,
// spawning, the bonus and the rising number of planets needed.
//
// Sums and products are taken in double and rounded to float where they are stored.
#include "bodies/body.h"
#include "game/game.h"
#include "game/trunc.h"
#include "services.h"

namespace {
constexpr double kYearDays = 356.0;  // the win test's year; the calendar shown counts 365
constexpr double kYearsToWin = 30.0;
constexpr double kDaysPerGameSecond = 25.0;  // added twice per frame in Running and AdjustOrbit
constexpr float kTimerPeriod = 60.0f;
constexpr double kBonus = 0.05;
constexpr int kClickVolume = 75;
constexpr int kIncreaseVolume = 130;
constexpr int kMoveVolume = 60;
}  // namespace

bool Game::updatePlay(float dt) {
    hge->Channel_Resume(playMusicChannel);
    hge->Channel_Pause(menuMusicChannel);
    hge->Channel_Pause(instructionsMusicChannel);

    const float gameDelta = static_cast<float>(static_cast<double>(timeMultiplier) * dt);

    if (days / kYearDays > kYearsToWin && !hasWon) playState = Won;
    if (playState != Paused) timeMultiplier = static_cast<float>(timeMultiplier + dt / 1000.0);
    // After the win test, so that losing wins over winning in the same frame.
    if (sun->countPlanets() < planetsNeeded) playState = GameOver;

    switch (playState) {
        case Running:
            runningStep(dt, gameDelta);
            break;
        case AdjustOrbit:
            adjustOrbitStep(dt, gameDelta);
            break;
        case Paused:
            pausedStep();
            break;
        case GameOver:
            gameOverStep(dt, gameDelta);
            break;
        case Won:
            wonStep(dt, gameDelta);
            break;
        default:
            break;
    }

    if (playState != Paused && playState != GameOver) commonStep(dt, gameDelta);
    return true;
}

void Game::runningStep(float dt, float gameDelta) {
    cursorVisible = true;
    endFade = 0.0f;

    // The counter grows with itself, so spawns come ever more often. Once it passes the
    // 32-bit range its integer value is stuck at the lowest one and spawning stops.
    const std::int32_t step = truncToInt((static_cast<double>(spawnCounter) + 1000.0) * gameDelta);
    spawnCounter = static_cast<float>(static_cast<double>(spawnCounter) + step);
    if (truncToInt(spawnCounter) % 500 == 0) spawnPlanet();

    selectedBody = sun->hitTest(truncToInt(mouseX), truncToInt(mouseY));
    if (keyPressed(KEY_LBUTTON, leftButtonLatch)) selectUnderMouse();
    if (keyPressed(KEY_RBUTTON, rightButtonLatch)) selectUnderMouse();

    sun->update(*sun, gameDelta, dt);
    days = static_cast<float>(days + kDaysPerGameSecond * gameDelta);

    if (keyPressed(KEY_P, pauseLatch)) playState = Paused;
    if (keyPressed(KEY_ESCAPE, escapeLatch)) pendingScreen = MainMenu;
}

// A random point of the screen until one lands on a body (the sun's disc is always there);
// the new planet circles that body. A body with five live children drops the request.
void Game::spawnPlanet() {
    Body* parent = nullptr;
    while (!parent) {
        const int y = platform::rand() % 600;
        const int x = platform::rand() % 800;
        parent = sun->hitTest(x, y);
    }
    parent->addChild(*parent, false);
}

void Game::selectUnderMouse() {
    Body* hit = sun->hitTest(truncToInt(mouseX), truncToInt(mouseY));
    if (!hit || hit->isSun) return;

    selectedBody = hit;
    lastMouseX = lastMouseY = 0;
    hit->selected = true;
    playState = AdjustOrbit;
    hge->Effect_PlayEx(selectSound, kClickVolume, 0, 1.0f, false);
    hge->Channel_Resume(moveChannel);
    // The point that maps back onto the planet's present ellipse.
    hge->Input_SetMousePos(static_cast<float>(hit->ellipseX / 2.5 * 800.0),
                           static_cast<float>(hit->ellipseY / 2.5 * 600.0));
    cursorVisible = false;
}

void Game::releaseSelected(bool clearSelection) {
    if (clearSelection) selectedBody->selected = false;
    playState = Running;
    hge->Effect_PlayEx(deselectSound, kClickVolume, 0, 1.0f, false);
    hge->Channel_SetVolume(moveChannel, 0);
    hge->Channel_Pause(moveChannel);
    cursorVisible = true;
}

// The rest of the step runs in the frame of a release too.
void Game::adjustOrbitStep(float dt, float gameDelta) {
    Body& selected = *selectedBody;
    // A planet that died keeps its selected flag.
    if (!selected.alive) releaseSelected(false);
    if (keyPressed(KEY_RBUTTON, rightButtonLatch)) releaseSelected(true);
    if (keyPressed(KEY_LBUTTON, leftButtonLatch)) releaseSelected(true);

    selected.setSpeed(static_cast<float>(static_cast<double>(selected.speed) + hge->Input_GetMouseWheel()));
    if (hge->Input_GetKeyState(KEY_MINUS)) selected.setSpeed(static_cast<float>(selected.speed - 10.0 * dt));
    if (hge->Input_GetKeyState(KEY_EQUALS)) selected.setSpeed(static_cast<float>(selected.speed + 10.0 * dt));

    // The move sound is tuned every other count; the counter is the spawner's.
    spawnCounter = static_cast<float>(static_cast<double>(spawnCounter) + truncToInt(dt * 100.0));
    if (truncToInt(spawnCounter) % 2 == 0) {
        const bool moved = mouseX != lastMouseX || mouseY != lastMouseY;
        hge->Channel_SetVolume(moveChannel, moved ? kMoveVolume : 0);
        hge->Channel_SetPitch(moveChannel,
                              static_cast<float>((static_cast<double>(mouseX) + mouseY) / 700.0 + 1.0));
    }

    selected.setEllipse(static_cast<float>(mouseX / 800.0 * 2.5), static_cast<float>(mouseY / 600.0 * 2.5));

    hge->Input_GetMousePos(&mouseX, &mouseY);
    lastMouseX = truncToInt(mouseX);
    lastMouseY = truncToInt(mouseY);

    // The system runs at a quarter speed while an orbit is being shaped; the days do not.
    sun->update(*sun, static_cast<float>(gameDelta * 0.25), dt);
    days = static_cast<float>(days + kDaysPerGameSecond * gameDelta);

    if (keyPressed(KEY_P, pauseLatch)) playState = Paused;
}

void Game::pausedStep() {
    if (keyPressed(KEY_P, pauseLatch)) playState = Running;
}

void Game::gameOverStep(float dt, float gameDelta) {
    const double fade = static_cast<double>(endFade) + dt;
    endFade = static_cast<float>(fade > 1.0 ? 1.0 : fade);
    if (keyPressed(KEY_ENTER, enterLatch)) pendingScreen = MainMenu;
    if (keyPressed(KEY_ESCAPE, escapeLatch)) pendingScreen = MainMenu;
    sun->update(*sun, gameDelta, dt);
}

void Game::wonStep(float dt, float gameDelta) {
    hasWon = true;
    const double fade = static_cast<double>(endFade) + dt;
    endFade = static_cast<float>(fade > 1.0 ? 1.0 : fade);
    if (keyPressed(KEY_ENTER, enterLatch)) playState = Running;
    if (keyPressed(KEY_ESCAPE, escapeLatch)) pendingScreen = MainMenu;
    sun->update(*sun, gameDelta, dt);
}

// Collisions, days and the two minute timers, which run on frame time.
void Game::commonStep(float dt, float gameDelta) {
    if (sun->checkCollisions(*sun)) bonusTimer = kTimerPeriod;
    days = static_cast<float>(days + kDaysPerGameSecond * gameDelta);
    if (bonusTimer <= 0.0f) {
        bonusTimer = kTimerPeriod;
        timeMultiplier = static_cast<float>(timeMultiplier - kBonus);
    }
    if (increaseTimer <= 0.0f) {
        increaseTimer = kTimerPeriod;
        hge->Effect_PlayEx(increaseSound, kIncreaseVolume, 0, 1.0f, false);
        ++planetsNeeded;
    }
    increaseTimer = static_cast<float>(static_cast<double>(increaseTimer) - dt);
    bonusTimer = static_cast<float>(static_cast<double>(bonusTimer) - dt);
}
