// The least a program can do to show a first frame the way the game does: an 800 x 600
// SDL2 window (full screen unless VELKARO_WINDOWED is set, like the game without and with
// Space held) with an OpenGL 3.3 core context, cleared to black and presented once.
#include <SDL2/SDL.h>
#include <epoxy/gl.h>

int main(int, char**) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    Uint32 flags = SDL_WINDOW_OPENGL;
    if (!SDL_getenv("VELKARO_WINDOWED")) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_Window* window =
        SDL_CreateWindow("Velkaro", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 800, 600, flags);
    if (!window) return 1;
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) return 1;
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    SDL_GL_SwapWindow(window);
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
