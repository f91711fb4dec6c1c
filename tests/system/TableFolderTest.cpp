// The table folder: table paths in it, and the player's own folder made on the first save.
#include "framework/system/TableFolder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

mode_t ModeOf(const fs::path& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

class TableFolder : public testing::Test {
protected:
    void TearDown() override { SetTableFolder("", false); }
    TTempDir dir;
};

TEST_F(TableFolder, TheWorkingDirectoryKeepsThePlainNames)
{
    SetTableFolder("", false);
    EXPECT_EQ(TablePath("users.dat"), "users.dat");
    EXPECT_TRUE(PrepareTableFolder());
    SetTableFolder("/home/ann/.local/share/krellix", true);
    EXPECT_EQ(TablePath("highscore.dat"), "/home/ann/.local/share/krellix/highscore.dat");
}

TEST_F(TableFolder, ThePlayersFolderIsMadePrivateWithItsParents)
{
    const fs::path home = dir.Path() / "home";
    fs::create_directory(home);
    ::chmod(home.c_str(), 0755);
    const fs::path tables = home / ".local" / "share" / "krellix";
    SetTableFolder(tables.string(), true);
    EXPECT_FALSE(fs::exists(tables));  // nothing is made before the first save
    ASSERT_TRUE(PrepareTableFolder());
    for (const fs::path& made : {home / ".local", home / ".local" / "share", tables})
        EXPECT_EQ(ModeOf(made), 0700u) << made;
    EXPECT_EQ(ModeOf(home), 0755u);  // what existed keeps its mode
    // Saving again finds the folder and leaves a mode the player chose.
    ::chmod(tables.c_str(), 0750);
    EXPECT_TRUE(PrepareTableFolder());
    EXPECT_EQ(ModeOf(tables), 0750u);

    // A folder named by --data or the working directory is never made.
    SetTableFolder((dir.Path() / "absent").string(), false);
    EXPECT_TRUE(PrepareTableFolder());
    EXPECT_FALSE(fs::exists(dir.Path() / "absent"));
}

TEST_F(TableFolder, AFolderThatCannotBeMadeIsReportedOnce)
{
    TTempDir::WriteBytes(dir.File("file"), {1});
    struct TCase {
        fs::path folder;
        const char* reason;
    };
    const TCase cases[] = {
        {dir.Path() / "file", "is not a folder"},
        {dir.Path() / "file" / "krellix", "cannot create the folder"},
    };
    for (const TCase& c : cases) {
        SetTableFolder(c.folder.string(), true);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(PrepareTableFolder()) << c.folder;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find(c.reason), std::string::npos) << err;
        EXPECT_NE(err.find(c.folder.string()), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
    EXPECT_EQ(TTempDir::ReadBytes(dir.File("file")), std::vector<uint8_t>{1});
}

}  // namespace
