// Images: loading with flags and masking, mid handles, animation strips, locking, back-end frames.
#include "framework/graphics/Image.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Recording.h"

#include "TestPictures.h"

#include <gtest/gtest.h>
#include <png.h>

#include <functional>
#include <vector>

namespace {

// Every test starts from the module defaults and leaves them so.
class ImageTest : public ::testing::Test {
protected:
    void SetUp() override { Restore(); }
    // The graphics stay referenced until they have been ended.
    void TearDown() override
    {
        Restore();
        EndGraphics();
        graphics.clear();
    }
    bool Open(std::shared_ptr<TRecordingDriver> driver)
    {
        graphics.push_back(OpenRecordingGraphics(320, 200, std::move(driver)));
        return graphics.back() != nullptr;
    }
    static void Restore()
    {
        SetAutoImageFlags(IMG_MASKED | IMG_FILTERED);
        SetMaskColor(0, 0, 0);
        SetAutoMidHandle(false);
    }
    std::string Save(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        dir.Write(name, bytes);
        return dir.Path(name);
    }
    TTempDir dir;
    std::vector<TGraphicsPtr> graphics;
};

// 3 x 1 RGB: red, black, blue.
std::vector<uint8_t> RedBlackBlue(int32_t colorType)
{
    if (colorType == PNG_COLOR_TYPE_RGB) return EncodePng(3, 1, colorType, 8, {255, 0, 0, 0, 0, 0, 0, 0, 255});
    return EncodePng(3, 1, colorType, 8, {255, 0, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255});
}

TEST_F(ImageTest, AutomaticFlagsMaskBlackInRgbPictures)
{
    EXPECT_EQ(GetAutoImageFlags(), IMG_MASKED | IMG_FILTERED);
    TImagePtr image = LoadImage(Save("rgb.png", RedBlackBlue(PNG_COLOR_TYPE_RGB)));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->flags, IMG_MASKED | IMG_FILTERED);
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->height, 1);
    ASSERT_EQ(image->FrameCount(), 1);
    const TPixmap& pixmap = *image->pixmaps[0];
    EXPECT_EQ(pixmap.format, PIXFMT_RGBA8888);
    EXPECT_EQ(pixmap.ReadPixel(0, 0), 0xFFFF0000u);
    // The black pixel turns transparent and takes the average of red and blue.
    EXPECT_EQ(pixmap.ReadPixel(1, 0), 0x007F007Fu);
    EXPECT_EQ(pixmap.ReadPixel(2, 0), 0xFF0000FFu);
}

TEST_F(ImageTest, PicturesWithAlphaAreNeverMasked)
{
    TImagePtr image = LoadImage(Save("rgba.png", RedBlackBlue(PNG_COLOR_TYPE_RGB_ALPHA)), IMG_MASKED);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixmaps[0]->ReadPixel(1, 0), 0xFF000000u);
}

TEST_F(ImageTest, FlagsWithoutMaskKeepThePixels)
{
    TImagePtr image = LoadImage(Save("rgb.png", RedBlackBlue(PNG_COLOR_TYPE_RGB)), IMG_FILTERED);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->flags, IMG_FILTERED);
    EXPECT_EQ(image->pixmaps[0]->format, PIXFMT_RGB888);
    EXPECT_EQ(image->pixmaps[0]->ReadPixel(1, 0), 0xFF000000u);
    // -1 asks for the automatic flags, and setting them to -1 changes nothing.
    SetAutoImageFlags(IMG_FILTERED | IMG_MIPMAPPED);
    SetAutoImageFlags(-1);
    EXPECT_EQ(GetAutoImageFlags(), IMG_FILTERED | IMG_MIPMAPPED);
    EXPECT_EQ(LoadImage(dir.Path("rgb.png"))->flags, IMG_FILTERED | IMG_MIPMAPPED);
}

TEST_F(ImageTest, MaskColourIsTakenAtLoadTime)
{
    SetMaskColor(0, 0, 255);
    int32_t r = -1, g = -1, b = -1;
    GetMaskColor(r, g, b);
    EXPECT_EQ((std::vector<int32_t>{r, g, b}), (std::vector<int32_t>{0, 0, 255}));
    TImagePtr image = LoadImage(Save("rgb.png", RedBlackBlue(PNG_COLOR_TYPE_RGB)));
    SetMaskColor(0, 0, 0);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->mask_b, 255);
    EXPECT_EQ(image->pixmaps[0]->ReadPixel(1, 0) >> 24, 255u);
    EXPECT_EQ(image->pixmaps[0]->ReadPixel(2, 0), 0x00000000u);  // its only neighbour is black
}

