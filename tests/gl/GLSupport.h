// Headless OpenGL graphics for pixel tests, and helpers to read what was drawn.
#pragma once

#include "framework/graphics/Draw2D.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/system/Clock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

constexpr int32_t kWidth = 320;
constexpr int32_t kHeight = 240;

struct Rgb {
    int32_t r, g, b;
};

// The pixel at (x, y) of the frame being drawn (read before any Flip).
inline Rgb PixelAt(int32_t x, int32_t y)
{
    auto p = GrabPixmap(x, y, 1, 1);
    const uint32_t argb = p->ReadPixel(0, 0);
    return {static_cast<int32_t>((argb >> 16) & 255), static_cast<int32_t>((argb >> 8) & 255),
            static_cast<int32_t>(argb & 255)};
}

inline ::testing::AssertionResult PixelIs(int32_t x, int32_t y, Rgb want, int32_t tolerance = 0)
{
    const Rgb got = PixelAt(x, y);
    if (std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
        std::abs(got.b - want.b) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is (" << got.r << ", " << got.g << ", "
                                         << got.b << "), expected (" << want.r << ", " << want.g << ", " << want.b
                                         << ") within " << tolerance;
}

// The colours of the whole frame being drawn, row by row (read before any Flip).
inline std::vector<uint32_t> ScreenPixels()
{
    auto screen = GrabPixmap(0, 0, kWidth, kHeight);
    std::vector<uint32_t> pixels;
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x) pixels.push_back(screen->ReadPixel(x, y) & 0xFFFFFF);
    return pixels;
}

// An image of one frame filled with one 0xAARRGGBB value.
inline TImagePtr FilledImage(int32_t width, int32_t height, uint32_t argb, int32_t flags = 0)
{
    auto pixmap = TPixmap::Create(width, height, PIXFMT_RGBA8888);
    pixmap->ClearPixels(argb);
    return TImage::Load(pixmap, flags, 0, 0, 0);
}

// Each test draws on freshly opened 320 x 240 headless graphics paced at 60 Hz.
class GLTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        clock = std::make_shared<TVirtualClock>();
        SetClock(clock);
        graphics = OpenGraphics(kWidth, kHeight, 0, 60, 0);
        ASSERT_TRUE(graphics) << "no headless OpenGL context";
    }
    void TearDown() override
    {
        EndGraphics();
        SetClock(nullptr);
    }

    std::shared_ptr<TVirtualClock> clock;
    TGraphicsPtr graphics;
};
