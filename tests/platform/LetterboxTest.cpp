// Fitting the 1024 x 768 picture into screens of other shapes, and pointer mapping through the bars.
#include "framework/platform/Platform.h"

#include <gtest/gtest.h>

namespace {

TEST(Letterbox, FitsWithAspectKept)
{
    struct TCase {
        int32_t outerWidth, outerHeight;
        TLetterbox expected;
    };
    const TCase cases[] = {
        {1024, 768, {0, 0, 1024, 768}},
        {2048, 1536, {0, 0, 2048, 1536}},
        {1920, 1080, {240, 0, 1440, 1080}},  // bars left and right
        {2560, 1440, {320, 0, 1920, 1440}},
        {1280, 1024, {0, 32, 1280, 960}},    // bars above and below
        {800, 600, {0, 0, 800, 600}},        // a smaller screen shrinks the picture
        {3440, 1440, {760, 0, 1920, 1440}},  // ultra-wide
        {1366, 768, {171, 0, 1024, 768}},    // odd remainder: the extra column goes right
        {0, 768, {0, 0, 0, 0}},
    };
    for (const TCase& c : cases) {
        const TLetterbox box = FitLetterbox(c.outerWidth, c.outerHeight, 1024, 768);
        EXPECT_EQ(box.x, c.expected.x) << c.outerWidth << "x" << c.outerHeight;
        EXPECT_EQ(box.y, c.expected.y) << c.outerWidth << "x" << c.outerHeight;
        EXPECT_EQ(box.width, c.expected.width) << c.outerWidth << "x" << c.outerHeight;
        EXPECT_EQ(box.height, c.expected.height) << c.outerWidth << "x" << c.outerHeight;
    }
}

TEST(Letterbox, PointerMapsIntoThePictureAndClampsInTheBars)
{
    const TLetterbox box = FitLetterbox(1920, 1080, 1024, 768);
    struct TCase {
        int32_t wx, wy, px, py;
    };
    const TCase cases[] = {
        {240, 0, 0, 0},           // top-left corner of the picture
        {960, 540, 512, 384},     // the centre
        {1679, 1079, 1023, 767},  // bottom-right pixel
        {0, 540, 0, 384},         // in the left bar
        {239, 540, 0, 384},       // just left of the picture: not rounded up onto it
        {1919, 540, 1023, 384},   // in the right bar
        {-50, -50, 0, 0},         // outside the window altogether
        {600, 300, 256, 213},
    };
    for (const TCase& c : cases) {
        int32_t px = -1;
        int32_t py = -1;
        OuterToInner(box, 1024, 768, c.wx, c.wy, px, py);
        EXPECT_EQ(px, c.px) << c.wx << "," << c.wy;
        EXPECT_EQ(py, c.py) << c.wx << "," << c.wy;
    }
}

TEST(Letterbox, WarpedPointerReadsBackAsTheSamePoint)
{
    // The paddle warps the pointer to itself every frame: the move that comes back must be the
    // same game point, or the paddle would creep.
    for (const auto& [outerWidth, outerHeight] : {std::pair{1920, 1080}, {1280, 1024}, {800, 600}, {3840, 2160}}) {
        const TLetterbox box = FitLetterbox(outerWidth, outerHeight, 1024, 768);
        for (int32_t x = 0; x < 1024; x += 7) {
            const int32_t y = (x * 3) % 768;
            int32_t wx = 0;
            int32_t wy = 0;
            InnerToOuter(box, 1024, 768, x, y, wx, wy);
            int32_t px = 0;
            int32_t py = 0;
            OuterToInner(box, 1024, 768, wx, wy, px, py);
            // A shrunken picture cannot hold every point; there the nearest one comes back.
            const int32_t tolerance = box.width < 1024 ? 1 : 0;
            EXPECT_NEAR(px, x, tolerance) << outerWidth << "x" << outerHeight;
            EXPECT_NEAR(py, y, tolerance) << outerWidth << "x" << outerHeight;
        }
    }
}

}  // namespace
