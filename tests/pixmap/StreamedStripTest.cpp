// Streamed JPEG strips: whole-decode pixels, frames given back, replays, cut-off files, the row reader.
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/Recording.h"

#include "TestPictures.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Pixels that differ from one row and column to the next, so a row or column out of place shows.
std::vector<uint8_t> Varied(int32_t width, int32_t height, int32_t components)
{
    std::vector<uint8_t> pixels;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int32_t c = 0; c < components; ++c) pixels.push_back(uint8_t(x * 7 + y * 13 + c * 50 + (x * y) % 31));
    return pixels;
}

// Every pixel of two pixmaps; the first difference fails.
void ExpectSame(const TPixmap& want, const TPixmap& got, const std::string& what)
{
    ASSERT_EQ(got.width, want.width) << what;
    ASSERT_EQ(got.height, want.height) << what;
    ASSERT_EQ(got.format, want.format) << what;
    for (int32_t y = 0; y < want.height; ++y)
        for (int32_t x = 0; x < want.width; ++x)
            ASSERT_EQ(got.ReadPixel(x, y), want.ReadPixel(x, y)) << what << " at " << x << "," << y;
}

class StreamedStripTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetAutoImageFlags(IMG_FILTERED);
        SetAutoMidHandle(false);
    }
    void TearDown() override
    {
        SetAutoImageFlags(IMG_MASKED | IMG_FILTERED);
        EndGraphics();
        graphics = nullptr;
    }
    std::string Save(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        dir.Write(name, bytes);
        return dir.Path(name);
    }
    // A 77 x 67 strip: columns and rows are left over right of and below the cells.
    std::string Strip(const std::string& name, int32_t components = 3)
    {
        return Save(name, EncodeJpeg(77, 67, components, Varied(77, 67, components)));
    }

    TTempDir dir;
    TGraphicsPtr graphics;
};

TEST_F(StreamedStripTest, FramesUsedInOrderHaveThePixelsOfTheWholeDecode)
{
    struct TCase {
        const char* name;
        int32_t components, cellWidth, cellHeight, first, count, flags;
    } cases[] = {
        {"rgb.jpg", 3, 24, 20, 0, 9, 0},                     // 3 rows of 3 cells, bands shorter than a row
        {"middle.jpg", 3, 24, 20, 2, 5, 0},                  // from the middle of a row to the middle of another
        {"grey.jpg", 1, 38, 32, 1, 3, 0},                    // bands of 16 rows, cells from a strip of grey
        {"tall.jpg", 3, 25, 33, 0, 6, 0},                    // cells taller than a band, not a multiple of it
        {"masked.jpg", 3, 24, 20, 0, 9, IMG_MASKED},         // masked as each row arrives
        {"mipmapped.jpg", 3, 12, 10, 5, 30, IMG_MIPMAPPED},  // many small cells, several rows ahead
    };
    for (const TCase& c : cases) {
        const std::string path = Strip(c.name, c.components);
        TImagePtr whole = LoadAnimImage(path, c.cellWidth, c.cellHeight, c.first, c.count, c.flags);
        TImagePtr streamed = LoadAnimImageStreamed(path, c.cellWidth, c.cellHeight, c.first, c.count, c.flags);
        ASSERT_TRUE(whole) << c.name;
        ASSERT_TRUE(streamed) << c.name;
        EXPECT_EQ(streamed->width, c.cellWidth) << c.name;
        EXPECT_EQ(streamed->height, c.cellHeight) << c.name;
        ASSERT_EQ(streamed->FrameCount(), c.count) << c.name;
        EXPECT_FALSE(streamed->PixelsResident()) << c.name;
        streamed->PrefetchPixels();
        for (int32_t k = 0; k < c.count; ++k) {
            const TPixmapPtr got = streamed->Pixmap(k);
            ASSERT_TRUE(got) << c.name << " frame " << k;
            ExpectSame(*whole->pixmaps[k], *got, std::string(c.name) + " frame " + std::to_string(k));
        }
    }
}

