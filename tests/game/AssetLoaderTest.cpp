// One catalogue of pictures and sounds loaded behind the program: what is needed at once is there
// when Load returns, the rest is handed out at once and waits for the first screen, and what is
// missing is summed up in one line.
#include "framework/system/AssetLoader.h"
#include "framework/audio/Audio.h"
#include "framework/audio/SoundAsset.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/ImageAsset.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string Seeds = std::string(KRELLIX_TEST_DIR) + "/../fuzz/seeds/";

bool SamePixels(const TPixmapPtr& a, const TPixmapPtr& b)
{
    if (!a || !b || a->width != b->width || a->height != b->height) return false;
    for (int32_t y = 0; y < a->height; ++y)
        for (int32_t x = 0; x < a->width; ++x)
            if (a->ReadPixel(x, y) != b->ReadPixel(x, y)) return false;
    return true;
}

TEST(AssetLoader, LoadsPicturesAndSoundsWhenNeededAndSumsUpTheMissingOnce)
{
    SetAudioDriver("Null");
    const TTempDir dir;
    const std::string strip = Seeds + "jpeg/rgb_16x8.jpg", single = Seeds + "png/rgb_4x3.png",
                      effect = Seeds + "ogg/mono_8k.ogg", goneSound = Seeds + "ogg/gone.ogg",
                      gonePicture = Seeds + "png/gone.png", cut = (dir.Path() / "cut.png").string();
    // Its header is whole, its pixels are not.
    WriteText(cut, ReadText(single).substr(0, 60));
    TImagePtr stripImage, levelImage, gonePictureImage, laterStripImage, laterSingleImage, cutImage;
    TSoundPtr effectSound, goneSoundSound;
    TAssetJobs jobs;
    jobs.push_back(ImageAsset(stripImage, strip.c_str(), 8, 8, 2, 0, TAssetNeed::AtOnce));
    jobs.push_back(ImageAsset(levelImage, single.c_str(), 0, 0, 1, 0, TAssetNeed::WithItsLevel));
    jobs.push_back(SoundAsset(effectSound, effect.c_str(), 0, TAssetNeed::InBackground));
    jobs.push_back(SoundAsset(goneSoundSound, goneSound.c_str(), SOUND_LOOP, TAssetNeed::BeforeMenu));
    jobs.push_back(ImageAsset(gonePictureImage, gonePicture.c_str(), 0, 0, 1, 0, TAssetNeed::AtOnce));
    jobs.push_back(ImageAsset(laterStripImage, strip.c_str(), 8, 8, 2, 0, TAssetNeed::InBackground));
    jobs.push_back(ImageAsset(laterSingleImage, single.c_str(), 0, 0, 1, 0, TAssetNeed::BeforePlay));
    jobs.push_back(ImageAsset(cutImage, cut.c_str(), 0, 0, 1, 0, TAssetNeed::InBackground));

    TAssetLoader loader("assets", "tests go on without them");
    loader.Start(std::move(jobs));
    ::testing::internal::CaptureStderr();
    loader.Load();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    // The pictures are there, the one of a level opened but not decoded yet.
    ASSERT_TRUE(stripImage);
    EXPECT_EQ(stripImage->FrameCount(), 2);
    EXPECT_EQ(ImageWidth(stripImage), 8);
    EXPECT_TRUE(stripImage->PixelsResident());
    EXPECT_TRUE(stripImage->Pixmap(1));
    ASSERT_TRUE(levelImage);
    EXPECT_EQ(ImageWidth(levelImage), 4);
    EXPECT_FALSE(levelImage->PixelsResident());
    EXPECT_FALSE(gonePictureImage);
    // Every sound can be played at once, decoded or not.
    EXPECT_TRUE(effectSound);
    EXPECT_TRUE(goneSoundSound);
    // The pictures decoded behind the program are there at their size; drawn before any screen
    // was shown, they wait for their own pixels alone, which are those of a picture loaded at once.
    ASSERT_TRUE(laterStripImage);
    EXPECT_EQ(laterStripImage->FrameCount(), 2);
    EXPECT_EQ(ImageWidth(laterStripImage), 8);
    for (const int32_t frame : {0, 1})
        EXPECT_TRUE(SamePixels(laterStripImage->Pixmap(frame), stripImage->Pixmap(frame))) << frame;
    ASSERT_TRUE(laterSingleImage);
    EXPECT_EQ(ImageWidth(laterSingleImage), 4);
    EXPECT_EQ(ImageHeight(laterSingleImage), 3);
    EXPECT_TRUE(SamePixels(laterSingleImage->Pixmap(0), LoadImage(single, 0)->Pixmap(0)));
    EXPECT_TRUE(cutImage);

    ::testing::internal::CaptureStderr();
    loader.Finish();
    loader.Finish();
    EXPECT_TRUE(loader.Poll());
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "krellix: 3 of 8 assets could not be loaded (first: " + goneSound + "); tests go on without them\n");
    EXPECT_TRUE(PlaySound(effectSound));
    EXPECT_FALSE(goneSoundSound);
    // Undecodable, it is null as if it had been loaded at once; the others keep their pixels.
    EXPECT_FALSE(cutImage);
    EXPECT_TRUE(SamePixels(laterStripImage->Pixmap(1), stripImage->Pixmap(1)));
    EXPECT_FALSE(loader.Busy());
}

// A job that only notes when it is decoded.
class TNotedJob final : public TAssetJob {
public:
    TNotedJob(const char* file, TAssetNeed need, std::vector<std::string>& order, std::mutex& lock)
        : TAssetJob(file, need), _order(order), _lock(lock)
    {
    }
    void Decode() override
    {
        const std::lock_guard hold(_lock);
        _order.push_back(File());
    }
    void Skip() override {}
    void Publish() override {}
    bool Settle() override { return true; }

private:
    std::vector<std::string>& _order;
    std::mutex& _lock;
};

TEST(AssetLoader, DecodesWhatIsNeededAtOnceThenWhatTheRunOpensWithThenTheRestOnceThePlayerSeesAScreen)
{
    for (const TAssetNeed first : {TAssetNeed::BeforeMenu, TAssetNeed::BeforePlay}) {
        std::vector<std::string> order;
        std::mutex lock;
        TAssetJobs jobs;
        for (const auto& [file, need] : {std::pair{"later", TAssetNeed::InBackground},
                                         {"menu", TAssetNeed::BeforeMenu},
                                         {"play", TAssetNeed::BeforePlay},
                                         {"now", TAssetNeed::AtOnce},
                                         {"last", TAssetNeed::InBackground}})
            jobs.push_back(std::make_unique<TNotedJob>(file, need, order, lock));
        TAssetLoader loader("assets", "");
        loader.Start(std::move(jobs), first);
        loader.Load();
        // The rest waits for the first screen: until then the processor is the program's.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        {
            const std::lock_guard hold(lock);
            EXPECT_LE(order.size(), 2u);
        }
        // Polled as after each frame: the rest follows, and the catalogue settles.
        bool settled = false;
        for (int i = 0; i < 1000 && !settled; ++i) {
            settled = loader.Poll();
            if (!settled) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_TRUE(settled);
        const std::string opening = first == TAssetNeed::BeforeMenu ? "menu" : "play";
        ASSERT_EQ(order.size(), 5u);
        EXPECT_EQ(order[0], "now");
        EXPECT_EQ(order[1], opening);
        std::sort(order.begin() + 2, order.end());
        EXPECT_EQ(order[2] + order[3] + order[4], first == TAssetNeed::BeforeMenu ? "lastlaterplay" : "lastlatermenu");
    }
}

}  // namespace