TEST_F(ImageTest, MidHandleIsTheCentre)
{
    const std::string path =
        Save("bar.png", EncodePng(60, 25, PNG_COLOR_TYPE_GRAY, 8, std::vector<uint8_t>(60 * 25, 9)));
    TImagePtr plain = LoadImage(path);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->handle_x, 0.0f);
    EXPECT_EQ(plain->handle_y, 0.0f);
    SetAutoMidHandle(true);
    TImagePtr centred = LoadImage(path);
    ASSERT_TRUE(centred);
    EXPECT_EQ(centred->handle_x, 30.0f);
    EXPECT_EQ(centred->handle_y, 12.5f);
    EXPECT_EQ(ImageWidth(centred), 60);
    EXPECT_EQ(ImageHeight(centred), 25);
    SetImageHandle(centred, 1.5f, -2.0f);
    EXPECT_EQ(centred->handle_x, 1.5f);
    EXPECT_EQ(centred->handle_y, -2.0f);
    MidHandleImage(plain);
    EXPECT_EQ(plain->handle_y, 12.5f);
    MidHandleImage(nullptr);
    SetImageHandle(nullptr, 1, 1);
    EXPECT_EQ(ImageWidth(nullptr), 0);
    EXPECT_EQ(ImageHeight(nullptr), 0);
}

