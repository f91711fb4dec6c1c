// Whole runs of the built program on a damaged copy of its data folder: missing folders, and
// pictures and sounds missing, cut short or replaced by garbage; and a table that cannot be saved.
#include "tests/support/Files.h"
#include "tests/support/RunFixture.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class DamagedDataTest : public TRunFixture {
protected:
    // A data folder of links to the generated files, so that one can be replaced or removed
    // without touching the originals; each case damages a fresh one.
    void SetUp() override { FreshFolder(true); }

    // Puts bytes in place of a data file's link.
    void Replace(const std::string& file, const std::string& bytes)
    {
        fs::remove(dir.Path() / file);
        WriteText(dir.Path() / file, bytes);
    }

    // Launches the ball, plays a while and leaves with Escape: one game, so without the menu's music
    // (the sounds of the catalogue it loads are 31, the high scores' and closing music not among them).
    void Play()
    {
        RunHeadless("70 keydown 32\n71 keyup 32\n150 mousemove 300 700\n240 keydown 27\n", {"--level", "1"});
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
        {"no images folder", [&] { fs::remove_all(dir.Path() / "images"); }, {"86 of 86 images could not be loaded"}},
        {"no sounds folder",
         [&] { fs::remove_all(dir.Path() / "sounds"); },
         {"31 of 31 sounds could not be loaded", "music sounds/GameMusic/"}},
        {"single files missing, cut short or garbage",
         [&] {
             fs::remove(dir.Path() / "images/Pad.png");
             Replace("images/Ball2.png", picture.substr(0, picture.size() / 2));
             Replace("images/BlockRed.png", garbage);
             Replace("images/ZogExplosion.jpg", garbage);
             fs::remove(dir.Path() / "images/Lazer.png");
             fs::create_directory(dir.Path() / "images/Lazer.png");
             fs::remove(dir.Path() / "sounds/SFX_NormalBlock.ogg");
             Replace("sounds/SFX_Padhit_01.ogg", sound.substr(0, sound.size() / 2));
             Replace("sounds/SFX_GetReady.ogg", garbage);
             Replace("sounds/LifeLost_alt.ogg", picture);
         },
         {"5 of 86 images could not be loaded (first: images/Pad.png)",
          "4 of 31 sounds could not be loaded (first: sounds/SFX_NormalBlock.ogg)"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FreshFolder(true);
        c.damage();
        Play();
        ASSERT_EQ(status, 0) << err;
        ASSERT_FALSE(trace.empty());
        // Escape ends the game at once, or after the sequence of a ball just lost.
        EXPECT_GE(trace.back()["frame"], 240);
        EXPECT_LT(trace.back()["frame"], 400);
        // Nothing but the summary: one line per message, each the game's own.
        const std::vector<std::string> lines = Lines(err);
        EXPECT_EQ(lines.size(), c.messages.size()) << err;
        for (const std::string& line : lines) EXPECT_EQ(line.rfind("krellix: ", 0), 0u) << line;
        for (const std::string& message : c.messages) EXPECT_NE(err.find(message), std::string::npos) << err;
        // The tables were saved at the end as usual.
        EXPECT_TRUE(fs::exists(dir.Path() / "highscore.dat"));
        EXPECT_TRUE(fs::exists(dir.Path() / "users.dat"));
    }
}

TEST_F(DamagedDataTest, ATableThatCannotBeSavedEndsTheRunWithStatusOne)
{
    // The player made the high-score file read-only, and the player file is a folder: each is
    // reported, the game plays, neither is touched, and the run ends with status 1.
    const std::string scores = std::string("ACE\r\n") + std::string("\x10\x27\0\0\x05\0\0\0", 8);
    WriteText(dir.Path() / "highscore.dat", scores);
    ::chmod(dir.File("highscore.dat").c_str(), 0444);
    fs::create_directory(dir.Path() / "users.dat");
    Play();
    EXPECT_EQ(status, 1) << err;
    ASSERT_FALSE(trace.empty());
    EXPECT_GE(trace.back()["frame"], 240);
    EXPECT_EQ(Lines(err).size(), 3u) << err;
    EXPECT_NE(err.find("users.dat is a folder"), std::string::npos) << err;
    EXPECT_NE(err.find("users.dat was not saved"), std::string::npos) << err;
    EXPECT_NE(err.find("highscore.dat was not saved: the file is read-only"), std::string::npos) << err;
    EXPECT_EQ(ReadText(dir.Path() / "highscore.dat"), scores);
    EXPECT_TRUE(fs::is_directory(dir.Path() / "users.dat"));
}

}  // namespace
