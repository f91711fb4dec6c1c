// The installed game: every file in its GNU folder, the installed copy played headless from an
// unrelated folder with its tables in the player's own folder and nowhere else, a moved install,
// a copy without data, and the validators of the desktop entry, AppStream data and manual page.
#include "tests/support/Run.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

namespace {

namespace fs = std::filesystem;

const std::string Prefix = KRELLIX_PREFIX;
const std::string AppId = KRELLIX_APP_ID;

// A folder of the install relative to the prefix ("bin", "share").
std::string UnderPrefix(const std::string& full) { return fs::path(full).lexically_relative(Prefix).string(); }

// Every file and folder below root with its size and modification time.
std::map<std::string, std::string> Snapshot(const fs::path& root)
{
    std::map<std::string, std::string> files;
    std::error_code ec;
    if (!fs::exists(root, ec)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(root, ec)) {
        const auto time = entry.last_write_time(ec).time_since_epoch().count();
        const auto size = entry.is_regular_file(ec) ? entry.file_size(ec) : 0;
        files[entry.path().lexically_relative(root).string()] = std::to_string(size) + "@" + std::to_string(time);
    }
    return files;
}

std::vector<std::string> Names(const std::map<std::string, std::string>& files)
{
    std::vector<std::string> names;
    for (const auto& [name, stamp] : files) names.push_back(name);
    return names;
}

// Width and height from a PNG file's header, or 0 x 0.
std::pair<uint32_t, uint32_t> PngSize(const std::string& path)
{
    const std::string data = ReadText(path);
    if (data.size() < 24 || data.compare(1, 3, "PNG") != 0) return {0, 0};
    const auto word = [&](size_t at) {
        uint32_t value = 0;
        for (size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<uint8_t>(data[at + i]);
        return value;
    };
    return {word(16), word(20)};
}

mode_t ModeOf(const fs::path& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

class Install : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(dir.Path().empty());
        root = fs::path(dir.Path()) / "root";
        work = fs::path(dir.Path()) / "work";
        fs::create_directories(work);
        TRunEnvironment environment;
        environment.set = {{"DESTDIR", root.string()}};
        const TRunResult install = RunProgram(KRELLIX_CMAKE, {"--install", KRELLIX_BUILD_DIR}, dir.Path(), environment);
        ASSERT_EQ(install.status, 0) << install.out << install.err;
        installed = root / fs::path(Prefix).relative_path();
        program = (installed / UnderPrefix(KRELLIX_BINDIR) / "krellix").string();
        ASSERT_TRUE(fs::exists(program)) << program;
    }

    // The installed copy, headless, started in the folder `in` with the given home and XDG_DATA_HOME
    // (unset when empty).
    TRunResult Play(const std::string& exe, const fs::path& in, const fs::path& home, const std::string& xdg,
                    std::vector<std::string> args)
    {
        TRunEnvironment environment;
        environment.set = {{"HOME", home.string()}, {"ALSOFT_DRIVERS", "null"}, {"LIBGL_ALWAYS_SOFTWARE", "1"}};
        if (xdg.empty())
            environment.unset = {"XDG_DATA_HOME"};
        else
            environment.set.emplace_back("XDG_DATA_HOME", xdg);
        return RunProgram(exe, args, in.string(), environment);
    }

    // A short game: level 1, the ball launched, then Escape held; the tables are saved at the end.
    std::vector<std::string> ShortGame()
    {
        const std::string script = dir.File("game.txt");
        WriteText(script, "70 keydown 32\n72 keyup 32\n130 keydown 27\n");
        return {"--headless", "--level", "1", "--input", script};
    }

    // The files of the working folder other than the captured output of the runs.
    std::vector<std::string> LeftInWork()
    {
        std::vector<std::string> left;
        for (const std::string& name : Names(Snapshot(work)))
            if (name != ".stdout" && name != ".stderr") left.push_back(name);
        return left;
    }

    TTempDir dir;
    fs::path root, work, installed;
    std::string program;
};

TEST_F(Install, EveryFileInItsFolder)
{
    const fs::path data = installed / UnderPrefix(KRELLIX_DATADIR);
    const std::vector<fs::path> expected = {
        data / "krellix/images/Pad.png",
        data / "krellix/images/TopBorder.PNG",
        data / "krellix/images/Zog/ZogAnim.png",
        data / "krellix/images/ZogExplosion.jpg",
        data / "krellix/sounds/SFX_NormalBlock.ogg",
        data / "krellix/sounds/GameMusic/Tonmark_Intro.ogg",
        data / ("applications/" + AppId + ".desktop"),
        data / ("metainfo/" + AppId + ".metainfo.xml"),
        data / "icons/hicolor/scalable/apps/krellix.svg",
        data / "doc/krellix/copyright",
        data / "doc/krellix/changelog.gz",
        installed / UnderPrefix(KRELLIX_MANDIR) / "man6/krellix.6.gz",
    };
    for (const fs::path& file : expected) EXPECT_TRUE(fs::is_regular_file(file)) << file;
    EXPECT_EQ(ModeOf(program) & 0111, 0111u);
    for (uint32_t size : {16u, 32u, 48u, 64u, 128u, 256u}) {
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        EXPECT_EQ(PngSize((data / "icons/hicolor" / name / "apps/krellix.png").string()), std::make_pair(size, size))
            << name;
    }
    const std::string svg = ReadText((data / "icons/hicolor/scalable/apps/krellix.svg").string());
    EXPECT_NE(svg.find("viewBox=\"0 0 256 256\""), std::string::npos);
    EXPECT_NE(svg.find("</svg>"), std::string::npos);
    // Nothing but the game's own data: no tables of a developer's runs.
    for (const std::string& name : Names(Snapshot(root))) EXPECT_EQ(name.find(".dat"), std::string::npos) << name;

    // The manual page and --help name the folders of this install.
    const std::string dataDir = KRELLIX_DATADIR + std::string("/krellix");
    const TRunResult man = RunProgram(
        "gzip", {"-dc", (installed / UnderPrefix(KRELLIX_MANDIR) / "man6/krellix.6.gz").string()}, work.string());
    ASSERT_EQ(man.status, 0) << man.err;
    EXPECT_NE(man.out.find(".I " + dataDir + "/images/"), std::string::npos);
    for (const char* option : {"--window", "--fullscreen", "--headless", "--input", "--record", "--frames", "--shot",
                               "--trace", "--data", "--level", "--help", "--version"}) {
        std::string escaped;
        for (const char c : std::string(option)) escaped += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_NE(man.out.find(escaped), std::string::npos) << option;
    }
    const TRunResult help = Play(program, work, fs::path(dir.Path()) / "home", "", {"--help"});
    ASSERT_EQ(help.status, 0) << help.err;
    EXPECT_NE(help.out.find("  " + (installed / UnderPrefix(KRELLIX_DATADIR) / "krellix").string() + "\n"),
              std::string::npos)
        << help.out;
    EXPECT_NE(help.out.find("  " + dir.Path().string() + "/home/.local/share/krellix\n"), std::string::npos)
        << help.out;
}

TEST_F(Install, TheInstalledGameKeepsItsTablesInThePlayersFolder)
{
    const auto before = Snapshot(root);
    const fs::path home = fs::path(dir.Path()) / "home";
    fs::create_directories(home);

    const TRunResult first = Play(program, work, home, "", ShortGame());
    ASSERT_EQ(first.status, 0) << first.err;
    const fs::path tables = home / ".local/share/krellix";
    EXPECT_EQ(Names(Snapshot(home)),
              (std::vector<std::string>{".local", ".local/share", ".local/share/krellix",
                                        ".local/share/krellix/highscore.dat", ".local/share/krellix/tables.lock",
                                        ".local/share/krellix/users.dat"}));
    EXPECT_EQ(ModeOf(tables), 0700u);
    EXPECT_GT(fs::file_size(tables / "highscore.dat"), 0u);
    EXPECT_TRUE(LeftInWork().empty()) << LeftInWork().front();

    // With XDG_DATA_HOME the tables go there, and the home folder is left as it was.
    const auto homeBefore = Snapshot(home);
    const fs::path xdg = fs::path(dir.Path()) / "xdg";
    const TRunResult second = Play(program, work, home, xdg.string(), ShortGame());
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(Names(Snapshot(xdg)), (std::vector<std::string>{"krellix", "krellix/highscore.dat", "krellix/tables.lock",
                                                              "krellix/users.dat"}));
    EXPECT_EQ(ModeOf(xdg / "krellix"), 0700u);
    EXPECT_EQ(Snapshot(home), homeBefore);
    EXPECT_TRUE(LeftInWork().empty()) << LeftInWork().front();

    // Pointed at the installed data with --data, the game still keeps its tables in the home.
    std::vector<std::string> args = ShortGame();
    args.insert(args.end(), {"--data", (installed / UnderPrefix(KRELLIX_DATADIR) / "krellix").string()});
    const TRunResult third = Play(program, work, home, "", args);
    ASSERT_EQ(third.status, 0) << third.err;
    EXPECT_NE(Snapshot(home), homeBefore);
    EXPECT_EQ(Names(Snapshot(home)), Names(homeBefore));

    // Nothing was written into the install.
    EXPECT_EQ(Snapshot(root), before);
}

TEST_F(Install, AMovedInstallFindsItsDataAndACopyWithoutDataSaysWhereItLooked)
{
    const fs::path moved = fs::path(dir.Path()) / "moved";
    fs::rename(installed, moved);
    const std::string movedProgram = (moved / UnderPrefix(KRELLIX_BINDIR) / "krellix").string();
    const fs::path home = fs::path(dir.Path()) / "home";
    const TRunResult run = Play(movedProgram, work, home, "", ShortGame());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(home / ".local/share/krellix/users.dat"));
    EXPECT_TRUE(LeftInWork().empty()) << LeftInWork().front();

