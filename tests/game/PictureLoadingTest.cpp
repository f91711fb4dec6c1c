// The game's pictures as a run loads them: what it holds decoded depends on the screen it opens with.
#include "framework/graphics/Image.h"
#include "game/GameGraphics.h"
#include "game/LevelData.h"

#include <gtest/gtest.h>

#if defined(KRELLIX_ADDRESS_SANITIZER)
#include <cstddef>
// The sanitizer's runtime counts what it has handed out; GCC ships no header declaring it.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <map>

namespace {

namespace fs = std::filesystem;

// Bytes the allocator has handed out and not yet been given back.
int64_t AllocatedBytes()
{
#if defined(KRELLIX_ADDRESS_SANITIZER)
    return static_cast<int64_t>(__sanitizer_get_current_allocated_bytes());
#else
    const struct mallinfo2 info = mallinfo2();
    return static_cast<int64_t>(info.uordblks + info.hblkhd);
#endif
}

// Loads every picture of the generated data as a run opening with firstLevel does (0: the menu),
// waits for all of them, and gives the heap the pictures then hold, nothing drawn yet.
int64_t HeldAfterLoading(int32_t firstLevel)
{
    for (const TImageAsset& asset : GameGraphics::Images()) *asset.variable = nullptr;
    const int64_t before = AllocatedBytes();
    GameGraphics::StartLoading(firstLevel);
    GameGraphics::FinishLoading();
    return AllocatedBytes() - before;
}

// The bytes of the pixels of the chosen pictures, decoded now if they were not.
int64_t PixelBytes(bool (*chosen)(const TImageAsset&))
{
    int64_t bytes = 0;
    for (const TImageAsset& asset : GameGraphics::Images()) {
        const TImagePtr& image = *asset.variable;
        if (!image || !chosen(asset)) continue;
        for (int32_t frame = 0; frame < image->FrameCount(); ++frame)
            if (const TPixmapPtr pixels = image->Pixmap(frame))
                bytes += int64_t{pixels->width} * pixels->height * BytesPerPixel(pixels->format);
    }
    return bytes;
}

bool FrontEnd(const TImageAsset& asset) { return asset.need == TAssetNeed::BeforeMenu; }
bool DecodedWhileLoading(const TImageAsset& asset)
{
    const TImagePtr* information[] = {&HighscoreBackgroundImage, &HighscorePageImage, &InstructionsBackgroundImage,
                                      &InstructionsPageImage, &CreditsBackgroundImage};
    return asset.need != TAssetNeed::WithItsLevel &&
           std::find(std::begin(information), std::end(information), asset.variable) == std::end(information);
}
bool Boss(const TImageAsset& asset) { return asset.variable == &ZogAnimImage || asset.variable == &BigBossShadowImage; }

// Runs in the generated data folder and gives every picture variable back as it found it.
class PictureLoading : public ::testing::Test {
protected:
    void SetUp() override
    {
        const fs::path data = KRELLIX_DATA_DIR;
        if (!fs::exists(data / "images")) GTEST_SKIP() << "no generated pictures in " << data;
        for (const TImageAsset& asset : GameGraphics::Images()) saved[asset.variable] = *asset.variable;
        previous = fs::current_path();
        fs::current_path(data);
    }
    void TearDown() override
    {
        if (previous.empty()) return;
        fs::current_path(previous);
        for (const auto& [variable, image] : saved) *variable = image;
    }

private:
    std::map<TImagePtr*, TImagePtr> saved;
    fs::path previous;
};

TEST_F(PictureLoading, ARunHoldsOnlyThePixelsOfTheScreensItCanShow)
{
    // A run opening with the menu holds the menu's pictures, one opening with the boss level the
    // boss's; any other run neither, only its first level's background.
    const int64_t menuFirst = HeldAfterLoading(0);
    const int64_t frontEnd = PixelBytes(FrontEnd);
    const int64_t bossFirst = HeldAfterLoading(33);
    const int64_t boss = PixelBytes(Boss);
    ASSERT_GT(frontEnd, 0);
    ASSERT_GT(boss, 0);
    const struct {
        int32_t firstLevel;
        int64_t than, atLeast;
    } runs[] = {{1, menuFirst, frontEnd}, {32, menuFirst, frontEnd}, {1, bossFirst, boss}};
    for (const auto& run : runs) {
        const int64_t held = HeldAfterLoading(run.firstLevel);
        const TImagePtr& background = *LevelSettings[static_cast<size_t>(run.firstLevel - 1)].background;
        ASSERT_TRUE(background) << "level " << run.firstLevel;
        const int64_t backgroundPixels = int64_t{background->width} * background->height * 3;
        EXPECT_GE(run.than - held + backgroundPixels, run.atLeast) << "level " << run.firstLevel;
        // Opened all the same: drawn after all, they decode then.
        ASSERT_TRUE(MenuBackgroundImage) << "level " << run.firstLevel;
        EXPECT_EQ(MenuBackgroundImage->Pixmap(0)->width, MenuBackgroundImage->width);
    }
}

TEST_F(PictureLoading, ARunOpeningAtALevelDecodesThatLevelsBackgroundWhileLoading)
{
    // Its pixels are held once loading is over, so taking them allocates nothing more; another
    // level's background is decoded only when it is wanted.
    HeldAfterLoading(15);
    const struct {
        int32_t level;
        bool decoded;
    } backgrounds[] = {{15, true}, {16, false}};
    for (const auto& background : backgrounds) {
        const TImagePtr& image = *LevelSettings[static_cast<size_t>(background.level - 1)].background;
        ASSERT_TRUE(image) << "level " << background.level;
        const int64_t before = AllocatedBytes();
        ASSERT_TRUE(image->Pixmap(0)) << "level " << background.level;
        const int64_t pixels = int64_t{image->width} * image->height * 3;
        EXPECT_EQ(AllocatedBytes() - before < pixels / 2, background.decoded) << "level " << background.level;
    }
}

TEST_F(PictureLoading, AnInformationScreensPicturesDecodeOnlyOnceItIsChosen)
{
    // A menu run holds every picture it decoded while loading, but only opens those of the
    // information screens; the chosen screen's decode when asked for, the others stay as they are.
    const int64_t held = HeldAfterLoading(0);
    const TImagePtr chosen[] = {InstructionsBackgroundImage, InstructionsPageImage};
    const TImagePtr others[] = {HighscoreBackgroundImage, HighscorePageImage, CreditsBackgroundImage};
    int64_t smallest = INT64_MAX;
    for (const TImagePtr& image : {chosen[0], chosen[1], others[0], others[1], others[2]}) {
        ASSERT_TRUE(image);
        EXPECT_FALSE(image->PixelsResident());
        smallest = std::min(smallest, int64_t{image->width} * image->height * 3);
    }
    const int64_t rest = PixelBytes(DecodedWhileLoading);
    EXPECT_LT(held, rest + smallest / 2);
    GameGraphics::PrefetchImages({chosen[0], chosen[1]});
    for (const TImagePtr& image : chosen) {
        const TPixmapPtr pixels = image->Pixmap(0);
        ASSERT_TRUE(pixels);
        EXPECT_EQ(pixels->width, image->width);
        EXPECT_TRUE(image->PixelsResident());
    }
    for (const TImagePtr& image : others) EXPECT_FALSE(image->PixelsResident());
}

}  // namespace
