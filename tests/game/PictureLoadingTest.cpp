// The game's pictures as a run loads them: what it holds decoded depends on the screen it opens with.
#include "framework/graphics/Image.h"
#include "game/GameGraphics.h"

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/allocator_interface.h>
#else
#include <malloc.h>
#endif

#include <filesystem>
#include <map>

namespace {

namespace fs = std::filesystem;

// Bytes the allocator has handed out and not yet been given back.
int64_t AllocatedBytes()
{
#if defined(__SANITIZE_ADDRESS__)
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

TEST(PictureLoading, ARunOpeningWithPlayHoldsNoneOfTheMenusPixels)
{
    const fs::path data = KRELLIX_DATA_DIR;
    if (!fs::exists(data / "images")) GTEST_SKIP() << "no generated pictures in " << data;
    std::map<TImagePtr*, TImagePtr> saved;
    for (const TImageAsset& asset : GameGraphics::Images()) saved[asset.variable] = *asset.variable;
    const fs::path previous = fs::current_path();
    fs::current_path(data);

    const int64_t menuFirst = HeldAfterLoading(0);
    // The intro's and the menu's pictures at three bytes a pixel at least.
    int64_t frontEnd = 0;
    for (const TImageAsset& asset : GameGraphics::Images()) {
        const TImagePtr& image = *asset.variable;
        if (asset.need == TAssetNeed::BeforeMenu && image)
            frontEnd += int64_t{3} * image->width * image->height * image->FrameCount();
    }
    ASSERT_GT(frontEnd, 0);
    for (const int32_t firstLevel : {1, 32}) {
        const int64_t playFirst = HeldAfterLoading(firstLevel);
        EXPECT_GE(menuFirst - playFirst, frontEnd) << "level " << firstLevel;
        // Opened all the same: drawn after all, they decode then.
        ASSERT_TRUE(MenuBackgroundImage) << "level " << firstLevel;
        EXPECT_EQ(MenuBackgroundImage->Pixmap(0)->width, MenuBackgroundImage->width);
    }

    fs::current_path(previous);
    for (const auto& [variable, image] : saved) *variable = image;
}

}  // namespace
