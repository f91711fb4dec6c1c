// Building levels: every layout's brick counts, the per-level settings, grid positions, the boss,
// clamping of level numbers, and the state a new level starts from.
#include "GameWorld.h"

#include "game/LevelData.h"

#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct TLevelRow {
    int32_t level;
    TImagePtr* background;
    TImagePtr* alien;
    int32_t musicId;
    int32_t isZog;
    int32_t counted;
    int32_t indestructible;
};

// The per-level table of the game, written out independently of the level data.
const TLevelRow LevelTable[] = {
    {1, &Background08Image, &BrownAlienImage, 20, 0, 66, 0},
    {2, &Background09Image, &BlackAlienImage, 21, 0, 66, 0},
    {3, &Background10Image, &RedAlienImage, 20, 0, 42, 24},
    {4, &Background11Image, &BrownAlienImage, 1, 0, 104, 0},
    {5, &Background12Image, &BlackAlienImage, 21, 0, 71, 0},
    {6, &Background13Image, &RedAlienImage, 22, 0, 65, 10},
    {7, &Background14Image, &BrownAlienImage, 21, 0, 96, 0},
    {8, &Background15Image, &BlackAlienImage, 2, 0, 7, 34},
    {9, &Background16Image, &RedAlienImage, 22, 0, 29, 18},
    {10, &Background17Image, &BrownAlienImage, 23, 0, 25, 22},
    {11, &Background18Image, &BlackAlienImage, 22, 0, 49, 0},
    {12, &Background19Image, &RedAlienImage, 3, 0, 8, 49},
    {13, &Background20Image, &BrownAlienImage, 23, 0, 54, 0},
    {14, &Background21Image, &BlackAlienImage, 24, 0, 77, 8},
    {15, &Background22Image, &RedAlienImage, 23, 0, 124, 8},
    {16, &Background23Image, &BrownAlienImage, 4, 0, 60, 6},
    {17, &Background24Image, &BlackAlienImage, 24, 0, 55, 5},
    {18, &Background25Image, &RedAlienImage, 25, 0, 50, 28},
    {19, &Background26Image, &BrownAlienImage, 24, 0, 57, 24},
    {20, &Background27Image, &BlackAlienImage, 5, 0, 25, 48},
    {21, &Background28Image, &RedAlienImage, 25, 0, 11, 38},
    {22, &Background29Image, &BrownAlienImage, 26, 0, 65, 6},
    {23, &Background30Image, &BlackAlienImage, 25, 0, 81, 0},
    {24, &Background31Image, &RedAlienImage, 6, 0, 59, 0},
    {25, &Background32Image, &BrownAlienImage, 26, 0, 60, 21},
    {26, &Background34Image, &BlackAlienImage, 27, 0, 19, 19},
    {27, &Background35Image, &RedAlienImage, 26, 0, 66, 0},
    {28, &Background36Image, &BrownAlienImage, 7, 0, 47, 17},
    {29, &Background37Image, &BlackAlienImage, 27, 0, 58, 22},
    {30, &Background38Image, &RedAlienImage, 26, 0, 77, 5},
    {31, &Background39Image, &BrownAlienImage, 27, 0, 88, 0},
    {32, &Background42Image, &BlackAlienImage, 8, 0, 43, 34},
    {33, &Background43Image, &BlackAlienImage, 30, 1, 1, 0},
};

// A few layouts as the level designer drew them, one letter per cell.
const std::map<int32_t, std::vector<std::string>> DrawnLayouts = {
    {3,
     {"...........", "...........", "...........", "...........", "66666666666", "...........", "111XXXXXXXX",
      "...........", "22222222222", "...........", "XXXXXXXX111", "...........", "55555555555", "...........",
      "444XXXXXXXX"}},
    {15,
     {"...........", "...........", "...........", "...........", "1X4444444X1", "13X44444X61", "133X444X661",
      "1333X1X6661", "13333166661", "13333166661", "13333166661", "S333316666S", "4S3331666S4", "44S33166S44",
      "444S316S444", "4444S1S4444"}},
    {29,
     {"...........", "...........", "...........", "...........", "3333X.X3333", "5555X.X5555", "XX1XX.XX1XX",
      "6666X.X6666", "2222X.X2222", "4444X.X4444", "1111X.X1111", "3333X.X3333"}},
};

struct TCellKind {
    TImagePtr* image;
    int32_t hits;
    int32_t score;
};