    // The program alone: it names the working folder and the installed data folder it tried.
    const fs::path lonely = fs::path(dir.Path()) / "lonely/bin";
    fs::create_directories(lonely);
    fs::copy_file(movedProgram, lonely / "krellix");
    fs::permissions(lonely / "krellix", fs::perms::owner_all);
    const TRunResult alone = Play((lonely / "krellix").string(), work, home, "", ShortGame());
    EXPECT_EQ(alone.status, 1);
    EXPECT_EQ(alone.err.rfind("krellix: no game data: looked for images/ in " + work.string() + " and in " +
                                  (fs::path(dir.Path()) / "lonely/share/krellix").string(),
                              0),
              0u)
        << alone.err;
    EXPECT_EQ(std::count(alone.err.begin(), alone.err.end(), '\n'), 1) << alone.err;

    // A working folder that holds images/ is the data folder, as always, and keeps the tables.
    fs::create_directory_symlink(moved / UnderPrefix(KRELLIX_DATADIR) / "krellix/images", work / "images");
    fs::create_directory_symlink(moved / UnderPrefix(KRELLIX_DATADIR) / "krellix/sounds", work / "sounds");
    const TRunResult here = Play((lonely / "krellix").string(), work, home, "", ShortGame());
    ASSERT_EQ(here.status, 0) << here.err;
    EXPECT_EQ(LeftInWork(),
              (std::vector<std::string>{"highscore.dat", "images", "sounds", "tables.lock", "users.dat"}));
}

