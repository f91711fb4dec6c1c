// Tables in a folder that another run of the game saves to as well: a save keeps what that run
// saved since this run read the tables.
#include "tests/tables/TableFixture.h"

namespace {

TEST_F(Tables, ASaveKeepsWhatAnotherRunSavedSinceTheTablesWereRead)
{
    Bytes users;
    Append(users, "ACE", {3});
    Append(users, "BOB", {12});
    TTempDir::WriteBytes(dir.File("users.dat"), users);
    TUserEntry::LoadUserTable(dir.File("users.dat"), "");
    ASSERT_FALSE(THighScorceEntry::LoadHighScoreTable(dir.File("highscore.dat"), ""));
    THighScorceEntry::FormatTopScore();

    // This run adds CAT and DAN, moves BOB on and enters his score.
    TUserEntry::LoadUser("CAT");
    TUserEntry::LoadUser("DAN");
    TUserEntry::LoadUser("BOB");
    CurrentUserLevel = 14;
    ASSERT_TRUE(THighScorceEntry::EnterFinalScore("BOB", 2150, 14));

    // Meanwhile another run moved ACE on, added CAT and entered CAT's score of the same.
    Bytes otherUsers;
    Append(otherUsers, "ACE", {5});
    Append(otherUsers, "BOB", {12});
    Append(otherUsers, "CAT", {2});
    TTempDir::WriteBytes(dir.File("users.dat"), otherUsers);
    Bytes otherScores;
    Append(otherScores, "CAT", {2150, 2});
    for (int32_t score = 1000; score >= 200; score -= 100) Append(otherScores, "OLD", {score, score / 100});
    TTempDir::WriteBytes(dir.File("highscore.dat"), otherScores);

    ASSERT_TRUE(TUserEntry::SaveUserTable(dir.File("users.dat"), ""));
    ASSERT_TRUE(THighScorceEntry::SaveHighScoreTable(dir.File("highscore.dat"), ""));
    Bytes expectedUsers = otherUsers;
    expectedUsers[9 + 5] = 14;
    Append(expectedUsers, "DAN", {1});
    EXPECT_EQ(TTempDir::ReadBytes(dir.File("users.dat")), expectedUsers);
    EXPECT_EQ(UserNames(), "ACE:5 BOB:14 CAT:2 DAN:1 ");
    Bytes expectedScores(otherScores.begin(), otherScores.end() - 13);
    expectedScores.insert(expectedScores.begin() + 13, {'B', 'O', 'B', 13, 10, 0x66, 0x08, 0, 0, 14, 0, 0, 0});
    EXPECT_EQ(TTempDir::ReadBytes(dir.File("highscore.dat")), expectedScores);
    EXPECT_EQ(Scores(), "CAT:2150 BOB:2150 OLD:1000 OLD:900 OLD:800 OLD:700 OLD:600 OLD:500 OLD:400 OLD:300 ");

    // The other run saves once more, and this run again: what this run saved is not applied twice.
    expectedUsers[5] = 6;
    expectedUsers[9 + 5] = 20;
    TTempDir::WriteBytes(dir.File("users.dat"), expectedUsers);
    Bytes moreScores;
    Append(moreScores, "EVE", {3000, 4});
    moreScores.insert(moreScores.end(), expectedScores.begin(), expectedScores.end() - 13);
    TTempDir::WriteBytes(dir.File("highscore.dat"), moreScores);
    ASSERT_TRUE(TUserEntry::SaveUserTable(dir.File("users.dat"), ""));
    ASSERT_TRUE(THighScorceEntry::SaveHighScoreTable(dir.File("highscore.dat"), ""));
    EXPECT_EQ(TTempDir::ReadBytes(dir.File("users.dat")), expectedUsers);
    EXPECT_EQ(TTempDir::ReadBytes(dir.File("highscore.dat")), moreScores);
}

TEST_F(Tables, ATableAnotherRunLeftDamagedIsCopiedBeforeItIsSavedOver)
{
    const Bytes cut = {'C', 'A', 'T', 13, 10, 1, 2};
    for (const bool copyable : {true, false}) {
        const std::string file = dir.File(copyable ? "a.dat" : "b.dat");
        ASSERT_FALSE(THighScorceEntry::LoadHighScoreTable(file, ""));
        THighScorceEntry::FormatTopScore();
        ASSERT_TRUE(THighScorceEntry::EnterFinalScore("BOB", 2150, 14));
        TTempDir::WriteBytes(file, cut);
        if (!copyable) std::filesystem::create_directory(file + ".bak");
        testing::internal::CaptureStderr();
        const bool saved = THighScorceEntry::SaveHighScoreTable(file, "");
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(saved, copyable);
        if (!copyable) {
            EXPECT_EQ(TTempDir::ReadBytes(file), cut);
            continue;
        }
        EXPECT_EQ(TTempDir::ReadBytes(file + ".bak"), cut);
        // Without one whole record it is no table: the default one takes this run's score.
        ASSERT_TRUE(THighScorceEntry::LoadHighScoreTable(file, ""));
        EXPECT_EQ(Scores(), "BOB:2150 Varn Dovrak:1000 Tibbe Halme:900 Seyla Fenrow:800 Orla Quennet:700 "
                            "Brisk Tamsin:600 Jory Vantell:500 Mila Ostrand:400 Pell Corrigan:300 Nessa Druin:200 ");
    }
}

}  // namespace