TEST_F(ImageTest, MissingOrBrokenFilesGiveNull)
{
    SetAutoMidHandle(true);
    EXPECT_FALSE(LoadImage(dir.Path("none.png")));
    EXPECT_FALSE(LoadAnimImage(dir.Path("none.png"), 8, 8, 0, 1));
    EXPECT_FALSE(LoadImage(Save("text.png", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'})));
    EXPECT_FALSE(TImage::Load(TPixmapPtr(), 0, 0, 0, 0));
}

// A 512 x 512 strip whose pixel (x, y) holds red x / 2, green y / 2 and blue 7.
std::vector<uint8_t> Strip512()
{
    std::vector<uint8_t> rows;
    for (int32_t y = 0; y < 512; ++y)
        for (int32_t x = 0; x < 512; ++x) rows.insert(rows.end(), {uint8_t(x / 2), uint8_t(y / 2), 7});
    return EncodePng(512, 512, PNG_COLOR_TYPE_RGB, 8, rows);
}

uint32_t StripPixel(int32_t x, int32_t y) { return 0xFF000007u | uint32_t(x / 2) << 16 | uint32_t(y / 2) << 8; }

TEST_F(ImageTest, AnimationCellsRunLeftToRightThenDown)
{
    const std::string path = Save("strip.png", Strip512());
    SetAutoMidHandle(true);
    // 512 / 96 = 5 cells per row (32 columns left over), 512 / 32 = 16 rows: 80 cells.
    TImagePtr image = LoadAnimImage(path, 96, 32, 0, 10, 0);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 96);
    EXPECT_EQ(image->height, 32);
    EXPECT_EQ(image->handle_x, 48.0f);
    EXPECT_EQ(image->handle_y, 16.0f);
    ASSERT_EQ(image->FrameCount(), 10);
    for (int32_t k = 0; k < 10; ++k) {
        const TPixmap& cell = *image->pixmaps[k];
        ASSERT_EQ(cell.width, 96);
        ASSERT_EQ(cell.height, 32);
        const int32_t cx = 96 * (k % 5);
        const int32_t cy = 32 * (k / 5);
        EXPECT_EQ(cell.ReadPixel(0, 0), StripPixel(cx, cy)) << "frame " << k;
        EXPECT_EQ(cell.ReadPixel(95, 31), StripPixel(cx + 95, cy + 31)) << "frame " << k;
    }
    TImagePtr last = LoadAnimImage(path, 96, 32, 70, 10, 0);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->pixmaps[9]->ReadPixel(0, 0), StripPixel(384, 480));

    // Taking every cell shares the strip's memory; the frames still read and write separately.
    TImagePtr all = LoadAnimImage(path, 96, 32, 0, 80, 0);
    ASSERT_TRUE(all);
    for (int32_t k : {0, 4, 5, 42, 79}) {
        const int32_t cx = 96 * (k % 5), cy = 32 * (k / 5);
        EXPECT_EQ(all->pixmaps[k]->ReadPixel(0, 0), StripPixel(cx, cy)) << "frame " << k;
        EXPECT_EQ(all->pixmaps[k]->ReadPixel(95, 31), StripPixel(cx + 95, cy + 31)) << "frame " << k;
    }
    all->Lock(0, true, true)->ClearPixels(0xFF123456u);
    EXPECT_EQ(all->pixmaps[0]->ReadPixel(95, 31), 0xFF123456u);
    EXPECT_EQ(all->pixmaps[1]->ReadPixel(0, 0), StripPixel(96, 0));
    EXPECT_EQ(all->pixmaps[5]->ReadPixel(0, 0), StripPixel(0, 32));
}

TEST_F(ImageTest, DeferredStripsDecodeWhenUsedAndGiveTheirPixelsBack)
{
    const std::string path = Save("strip.png", Strip512());
    const std::string jpeg = Save("strip.jpg", EncodeJpeg(64, 32, 3, std::vector<uint8_t>(64 * 32 * 3, 200)));
    SetAutoMidHandle(true);
    TImagePtr eager = LoadAnimImage(path, 96, 32, 3, 12, 0);
    struct TUse {
        const char* what;
        std::function<void(TImage&)> use;
    } uses[] = {
        {"a pixmap asked for", [](TImage& image) { image.Pixmap(7); }},
        {"a frame locked", [](TImage& image) { image.Lock(0, true, false); }},
        {"a prefetch waited for",
         [](TImage& image) {
             image.PrefetchPixels();
             image.Pixmap(0);
         }},
    };
    for (const TUse& u : uses) {
        TImagePtr image = LoadAnimImageDeferred(path, 96, 32, 3, 12, 0);
        ASSERT_TRUE(image) << u.what;
        // Sizes and handle are known before a single pixel is decoded.
        EXPECT_EQ(image->width, 96);
        EXPECT_EQ(image->height, 32);
        EXPECT_EQ(image->handle_x, 48.0f);
        EXPECT_EQ(image->FrameCount(), 12);
        EXPECT_FALSE(image->PixelsResident()) << u.what;
        u.use(*image);
        EXPECT_TRUE(image->PixelsResident()) << u.what;
        for (int32_t k = 0; k < 12; ++k) {
            const TPixmapPtr got = image->Pixmap(k);
            ASSERT_TRUE(got) << u.what << " frame " << k;
            EXPECT_EQ(got->ReadPixel(0, 0), eager->pixmaps[k]->ReadPixel(0, 0)) << u.what << " frame " << k;
            EXPECT_EQ(got->ReadPixel(95, 31), eager->pixmaps[k]->ReadPixel(95, 31)) << u.what << " frame " << k;
        }
        // Given back, and decoded again when wanted again.
        image->ReleasePixels();
        EXPECT_FALSE(image->PixelsResident()) << u.what;
        EXPECT_EQ(image->pixmaps[5], nullptr) << u.what;
        EXPECT_EQ(image->Pixmap(5)->ReadPixel(10, 10), eager->pixmaps[5]->ReadPixel(10, 10)) << u.what;
    }
    // A release while the decode is under way waits for it and keeps nothing.
    TImagePtr image = LoadAnimImageDeferred(path, 96, 32, 0, 80, 0);
    ASSERT_TRUE(image);
    image->PrefetchPixels();
    image->ReleasePixels();
    EXPECT_FALSE(image->PixelsResident());
    EXPECT_EQ(image->pixmaps[0], nullptr);
    // Null where the eager loader gives null, read from the header alone; JPEG strips too.
    EXPECT_FALSE(LoadAnimImageDeferred(dir.Path("missing.png"), 96, 32, 0, 10, 0));
    EXPECT_FALSE(LoadAnimImageDeferred(Save("junk.png", {1, 2, 3, 4, 5, 6, 7, 8, 9}), 96, 32, 0, 10, 0));
    EXPECT_FALSE(LoadAnimImageDeferred(path, 96, 32, 71, 10, 0));
    TImagePtr grey = LoadAnimImageDeferred(jpeg, 32, 32, 0, 2, 0);
    ASSERT_TRUE(grey);
    EXPECT_NEAR(static_cast<int>(grey->Pixmap(1)->ReadPixel(31, 31) & 0xFF), 200, 2);
    EXPECT_FALSE(LoadAnimImageDeferred(jpeg, 32, 32, 0, 3, 0));
}

TEST_F(ImageTest, DeferredPicturesDecodeWhenUsedAndGiveTheirPixelsBack)
{
    const std::string path = Save("strip.png", Strip512());
    std::vector<uint8_t> rgb(48 * 16 * 3, 0);
    for (size_t i = 0; i < rgb.size(); i += 3) rgb[i] = 250;
    const std::string jpeg = Save("red.jpg", EncodeJpeg(48, 16, 3, rgb));
    SetAutoMidHandle(true);
    TImagePtr eager = LoadImage(path, 0);
    TImagePtr image = LoadImageDeferred(path, 0);
    ASSERT_TRUE(eager);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 512);
    EXPECT_EQ(image->height, 512);
    EXPECT_EQ(image->handle_y, 256.0f);
    EXPECT_EQ(image->FrameCount(), 1);
    EXPECT_FALSE(image->PixelsResident());
    image->PrefetchPixels();
    for (const auto& [x, y] : {std::pair{0, 0}, {511, 511}, {200, 300}})
        EXPECT_EQ(image->Pixmap(0)->ReadPixel(x, y), eager->pixmaps[0]->ReadPixel(x, y)) << x << ", " << y;
    image->ReleasePixels();
    EXPECT_EQ(image->pixmaps[0], nullptr);
    EXPECT_EQ(image->Lock(0, true, false)->ReadPixel(511, 0), eager->pixmaps[0]->ReadPixel(511, 0));
    // Masked images are masked when their pixels arrive, as when loaded at once.
    TImagePtr red = LoadImageDeferred(jpeg, IMG_MASKED);
    ASSERT_TRUE(red);
    EXPECT_TRUE(FormatHasAlpha(red->Pixmap(0)->format));
    EXPECT_NEAR(static_cast<int>(red->Pixmap(0)->ReadPixel(47, 15) >> 16 & 0xFF), 250, 3);
    EXPECT_FALSE(LoadImageDeferred(dir.Path("missing.png"), 0));
    EXPECT_FALSE(LoadImageDeferred(Save("junk.png", {1, 2, 3, 4, 5, 6, 7, 8, 9}), 0));
}

