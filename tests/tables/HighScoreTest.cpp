// The high-score table: the default table, the ranking scenarios, the file and its scrambling.
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Recording.h"
#include "tests/tables/TableFixture.h"

namespace {

// A player name with a number, "P7".
std::string Named(const char* prefix, int32_t number)
{
    std::string name = prefix;
    name += std::to_string(number);
    return name;
}

const char* const kDefault = "Varn Dovrak:1000 Tibbe Halme:900 Seyla Fenrow:800 Orla Quennet:700 Brisk Tamsin:600 "
                             "Jory Vantell:500 Mila Ostrand:400 Pell Corrigan:300 Nessa Druin:200 Hobb Laterly:100 ";

TEST_F(Tables, DefaultTable)
{
    THighScorceEntry::FormatTopScore();
    EXPECT_EQ(Scores(), kDefault);
    int32_t level = 10;
    for (const auto& e : *HighScoreList) EXPECT_EQ(e->Level, level--);
    const auto sameList = HighScoreList;
    THighScorceEntry::FormatTopScore();  // empties the table in place first
    EXPECT_EQ(HighScoreList, sameList);
    EXPECT_EQ(HighScoreList->Count(), 10);
}

TEST_F(Tables, FinalScoresOnTheDefaultTable)
{
    struct Case {
        int32_t score;
        bool accepted;
        int32_t position;  // GetScorePosition of the score afterwards: the new row's number + 1
        std::string table;
    };
    const Case cases[] = {
        {100, true, 0, kDefault},
        {50, false, 0, kDefault},
        {150, true, 0,
         "Varn Dovrak:1000 Tibbe Halme:900 Seyla Fenrow:800 Orla Quennet:700 Brisk Tamsin:600 Jory Vantell:500 "
         "Mila Ostrand:400 Pell Corrigan:300 Nessa Druin:200 NEW:150 "},
        {1000, true, 3,
         "Varn Dovrak:1000 NEW:1000 Tibbe Halme:900 Seyla Fenrow:800 Orla Quennet:700 Brisk Tamsin:600 "
         "Jory Vantell:500 Mila Ostrand:400 Pell Corrigan:300 Nessa Druin:200 "},
        {850, true, 4,
         "Varn Dovrak:1000 Tibbe Halme:900 NEW:850 Seyla Fenrow:800 Orla Quennet:700 Brisk Tamsin:600 "
         "Jory Vantell:500 Mila Ostrand:400 Pell Corrigan:300 Nessa Druin:200 "},
        {5000, true, 2,
         "NEW:5000 Varn Dovrak:1000 Tibbe Halme:900 Seyla Fenrow:800 Orla Quennet:700 Brisk Tamsin:600 "
         "Jory Vantell:500 Mila Ostrand:400 Pell Corrigan:300 Nessa Druin:200 "},
    };
    for (const auto& c : cases) {
        THighScorceEntry::FormatTopScore();
        EXPECT_EQ(THighScorceEntry::EnterFinalScore("NEW", c.score, 4), c.accepted) << c.score;
        EXPECT_EQ(Scores(), c.table) << c.score;
        EXPECT_EQ(HighScoreList->Count(), 10);
        EXPECT_EQ(THighScorceEntry::GetScorePosition(c.score), c.position) << c.score;
    }
}

TEST_F(Tables, ScorePositionsOnTheDefaultTable)
{
    THighScorceEntry::FormatTopScore();
    struct Case {
        int32_t score, position;
    };
    const Case cases[] = {{5000, 1}, {1001, 1}, {1000, 2}, {901, 2}, {150, 10}, {101, 10}, {100, 0}, {50, 0}};
    for (const auto& c : cases) EXPECT_EQ(THighScorceEntry::GetScorePosition(c.score), c.position) << c.score;
}

TEST_F(Tables, TiesKeepTheOlderEntryFirst)
{
    THighScorceEntry::FormatTopScore();
    THighScorceEntry::AddScore("FIRST", 500, 1);
    THighScorceEntry::AddScore("SECOND", 500, 2);
    const auto entries = HighScoreList->ToArray();
    ASSERT_EQ(entries.size(), 12u);
    EXPECT_EQ(entries[5]->Name, "Jory Vantell");
    EXPECT_EQ(entries[6]->Name, "FIRST");
    EXPECT_EQ(entries[7]->Name, "SECOND");
    EXPECT_EQ(THighScorceEntry::GetLowestScore()->Name, "Hobb Laterly");
}

TEST_F(Tables, ALowScoreIsNotAddedButTheTableIsStillSorted)
{
    // A full table read from a file is taken as it stands; the next AddScore sorts it.
    Bytes file;
    Append(file, "LOW", {10, 1});
    Append(file, "HIGH", {90, 9});
    for (int32_t i = 0; i < 8; ++i) Append(file, "MID", {50, 5});
    TTempDir::WriteBytes(dir.File("highscore.dat"), file);
    ASSERT_TRUE(THighScorceEntry::LoadHighScoreTable(dir.File("highscore.dat"), ""));
    EXPECT_EQ(Scores().substr(0, 22), "LOW:10 HIGH:90 MID:50 ");
    THighScorceEntry::AddScore("NOPE", 20, 1);  // below the last entry (50)
    EXPECT_EQ(Scores(), "HIGH:90 MID:50 MID:50 MID:50 MID:50 MID:50 MID:50 MID:50 MID:50 LOW:10 ");
}

TEST_F(Tables, AddTopScoreHonoursTheMaximumPosition)
{
    THighScorceEntry::FormatTopScore();
    THighScorceEntry::AddTopScore("FAR", 650, 1, 3);  // would be row 5
    EXPECT_EQ(HighScoreList->Count(), 10);
    THighScorceEntry::AddTopScore("NEAR", 950, 1, 3);  // row 2
    EXPECT_EQ(HighScoreList->Count(), 11);
    EXPECT_EQ(HighScoreList->ValueAtIndex(1)->Name, "NEAR");
}

TEST_F(Tables, EmptyTableTakesEveryScore)
{
    TTempDir::WriteBytes(dir.File("highscore.dat"), {});
    ASSERT_TRUE(THighScorceEntry::LoadHighScoreTable(dir.File("highscore.dat"), ""));
    EXPECT_TRUE(HighScoreList->IsEmpty());  // no default table
    EXPECT_EQ(THighScorceEntry::GetLowestScore(), nullptr);
    EXPECT_EQ(THighScorceEntry::GetScorePosition(10), 0);
    THighScorceEntry::RemoveLowestScore();  // harmless
    for (int32_t score : {0, -5, 300}) EXPECT_TRUE(THighScorceEntry::NewHighScore(score));

    THighScorceEntry::AddScore("ACE", 0, 1);
    EXPECT_EQ(Scores(), "ACE:0 ");
    EXPECT_EQ(THighScorceEntry::GetScorePosition(10), 1);
    // The game's end-of-game sequence on an empty table: the table fills up to ten entries, every
    // score going in, and from then on the lowest drops out.
    HighScoreList->Clear();
    for (int32_t game = 1; game <= 12; ++game) THighScorceEntry::EnterFinalScore(Named("P", game), game * 10, 2);
    EXPECT_EQ(Scores(), "P12:120 P11:110 P10:100 P9:90 P8:80 P7:70 P6:60 P5:50 P4:40 P3:30 ");
    THighScorceEntry::EnterFinalScore("LOW", 5, 1);
    EXPECT_EQ(HighScoreList->Count(), 10);
    EXPECT_EQ(HighScoreList->Last()->Name, "P3");
}

TEST_F(Tables, AShortTableFromAFileTakesEveryScoreUntilItHoldsTen)
{
    Bytes file;
    Append(file, "TOP", {5000, 9});
    Append(file, "MID", {3000, 5});
    TTempDir::WriteBytes(dir.File("highscore.dat"), file);
    ASSERT_TRUE(THighScorceEntry::LoadHighScoreTable(dir.File("highscore.dat"), ""));
    EXPECT_TRUE(THighScorceEntry::NewHighScore(1));  // lower than every entry, yet the table is short
    for (int32_t game = 1; game <= 8; ++game) THighScorceEntry::EnterFinalScore(Named("G", game), game, 1);
    EXPECT_EQ(HighScoreList->Count(), 10);
    EXPECT_EQ(HighScoreList->Last()->Name, "G1");
    EXPECT_FALSE(THighScorceEntry::NewHighScore(0));
    THighScorceEntry::EnterFinalScore("G9", 9, 1);
    EXPECT_EQ(HighScoreList->Count(), 10);
    EXPECT_EQ(HighScoreList->Last()->Name, "G2");
}

TEST_F(Tables, NoTableAtAll)
{
    EXPECT_EQ(THighScorceEntry::GetLowestScore(), nullptr);
    EXPECT_TRUE(THighScorceEntry::NewHighScore(1));
    EXPECT_EQ(THighScorceEntry::GetScorePosition(1), 0);
    THighScorceEntry::AddScore("ACE", 1, 1);
    EXPECT_EQ(Scores(), "ACE:1 ");
}

TEST_F(Tables, ExtremeScoresSortWithoutOverflow)
{
    HighScoreList = std::make_shared<TList<THighScorceEntry>>();
    THighScorceEntry::AddScore("MIN", INT32_MIN, 1);
    THighScorceEntry::AddScore("MAX", INT32_MAX, 1);
    THighScorceEntry::AddScore("ZERO", 0, 1);
    EXPECT_EQ(Scores(), "MAX:2147483647 ZERO:0 MIN:-2147483648 ");
}

TEST_F(Tables, HighScoreFileIsByteExactAndRoundTrips)
{
    THighScorceEntry::FormatTopScore();
    ASSERT_TRUE(THighScorceEntry::SaveHighScoreTable(dir.File("highscore.dat"), ""));
    Bytes expected;
    for (const auto& e : *HighScoreList) Append(expected, e->Name, {e->Score, e->Level});
    const Bytes written = TTempDir::ReadBytes(dir.File("highscore.dat"));
    EXPECT_EQ(written, expected);
    // The first record spelled out: "Varn Dovrak", CR LF, 1000, 10.
    const Bytes first = {'V',  'a',  'r',  'n',  ' ', 'D', 'o', 'v', 'r', 'a', 'k',
                         0x0D, 0x0A, 0xE8, 0x03, 0,   0,   10,  0,   0,   0};
    EXPECT_TRUE(std::equal(first.begin(), first.end(), written.begin()));

    HighScoreList.reset();
    ASSERT_TRUE(THighScorceEntry::LoadHighScoreTable(dir.File("highscore.dat"), ""));
    EXPECT_EQ(Scores(), kDefault);
}

TEST_F(Tables, MissingHighScoreFileGivesAnEmptyTable)
{
    THighScorceEntry::FormatTopScore();
    EXPECT_FALSE(THighScorceEntry::LoadHighScoreTable(dir.File("highscore.dat"), ""));
    ASSERT_TRUE(HighScoreList);
    EXPECT_TRUE(HighScoreList->IsEmpty());
}

TEST_F(Tables, ScramblingAddsTheKeyCyclically)
{
    struct Case {
        Bytes plain;
        std::string key;
        Bytes scrambled;
        int32_t position;  // where the key position stands afterwards
    };
    const Case cases[] = {
        {{0x00, 0x00, 0x00, 0x00, 0x00}, "ab", {0x61, 0x62, 0x61, 0x62, 0x61}, 2},
        {{0xF0, 0x10, 0xFF}, "\x20\x01", {0x10, 0x11, 0x1F}, 2},  // modulo 256
        {{1, 2, 3}, "xyz", {1 + 'x', 2 + 'y', 3 + 'z'}, 1},
        {{}, "k", {}, 1},
    };
    for (const auto& c : cases) {
        auto bank = TBank::Create(static_cast<int32_t>(c.plain.size()));
        std::copy(c.plain.begin(), c.plain.end(), bank->Buf());
        HighScoreKeyPosition = 99;
        THighScorceEntry::iEncryptBank(bank, c.key);
        EXPECT_EQ(Bytes(bank->Buf(), bank->Buf() + bank->Size()), c.scrambled) << c.key;
        EXPECT_EQ(HighScoreKeyPosition, c.position);
        THighScorceEntry::iDecryptBank(bank, c.key);
        EXPECT_EQ(Bytes(bank->Buf(), bank->Buf() + bank->Size()), c.plain) << c.key;
    }
}

TEST_F(Tables, EmptyKeyLeavesTheBytesAlone)
{
    auto bank = TBank::Create(3);
    bank->PokeByte(0, 7);
    THighScorceEntry::iEncryptBank(bank, "");
    THighScorceEntry::iDecryptBank(bank, "");
    EXPECT_EQ(bank->PeekByte(0), 7);
    EXPECT_EQ(THighScorceEntry::iStringToBank(""), nullptr);
    auto kb = THighScorceEntry::iStringToBank("A\xFF");
    ASSERT_TRUE(kb);
    EXPECT_EQ(kb->Size(), 2);
    EXPECT_EQ(kb->PeekByte(1), 0xFF);
}

TEST_F(Tables, ScrambledFilesRoundTripAndDifferFromPlainOnes)
{
    THighScorceEntry::FormatTopScore();
    ASSERT_TRUE(THighScorceEntry::SaveHighScoreTable(dir.File("plain.dat"), ""));
    ASSERT_TRUE(THighScorceEntry::SaveHighScoreTable(dir.File("secret.dat"), "Krellix!"));
    const Bytes plain = TTempDir::ReadBytes(dir.File("plain.dat"));
    const Bytes secret = TTempDir::ReadBytes(dir.File("secret.dat"));
    ASSERT_EQ(plain.size(), secret.size());
    const std::string key = "Krellix!";
    for (size_t i = 0; i < plain.size(); ++i)
        ASSERT_EQ(secret[i], static_cast<uint8_t>(plain[i] + static_cast<uint8_t>(key[i % key.size()]))) << i;

    HighScoreList.reset();
    ASSERT_TRUE(THighScorceEntry::LoadHighScoreTable(dir.File("secret.dat"), "Krellix!"));
    EXPECT_EQ(Scores(), kDefault);

    TUserEntry::AddUser("ACE", 3);
    ASSERT_TRUE(TUserEntry::SaveUserTable(dir.File("users.dat"), "k"));
    EXPECT_EQ(TTempDir::ReadBytes(dir.File("users.dat")),
              (Bytes{0x41 + 'k', 0x43 + 'k', 0x45 + 'k', 0x0D + 'k', 0x0A + 'k', 0x03 + 'k', 'k', 'k', 'k'}));
    ASSERT_TRUE(TUserEntry::LoadUserTable(dir.File("users.dat"), "k"));
    EXPECT_EQ(UserNames(), "ACE:3 ");
}

TEST_F(Tables, PrintHighScoreTableListsEveryEntry)
{
    auto driver = std::make_shared<TRecordingDriver>();
    auto graphics = OpenRecordingGraphics(1024, 768, driver);
    ASSERT_TRUE(graphics);
    THighScorceEntry::FormatTopScore();
    THighScorceEntry::AddScore("ACE", 1000, 7);
    THighScorceEntry::PrintHighScoreTable();
    const auto texts = driver->OfKind(TDrawKind::Text);
    ASSERT_EQ(texts.size(), 11u);
    EXPECT_EQ(texts[0].text, "1 - Varn Dovrak - 1000 - 10");
    EXPECT_EQ(texts[1].text, "2 - ACE - 1000 - 7");
    EXPECT_EQ(texts[10].text, "11 - Hobb Laterly - 100 - 1");
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_FLOAT_EQ(texts[i].x[0], 100.0f);
        EXPECT_FLOAT_EQ(texts[i].y[0], 100.0f * static_cast<float>(i + 1));
    }
    EndGraphics();
}

}  // namespace
