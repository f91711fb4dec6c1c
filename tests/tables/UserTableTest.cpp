// The player table: byte-exact "users.dat", selecting players, saving the current level.
#include "tests/tables/TableFixture.h"

namespace {

TEST_F(Tables, OnePlayerAceAtLevelThreeIsNineBytes)
{
    TUserEntry::AddUser("ACE", 3);
    ASSERT_TRUE(TUserEntry::SaveUserTable(dir.File("users.dat"), ""));
    EXPECT_EQ(TTempDir::ReadBytes(dir.File("users.dat")),
              (Bytes{0x41, 0x43, 0x45, 0x0D, 0x0A, 0x03, 0x00, 0x00, 0x00}));
}

TEST_F(Tables, UserFileRoundTripsInOrder)
{
    TUserEntry::AddUser("ZED", 12);
    TUserEntry::AddUser("\xC9LAN", 33);  // Latin-1 survives
    TUserEntry::AddUser("", 1);
    TUserEntry::AddUser("ZED", 2);
    ASSERT_TRUE(TUserEntry::SaveUserTable(dir.File("users.dat"), ""));
    Bytes expected;
    Append(expected, "ZED", {12});
    Append(expected, "\xC9LAN", {33});
    Append(expected, "", {1});
    Append(expected, "ZED", {2});
    EXPECT_EQ(TTempDir::ReadBytes(dir.File("users.dat")), expected);

    UserList.reset();
    ASSERT_TRUE(TUserEntry::LoadUserTable(dir.File("users.dat"), ""));
    EXPECT_EQ(UserNames(), "ZED:12 \xC9LAN:33 :1 ZED:2 ");
    for (const auto& u : *UserList) EXPECT_EQ(u->CurrentUser, 0);
}

TEST_F(Tables, MissingAndEmptyUserFiles)
{
    TUserEntry::AddUser("OLD", 4);
    EXPECT_FALSE(TUserEntry::LoadUserTable(dir.File("users.dat"), ""));
    ASSERT_TRUE(UserList);
    EXPECT_TRUE(UserList->IsEmpty());  // a failed load leaves an empty table

    TTempDir::WriteBytes(dir.File("users.dat"), {});
    TUserEntry::AddUser("OLD", 4);
    EXPECT_TRUE(TUserEntry::LoadUserTable(dir.File("users.dat"), ""));
    EXPECT_TRUE(UserList->IsEmpty());
}

TEST_F(Tables, LoadUserSelectsAddsAndLastDuplicateWins)
{
    TUserEntry::AddUser("ACE", 5);
    TUserEntry::AddUser("BOB", 9);
    TUserEntry::AddUser("ACE", 8);

    TUserEntry::LoadUser("ACE");
    EXPECT_EQ(CurrentUserName, "ACE");
    EXPECT_EQ(CurrentUserLevel, 8);

    TUserEntry::LoadUser("ace");  // case-sensitive: a new player
    EXPECT_EQ(CurrentUserName, "ace");
    EXPECT_EQ(CurrentUserLevel, 1);
    EXPECT_EQ(UserNames(), "ACE:5 BOB:9 ACE:8 ace:1 ");

    TUserEntry::LoadUser("BOB");
    EXPECT_EQ(CurrentUserLevel, 9);
    TUserEntry::LoadUser("ace");  // found again, not added twice
    EXPECT_EQ(UserList->Count(), 4);
}

TEST_F(Tables, NewPlayerWithoutAnyTable)
{
    TUserEntry::LoadUser("NEO");
    ASSERT_TRUE(UserList);
    EXPECT_EQ(UserNames(), "NEO:1 ");
    EXPECT_EQ(CurrentUserName, "NEO");
}

TEST_F(Tables, SavingStoresTheCurrentLevelOnlyInTheCurrentPlayer)
{
    TUserEntry::AddUser("BOB", 4);
    TUserEntry::AddUser("ACE", 2);
    TUserEntry::AddUser("CID", 6);
    TUserEntry::LoadUser("ACE");
    CurrentUserLevel = 7;
    ASSERT_TRUE(TUserEntry::SaveUserTable(dir.File("users.dat"), ""));
    EXPECT_EQ(UserNames(), "BOB:4 ACE:7 CID:6 ");
    for (const auto& u : *UserList) EXPECT_EQ(u->CurrentUser, u->Name == "ACE" ? 1 : 0);

    UserList.reset();
    ASSERT_TRUE(TUserEntry::LoadUserTable(dir.File("users.dat"), ""));
    EXPECT_EQ(UserNames(), "BOB:4 ACE:7 CID:6 ");
}

TEST_F(Tables, SavingWithDuplicatesKeepsTheLevelThatLoadUserWillPick)
{
    TUserEntry::AddUser("ACE", 3);
    TUserEntry::AddUser("ACE", 5);
    TUserEntry::LoadUser("ACE");
    CurrentUserLevel = 11;
    ASSERT_TRUE(TUserEntry::SaveUserTable(dir.File("users.dat"), ""));
    TUserEntry::LoadUserTable(dir.File("users.dat"), "");
    TUserEntry::LoadUser("ACE");
    EXPECT_EQ(CurrentUserLevel, 11);
}

TEST_F(Tables, NoCurrentPlayerLeavesEveryLevel)
{
    TUserEntry::AddUser("", 3);
    CurrentUserLevel = 20;
    ASSERT_TRUE(TUserEntry::SaveUserTable(dir.File("users.dat"), ""));
    EXPECT_EQ(UserNames(), ":3 ");
}

TEST_F(Tables, TheEmptyNameIsAPlayerLikeAnyOtherOnceChosen)
{
    TUserEntry::AddUser("ACE", 4);
    TUserEntry::AddUser("", 3);
    TUserEntry::LoadUser("");
    EXPECT_EQ(CurrentUserLevel, 3);
    CurrentUserLevel = 12;
    ASSERT_TRUE(TUserEntry::SaveUserTable(dir.File("users.dat"), ""));
    EXPECT_EQ(UserNames(), "ACE:4 :12 ");
    Bytes expected;
    Append(expected, "ACE", {4});
    Append(expected, "", {12});
    EXPECT_EQ(TTempDir::ReadBytes(dir.File("users.dat")), expected);
}

TEST_F(Tables, EmptyTableSavesAnEmptyFile)
{
    TTempDir::WriteBytes(dir.File("users.dat"), {1, 2, 3});
    ASSERT_TRUE(TUserEntry::SaveUserTable(dir.File("users.dat"), ""));
    EXPECT_TRUE(TTempDir::ReadBytes(dir.File("users.dat")).empty());
}

TEST_F(Tables, LevelsOutsideTheGameAreClampedWhenTheyBecomeCurrent)
{
    struct Case {
        int32_t stored, current;
    };
    const Case cases[] = {{0, 1}, {-5, 1}, {INT32_MIN, 1}, {1, 1}, {17, 17}, {33, 33}, {34, 33}, {INT32_MAX, 33}};
    for (const auto& c : cases) {
        Bytes file;
        Append(file, "ACE", {c.stored});
        TTempDir::WriteBytes(dir.File("users.dat"), file);
        ASSERT_TRUE(TUserEntry::LoadUserTable(dir.File("users.dat"), ""));
        TUserEntry::LoadUser("ACE");
        EXPECT_EQ(CurrentUserLevel, c.current) << c.stored;
        EXPECT_EQ(UserList->First()->Level, c.stored);  // the table keeps what the file said
    }
}

TEST_F(Tables, UserTableThroughStreamsAndBanks)
{
    Bytes file;
    Append(file, "ACE", {3});
    auto bank = TBank::Create(static_cast<int32_t>(file.size()));
    std::copy(file.begin(), file.end(), bank->Buf());
    ASSERT_TRUE(TUserEntry::LoadUserTable(bank, ""));
    EXPECT_EQ(UserNames(), "ACE:3 ");

    auto out = TBank::Create(0);
    ASSERT_TRUE(TUserEntry::SaveUserTable(out, ""));
    EXPECT_EQ(Bytes(out->Buf(), out->Buf() + out->Size()), file);
}

}  // namespace
