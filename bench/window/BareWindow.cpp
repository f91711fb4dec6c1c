// A bare SDL program: a 1024x768 OpenGL window cleared and presented 60 times, then its peak memory.
// It stands in for what any game pays for its window and the driver behind it, so it knows nothing
// of the game's own layers. With --quad each frame also draws one small blended textured quad: the
// first thing drawn makes the software renderer compile its first shaders, which costs memory of
// its own that any program drawing anything pays.
#include <SDL.h>
#include <SDL_opengl.h>

#include <array>
#include <cstdint>
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

int main(int argc, char** argv)
{
    const bool quad = argc > 1 && std::string(argv[1]) == "--quad";
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
    GLuint texture = 0;
    if (quad) {
        static const std::array<uint32_t, 64 * 64> texels{};
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 64, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        glMatrixMode(GL_PROJECTION);
        glOrtho(0, 1024, 768, 0, -1, 1);
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    for (int frame = 0; frame < kFrames; ++frame) {
        for (SDL_Event event; SDL_PollEvent(&event);) {
        }
        glClearColor(0.0f, 0.0f, 0.25f * static_cast<float>(frame % 4), 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        if (quad) {
            glBegin(GL_QUADS);
            glTexCoord2f(0, 0);
            glVertex2f(100, 100);
            glTexCoord2f(1, 0);
            glVertex2f(164, 100);
            glTexCoord2f(1, 1);
            glVertex2f(164, 164);
            glTexCoord2f(0, 1);
            glVertex2f(100, 164);
            glEnd();
        }
        SDL_GL_SwapWindow(window.get());
    }
    if (texture != 0) glDeleteTextures(1, &texture);
    for (const char* key : {"VmHWM", "VmRSS", "RssAnon", "RssFile"}) std::printf("%s\n", StatusLine(key).c_str());
    return 0;
}