const std::map<char, TCellKind> CellKinds = {
    {'1', {&BlockWhiteImage, 1, 100}},    {'2', {&BlockRedImage, 1, 200}},
    {'3', {&BlockYellowImage, 1, 300}},   {'4', {&BlockLightBlueImage, 1, 350}},
    {'5', {&BlockRoseImage, 1, 200}},     {'6', {&BlockGreenImage, 1, 150}},
    {'7', {&BlockBlueImage, 1, 220}},     {'S', {&BlockSemiSolidAnimImage, 2, 400}},
    {'X', {&BlockSolidAnimImage, -1, 0}},
};

class LevelBuildTest : public GameWorldTest {
protected:
    TLevelPtr Build(int32_t n)
    {
        TLevelPtr level = TLevel::Create(n);
        level->InitalizeLevel();
        return level;
    }
};

TEST_F(LevelBuildTest, EveryLevelMatchesItsRowOfTheLevelTable)
{
    for (const TLevelRow& row : LevelTable) {
        SCOPED_TRACE("level " + std::to_string(row.level));
        TLevelPtr level = Build(row.level);
        int32_t indestructible = 0;
        for (const auto& brick : *BrickList)
            if (brick->hitTimes < 0) ++indestructible;
        EXPECT_EQ(BricksLeft, row.counted);
        EXPECT_EQ(indestructible, row.indestructible);
        EXPECT_EQ(BrickList->Count(), row.counted + row.indestructible);
        EXPECT_EQ(level->containsNonRemoveable, row.indestructible > 0 ? 1 : 0);
        EXPECT_EQ(level->isZog, row.isZog);
        EXPECT_EQ(level->backGroundGFX, *row.background);
        EXPECT_EQ(level->AlienImage, *row.alien);
        EXPECT_EQ(LevelSettings[static_cast<size_t>(row.level - 1)].musicId, row.musicId);
        EXPECT_EQ(level->Borderleft, LeftBorderImage);
        EXPECT_EQ(level->BorderRight, RightBorderImage);
        EXPECT_EQ(level->BorderTop, TopBorderImage);
        // The cursor has read exactly this level's block.
        EXPECT_EQ(LevelDataCursor, row.level * LevelCells);
    }
}

// FNV-1a of each level's 231 cells written as the level designer's letters (".123...7SXZ"), top row
// first, taken from the drawn layouts; a single changed cell anywhere changes its level's sum.
const uint32_t LayoutChecksums[LevelCount] = {
    0xb9868100, 0x101779bf, 0xb87e98d0, 0xf65f9a38, 0x587cb13a, 0x502adba8, 0x08037f5e, 0xbe0185ba, 0x279de2a5,
    0xbbc8dd84, 0xb9003316, 0x0a4f3523, 0xfb49530e, 0xce8f8748, 0x5c5d839a, 0x9e2a8bed, 0xa370ded0, 0x04260bd0,
    0xa1c86138, 0xd6bad4f5, 0xbb8a3791, 0xe4468f79, 0xd43aec87, 0xd058ccc0, 0xd681b114, 0xdee68e2a, 0x6bce2d9a,
    0xdb4203aa, 0x1ca522e5, 0x141a0df0, 0xc6c565fd, 0xa5ddd39c, 0xd39b7025,
};

char CellLetter(int32_t code)
{
    switch (code) {
    case 0:
        return '.';
    case 10:
        return 'S';
    case 11:
        return 'X';
    case 99:
        return 'Z';
    default:
        return code >= 1 && code <= 7 ? static_cast<char>('0' + code) : '?';
    }
}

TEST(LevelLayouts, EveryCellOfEveryLevelMatchesItsDrawnLayout)
{
    for (int32_t level = 1; level <= LevelCount; ++level) {
        std::string letters;
        for (int32_t cell = 0; cell < LevelCells; ++cell)
            letters += CellLetter(LevelData[static_cast<size_t>((level - 1) * LevelCells + cell)]);
        uint32_t sum = 2166136261u;
        for (char letter : letters) sum = (sum ^ static_cast<uint8_t>(letter)) * 16777619u;
        std::string rows;
        for (int32_t r = 0; r < LevelRows; ++r)
            rows += letters.substr(static_cast<size_t>(r * LevelColumns), 11) + "\n";
        EXPECT_EQ(sum, LayoutChecksums[level - 1]) << "level " << level << " reads\n" << rows;
    }
}

