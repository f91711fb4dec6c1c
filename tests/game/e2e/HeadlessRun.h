// Running the built program headless for a test: a run folder of its own over the generated
// assets, the command line with a script and a trace, and the screenshots and files it leaves.
#pragma once

#include <png.h>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// A screenshot or picture file as 8-bit RGBA rows.
struct TRgba {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> pixels;
    const uint8_t* At(int32_t x, int32_t y) const
    {
        return &pixels[(static_cast<size_t>(y) * width + x) * 4];
    }
    int32_t Grey(int32_t x, int32_t y) const
    {
        const uint8_t* p = At(x, y);
        return (p[0] + p[1] + p[2]) / 3;
    }
    // Mean of red, green and blue over a rectangle.
    double Mean(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const
    {
        double sum = 0;
        int64_t n = 0;
        for (int32_t y = y0; y < y1; ++y)
            for (int32_t x = x0; x < x1; ++x, ++n) {
                const uint8_t* p = At(x, y);
                sum += (p[0] + p[1] + p[2]) / 3.0;
            }
        return n ? sum / static_cast<double>(n) : 0;
    }
};

// The picture of a PNG file; empty when it cannot be read.
inline TRgba ReadPng(const std::string& path)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    TRgba out;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return out;
    image.format = PNG_FORMAT_RGBA;
    out.pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr)) return {};
    out.width = static_cast<int32_t>(image.width);
    out.height = static_cast<int32_t>(image.height);
    return out;
}

inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// An empty folder named after the running test, with the generated assets linked in; the tables
// the program writes there are the run's own.
inline std::filesystem::path FreshRunFolder()
{
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::path(KRELLIX_RUN_DIR) / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::create_directory_symlink(fs::path(KRELLIX_DATA_DIR) / "images", dir / "images");
    fs::create_directory_symlink(fs::path(KRELLIX_DATA_DIR) / "sounds", dir / "sounds");
    return dir;
}

// Runs the program headless on dir's data with options (such as "--level 4"), the script as its
// input, its trace in dir/trace.jsonl and extra options last; everything it prints goes to
// dir/out.txt. The exit code, -1 when it did not exit normally.
inline int RunHeadless(const std::filesystem::path& dir, const std::string& options,
                       const std::string& script, const std::string& extra)
{
    std::ofstream(dir / "input.txt") << script;
    const std::string input = (dir / "input.txt").string(), trace = (dir / "trace.jsonl").string();
    const std::string command = std::string("\"") + KRELLIX_EXE + "\" --headless --data \"" + dir.string() +
                                "\" " + options + " --input \"" + input + "\" --trace \"" + trace + "\" " +
                                extra + " > \"" + (dir / "out.txt").string() + "\" 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
