// Keys and mouse. The game's key numbers are Windows virtual-key codes; SDL scancodes are
// mapped onto them. Before the window exists, keys are read from the X server's keymap.
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "core.h"

namespace desktop {
namespace {

struct Input {
    std::array<bool, 256> down{};
    // Went down during the events of this frame: a tap shorter than a frame still reads as
    // held for that one frame instead of being lost between two frames.
    std::array<bool, 256> pressed{};
    float mouseX = 0.0f;
    float mouseY = 0.0f;
    int wheel = 0;
    Display* display = nullptr;
    bool displayTried = false;
    // Where the last warp put the pointer: its motion event keeps the exact position set.
    bool warpPending = false;
    int warpX = 0;
    int warpY = 0;
};

Input& input() {
    static Input& i = *new Input;
    return i;
}

int keyFromScancode(SDL_Scancode code) {
    if (code >= SDL_SCANCODE_A && code <= SDL_SCANCODE_Z) return 'A' + (code - SDL_SCANCODE_A);
    if (code >= SDL_SCANCODE_1 && code <= SDL_SCANCODE_9) return '1' + (code - SDL_SCANCODE_1);
    switch (code) {
        case SDL_SCANCODE_0:
            return '0';
        case SDL_SCANCODE_RETURN:
        case SDL_SCANCODE_KP_ENTER:
            return KEY_ENTER;
        case SDL_SCANCODE_ESCAPE:
            return KEY_ESCAPE;
        case SDL_SCANCODE_SPACE:
            return KEY_SPACE;
        case SDL_SCANCODE_BACKSPACE:
            return KEY_BACKSPACE;
        case SDL_SCANCODE_TAB:
            return KEY_TAB;
        case SDL_SCANCODE_LEFT:
            return KEY_LEFT;
        case SDL_SCANCODE_UP:
            return KEY_UP;
        case SDL_SCANCODE_RIGHT:
            return KEY_RIGHT;
        case SDL_SCANCODE_DOWN:
            return KEY_DOWN;
        case SDL_SCANCODE_LSHIFT:
        case SDL_SCANCODE_RSHIFT:
            return KEY_SHIFT;
        case SDL_SCANCODE_LCTRL:
        case SDL_SCANCODE_RCTRL:
            return KEY_CTRL;
        case SDL_SCANCODE_LALT:
        case SDL_SCANCODE_RALT:
            return KEY_ALT;
        case SDL_SCANCODE_EQUALS:
            return KEY_EQUALS;
        case SDL_SCANCODE_MINUS:
            return KEY_MINUS;
        case SDL_SCANCODE_KP_PLUS:
            return KEY_ADD;
        case SDL_SCANCODE_KP_MINUS:
            return KEY_SUBTRACT;
        default:
            return 0;
    }
}

int keyFromButton(Uint8 button) {
    switch (button) {
        case SDL_BUTTON_LEFT:
            return KEY_LBUTTON;
        case SDL_BUTTON_RIGHT:
            return KEY_RBUTTON;
        case SDL_BUTTON_MIDDLE:
            return KEY_MBUTTON;
        default:
            return 0;
    }
}

// The X keysyms that stand for a game key; a key held on either side counts.
std::array<KeySym, 2> keysymsOf(int key) {
    if (key >= 'A' && key <= 'Z') return {static_cast<KeySym>(XK_a + (key - 'A')), NoSymbol};
    if (key >= '0' && key <= '9') return {static_cast<KeySym>(XK_0 + (key - '0')), NoSymbol};
    switch (key) {
        case KEY_ENTER:
            return {XK_Return, XK_KP_Enter};
        case KEY_ESCAPE:
            return {XK_Escape, NoSymbol};
        case KEY_SPACE:
            return {XK_space, NoSymbol};
        case KEY_BACKSPACE:
            return {XK_BackSpace, NoSymbol};
        case KEY_TAB:
            return {XK_Tab, NoSymbol};
        case KEY_LEFT:
            return {XK_Left, NoSymbol};
        case KEY_UP:
            return {XK_Up, NoSymbol};
        case KEY_RIGHT:
            return {XK_Right, NoSymbol};
        case KEY_DOWN:
            return {XK_Down, NoSymbol};
        case KEY_SHIFT:
            return {XK_Shift_L, XK_Shift_R};
        case KEY_CTRL:
            return {XK_Control_L, XK_Control_R};
        case KEY_ALT:
            return {XK_Alt_L, XK_Alt_R};
        case KEY_EQUALS:
            return {XK_equal, NoSymbol};
        case KEY_MINUS:
            return {XK_minus, NoSymbol};
        case KEY_ADD:
            return {XK_KP_Add, NoSymbol};
        case KEY_SUBTRACT:
            return {XK_KP_Subtract, NoSymbol};
        default:
            return {NoSymbol, NoSymbol};
    }
}

Display* xDisplay() {
    Input& in = input();
    if (!in.displayTried) {
        in.displayTried = true;
        in.display = XOpenDisplay(nullptr);
    }
    return in.display;
}

// Asks the X server whether a key or mouse button is held; false without an X display.
bool xKeyState(int key) {
    Display* display = xDisplay();
    if (!display) return false;
    if (key == KEY_LBUTTON || key == KEY_RBUTTON || key == KEY_MBUTTON) {
        Window root, child;
        int rootX, rootY, winX, winY;
        unsigned mask = 0;
        if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &winX, &winY,
                           &mask))
            return false;
        const unsigned bit = key == KEY_LBUTTON   ? Button1Mask
                             : key == KEY_RBUTTON ? Button3Mask
                                                  : Button2Mask;
        return (mask & bit) != 0;
    }
    char keys[32];
    XQueryKeymap(display, keys);
    for (KeySym sym : keysymsOf(key)) {
        if (sym == NoSymbol) continue;
        const KeyCode code = XKeysymToKeycode(display, sym);
        if (code != 0 && (keys[code / 8] & (1 << (code % 8)))) return true;
    }
    return false;
}