TEST_F(LevelBuildTest, DrawnLayoutsGiveTheirBricksInReadingOrderOnTheGrid)
{
    for (const auto& [n, rows] : DrawnLayouts) {
        SCOPED_TRACE("level " + std::to_string(n));
        Build(n);
        auto bricks = BrickList->ToArray();
        size_t i = 0;
        for (int32_t r = 0; r < static_cast<int32_t>(rows.size()); ++r) {
            for (int32_t c = 0; c < 11; ++c) {
                const char cell = rows[static_cast<size_t>(r)][static_cast<size_t>(c)];
                if (cell == '.') continue;
                ASSERT_LT(i, bricks.size());
                const auto& brick = bricks[i++];
                const TCellKind& kind = CellKinds.at(cell);
                EXPECT_EQ(brick->positionX, 66 + 64 * c) << "row " << r << " column " << c;
                EXPECT_EQ(brick->positionY, 48 + 29 * r) << "row " << r << " column " << c;
                EXPECT_EQ(brick->BrickGFX, *kind.image);
                EXPECT_EQ(brick->hitTimes, kind.hits);
                EXPECT_EQ(brick->brickScore, kind.score);
            }
        }
        EXPECT_EQ(i, bricks.size());
    }
}

TEST_F(LevelBuildTest, LevelOneHasSixFullRowsFromRowThree)
{
    Build(1);
    ASSERT_EQ(BrickList->Count(), 66);
    const TImagePtr* colours[] = {&BlockWhiteImage,     &BlockRedImage,  &BlockYellowImage,
                                  &BlockLightBlueImage, &BlockRoseImage, &BlockGreenImage};
    int32_t i = 0;
    for (const auto& brick : *BrickList) {
        const int32_t r = 3 + i / 11, c = i % 11;
        EXPECT_EQ(brick->positionX, 66 + 64 * c);
        EXPECT_EQ(brick->positionY, 48 + 29 * r);
        EXPECT_EQ(brick->BrickGFX, *colours[i / 11]);
        ++i;
    }
}

TEST_F(LevelBuildTest, TheBossIsTheOnlyBrickOfLevel33)
{
    TLevelPtr level = Build(33);
    ASSERT_EQ(BrickList->Count(), 1);
    const auto boss = BrickList->First();
    EXPECT_EQ(boss->positionX, 384);
    EXPECT_EQ(boss->positionY, 248);
    EXPECT_EQ(boss->hitTimes, 16);
    EXPECT_EQ(boss->brickScore, 4500);
    EXPECT_EQ(boss->BrickGFX, ZogAnimImage);
    EXPECT_EQ(BricksLeft, 1);
    EXPECT_EQ(level->isZog, 1);
}

TEST_F(LevelBuildTest, BuildingALevelTwiceGivesTheSameBricks)
{
    Build(15);
    std::vector<std::pair<int32_t, int32_t>> first;
    for (const auto& brick : *BrickList) first.emplace_back(brick->positionX, brick->positionY);
    Build(15);
    std::vector<std::pair<int32_t, int32_t>> second;
    for (const auto& brick : *BrickList) second.emplace_back(brick->positionX, brick->positionY);
    EXPECT_EQ(first, second);
    EXPECT_EQ(BricksLeft, 124);
}

TEST_F(LevelBuildTest, LevelNumbersOutsideTheGameAreClamped)
{
    const std::pair<int32_t, int32_t> cases[] = {{0, 1}, {-7, 1}, {34, 33}, {1000, 33}, {17, 17}};
    for (const auto& [asked, played] : cases) {
        TLevelPtr level = Build(asked);
        EXPECT_EQ(level->LevelNumber, played) << "asked " << asked;
        EXPECT_EQ(LevelDataCursor, played * LevelCells) << "asked " << asked;
    }
}

