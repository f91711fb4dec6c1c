// The settings file kept between runs, and where screenshots go: what survives a round trip, what
// a bad file does (garbage, cut short, foreign, a folder, read-only), and the pictures folder.
#include "framework/platform/Settings.h"
#include "framework/platform/Comforts.h"
#include "tests/support/Picture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

TEST(Settings, RoundTripAndEveryBadFileGiveDefaultsWithOneLine)
{
    TTempDir dir;
    const std::string path = dir.File("krellix/settings");
    const TSettings changed{30, 0, false, 1280, 960};
    {
        TSettingsFile file(path);
        EXPECT_EQ(file.Load(), TSettings{}) << "no file: the defaults";
        EXPECT_FALSE(file.Save(TSettings{})) << "nothing changed, nothing written";
        EXPECT_FALSE(fs::exists(path));
        EXPECT_TRUE(file.Save(changed));
    }
    EXPECT_EQ(TSettingsFile(path).Load(), changed);

    const std::string good = FormatSettings(changed);
    struct TCase {
        const char* name;
        std::string text;
        const char* reason;
    };
    const TCase cases[] = {
        {"garbage", "\x89PNG\r\n\x1a\n\x00\x01", "is not a Krellix settings file"},
        {"foreign", "[General]\nvolume=3\n", "is not a Krellix settings file"},
        {"cut short", good.substr(0, good.find("screen") + 4), "is cut short"},
        {"end line lost", good.substr(0, good.rfind("end")), "is cut short"},
        {"bad value", "# Krellix settings\nmusic 110\nend\n", "is damaged at line 2"},
        {"unknown line", "# Krellix settings\nmusic 10\ncolour red\nend\n", "is damaged at line 3"},
        {"bad size", "# Krellix settings\nwindow 800by600\nend\n", "is damaged at line 2"},
    };
    for (const TCase& c : cases) {
        TTempDir::WriteBytes(path, std::vector<uint8_t>(c.text.begin(), c.text.end()));
        TSettingsFile file(path);
        testing::internal::CaptureStderr();
        EXPECT_EQ(file.Load(), TSettings{}) << c.name;
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find(c.reason), std::string::npos) << c.name << ": " << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << c.name << ": " << said;
        // The bad file is kept aside, not lost, when the settings are next saved.
        EXPECT_TRUE(file.Save(TSettings{})) << c.name;
        EXPECT_EQ(ReadText(path + ".bak"), c.text) << c.name;
        EXPECT_EQ(TSettingsFile(path).Load(), TSettings{}) << c.name;
    }
}

TEST(Settings, AFolderInItsPlaceOrAReadOnlyFileIsLeftAlone)
{
    TTempDir dir;
    const std::string path = dir.File("settings");
    fs::create_directory(path);
    {
        TSettingsFile file(path);
        testing::internal::CaptureStderr();
        EXPECT_EQ(file.Load(), TSettings{});
        EXPECT_FALSE(file.Save(TSettings{70, 70, true, 0, 0}));
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("it is a folder"), std::string::npos) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_TRUE(fs::is_directory(path));
    }
    fs::remove(path);

    const TSettings kept{50, 40, true, 0, 0};
    ASSERT_TRUE(TSettingsFile(path).Save(kept));
    fs::permissions(path, fs::perms::owner_read);
    TSettingsFile file(path);
    EXPECT_EQ(file.Load(), kept);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(file.Save(TSettings{}));
    EXPECT_FALSE(file.Save(TSettings{10, 10, false, 0, 0}));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("read-only"), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << "reported once: " << said;
    EXPECT_EQ(TSettingsFile(path).Load(), kept);
}

TEST(Settings, ConfigAndPicturesFoldersFollowTheDesktopsConventions)
{
    EXPECT_EQ(ConfigSettingsPath("/cfg", "/home/p", "krellix"), "/cfg/krellix/settings");
    EXPECT_EQ(ConfigSettingsPath("relative", "/home/p", "krellix"), "/home/p/.config/krellix/settings");
    EXPECT_EQ(ConfigSettingsPath("", "", "krellix"), "");

    const std::string dirs = "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                             "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n";
    struct TCase {
        TPicturesEnvironment environment;
        const char* folder;
    };
    const TCase cases[] = {
        {{"/shots", dirs, "/home/p"}, "/shots/Krellix"},
        {{"", dirs, "/home/p"}, "/home/p/Bilder/Krellix"},
        {{"", "XDG_PICTURES_DIR=\"/media/pics/\"\n", "/home/p"}, "/media/pics/Krellix"},
        {{"", "XDG_PICTURES_DIR=\"pics\"\n", "/home/p"}, "/home/p/Pictures/Krellix"},
        {{"", "", "/home/p"}, "/home/p/Pictures/Krellix"},
        {{"", "", ""}, ""},
    };
    for (const TCase& c : cases) EXPECT_EQ(PicturesFolder(c.environment, "Krellix"), c.folder) << c.folder;
}

TEST(Settings, ScreenshotsAreNamedByTheTimeAndNeverReplaceAFile)
{
    TTempDir dir;
    const std::string folder = dir.File("Pictures/Krellix");
    auto picture = TPixmap::Create(4, 3, PIXFMT_RGBA8888);
    picture->ClearPixels(0xFF102030u);
    std::tm time{};
    time.tm_year = 126;
    time.tm_mon = 11;
    time.tm_mday = 10;
    time.tm_hour = 1;
    time.tm_min = 45;
    time.tm_sec = 3;
    std::string first;
    std::string second;
    std::string error;
    ASSERT_TRUE(SaveScreenshot(*picture, folder, time, first, error)) << error;
    EXPECT_EQ(first, folder + "/krellix-2026-12-10-014503.png");
    ASSERT_TRUE(SaveScreenshot(*picture, folder, time, second, error)) << error;
    EXPECT_EQ(second, folder + "/krellix-2026-12-10-014503-2.png");
    const TPicture read = ReadPng(second);
    ASSERT_EQ(read.width, 4);
    EXPECT_EQ(read.At(3, 2)[2], 0x30);

    // A file where the folder should be: one line of error, nothing made.
    WriteText(dir.File("blocked"), "x");
    EXPECT_FALSE(SaveScreenshot(*picture, dir.File("blocked/Krellix"), time, first, error));
    EXPECT_NE(error.find("cannot save the screenshot in"), std::string::npos) << error;
}

}  // namespace
