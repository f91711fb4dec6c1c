// Table files the player must not lose: unreadable, oversized, damaged and read-only files, and
// folders that take no new files.
#include "framework/system/TableFile.h"
#include "tests/tables/TableFixture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

namespace {

namespace fs = std::filesystem;

size_t LineCount(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

mode_t ModeOf(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// While it lives the process acts as an ordinary user, so file permissions hold for it even when
// the tests run as root. The temporary folder gets folderMode, open to that user by default.
class TAsOrdinaryUser {
public:
    explicit TAsOrdinaryUser(const TTempDir& dir, mode_t folderMode = 0777)
    {
        ::chmod(dir.Path().c_str(), folderMode);
        if (::geteuid() != 0) return;
        _switched = ::setegid(65534) == 0 && ::seteuid(65534) == 0;
    }
    ~TAsOrdinaryUser()
    {
        if (!_switched) return;
        if (::seteuid(0) != 0 || ::setegid(0) != 0) std::abort();
    }
    TAsOrdinaryUser(const TAsOrdinaryUser&) = delete;
    TAsOrdinaryUser& operator=(const TAsOrdinaryUser&) = delete;

private:
    bool _switched = false;
};

// Runs f with stderr captured; returns what it wrote.
std::string StderrOf(const std::function<void()>& f)
{
    testing::internal::CaptureStderr();
    f();
    return testing::internal::GetCapturedStderr();
}

// ACE at level 3 and BOB at level 12.
Bytes TwoPlayers() { return {'A', 'C', 'E', 13, 10, 3, 0, 0, 0, 'B', 'O', 'B', 13, 10, 12, 0, 0, 0}; }

// A file of size bytes that takes no room on disk.
void SparseFile(const std::string& path, off_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
}

TEST_F(Tables, ATableFileThatCannotBeReadIsReportedAndNeverSavedOver)
{
    struct Case {
        const char* what;
        std::function<void(const std::string&)> make;
        bool asOrdinaryUser;
        const char* message;
    };
    const Case cases[] = {
        {"no permission",
         [](const std::string& path) {
             TTempDir::WriteBytes(path, TwoPlayers());
             ::chmod(path.c_str(), 0);
         },
         true, "cannot be read: Permission denied"},
        {"a folder", [](const std::string& path) { fs::create_directory(path); }, false, "is a folder"},
        {"2 MiB", [](const std::string& path) { SparseFile(path, 2 << 20); }, false, "is larger than 1 MiB"},
        {"one byte too many", [](const std::string& path) { SparseFile(path, (1 << 20) + 1); }, false,
         "is larger than 1 MiB"},
        {"3 GiB", [](const std::string& path) { SparseFile(path, off_t{3} << 30); }, false, "is larger than 1 MiB"},
    };
    for (const auto& c : cases) {
        for (const std::string file : {"users.dat", "highscore.dat"}) {
            SCOPED_TRACE(std::string(c.what) + " " + file);
            TTempDir here;
            const std::string path = here.File(file);
            c.make(path);
            const mode_t mode = ModeOf(path);
            const auto size = fs::is_directory(path) ? 0 : fs::file_size(path);
            bool loaded = true;
            std::string err;
            {
                std::unique_ptr<TAsOrdinaryUser> user;
                if (c.asOrdinaryUser) user = std::make_unique<TAsOrdinaryUser>(here);
                err = StderrOf([&] {
                    loaded = file == "users.dat" ? TUserEntry::LoadUserTable(path, "")
                                                 : THighScorceEntry::LoadHighScoreTable(path, "");
                });
            }
            EXPECT_FALSE(loaded);
            EXPECT_EQ(LineCount(err), 1u) << err;
            EXPECT_NE(err.find(path + " " + c.message), std::string::npos) << err;
            EXPECT_NE(err.find("not saved over"), std::string::npos) << err;

            // What the game does with it: a new player, or the default table, saved at exit.
            TUserEntry::LoadUser("NEW");
            THighScorceEntry::FormatTopScore();
            bool saved = true;
            err = StderrOf([&] {
                saved = file == "users.dat" ? TUserEntry::SaveUserTable(path, "")
                                            : THighScorceEntry::SaveHighScoreTable(path, "");
            });
            EXPECT_FALSE(saved);
            EXPECT_EQ(LineCount(err), 1u) << err;
            EXPECT_NE(err.find(path + " was not saved"), std::string::npos) << err;
            EXPECT_NE(err.find("this run's changes to it are lost"), std::string::npos) << err;
            EXPECT_EQ(ModeOf(path), mode);
            if (!fs::is_directory(path)) {
                EXPECT_EQ(fs::file_size(path), size);
            }
            ::chmod(path.c_str(), 0644);
            if (c.asOrdinaryUser) {
                EXPECT_EQ(TTempDir::ReadBytes(path), TwoPlayers());
            }
        }
    }
}

TEST_F(Tables, AReadErrorIsReportedAndTheTableStartsEmpty)
{
    // Reading this process's memory at address 0 fails with an I/O error.
    std::string err = StderrOf([] { EXPECT_FALSE(TUserEntry::LoadUserTable("/proc/self/mem", "")); });
    EXPECT_TRUE(UserList->IsEmpty());
    EXPECT_EQ(LineCount(err), 1u) << err;
    EXPECT_NE(err.find("/proc/self/mem cannot be read: Input/output error"), std::string::npos) << err;
    // Only a missing file starts without a word.
    err = StderrOf([&] {
        EXPECT_FALSE(TUserEntry::LoadUserTable(dir.File("users.dat"), ""));
        EXPECT_FALSE(THighScorceEntry::LoadHighScoreTable(dir.File("none/highscore.dat"), ""));
    });
    EXPECT_EQ(err, "");
    // A missing file does not keep the run from saving a new one.
    TUserEntry::AddUser("ACE", 3);
    EXPECT_TRUE(TUserEntry::SaveUserTable(dir.File("users.dat"), ""));
}

TEST_F(Tables, ADamagedFileIsCopiedAsItWasBeforeItIsSavedOver)
{
    struct Case {
        const char* file;
        Bytes bytes;
        std::string key;
        std::string table;  // after the load and, for the high scores, the default table when it failed
    };
    Bytes cutUsers = TwoPlayers();
    cutUsers.resize(cutUsers.size() - 2);
    Bytes cutScores;
    Append(cutScores, "ACE", {500, 3});
    cutScores.push_back('B');
    Bytes scrambled = cutUsers;
    // "k" added to every byte: the file as the game scrambles it with that key.
    for (auto& b : scrambled) b = static_cast<uint8_t>(b + 'k');
    const std::string defaultTop = "Varn Dovrak:1000 ";
    const Case cases[] = {
        {"users.dat", cutUsers, "", "ACE:3 "},
        {"users.dat", scrambled, "k", "ACE:3 "},
        {"users.dat", {'X'}, "", ""},
        {"highscore.dat", cutScores, "", "ACE:500 "},
        {"highscore.dat", {'A', 'B', 'C'}, "", defaultTop},  // no complete record: the default table
        {"highscore.dat", {'A', 0x0D, 0x0A, 1, 0, 0, 0}, "", defaultTop},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " of " + std::to_string(c.bytes.size()) + " bytes");
        TTempDir here;
        const std::string path = here.File(c.file);
        TTempDir::WriteBytes(path, c.bytes);
        TTempDir::WriteBytes(path + ".bak", {'o', 'l', 'd'});
        std::string err = StderrOf([&] {
            if (std::string(c.file) == "users.dat") {
                EXPECT_TRUE(TUserEntry::LoadUserTable(path, c.key));
            } else if (!THighScorceEntry::LoadHighScoreTable(path, c.key)) {
                THighScorceEntry::FormatTopScore();
            }
        });
        const std::string table = std::string(c.file) == "users.dat" ? UserNames() : Scores();
        EXPECT_EQ(table.substr(0, c.table.size()), c.table);
        EXPECT_EQ(LineCount(err), 1u) << err;
        EXPECT_NE(err.find(path + " ends inside a record"), std::string::npos) << err;
        EXPECT_NE(err.find("the file as it was is kept in " + path + ".bak"), std::string::npos) << err;
        EXPECT_EQ(TTempDir::ReadBytes(path + ".bak"), c.bytes);

        err = StderrOf([&] {
            EXPECT_TRUE(std::string(c.file) == "users.dat" ? TUserEntry::SaveUserTable(path, c.key)
                                                           : THighScorceEntry::SaveHighScoreTable(path, c.key));
        });
        EXPECT_EQ(err, "");
        EXPECT_NE(TTempDir::ReadBytes(path), c.bytes);
        EXPECT_EQ(TTempDir::ReadBytes(path + ".bak"), c.bytes);
    }
}

TEST_F(Tables, ADamagedFileThatCannotBeCopiedIsNotSavedOver)
{
    Bytes cut = TwoPlayers();
    cut.pop_back();
    TTempDir::WriteBytes(dir.File("users.dat"), cut);
    ::chmod(dir.File("users.dat").c_str(), 0666);
    std::string err;
    bool saved = true;
    {
        TAsOrdinaryUser user(dir, 0555);  // no new files, so no copy
        err = StderrOf([&] { EXPECT_TRUE(TUserEntry::LoadUserTable(dir.File("users.dat"), "")); });
        EXPECT_NE(err.find("could not be copied to " + dir.File("users.dat.bak")), std::string::npos) << err;
        EXPECT_EQ(LineCount(err), 1u) << err;
        err = StderrOf([&] { saved = TUserEntry::SaveUserTable(dir.File("users.dat"), ""); });
    }
    EXPECT_FALSE(saved);
    EXPECT_NE(err.find("was not saved"), std::string::npos) << err;
    EXPECT_EQ(TTempDir::ReadBytes(dir.File("users.dat")), cut);
}

TEST_F(Tables, AReadOnlyFileIsNeverReplaced)
{
    // Whoever runs the game: a file without a write bit is one the player chose to protect.
    for (const mode_t mode : {0444, 0400, 0555}) {
        SCOPED_TRACE(mode);
        TTempDir here;
        const std::string path = here.File("users.dat");
        TTempDir::WriteBytes(path, TwoPlayers());
        ::chmod(path.c_str(), mode);
        ASSERT_TRUE(TUserEntry::LoadUserTable(path, ""));
        TUserEntry::LoadUser("NEW");
        bool saved = true;
        const std::string err = StderrOf([&] { saved = TUserEntry::SaveUserTable(path, ""); });
        EXPECT_FALSE(saved);
        EXPECT_EQ(LineCount(err), 1u) << err;
        EXPECT_NE(err.find(path + " was not saved: the file is read-only"), std::string::npos) << err;
        EXPECT_EQ(TTempDir::ReadBytes(path), TwoPlayers());
        EXPECT_EQ(ModeOf(path), mode);
    }
}

TEST_F(Tables, AFolderWithoutRoomForATemporaryFileGetsTheFileWrittenInPlace)
{
    TTempDir::WriteBytes(dir.File("highscore.dat"), Bytes(500, 'x'));
    ::chmod(dir.File("highscore.dat").c_str(), 0666);
    THighScorceEntry::FormatTopScore();
    bool saved = false, savedNew = true;
    std::string err;
    {
        TAsOrdinaryUser user(dir, 0555);
        err = StderrOf([&] {
            saved = THighScorceEntry::SaveHighScoreTable(dir.File("highscore.dat"), "");
            savedNew = TUserEntry::SaveUserTable(dir.File("users.dat"), "");  // no file to write into
        });
    }
    EXPECT_TRUE(saved);
    EXPECT_FALSE(savedNew);
    EXPECT_EQ(LineCount(err), 1u) << err;
    EXPECT_NE(err.find(dir.File("users.dat") + " was not saved"), std::string::npos) << err;
    Bytes expected;
    for (const auto& e : *HighScoreList) Append(expected, e->Name, {e->Score, e->Level});
    EXPECT_EQ(TTempDir::ReadBytes(dir.File("highscore.dat")), expected);  // cut to its new length
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

}  // namespace