TEST_F(LevelBuildTest, CreateStartsFromCleanStateWithTheBallOnThePaddle)
{
    EscapeState = GameCommon::EscapeOpen_Open;
    TopWallHit = 1;
    PaddleState = TPaddle::lazer;
    BricksLeft = 12;
    NextAlienSecond = 99;
    NextZogShotSecond = 99;
    clock->Advance(125'700);
    TLevelPtr level = Build(2);
    EXPECT_EQ(EscapeState, GameCommon::EscapeOpen_Closed);
    EXPECT_EQ(TopWallHit, 0);
    EXPECT_EQ(PaddleState, TPaddle::normal);
    EXPECT_EQ(NextAlienSecond, 0);
    EXPECT_EQ(NextZogShotSecond, 0);
    EXPECT_EQ(level->StartSeconds, 125);
    EXPECT_EQ(BricksLeft, 66);
    for (bool empty : {BonusList->IsEmpty(), AlienList->IsEmpty(), BulletList->IsEmpty(), ExplosionList->IsEmpty(),
                       ZogShootList->IsEmpty()})
        EXPECT_TRUE(empty);
    ASSERT_EQ(BallList->Count(), 1);
    const auto ball = BallList->First();
    // The paddle starts right of centre; the ball sits on it, resting.
    EXPECT_EQ(level->Paddle->positionX, 48 + 512);
    EXPECT_EQ(level->Paddle->positionY, 704);
    EXPECT_EQ(ball->positionX, 560);
    EXPECT_EQ(ball->positionY, 704 - 24 + 8);
    EXPECT_EQ(ball->speedY, 0);
}

TEST_F(LevelBuildTest, LayoutDataHoldsOnlyKnownCellCodes)
{
    for (int32_t n = 1; n <= LevelCount; ++n) {
        int32_t bosses = 0;
        for (int32_t i = 0; i < LevelCells; ++i) {
            const int32_t code = LevelData[static_cast<size_t>((n - 1) * LevelCells + i)];
            EXPECT_TRUE((code >= 0 && code <= 7) || code == 10 || code == 11 || code == 99)
                << "level " << n << " cell " << i << " code " << code;
            if (code == 99) ++bosses;
        }
        EXPECT_EQ(bosses, n == 33 ? 1 : 0) << "level " << n;
        EXPECT_EQ(LevelSettings[static_cast<size_t>(n - 1)].isZog, n == 33 ? 1 : 0);
    }
}

}  // namespace

TEST(LevelImages, ALevelKeepsItsOwnBackgroundAndGivesBackTheOthers)
{
    // Every level's background with pixels that count their decodes.
    std::map<TImagePtr*, TImagePtr> saved;
    int32_t decodes = 0;
    for (const TLevelSettings& settings : LevelSettings) {
        auto* variable = const_cast<TImagePtr*>(settings.background);
        if (saved.count(variable)) continue;
        saved[variable] = *variable;
        *variable = TImage::Create(4, 4, 1, 0, 0, 0, 0);
        (*variable)->SetDeferredPixels(std::make_shared<TDeferredPixels>([&decodes] {
            ++decodes;
            return std::vector<TPixmapPtr>{TPixmap::Create(4, 4, PIXFMT_RGBA8888)};
        }));
    }
    const TImagePtr own = *LevelSettings[0].background;
    const TImagePtr other = *LevelSettings[1].background;
    ASSERT_NE(own, other);
    other->Pixmap(0);
    // The level is built, and built again when a new game starts from it.
    for (int32_t build = 1; build <= 2; ++build) {
        GameGraphics::LoadLevelImages(own, false);
        EXPECT_TRUE(own->Pixmap(0)) << build;
        EXPECT_EQ(decodes, 2) << "build " << build << ": the level's background is decoded once";
        EXPECT_TRUE(own->PixelsResident());
        EXPECT_FALSE(other->PixelsResident());
    }
    for (const auto& [variable, image] : saved) *variable = image;
}

// With graphics open, as the game has them: a picture can be decoded ahead only then.
using BossImages = GameWorldTest;

TEST_F(BossImages, AreDecodedAheadOnTheBossLevelAndGivenBackOnTheOthers)
{
    std::mutex mutex;
    std::vector<std::thread::id> decoders;
    for (TImagePtr* variable : {&ZogAnimImage, &BigBossShadowImage}) {
        *variable = TImage::Create(4, 4, 1, 0, 0, 0, 0);
        (*variable)->SetDeferredPixels(std::make_shared<TDeferredPixels>([&] {
            const std::lock_guard lock(mutex);
            decoders.push_back(std::this_thread::get_id());
            return std::vector<TPixmapPtr>{TPixmap::Create(4, 4, PIXFMT_RGBA8888)};
        }));
    }
    // Levels played in this order: the boss level decodes its pictures on another thread before
    // they are first used, any other level holds none of their pixels.
    const struct {
        bool bossLevel;
        size_t decodes;
    } builds[] = {{false, 0}, {true, 2}, {false, 2}, {true, 4}};
    for (const auto& build : builds) {
        GameGraphics::LoadLevelImages(nullptr, build.bossLevel);
        for (const TImagePtr& image : {ZogAnimImage, BigBossShadowImage}) {
            if (build.bossLevel) {
                ASSERT_TRUE(image->Pixmap(0));
            }
            EXPECT_EQ(image->PixelsResident(), build.bossLevel);
        }
        const std::lock_guard lock(mutex);
        ASSERT_EQ(decoders.size(), build.decodes);
        for (const std::thread::id id : decoders) EXPECT_NE(id, std::this_thread::get_id());
    }
}