TEST_F(StreamedStripTest, UsingAFrameGivesBackThoseBeforeItAndAnEarlierOneIsDecodedAgain)
{
    // 3 cells to a row, 3 rows.
    const std::string path = Strip("strip.jpg");
    TImagePtr whole = LoadAnimImage(path, 24, 20, 0, 9, 0);
    TImagePtr image = LoadAnimImageStreamed(path, 24, 20, 0, 9, 0);
    ASSERT_TRUE(whole);
    ASSERT_TRUE(image);
    auto driver = std::make_shared<TRecordingDriver>();
    graphics = OpenRecordingGraphics(320, 200, driver);
    ASSERT_TRUE(graphics);

    DrawImage(image, 10, 10, 1);
    EXPECT_TRUE(image->PixelsResident());
    EXPECT_EQ(image->pixmaps[0], nullptr);
    ASSERT_TRUE(image->pixmaps[1]);
    EXPECT_TRUE(image->frames[1]);
    // Drawing frame 4 gives back frames 1 to 3, their pixels and their back-end frames.
    DrawImage(image, 10, 10, 4);
    for (int32_t k = 0; k < 4; ++k) {
        EXPECT_EQ(image->pixmaps[k], nullptr) << "frame " << k;
        EXPECT_EQ(image->frames[k], nullptr) << "frame " << k;
    }
    ASSERT_TRUE(image->pixmaps[5]);
    ExpectSame(*whole->pixmaps[5], *image->pixmaps[5], "frame 5, held with its row");
    // The frames of rows not reached yet hold no pixels.
    EXPECT_EQ(image->pixmaps[8], nullptr);
    ASSERT_EQ(driver->OfKind(TDrawKind::Image).size(), 2u);
    EXPECT_EQ(driver->OfKind(TDrawKind::Image)[1].frame, 4);

    // A frame wanted again after a later one: the whole picture, read again from the top.
    ExpectSame(*whole->pixmaps[2], *image->Pixmap(2), "frame 2 again");
    EXPECT_EQ(image->pixmaps[4], nullptr);
    // Jumping ahead over a row reads it and lets it go.
    ExpectSame(*whole->pixmaps[7], *image->Pixmap(7), "frame 7 after a skipped row");
    EXPECT_EQ(image->pixmaps[5], nullptr);

    // Given back whole; a prefetch plays it again from its first frame.
    image->ReleasePixels();
    EXPECT_FALSE(image->PixelsResident());
    for (int32_t k = 0; k < 9; ++k) EXPECT_EQ(image->pixmaps[k], nullptr) << "frame " << k;
    image->PrefetchPixels();
    ExpectSame(*whole->pixmaps[0], *image->Pixmap(0), "frame 0 after a prefetch");
    // A release while a row is being decoded waits for it and keeps nothing.
    image->PrefetchPixels();
    image->ReleasePixels();
    EXPECT_EQ(image->pixmaps[0], nullptr);
    EXPECT_EQ(image->pixmaps[3], nullptr);

    // A frame set by hand before its row arrives keeps its own pixels.
    TPixmapPtr own = TPixmap::Create(24, 20, PIXFMT_RGB888);
    own->ClearPixels(0xFF102030u);
    image->SetPixmap(5, own);
    ExpectSame(*whole->pixmaps[4], *image->Pixmap(4), "frame 4 beside a frame set by hand");
    EXPECT_EQ(image->Pixmap(5)->ReadPixel(3, 3), 0xFF102030u);
}

TEST_F(StreamedStripTest, ACutOffStripShowsItsWholeRowsAndReportsTheRest)
{
    std::vector<uint8_t> file = EncodeJpeg(77, 67, 3, Varied(77, 67, 3));
    const TImagePtr whole = LoadAnimImage(Save("whole.jpg", file), 24, 20, 0, 9, 0);
    ASSERT_TRUE(whole);
    file.resize(file.size() * 2 / 3);
    const std::string path = Save("cut.jpg", file);
    EXPECT_FALSE(LoadAnimImage(path, 24, 20, 0, 9, 0));
    // Its header is whole, so it loads; the frames are never half-filled.
    TImagePtr image = LoadAnimImageStreamed(path, 24, 20, 0, 9, 0);
    ASSERT_TRUE(image);
    testing::internal::CaptureStderr();
    int32_t shown = 0;
    for (int32_t k = 0; k < 9; ++k) {
        const TPixmapPtr got = image->Pixmap(k);
        if (!got) break;
        ExpectSame(*whole->pixmaps[k], *got, "frame " + std::to_string(k));
        ++shown;
    }
    for (int32_t k = shown; k < 9; ++k) EXPECT_EQ(image->Pixmap(k), nullptr) << "frame " << k;
    // A frame locked after the failure is blank.
    EXPECT_EQ(image->Lock(8, true, false)->ReadPixel(5, 5), 0u);
    const std::string err = testing::internal::GetCapturedStderr();
    // The first row comes before the cut, the last after it; the failure is told once.
    EXPECT_GE(shown, 3);
    EXPECT_LT(shown, 9);
    EXPECT_NE(err.find("cut.jpg could not be decoded from frame " + std::to_string(shown)), std::string::npos) << err;
    EXPECT_EQ(err.find("could not"), err.rfind("could not")) << err;
}

