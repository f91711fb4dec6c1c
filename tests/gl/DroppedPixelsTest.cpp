// Large pictures give back their pixels once their textures are made, and draw the same when made again.
#include "GLSupport.h"

#include "../pixmap/TestPictures.h"

#include <string>
#include <utility>
#include <vector>

namespace {

// An RGB PNG of width x height with gradients and hard-edged black squares, which masking makes
// see-through.
std::string WritePicture(TTempDir& dir, const char* name, int32_t width, int32_t height)
{
    std::vector<uint8_t> rows;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const bool black = (x / 16 + y / 16) % 3 == 0;
            rows.insert(rows.end(),
                        {uint8_t(black ? 0 : x * 7 | 1), uint8_t(black ? 0 : y * 3 + x), uint8_t(black ? 0 : x ^ y)});
        }
    dir.Write(name, EncodePng(width, height, 2, 8, rows));
    return dir.Path(name);
}

// The screen where the picture was drawn, at its own size and shrunk and turned.
TPixmapPtr Drawn(const TImagePtr& image)
{
    SetClsColor(0, 60, 0);
    Cls();
    SetBlend(BLEND_ALPHA);
    DrawImage(image, 0, 0);
    SetScale(0.25f, 0.25f);
    SetRotation(30.0f);
    DrawImage(image, 250, 150);
    SetRotation(0.0f);
    SetScale(1.0f, 1.0f);
    return GrabPixmap(0, 0, kWidth, kHeight);
}

::testing::AssertionResult SamePixels(const TPixmapPtr& got, const TPixmapPtr& want)
{
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x)
            if (got->ReadPixel(x, y) != want->ReadPixel(x, y))
                return ::testing::AssertionFailure() << "pixels differ at " << x << "," << y;
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST_F(GLTest, ALargePictureGivesBackItsPixelsAndDrawsTheSameWhenItsTextureIsMadeAgain)
{
    TTempDir dir;
    const std::string path = WritePicture(dir, "large.png", 300, 240);
    const TImagePtr image = LoadImage(path, IMG_MASKED | IMG_FILTERED | IMG_MIPMAPPED);
    ASSERT_TRUE(image);
    const TPixmapPtr first = Drawn(image);
    EXPECT_EQ(image->pixmaps[0], nullptr) << "pixels kept beside the texture";

    // New graphics lose every texture: the pixels are decoded again from the file.
    graphics = OpenGraphics(kWidth, kHeight, 0, 60, 0);
    ASSERT_TRUE(graphics);
    EXPECT_TRUE(SamePixels(Drawn(image), first));
    EXPECT_EQ(image->pixmaps[0], nullptr);

    // Pixels asked for (as collisions do) are the file's, and are kept from then on.
    const TPixmapPtr pixels = image->Pixmap(0);
    ASSERT_TRUE(pixels);
    const TPixmapPtr file = MaskPixmap(*LoadPixmap(path), 0, 0, 0);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{20, 5}, std::pair{299, 239}})
        EXPECT_EQ(pixels->ReadPixel(x, y), file->ReadPixel(x, y)) << x << "," << y;
    EXPECT_TRUE(SamePixels(Drawn(image), first));
    EXPECT_EQ(image->pixmaps[0], pixels);
}

TEST_F(GLTest, PicturesThatCannotBeDecodedAgainOrAreSmallKeepTheirPixels)
{
    TTempDir dir;
    const std::string large = WritePicture(dir, "large.png", 300, 240);
    const std::string small = WritePicture(dir, "small.png", 200, 200);
    const TImagePtr changed = LoadImage(large, IMG_MASKED | IMG_FILTERED);
    ASSERT_TRUE(changed);
    changed->SetPixmap(0, LoadPixmap(large));
    struct Case {
        const char* what;
        TImagePtr image;
    };
    const Case cases[] = {{"smaller than the threshold", LoadImage(small, IMG_MASKED | IMG_FILTERED)},
                          {"not from a file", TImage::Load(LoadPixmap(large), IMG_MASKED | IMG_FILTERED, 0, 0, 0)},
                          {"set by hand", changed}};
    for (const Case& c : cases) {
        ASSERT_TRUE(c.image) << c.what;
        Drawn(c.image);
        EXPECT_TRUE(c.image->pixmaps[0]) << c.what;
    }
}