TEST_F(ImageTest, TooFewCellsGiveNull)
{
    const std::string path = Save("strip.png", Strip512());
    EXPECT_FALSE(LoadAnimImage(path, 96, 32, 71, 10, 0));
    EXPECT_FALSE(LoadAnimImage(path, 96, 32, 0, 81, 0));
    EXPECT_FALSE(LoadAnimImage(path, 513, 1, 0, 1, 0));
    EXPECT_FALSE(LoadAnimImage(path, 0, 32, 0, 1, 0));
    EXPECT_FALSE(LoadAnimImage(path, 96, 32, -1, 2, 0));
    EXPECT_FALSE(LoadAnimImage(path, 96, 32, 0, 0, 0));
}

TEST_F(ImageTest, AnimationCellsAreMaskedOneByOne)
{
    // Two 2 x 1 cells: (black, red) and (black, green).
    const std::string path =
        Save("two.png", EncodePng(4, 1, PNG_COLOR_TYPE_RGB, 8, {0, 0, 0, 200, 0, 0, 0, 0, 0, 0, 100, 0}));
    TImagePtr image = LoadAnimImage(path, 2, 1, 0, 2);
    ASSERT_TRUE(image);
    // Each cell is masked on its own: the black of the second cell does not see the red of the first.
    EXPECT_EQ(image->pixmaps[0]->ReadPixel(0, 0), 0x00C80000u);
    EXPECT_EQ(image->pixmaps[1]->ReadPixel(0, 0), 0x00006400u);
    EXPECT_EQ(image->pixmaps[1]->ReadPixel(1, 0), 0xFF006400u);
}

TEST_F(ImageTest, CreatedImagesAreDynamicAndLockMakesPixels)
{
    TImagePtr image = CreateImage(4, 3, 2, IMG_FILTERED);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->flags, IMG_FILTERED | IMG_DYNAMIC);
    EXPECT_EQ(image->FrameCount(), 2);
    EXPECT_FALSE(image->pixmaps[1]);
    TPixmapPtr pixels = image->Lock(1, true, true);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(pixels->format, PIXFMT_RGBA8888);
    EXPECT_EQ(pixels->width, 4);
    EXPECT_EQ(pixels->height, 3);
    EXPECT_EQ(pixels->ReadPixel(3, 2), 0u);
    EXPECT_EQ(image->Lock(1, true, false), pixels);
    EXPECT_FALSE(image->Lock(2, true, true));
    EXPECT_FALSE(image->Lock(-1, true, true));
    EXPECT_FALSE(CreateImage(-1, 3));
}

// A recording back-end that counts the frames it is asked to make and can refuse them.
class TCountingDriver : public TRecordingDriver {
public:
    std::shared_ptr<TImageFrame> CreateFrameFromPixmap(const TPixmap& pixmap, int32_t flags) override
    {
        ++made;
        lastFlags = flags;
        lastWidth = pixmap.width;
        return refuse ? nullptr : TRecordingDriver::CreateFrameFromPixmap(pixmap, flags);
    }
    int32_t made = 0;
    int32_t lastFlags = 0;
    int32_t lastWidth = 0;
    bool refuse = false;
};