TEST_F(StreamedStripTest, OtherFilesLoadAsDeferredStripsOrNotAtAll)
{
    // A PNG strip is decoded whole when first used.
    std::vector<uint8_t> rows;
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 8; ++x) rows.insert(rows.end(), {uint8_t(x * 30), uint8_t(y * 60), 9});
    TImagePtr png =
        LoadAnimImageStreamed(Save("strip.png", EncodePng(8, 4, PNG_COLOR_TYPE_RGB, 8, rows)), 4, 4, 0, 2, 0);
    ASSERT_TRUE(png);
    EXPECT_EQ(png->Pixmap(1)->ReadPixel(1, 3), 0xFF000000u | 150u << 16 | 180u << 8 | 9u);
    EXPECT_EQ(png->Pixmap(0)->ReadPixel(3, 0), 0xFF000000u | 90u << 16 | 9u);
    EXPECT_FALSE(LoadAnimImageStreamed(dir.Path("missing.jpg"), 24, 20, 0, 9, 0));
    EXPECT_FALSE(LoadAnimImageStreamed(Save("junk.jpg", {0xFF, 0xD8, 1, 2, 3}), 24, 20, 0, 9, 0));
    const std::string path = Strip("strip.jpg");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(LoadAnimImageStreamed(path, 24, 20, 0, 10, 0));
    EXPECT_FALSE(LoadAnimImageStreamed(path, 0, 20, 0, 2, 0));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("bad strip cells"), std::string::npos);
}

TEST_F(StreamedStripTest, TheRowReaderGivesTheRowsOfTheWholeDecodeAndStopsAtTheEnd)
{
    const std::string path = Strip("rows.jpg");
    const TPixmapPtr want = LoadPixmap(path);
    ASSERT_TRUE(want);
    auto reader = TJpegRowReader::Open(path);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->width, 77);
    EXPECT_EQ(reader->height, 67);
    EXPECT_EQ(reader->format, PIXFMT_RGB888);
    const TPixmapPtr joined = TPixmap::Create(77, 67, PIXFMT_RGB888);
    for (int32_t top = 0; top < 67; top += 10) {
        const TPixmapPtr band = joined->Window(0, top, 77, std::min(10, 67 - top));
        ASSERT_TRUE(reader->Read(*band)) << top;
    }
    ExpectSame(*want, *joined, "joined rows");
    const TPixmapPtr more = TPixmap::Create(77, 1, PIXFMT_RGB888);
    EXPECT_FALSE(reader->Read(*more));
    // Rows of another width or format are refused.
    auto again = TJpegRowReader::Open(path);
    ASSERT_TRUE(again);
    EXPECT_FALSE(again->Read(*TPixmap::Create(76, 2, PIXFMT_RGB888)));
    EXPECT_FALSE(again->Read(*TPixmap::Create(77, 2, PIXFMT_RGBA8888)));
    EXPECT_FALSE(TJpegRowReader::Open(dir.Path("missing.jpg")));
    std::vector<uint8_t> png = EncodePng(2, 1, PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 4, 5, 6});
    EXPECT_FALSE(TJpegRowReader::Open(Save("not.jpg", png)));
}

TEST_F(StreamedStripTest, ItHoldsWhatIsLeftOfTheRowItShowsAndTheNextOneDecodedAhead)
{
#if !defined(__GLIBC__) || defined(KRELLIX_ADDRESS_SANITIZER)
    GTEST_SKIP() << "counts the C library's own allocator";
#else
    // 8 cells of 512 x 256 to a row (3 MiB of pixels), 3 rows.
    constexpr int32_t kCellW = 512, kCellH = 256, kPerRow = 8, kRows = 3;
    constexpr int64_t kRowBytes = int64_t{kPerRow} * kCellW * kCellH * 3;
    const std::string path =
        Save("long.jpg", EncodeJpeg(kPerRow * kCellW, kRows * kCellH, 3, Varied(kPerRow * kCellW, kRows * kCellH, 3)));
    TImagePtr image = LoadAnimImageStreamed(path, kCellW, kCellH, 0, kPerRow * kRows, 0);
    ASSERT_TRUE(image);
    const auto held = [] {
        const struct mallinfo2 info = mallinfo2();
        return static_cast<int64_t>(info.uordblks + info.hblkhd);
    };
    const int64_t before = held();
    for (int32_t k = 0; k < kPerRow * (kRows - 1); ++k) {
        // Each frame shown for a while, its use starting what may be decoded ahead.
        ASSERT_TRUE(image->Pixmap(k));
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        ASSERT_TRUE(image->Pixmap(k));
        const int64_t bytes = held() - before;
        // Half a row left and a row ahead at most; never two whole rows.
        EXPECT_LT(bytes, kRowBytes * 7 / 4) << "frame " << k;
        if (k % kPerRow != kPerRow - 1) continue;
        // By a row's last frame the next one is decoded, or on its way on a busy machine.
        int64_t ahead = bytes;
        for (int32_t wait = 0; wait < 100 && ahead < kRowBytes * 3 / 4; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ahead = held() - before;
        }
        EXPECT_GT(ahead, kRowBytes * 3 / 4) << "frame " << k << ": no row ahead";
    }
#endif
}

}  // namespace
