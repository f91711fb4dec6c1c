// A streamed JPEG strip drawn through OpenGL: the pixels of the whole strip, textures given back.
#include "GLSupport.h"

#include "../pixmap/TestPictures.h"

#include <string>
#include <vector>

TEST_F(GLTest, StreamedStripFramesDrawTheSamePixelsAsTheWholeStrip)
{
    // 4 x 3 cells of 64 x 48 with soft gradients and hard edges, as an explosion's.
    constexpr int32_t kStripW = 256, kStripH = 144, kCellW = 64, kCellH = 48;
    std::vector<uint8_t> rgb;
    for (int32_t y = 0; y < kStripH; ++y)
        for (int32_t x = 0; x < kStripW; ++x) {
            const bool ring = ((x % kCellW - 32) * (x % kCellW - 32) + (y % kCellH - 24) * (y % kCellH - 24)) < 300;
            rgb.insert(rgb.end(), {uint8_t(ring ? 250 : x), uint8_t(y * 3 + x / 5), uint8_t(ring ? 20 : x ^ y)});
        }
    TTempDir dir;
    dir.Write("strip.jpg", EncodeJpeg(kStripW, kStripH, 3, rgb));
    const std::string path = dir.Path("strip.jpg");
    const int32_t flags = IMG_FILTERED | IMG_MIPMAPPED;
    TImagePtr whole = LoadAnimImage(path, kCellW, kCellH, 0, 12, flags);
    TImagePtr streamed = LoadAnimImageStreamed(path, kCellW, kCellH, 0, 12, flags);
    ASSERT_TRUE(whole);
    ASSERT_TRUE(streamed);
    streamed->PrefetchPixels();
    SetBlend(BLEND_ALPHA);
    for (int32_t k = 0; k < 12; ++k) {
        SetClsColor(0, 40, 0);
        Cls();
        // At a whole pixel, and scaled and turned as the sampling then filters between texels.
        DrawImage(whole, 10, 10, k);
        DrawImage(streamed, 90, 10, k);
        SetScale(1.5f, 1.5f);
        SetRotation(20.0f);
        DrawImage(whole, 40, 80, k);
        DrawImage(streamed, 180, 80, k);
        SetRotation(0.0f);
        SetScale(1.0f, 1.0f);
        const TPixmapPtr want = GrabPixmap(0, 0, 80, 70);
        const TPixmapPtr got = GrabPixmap(80, 0, 80, 70);
        const TPixmapPtr wantTurned = GrabPixmap(0, 75, 140, 110);
        const TPixmapPtr gotTurned = GrabPixmap(140, 75, 140, 110);
        for (int32_t y = 0; y < 70; ++y)
            for (int32_t x = 0; x < 80; ++x)
                ASSERT_EQ(got->ReadPixel(x, y), want->ReadPixel(x, y)) << "frame " << k << " at " << x << "," << y;
        for (int32_t y = 0; y < 110; ++y)
            for (int32_t x = 0; x < 140; ++x)
                ASSERT_EQ(gotTurned->ReadPixel(x, y), wantTurned->ReadPixel(x, y))
                    << "turned frame " << k << " at " << x << "," << y;
        // Something was drawn: the red of the ring in the cell's middle shows.
        EXPECT_GT(PixelAt(90 + 32, 10 + 24).r, 200) << "frame " << k;
        if (k > 0) {
            EXPECT_EQ(streamed->frames[k - 1], nullptr) << "frame " << k - 1 << " kept its texture";
        }
        EXPECT_TRUE(streamed->frames[k]) << "frame " << k;
        Flip(0);
    }
}
