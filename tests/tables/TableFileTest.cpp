// Damaged and unwritable table files: cut-off tails are dropped with one message, and a save
// replaces a file whole or leaves it as it was.
#include "framework/system/TableFile.h"
#include "tests/tables/TableFixture.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>

namespace {

size_t Lines(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

TEST_F(Tables, UserFileCutInsideARecordKeepsTheCompleteRecords)
{
    Bytes whole;
    Append(whole, "ACE", {3});
    Append(whole, "BOB", {12});
    struct Case {
        size_t length;
        std::string users;
        bool message;
    };
    const Case cases[] = {
        {18, "ACE:3 BOB:12 ", false}, {17, "ACE:3 ", true},  // the level has 3 of its 4 bytes
        {14, "ACE:3 ", true},                                // right after the line end
        {11, "ACE:3 ", true},                                // the name without its line end
        {10, "ACE:3 ", true},                                // one byte of the second record
        {9, "ACE:3 ", false},         {6, "", true},        {1, "", true},
    };
    for (const auto& c : cases) {
        TTempDir::WriteBytes(dir.File("users.dat"), Bytes(whole.begin(), whole.begin() + static_cast<long>(c.length)));
        testing::internal::CaptureStderr();
        EXPECT_TRUE(TUserEntry::LoadUserTable(dir.File("users.dat"), "")) << c.length;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(UserNames(), c.users) << c.length;
        if (c.message) {
            EXPECT_EQ(Lines(err), 1u) << err;
            EXPECT_NE(err.find(dir.File("users.dat")), std::string::npos) << err;
            EXPECT_NE(err.find("ends inside a record"), std::string::npos) << err;
        } else {
            EXPECT_EQ(err, "") << c.length;
        }
    }
}

TEST_F(Tables, HighScoreFileCutInsideARecordKeepsTheCompleteRecords)
{
    Bytes whole;
    Append(whole, "ACE", {500, 3});
    Append(whole, "BOB", {400, 2});
    for (size_t length : {whole.size() - 1, whole.size() - 4, whole.size() - 5, whole.size() - 8, size_t{14}}) {
        TTempDir::WriteBytes(dir.File("highscore.dat"),
                             Bytes(whole.begin(), whole.begin() + static_cast<long>(length)));
        testing::internal::CaptureStderr();
        EXPECT_TRUE(THighScorceEntry::LoadHighScoreTable(dir.File("highscore.dat"), ""));
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(Scores(), "ACE:500 ") << length;
        EXPECT_EQ(Lines(err), 1u) << err;
        EXPECT_NE(err.find("highscore.dat ends inside a record at byte 13: kept 1 complete record"), std::string::npos)
            << err;
    }
    // A table that lost its tail is short: it takes every score until it holds ten again.
    EXPECT_TRUE(THighScorceEntry::NewHighScore(499));
    EXPECT_EQ(THighScorceEntry::GetScorePosition(499), 0);
}

TEST_F(Tables, SaveReplacesTheFileAndLeavesNoTemporaryFiles)
{
    TTempDir::WriteBytes(dir.File("users.dat"), Bytes(100, 0xAA));
    ::chmod(dir.File("users.dat").c_str(), 0640);
    TUserEntry::AddUser("ACE", 3);
    ASSERT_TRUE(TUserEntry::SaveUserTable(dir.File("users.dat"), ""));
    EXPECT_EQ(TTempDir::ReadBytes(dir.File("users.dat")).size(), 9u);
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("users.dat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);  // the old file's permissions carry over
    size_t files = 0;
    // Beside the table only the lock file that runs sharing the folder take.
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) files += e.path().filename() != TableLockName;
    EXPECT_EQ(files, 1u);
}

TEST_F(Tables, SaveThroughASymbolicLinkReplacesItsTarget)
{
    std::filesystem::create_directory(dir.Path() / "data");
    TTempDir::WriteBytes(dir.File("data/real.dat"), {1});
    std::filesystem::create_symlink("data/real.dat", dir.Path() / "users.dat");
    TUserEntry::AddUser("ACE", 3);
    ASSERT_TRUE(TUserEntry::SaveUserTable(dir.File("users.dat"), ""));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path() / "users.dat"));
    EXPECT_EQ(TTempDir::ReadBytes(dir.File("data/real.dat")).size(), 9u);
}

TEST_F(Tables, BackslashPathsSaveToTheSameFile)
{
    std::filesystem::create_directory(dir.Path() / "sub");
    THighScorceEntry::FormatTopScore();
    ASSERT_TRUE(THighScorceEntry::SaveHighScoreTable(dir.Path().string() + "\\sub\\highscore.dat", ""));
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "sub" / "highscore.dat"));
}

// Limits the size of files this process may write, so a save fails half-way as on a full disk.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &_old);
        _oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = _old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &_old);
        std::signal(SIGXFSZ, _oldHandler);
    }

private:
    rlimit _old{};
    void (*_oldHandler)(int);
};

