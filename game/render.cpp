// Game::render: the menu, the instructions page, the Play screen with its texts, then on
// every screen the fade overlay and the cursor.
#include "bodies/body.h"
#include "game/game.h"
#include "game/trunc.h"
#include "gfx/animation.h"
#include "gfx/bitmap_font.h"

namespace {

constexpr std::uint32_t kHighlight = 0xFF00C8FF;  // highlighted menu item, every Play text
constexpr std::uint32_t kDimmed = 0x9600C8FF;     // menu item not highlighted
constexpr std::uint32_t kGameOverRgb = 0x00C80000;
constexpr std::uint32_t kWonRgb = 0x0000C8FF;
constexpr float kTextScale = 0.5f;  // the font's scale between drawings

constexpr int kLeft = 0;
constexpr int kRight = 1;
constexpr int kCentre = 2;

// Alpha 0..255 from a 0..1 level, over the colour's red, green and blue.
std::uint32_t withAlpha(std::uint32_t rgb, float level) {
    const std::int32_t alpha = truncToInt(static_cast<double>(level) * 255.0);
    return (rgb & 0x00FFFFFF) | (static_cast<std::uint32_t>(alpha) << 24);
}

struct TextLine {
    float y;
    const char* text;
};

// As the page has always read.
constexpr TextLine kInstructions[] = {
    {5, "Welcome to 'Velkaro'!"},
    {30, "The game is simple, you are given control"},
    {55, "of a Solar System, and you need to preserve it."},
    {80, "You do this by adusting the speed and orbit"},
    {105, "of every planet in the system."},
    {155, "The controls are easy too!"},
    {180, "All you have to do it click a planet"},
    {205, "orbiting the Sun. Move your mouse"},
    {230, "to adjust its orbit, and using your"},
    {255, "mouse wheel or the plus (+) and minus (-) keys"},
    {280, "you can change the planets velocity."},
    {330, "You'll get a bonus every 60 seconds of game time"},
    {355, "providing you don't lose any planets before time expires."},
    {380, "Losing planets a planet with reset the bonus timer."},
    {405, "If you manage to get the bonus, you'll see a"},
    {430, "deduction from the time multiplier, giving you"},
    {455, "more time to make decisions."},
    {480, "You will lose if you fall below the minimum"},
    {505, "number of planets required. So be careful!"},
    {530, "If you can survive for 30 years, then you're"},
    {555, "probably doing something right. Good Luck!"},
};

constexpr TextLine kMenuItems[] = {
    {440, "Start Game"},
    {490, "Instructions"},
    {540, "Exit"},
};

}  // namespace

bool Game::render() {
    switch (screen) {
        case MainMenu:
            renderMainMenu();
            break;
        case Instructions:
            renderInstructions();
            break;
        case Play:
            renderPlay();
            break;
        default:
            break;
    }
    renderFadeAndCursor();
    return true;
}

void Game::renderMainMenu() {
    hge->Gfx_RenderQuad(&backgroundQuad);
    for (int item = 0; item < 3; ++item) {
        font->setColor(item == menuIndex ? kHighlight : kDimmed);
        font->printf(400.0f, kMenuItems[item].y, kCentre, "%s", kMenuItems[item].text);
    }
}

// No colour of its own: the page keeps what the menu drew last.
void Game::renderInstructions() {
    hge->Gfx_RenderQuad(&backgroundQuad);
    font->scale = kTextScale;
    for (const TextLine& line : kInstructions) font->printf(400.0f, line.y, kCentre, "%s", line.text);
}

void Game::renderPlay() {
    font->setColor(kHighlight);
    sun->render();

    if (playState != GameOver) {
        font->scale = kTextScale;
        const std::int32_t seconds = truncToInt(increaseTimer);
        font->printf(580.0f, 570.0f, kLeft, "Planet Increase: %i:%02.f", seconds / 60,
                     static_cast<double>(seconds % 60));
        font->printf(580.0f, 545.0f, kLeft, "Next Bonus:");
        font->printf(737.0f, 545.0f, kLeft, "%.2f", static_cast<double>(bonusTimer));
    }

    switch (playState) {
        case Running:
            font->scale = 0.75f;
            font->printf(5.0f, 5.0f, kLeft, "Time Multiplier: ");
            font->printf(300.0f, 5.0f, kLeft, "%.f %%", static_cast<double>(timeMultiplier) * 1000.0);
            break;
        case AdjustOrbit:
            font->scale = 0.75f;
            font->printf(5.0f, 5.0f, kLeft, "Adjust Orbit");
            font->scale = 0.55f;
            font->printf(700.0f, 5.0f, kRight, "Selected Planets Velocity:");
            font->printf(790.0f, 5.0f, kRight, "%.2f", static_cast<double>(selectedBody->speed));
            break;
        case Paused:
            font->scale = 1.5f;
            font->printf(400.0f, 50.0f, kCentre, "PAUSED");
            break;
        case GameOver:
            font->setColor(withAlpha(kGameOverRgb, endFade));
            font->scale = 1.5f;
            font->printf(400.0f, 50.0f, kCentre, "GAMEOVER");
            break;
        case Won:
            font->setColor(withAlpha(kWonRgb, endFade));
            font->scale = 1.5f;
            font->printf(400.0f, 50.0f, kCentre, "You WIN!");
            font->scale = kTextScale;
            font->printf(400.0f, 130.0f, kCentre, "I knew you had it in you.");
            font->printf(400.0f, 160.0f, kCentre, "Press Enter to continue playing");
            font->printf(400.0f, 190.0f, kCentre, "Or Escape to return to the Main Menu");
            break;
        default:
            break;
    }
    font->scale = kTextScale;

    if (playState != GameOver) {
        // The calendar shown has years of 365 days in months of 31.
        const std::int32_t d = truncToInt(days);
        font->setColor(kHighlight);
        font->printf(5.0f, 470.0f, kLeft, "Planet Count: %i", sun->countPlanets());
        font->printf(5.0f, 495.0f, kLeft, "Planets Needed: %i", planetsNeeded);
        font->printf(5.0f, 520.0f, kLeft, "Year(s): %i", d / 365);
        font->printf(5.0f, 545.0f, kLeft, "Month(s): %i", (d % 365) / 31);
        font->printf(5.0f, 570.0f, kLeft, "Day(s): %i", (d % 365) % 31);
    }
}

void Game::renderFadeAndCursor() {
    fadeColor = withAlpha(fadeColor, fadeLevel);
    for (Vertex& v : fadeQuad.v) v.col = fadeColor;
    hge->Gfx_RenderQuad(&fadeQuad);
    if (cursorVisible) cursor->render(mouseX, mouseY);
}
