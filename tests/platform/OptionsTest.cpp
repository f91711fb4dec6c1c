// The command line: every option, its values, the mistakes that must be refused, and the options
// as --help and the manual page list them.
#include "framework/platform/Harness.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

namespace {

// The game's count, which the harness is given.
constexpr int32_t Levels = 33;

TEST(Options, GoodCommandLines)
{
    THarnessOptions options;
    THarnessAction action = THarnessAction::Run;
    std::string error;

    ASSERT_TRUE(ParseHarnessOptions({}, Levels, options, action, error)) << error;
    EXPECT_EQ(action, THarnessAction::Run);
    EXPECT_FALSE(options.window);
    EXPECT_FALSE(options.headless);
    EXPECT_EQ(options.frames, 0);
    EXPECT_EQ(options.level, 0);
    EXPECT_TRUE(options.shots.empty());

    ASSERT_TRUE(
        ParseHarnessOptions({"--headless", "--frames", "2", "--shot", "2:out.png", "--shot=5:dir/b.png", "--trace",
                             "t.jsonl", "--input=in.txt", "--record", "rec.txt", "--data", "data dir", "--level", "33"},
                            Levels, options, action, error))
        << error;
    EXPECT_EQ(action, THarnessAction::Run);
    EXPECT_TRUE(options.headless);
    EXPECT_EQ(options.frames, 2);
    ASSERT_EQ(options.shots.size(), 2u);
    EXPECT_EQ(options.shots[0].frame, 2);
    EXPECT_EQ(options.shots[0].path, "out.png");
    EXPECT_EQ(options.shots[1].frame, 5);
    EXPECT_EQ(options.shots[1].path, "dir/b.png");
    EXPECT_EQ(options.tracePath, "t.jsonl");
    EXPECT_EQ(options.inputPath, "in.txt");
    EXPECT_EQ(options.recordPath, "rec.txt");
    EXPECT_EQ(options.dataDir, "data dir");
    EXPECT_EQ(options.level, 33);

    // A colon in the file name belongs to the file.
    ASSERT_TRUE(
        ParseHarnessOptions({"--shot", "1:a:b.png", "--level", "1", "--window"}, Levels, options, action, error));
    EXPECT_EQ(options.shots.at(0).path, "a:b.png");
    EXPECT_EQ(options.level, 1);
    EXPECT_TRUE(options.window);
    ASSERT_TRUE(ParseHarnessOptions({"--fullscreen"}, Levels, options, action, error));
    EXPECT_TRUE(options.fullScreen && !options.window);

    // The last of a repeated option wins.
    ASSERT_TRUE(ParseHarnessOptions({"--frames", "9", "--frames", "4"}, Levels, options, action, error));
    EXPECT_EQ(options.frames, 4);

    ASSERT_TRUE(ParseHarnessOptions({"--headless", "--help"}, Levels, options, action, error));
    EXPECT_EQ(action, THarnessAction::Help);
    ASSERT_TRUE(ParseHarnessOptions({"-h"}, Levels, options, action, error));
    EXPECT_EQ(action, THarnessAction::Help);
    ASSERT_TRUE(ParseHarnessOptions({"--version"}, Levels, options, action, error));
    EXPECT_EQ(action, THarnessAction::Version);
}

TEST(Options, BadCommandLinesAreRefusedWithOneLine)
{
    struct TCase {
        std::vector<std::string> args;
        std::string mentions;
    };
    const TCase cases[] = {
        {{"--full-screen"}, "unknown option '--full-screen'"},
        {{"-x"}, "unknown option '-x'"},
        {{"level3"}, "unexpected argument 'level3'"},
        {{"--frames"}, "--frames needs a value"},
        {{"--frames", "0"}, "'0'"},
        {{"--frames", "-3"}, "'-3'"},
        {{"--frames", "12abc"}, "'12abc'"},
        {{"--frames", "99999999999"}, "'99999999999'"},
        {{"--frames="}, "--frames needs a value"},
        {{"--level", "0"}, "1 to 33"},
        {{"--level", "34"}, "1 to 33"},
        {{"--level", " 5"}, "' 5'"},
        {{"--shot", "out.png"}, "FRAME:FILE.png"},
        {{"--shot", "0:out.png"}, "FRAME:FILE.png"},
        {{"--shot", "3:"}, "FRAME:FILE.png"},
        {{"--shot", ":a.png"}, "FRAME:FILE.png"},
        {{"--input"}, "--input needs a value"},
        {{"--trace", ""}, "--trace needs a value"},
        {{"--window", "--headless"}, "cannot be used together"},
        {{"--fullscreen", "--headless"}, "--fullscreen and --headless cannot"},
        {{"--window", "--fullscreen"}, "--window and --fullscreen cannot"},
        {{"--headless=yes"}, "--headless takes no value"},
        {{"--input", "a.txt", "--record", "a.txt"}, "same file"},
    };
    for (const TCase& c : cases) {
        THarnessOptions options;
        THarnessAction action = THarnessAction::Run;
        std::string error;
        EXPECT_FALSE(ParseHarnessOptions(c.args, Levels, options, action, error)) << c.args.at(0);
        EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

// The option lines of --help, one-line and wrapped, and the highest level in its place.
TEST(Options, HelpListsTheOptionsInOneColumn)
{
    THarnessGame game;
    game.levels = Levels;
    const std::string usage = HarnessUsage(game, "", "");
    for (const char* lines : {"\n  --window           play in a window instead of the full screen\n",
                              "\n  --shot N:FILE.png  save the picture of the N-th frame as a PNG (repeatable)\n",
                              "\n  --level N          skip the intro and the menu: play one game from level N\n"
                              "                     (1 to 33), then save and end\n",
                              "\n  --version          show the version and end\n\n"})
        EXPECT_NE(usage.find(lines), std::string::npos) << lines;
}

// The manual page describes every option, and no other, each in a paragraph of its own (the
// other paragraphs are keys, exit statuses and variables).
TEST(Options, ManualPageListsEveryOption)
{
    std::istringstream page(ReadText(std::string(KRELLIX_TEST_DIR) + "/../../packaging/krellix.6.in"));
    std::set<std::string> described;
    std::string line;
    bool paragraph = false;
    while (std::getline(page, line)) {
        if (paragraph && line.rfind(".B", 0) == 0) {
            std::string name = line.substr(line.find(' ') + 1);
            name = name.substr(0, name.find(' '));
            for (size_t at = name.find("\\-"); at != std::string::npos; at = name.find("\\-")) name.erase(at, 1);
            if (name.rfind("--", 0) == 0) described.insert(name);
        }
        paragraph = line == ".TP";
    }
    std::set<std::string> options;
    for (const THarnessOptionInfo& option : HarnessOptionTable()) options.insert(std::string(option.name));
    EXPECT_EQ(described, options);
    EXPECT_EQ(options.size(), 12u);
}

}  // namespace
