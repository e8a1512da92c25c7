// Preloaded into a program under measurement: on its first SDL_GL_SwapWindow it presents
// the frame, writes the monotonic clock in nanoseconds to the file named by
// VELKARO_FIRST_FRAME_FILE and ends the process at once.
#include <SDL2/SDL.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
    using Swap = void (*)(SDL_Window*);
    static auto real = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
    real(window);
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (const char* path = std::getenv("VELKARO_FIRST_FRAME_FILE")) {
        char text[32];
        const int n = std::snprintf(text, sizeof text, "%lld\n",
                                    static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
        const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0 && n > 0) {
            if (write(fd, text, static_cast<std::size_t>(n)) < 0) _exit(2);
            close(fd);
        }
    }
    _exit(0);
}
