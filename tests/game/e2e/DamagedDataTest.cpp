// Whole runs of the built program on a damaged copy of its data folder: missing folders, and
// pictures and sounds missing, cut short or replaced by garbage; and a table that cannot be saved.
#include "tests/support/Files.h"
#include "tests/support/Trace.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The last "frame" number of a trace.
int32_t LastFrame(const fs::path& trace)
{
    const std::vector<std::string> lines = Lines(ReadText(trace));
    if (lines.empty()) return -1;
    const std::string& last = lines.back();
    const size_t at = last.find("\"frame\":");
    return at == std::string::npos ? -1 : std::atoi(last.c_str() + at + 8);
}

class DamagedDataTest : public ::testing::Test {
protected:
    fs::path dir;

    void SetUp() override { FreshCopy(); }

    // A copy of the data folder made of links to the generated files, so one file can be
    // replaced or removed without touching the originals; each case damages a fresh one.
    void FreshCopy()
    {
        dir = fs::path(KRELLIX_RUN_DIR) /
              ("damaged_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        for (const char* folder : {"images", "sounds"}) {
            const fs::path from = fs::path(KRELLIX_DATA_DIR) / folder;
            for (const auto& entry : fs::recursive_directory_iterator(from)) {
                const fs::path to = dir / folder / fs::relative(entry.path(), from);
                if (entry.is_directory()) {
                    fs::create_directories(to);
                } else if (entry.path().filename().string()[0] != '.') {
                    fs::create_directories(to.parent_path());
                    fs::create_symlink(entry.path(), to);
                }
            }
        }
    }

    // Puts bytes in place of a data file's link.
    void Replace(const std::string& file, const std::string& bytes)
    {
        fs::remove(dir / file);
        std::ofstream(dir / file, std::ios::binary) << bytes;
    }

    // Launches the ball, plays a while and leaves with Escape. The exit code, -1 if it crashed.
    int Play(std::string& err)
    {
        std::ofstream(dir / "input.txt") << "70 keydown 32\n71 keyup 32\n150 mousemove 300 700\n240 keydown 27\n";
        const std::string command = std::string("\"") + KRELLIX_EXE + "\" --headless --data \"" + dir.string() +
                                    "\" --level 1 --input \"" + (dir / "input.txt").string() + "\" --trace \"" +
                                    (dir / "trace.jsonl").string() + "\" > \"" + (dir / "out.txt").string() +
                                    "\" 2> \"" + (dir / "err.txt").string() + "\"";
        const int status = std::system(command.c_str());
        err = ReadText(dir / "err.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(DamagedDataTest, TheGamePlaysALevelAndSumsUpWhatIsMissing)
{
    const std::string garbage(3000, '\x5A');
    const std::string picture = ReadText(fs::path(KRELLIX_DATA_DIR) / "images/Ball2.png");
    const std::string sound = ReadText(fs::path(KRELLIX_DATA_DIR) / "sounds/SFX_Padhit_01.ogg");
    struct Case {
        const char* what;
        std::function<void()> damage;
        std::vector<std::string> messages;  // each is part of one line on stderr
    };
    // Each run loads every asset, so the kinds of damage share one run: missing, cut short,
    // garbage, a folder in a file's place, and a picture in a sound's place.
    const Case cases[] = {
        {"no images folder", [&] { fs::remove_all(dir / "images"); }, {"86 of 86 images could not be loaded"}},
        {"no sounds folder",
         [&] { fs::remove_all(dir / "sounds"); },
         {"34 of 34 sounds could not be loaded", "music sounds/GameMusic/"}},
        {"single files missing, cut short or garbage",
         [&] {
             fs::remove(dir / "images/Pad.png");
             Replace("images/Ball2.png", picture.substr(0, picture.size() / 2));
             Replace("images/BlockRed.png", garbage);
             Replace("images/ZogExplosion.jpg", garbage);
             fs::remove(dir / "images/Lazer.png");
             fs::create_directory(dir / "images/Lazer.png");
             fs::remove(dir / "sounds/SFX_NormalBlock.ogg");
             Replace("sounds/SFX_Padhit_01.ogg", sound.substr(0, sound.size() / 2));
             Replace("sounds/SFX_GetReady.ogg", garbage);
             Replace("sounds/LifeLost_alt.ogg", picture);
         },
         {"5 of 86 images could not be loaded (first: images/Pad.png)",
          "4 of 34 sounds could not be loaded (first: sounds/SFX_NormalBlock.ogg)"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FreshCopy();
        c.damage();
        std::string err;
        ASSERT_EQ(Play(err), 0) << err;
        // Escape ends the game at once, or after the sequence of a ball just lost.
        EXPECT_GE(LastFrame(dir / "trace.jsonl"), 240);
        EXPECT_LT(LastFrame(dir / "trace.jsonl"), 400);
        // Nothing but the summary: one line per message, each the game's own.
        const std::vector<std::string> lines = Lines(err);
        EXPECT_EQ(lines.size(), c.messages.size()) << err;
        for (const std::string& line : lines) EXPECT_EQ(line.rfind("krellix: ", 0), 0u) << line;
        for (const std::string& message : c.messages) EXPECT_NE(err.find(message), std::string::npos) << err;
        // The tables were saved at the end as usual.
        EXPECT_TRUE(fs::exists(dir / "highscore.dat"));
        EXPECT_TRUE(fs::exists(dir / "users.dat"));
    }
}

TEST_F(DamagedDataTest, ATableThatCannotBeSavedEndsTheRunWithStatusOne)
{
    // The player made the high-score file read-only, and the player file is a folder: each is
    // reported, the game plays, neither is touched, and the run ends with status 1.
    const std::string scores = std::string("ACE\r\n") + std::string("\x10\x27\0\0\x05\0\0\0", 8);
    std::ofstream(dir / "highscore.dat", std::ios::binary) << scores;
    ::chmod((dir / "highscore.dat").c_str(), 0444);
    fs::create_directory(dir / "users.dat");
    std::string err;
    EXPECT_EQ(Play(err), 1) << err;
    EXPECT_GE(LastFrame(dir / "trace.jsonl"), 240);
    EXPECT_EQ(Lines(err).size(), 3u) << err;
    EXPECT_NE(err.find("users.dat is a folder"), std::string::npos) << err;
    EXPECT_NE(err.find("users.dat was not saved"), std::string::npos) << err;
    EXPECT_NE(err.find("highscore.dat was not saved: the file is read-only"), std::string::npos) << err;
    EXPECT_EQ(ReadText(dir / "highscore.dat"), scores);
    EXPECT_TRUE(fs::is_directory(dir / "users.dat"));
}

}  // namespace