// Window coordinates to the 800 x 600 picture, through the letterbox of full screen.
void setMouseFromWindow(int x, int y) {
    int w = kPictureWidth, h = kPictureHeight;
    if (window()) SDL_GetWindowSize(window(), &w, &h);
    const Letterbox box = letterbox(w, h);
    Input& in = input();
    in.mouseX =
        std::clamp((static_cast<float>(x) - box.x) / box.scale, 0.0f, static_cast<float>(kPictureWidth));
    in.mouseY =
        std::clamp((static_cast<float>(y) - box.y) / box.scale, 0.0f, static_cast<float>(kPictureHeight));
}

}  // namespace

void inputStartup() {
    Input& in = input();
    in.down.fill(false);
    in.pressed.fill(false);
    in.wheel = 0;
}

void inputShutdown() {
    Input& in = input();
    in.down.fill(false);
    in.pressed.fill(false);
    in.wheel = 0;
}

void inputCloseDisplay() {
    Input& in = input();
    if (in.display) XCloseDisplay(in.display);
    in.display = nullptr;
    in.displayTried = false;
}

void inputBeginFrame() {
    input().wheel = 0;
    input().pressed.fill(false);
}

namespace {
void setKey(Input& in, int key, bool down) {
    in.down[static_cast<std::size_t>(key)] = down;
    if (down) in.pressed[static_cast<std::size_t>(key)] = true;
}
}  // namespace

void inputHandleEvent(const SDL_Event& event) {
    Input& in = input();
    switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            if (const int key = keyFromScancode(event.key.keysym.scancode))
                setKey(in, key, event.type == SDL_KEYDOWN);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (const int key = keyFromButton(event.button.button))
                setKey(in, key, event.type == SDL_MOUSEBUTTONDOWN);
            setMouseFromWindow(event.button.x, event.button.y);
            break;
        case SDL_MOUSEMOTION:
            if (!(in.warpPending && event.motion.x == in.warpX && event.motion.y == in.warpY))
                setMouseFromWindow(event.motion.x, event.motion.y);
            in.warpPending = false;
            break;
        case SDL_MOUSEWHEEL:
            in.wheel += event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
            break;
        case SDL_WINDOWEVENT:
            // Keys released while another window has the focus never reach us.
            if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                in.down.fill(false);
                in.pressed.fill(false);
            }
            break;
        default:
            break;
    }
}

}  // namespace desktop

using desktop::input;

bool Engine::Input_GetKeyState(int key) {
    if (key <= 0 || key >= 256) return false;
    if (!desktop::window()) return desktop::xKeyState(key);
    const auto k = static_cast<std::size_t>(key);
    return input().down[k] || input().pressed[k];
}

void Engine::Input_GetMousePos(float* x, float* y) {
    if (x) *x = input().mouseX;
    if (y) *y = input().mouseY;
}

void Engine::Input_SetMousePos(float x, float y) {
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    desktop::Input& in = input();
    in.mouseX = std::clamp(x, 0.0f, static_cast<float>(desktop::kPictureWidth));
    in.mouseY = std::clamp(y, 0.0f, static_cast<float>(desktop::kPictureHeight));
    SDL_Window* w = desktop::window();
    if (!w) return;
    int width, height;
    SDL_GetWindowSize(w, &width, &height);
    const desktop::Letterbox box = desktop::letterbox(width, height);
    const float wx = box.x + in.mouseX * box.scale;
    const float wy = box.y + in.mouseY * box.scale;
    in.warpX = static_cast<int>(wx + 0.5f);
    in.warpY = static_cast<int>(wy + 0.5f);
    in.warpPending = true;
    SDL_WarpMouseInWindow(w, in.warpX, in.warpY);
}

int Engine::Input_GetMouseWheel() { return input().wheel; }
