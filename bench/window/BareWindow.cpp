// A bare SDL program: a 1024x768 OpenGL window cleared and presented 60 times, then its peak memory.
// It stands in for what any game pays for its window and the driver behind it, so it knows nothing
// of the game's own layers.
#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

namespace {

constexpr int kFrames = 60;

// The line of /proc/self/status that names key, or an empty string.
std::string StatusLine(const std::string& key)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key + ":", 0) == 0) return line;
    return {};
}

struct SdlQuit {
    ~SdlQuit() { SDL_Quit(); }
};
struct WindowCloser {
    void operator()(SDL_Window* window) const { SDL_DestroyWindow(window); }
};
struct ContextDeleter {
    void operator()(void* context) const { SDL_GL_DeleteContext(context); }
};

}  // namespace

int main()
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "bench_bare_window: no video: %s\n", SDL_GetError());
        return 1;
    }
    SdlQuit quit;
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    std::unique_ptr<SDL_Window, WindowCloser> window(
        SDL_CreateWindow("bare window", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 1024, 768, SDL_WINDOW_OPENGL));
    if (!window) {
        std::fprintf(stderr, "bench_bare_window: no window: %s\n", SDL_GetError());
        return 1;
    }
    std::unique_ptr<void, ContextDeleter> context(SDL_GL_CreateContext(window.get()));
    if (!context) {
        std::fprintf(stderr, "bench_bare_window: no OpenGL context: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetSwapInterval(1);
    for (int frame = 0; frame < kFrames; ++frame) {
        for (SDL_Event event; SDL_PollEvent(&event);) {
        }
        glClearColor(0.0f, 0.0f, 0.25f * static_cast<float>(frame % 4), 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        SDL_GL_SwapWindow(window.get());
    }
    for (const char* key : {"VmHWM", "VmRSS", "RssAnon", "RssFile"}) std::printf("%s\n", StatusLine(key).c_str());
    return 0;
}