TEST_F(ImageTest, BackEndFramesAreMadeOncePerGraphics)
{
    TImagePtr image = TImage::Load(TPixmap::Create(5, 2, PIXFMT_RGBA8888), IMG_FILTERED | IMG_MIPMAPPED, 0, 0, 0);
    EXPECT_FALSE(image->Frame(0));  // no graphics open
    auto driver = std::make_shared<TCountingDriver>();
    ASSERT_TRUE(Open(driver));
    std::shared_ptr<TImageFrame> frame = image->Frame(0);
    ASSERT_TRUE(frame);
    EXPECT_EQ(driver->made, 1);
    EXPECT_EQ(driver->lastFlags, IMG_FILTERED | IMG_MIPMAPPED);
    EXPECT_EQ(driver->lastWidth, 5);
    EXPECT_EQ(image->seqs[0], GraphicsSeq());
    EXPECT_EQ(image->Frame(0), frame);
    EXPECT_EQ(driver->made, 1);
    EXPECT_FALSE(image->Frame(1));

    // Reading leaves the frame, writing or a new pixmap makes it again.
    image->Lock(0, true, false);
    EXPECT_EQ(image->Frame(0), frame);
    image->Lock(0, false, true);
    EXPECT_EQ(image->seqs[0], 0);
    EXPECT_NE(image->Frame(0), frame);
    EXPECT_EQ(driver->made, 2);
    image->SetPixmap(0, TPixmap::Create(5, 2, PIXFMT_I8));
    image->Frame(0);
    EXPECT_EQ(driver->made, 3);

    // New graphics: every frame is made again for them.
    auto second = std::make_shared<TCountingDriver>();
    const int32_t oldSeq = GraphicsSeq();
    ASSERT_TRUE(Open(second));
    EXPECT_NE(GraphicsSeq(), oldSeq);
    EXPECT_TRUE(image->Frame(0));
    EXPECT_EQ(second->made, 1);
}

TEST_F(ImageTest, RefusedFrameIsAskedForAgain)
{
    TImagePtr image = TImage::Load(TPixmap::Create(2, 2, PIXFMT_RGBA8888), 0, 0, 0, 0);
    auto driver = std::make_shared<TCountingDriver>();
    driver->refuse = true;
    ASSERT_TRUE(Open(driver));
    EXPECT_FALSE(image->Frame(0));
    EXPECT_EQ(image->seqs[0], 0);
    driver->refuse = false;
    EXPECT_TRUE(image->Frame(0));
    EXPECT_EQ(driver->made, 2);
}

// A back-end whose screen is red with a black left column, and which notes what was grabbed.
class TGrabDriver : public TRecordingDriver {
public:
    TPixmapPtr GrabPixmap(int32_t x, int32_t y, int32_t width, int32_t height) override
    {
        asked = {x, y, width, height};
        TPixmapPtr screen = TPixmap::Create(width, height, PIXFMT_RGBA8888);
        screen->ClearPixels(0xFFFF0000);
        for (int32_t row = 0; row < height; ++row) screen->WritePixel(0, row, 0xFF000000);
        return screen;
    }
    std::vector<int32_t> asked;
};

TEST_F(ImageTest, GrabbedFramesComeFromUnderTheImage)
{
    auto driver = std::make_shared<TGrabDriver>();
    ASSERT_TRUE(Open(driver));
    TImagePtr image = CreateImage(4, 2, 2, IMG_MASKED);
    MidHandleImage(image);
    GrabImage(image, 10, 10, 1);
    EXPECT_EQ(driver->asked, (std::vector<int32_t>{8, 9, 4, 2}));
    ASSERT_TRUE(image->pixmaps[1]);
    EXPECT_EQ(image->pixmaps[1]->ReadPixel(0, 1), 0x00FF0000u);  // black masked, takes the red beside it
    EXPECT_EQ(image->pixmaps[1]->ReadPixel(3, 1), 0xFFFF0000u);
    TImagePtr plain = CreateImage(4, 2, 1, 0);
    GrabImage(plain, 0, 0);
    EXPECT_EQ(plain->pixmaps[0]->ReadPixel(0, 0), 0xFF000000u);
    GrabImage(plain, 0, 0, 1);
    GrabImage(nullptr, 0, 0);
}

}  // namespace