TEST_F(Install, DesktopEntryMetainfoAndManualPagePassTheirValidators)
{
    const fs::path data = installed / UnderPrefix(KRELLIX_DATADIR);
    struct TCheck {
        std::string tool;
        std::vector<std::string> args;
        std::string package;
    };
    const TCheck checks[] = {
        {"desktop-file-validate", {(data / ("applications/" + AppId + ".desktop")).string()}, "desktop-file-utils"},
        {"appstreamcli",
         {"validate", "--no-net", "--pedantic", (data / ("metainfo/" + AppId + ".metainfo.xml")).string()},
         "appstream"},
        {"man",
         {"--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z",
          (installed / UnderPrefix(KRELLIX_MANDIR) / "man6/krellix.6.gz").string()},
         "man-db"},
    };
    int ran = 0;
    for (const TCheck& check : checks) {
        if (!OnPath(check.tool)) {
            std::printf("skipped: %s is not installed (Debian package %s)\n", check.tool.c_str(),
                        check.package.c_str());
            continue;
        }
        ++ran;
        TRunEnvironment environment;
        environment.set = {{"LC_ALL", "C.UTF-8"}, {"MANROFFSEQ", ""}, {"MANWIDTH", "80"}};
        const TRunResult result = RunProgram(check.tool, check.args, work.string(), environment);
        EXPECT_EQ(result.status, 0) << check.tool << ":\n" << result.out << result.err;
        // The desktop entry's validator and the manual page's formatter report on stderr even when
        // their status is 0; AppStream's lists its pedantic remarks on stdout and passes.
        if (check.tool != "appstreamcli") {
            EXPECT_EQ(result.err, "") << check.tool;
        }
        if (check.tool == "desktop-file-validate") {
            EXPECT_EQ(result.out, "") << result.out;
        }
    }
    if (ran == 0) GTEST_SKIP() << "none of the validators is installed";
}

}  // namespace