TEST_F(Tables, AFailedSaveLeavesTheOldFileAndSaysSo)
{
    Bytes old;
    Append(old, "OLD", {5});
    TTempDir::WriteBytes(dir.File("users.dat"), old);
    for (int i = 0; i < 100; ++i) TUserEntry::AddUser("PLAYER" + std::to_string(i), i);
    bool saved = true;
    std::string err;
    {
        TFileSizeLimit limit(300);  // room for the message, not for the table
        testing::internal::CaptureStderr();
        saved = TUserEntry::SaveUserTable(dir.File("users.dat"), "");
        err = testing::internal::GetCapturedStderr();
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(TTempDir::ReadBytes(dir.File("users.dat")), old);
    EXPECT_EQ(Lines(err), 1u) << err;
    EXPECT_NE(err.find(dir.File("users.dat") + " was not saved"), std::string::npos) << err;
    size_t files = 0;
    // Beside the table only the lock file that runs sharing the folder take.
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) files += e.path().filename() != TableLockName;
    EXPECT_EQ(files, 1u) << "the temporary file is removed";
}

TEST_F(Tables, SaveIntoAMissingDirectoryFailsWithAMessage)
{
    THighScorceEntry::FormatTopScore();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(THighScorceEntry::SaveHighScoreTable(dir.File("gone/highscore.dat"), ""));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Lines(err), 1u) << err;
    EXPECT_NE(err.find("gone/highscore.dat"), std::string::npos) << err;
}

TEST_F(Tables, SaveOverADirectoryFailsAndKeepsIt)
{
    std::filesystem::create_directory(dir.Path() / "users.dat");
    TTempDir::WriteBytes(dir.File("users.dat/keep"), {1});
    TUserEntry::AddUser("ACE", 3);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(TUserEntry::SaveUserTable(dir.File("users.dat"), ""));
    EXPECT_EQ(Lines(testing::internal::GetCapturedStderr()), 1u);
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "users.dat" / "keep"));
    EXPECT_FALSE(TUserEntry::LoadUserTable(dir.File("users.dat"), ""));  // a directory is not a table
}

TEST_F(Tables, SaveToAnUnknownUrlFailsWithAMessage)
{
    TUserEntry::AddUser("ACE", 3);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(TUserEntry::SaveUserTable("incbin::users.dat", ""));
    EXPECT_EQ(Lines(testing::internal::GetCapturedStderr()), 1u);
}

TEST_F(Tables, PersonTableIsNewestFirstWithTheUserFileLayout)
{
    TPersonEntry::AddPerson("ANN", 2);
    TPersonEntry::AddPerson("BEN", 4);
    TPersonEntry::AddPerson("ANN", 6);
    TPersonEntry::UpdatePerson("ANN", 9);
    std::string people;
    for (const auto& p : *PersonList) people += p->name + ":" + std::to_string(p->level) + " ";
    EXPECT_EQ(people, "ANN:9 BEN:4 ANN:9 ");

    ASSERT_TRUE(TPersonEntry::SavePersonEntries(dir.File("people.dat"), ""));
    Bytes expected;
    Append(expected, "ANN", {9});
    Append(expected, "BEN", {4});
    Append(expected, "ANN", {9});
    EXPECT_EQ(TTempDir::ReadBytes(dir.File("people.dat")), expected);

    // Loading adds the file's records in front of what the table holds, each at the front.
    PersonList->Clear();
    TPersonEntry::AddPerson("OLD", 1);
    Bytes file;
    Append(file, "P1", {1});
    Append(file, "P2", {2});
    Append(file, "P3", {3});
    file.pop_back();
    TTempDir::WriteBytes(dir.File("people.dat"), file);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(TPersonEntry::LoadPersonEntires(dir.File("people.dat"), ""));
    EXPECT_EQ(Lines(testing::internal::GetCapturedStderr()), 1u);
    people.clear();
    for (const auto& p : *PersonList) people += p->name + ":" + std::to_string(p->level) + " ";
    EXPECT_EQ(people, "P2:2 P1:1 OLD:1 ");
    EXPECT_FALSE(TPersonEntry::LoadPersonEntires(dir.File("none.dat"), ""));
    EXPECT_EQ(PersonList->Count(), 3);
}

TEST_F(Tables, PersonScramblingHasItsOwnKeyPosition)
{
    TPersonEntry::AddPerson("X", 1);
    HighScoreKeyPosition = 42;
    PersonKeyPosition = 42;
    ASSERT_TRUE(TPersonEntry::SavePersonEntries(dir.File("people.dat"), "abc"));
    EXPECT_EQ(HighScoreKeyPosition, 42);
    EXPECT_EQ(PersonKeyPosition, 2);  // 7 bytes: positions 1 2 3 1 2 3 1, then 2
    PersonList.reset();
    ASSERT_TRUE(TPersonEntry::LoadPersonEntires(dir.File("people.dat"), "abc"));
    EXPECT_EQ(PersonList->First()->name, "X");
}

}  // namespace
