// Where the game looks for its data and keeps its tables: the --data folder, the working
// directory, an installed copy beside the executable, and the player's own folder.
#include "framework/platform/Folders.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

TEST(Folders, InstalledDataAndPlayerFolder)
{
    const TFolderRules rules{"../share/krellix", "krellix"};
    TFolderEnvironment environment;
    environment.executable = "/opt/games/bin/krellix";
    environment.home = "/home/ann";
    EXPECT_EQ(InstalledDataDir(rules, environment), "/opt/games/share/krellix");
    EXPECT_EQ(InstalledDataDir({"/usr/share/krellix", "krellix"}, environment), "/usr/share/krellix");
    environment.executable.clear();
    EXPECT_EQ(InstalledDataDir(rules, environment), "");

    struct TCase {
        const char* xdgDataHome;
        const char* home;
        const char* expected;
    };
    // The convention ignores a relative XDG_DATA_HOME.
    const TCase cases[] = {
        {"", "/home/ann", "/home/ann/.local/share/krellix"},
        {"/data/ann/", "/home/ann", "/data/ann/krellix"},
        {"relative/share", "/home/ann", "/home/ann/.local/share/krellix"},
        {"/data/ann", "", "/data/ann/krellix"},
        {"", "", ""},
    };
    for (const TCase& c : cases) {
        environment.xdgDataHome = c.xdgDataHome;
        environment.home = c.home;
        EXPECT_EQ(PlayerDataDir(rules, environment), c.expected) << c.xdgDataHome << " | " << c.home;
    }
}

TEST(Folders, SearchOrderAndWhereTheTablesGo)
{
    TTempDir root;
    ASSERT_FALSE(root.Path().empty());
    const fs::path base = root.Path();
    // An install under base/prefix, a working directory with data, one without, a --data folder.
    for (const char* dir : {"prefix/bin", "prefix/share/krellix/images", "prefix/share/krellix/sounds", "play/images",
                            "elsewhere", "mine", "bare-prefix/bin"})
        fs::create_directories(base / dir);
    const std::string prefix = (base / "prefix").string(), play = (base / "play").string(),
                      elsewhere = (base / "elsewhere").string(), mine = (base / "mine").string();
    const TFolderRules rules{"../share/krellix", "krellix"};

    struct TCase {
        std::string name, dataOption, workingDir, executable, xdg;
        std::string data, tables;
        bool privateTables;
    };
    const TCase cases[] = {
        {"--data wins over the working directory", "../mine", play, prefix + "/bin/krellix", "", mine, mine, false},
        {"--data may be absolute", mine, elsewhere, "", "", mine, mine, false},
        {"--data needs no images/", "mine", base.string(), prefix + "/bin/krellix", "", mine, mine, false},
        {"working directory with images/", "", play, prefix + "/bin/krellix", "", play, play, false},
        {"installed game", "", elsewhere, prefix + "/bin/krellix", "", prefix + "/share/krellix",
         base.string() + "/home/.local/share/krellix", true},
        {"installed game with XDG_DATA_HOME", "", elsewhere, prefix + "/bin/krellix", mine, prefix + "/share/krellix",
         mine + "/krellix", true},
        // Started inside the installed data, or pointed at it: the install is still not written to.
        {"working directory in the install", "", prefix + "/share/krellix", prefix + "/bin/krellix", "",
         prefix + "/share/krellix", base.string() + "/home/.local/share/krellix", true},
        {"--data naming the install", "../prefix/share/krellix/", play, prefix + "/bin/krellix", "",
         prefix + "/share/krellix", base.string() + "/home/.local/share/krellix", true},
    };
    for (const TCase& c : cases) {
        TFolderEnvironment environment{c.workingDir, c.executable, c.xdg, (base / "home").string()};
        TFolders folders;
        std::string error;
        ASSERT_TRUE(FindFolders(c.dataOption, rules, environment, folders, error)) << c.name << ": " << error;
        EXPECT_EQ(folders.dataDir, c.data) << c.name;
        EXPECT_EQ(folders.tableDir, c.tables) << c.name;
        EXPECT_EQ(folders.privateTables, c.privateTables) << c.name;
    }
    // The search itself makes nothing, not even the player's folder.
    EXPECT_FALSE(fs::exists(base / "home"));

    struct TFailure {
        std::string name, dataOption, executable, home;
        std::vector<std::string> mentioned;
    };
    const TFailure failures[] = {
        {"--data that is not a folder",
         "no-such-folder",
         prefix + "/bin/krellix",
         "/home/ann",
         {"cannot use no-such-folder as the data folder"}},
        {"no data anywhere",
         "",
         base.string() + "/bare-prefix/bin/krellix",
         "/home/ann",
         {"no game data", elsewhere, base.string() + "/bare-prefix/share/krellix", "--data"}},
        {"executable unknown", "", "", "/home/ann", {"no game data", elsewhere, "own folder is unknown"}},
        {"installed game without a home", "", prefix + "/bin/krellix", "", {"neither XDG_DATA_HOME nor HOME"}},
    };
    for (const TFailure& f : failures) {
        TFolderEnvironment environment{elsewhere, f.executable, "", f.home};
        TFolders folders;
        std::string error;
        EXPECT_FALSE(FindFolders(f.dataOption, rules, environment, folders, error)) << f.name;
        EXPECT_EQ(error.find('\n'), std::string::npos) << f.name;
        for (const std::string& text : f.mentioned)
            EXPECT_NE(error.find(text), std::string::npos) << f.name << ": " << error;
    }
}

}  // namespace
