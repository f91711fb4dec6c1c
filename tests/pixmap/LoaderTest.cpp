// The PNG and JPEG loaders on pictures written by libpng and libjpeg, bad data, and the loader chain.
#include "framework/graphics/Pixmap.h"
#include "framework/system/Bank.h"

#include "TestPictures.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(const TPixmap& pixmap)
{
    std::vector<uint8_t> out;
    const int32_t rowBytes = pixmap.width * BytesPerPixel(pixmap.format);
    for (int32_t y = 0; y < pixmap.height; ++y)
        out.insert(out.end(), pixmap.PixelPtr(0, y), pixmap.PixelPtr(0, y) + rowBytes);
    return out;
}

TPixmapPtr LoadBytes(const std::vector<uint8_t>& bytes) { return LoadPixmap(TUrl(BankOf(bytes))); }

struct TPngCase {
    const char* name;
    int32_t colorType, bitDepth, width, height;
    std::vector<uint8_t> rows;
    int32_t format;
    std::vector<uint8_t> pixels;
};

TEST(PngLoader, EachColourTypeGivesItsFormat)
{
    const TPngCase cases[] = {
        {"grey", PNG_COLOR_TYPE_GRAY, 8, 2, 2, {0, 50, 100, 255}, PIXFMT_I8, {0, 50, 100, 255}},
        {"grey+alpha",
         PNG_COLOR_TYPE_GRAY_ALPHA,
         8,
         2,
         1,
         {10, 20, 200, 255},
         PIXFMT_RGBA8888,
         {10, 10, 10, 20, 200, 200, 200, 255}},
        {"rgb", PNG_COLOR_TYPE_RGB, 8, 2, 1, {1, 2, 3, 4, 5, 6}, PIXFMT_RGB888, {1, 2, 3, 4, 5, 6}},
        {"rgba",
         PNG_COLOR_TYPE_RGB_ALPHA,
         8,
         1,
         2,
         {1, 2, 3, 0, 4, 5, 6, 128},
         PIXFMT_RGBA8888,
         {1, 2, 3, 0, 4, 5, 6, 128}},
        // 16-bit samples keep their high byte.
        {"rgb16",
         PNG_COLOR_TYPE_RGB,
         16,
         1,
         1,
         {0x12, 0xFF, 0xAB, 0x01, 0x00, 0x80},
         PIXFMT_RGB888,
         {0x12, 0xAB, 0x00}},
        {"grey+alpha16",
         PNG_COLOR_TYPE_GRAY_ALPHA,
         16,
         1,
         1,
         {0x40, 0x00, 0xFF, 0xFF},
         PIXFMT_RGBA8888,
         {0x40, 0x40, 0x40, 0xFF}},
        {"rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, 1, 1, {1, 9, 2, 9, 3, 9, 4, 9}, PIXFMT_RGBA8888, {1, 2, 3, 4}},
        // Grey of fewer bits is unpacked to a byte per pixel and scaled to the full range.
        {"grey1", PNG_COLOR_TYPE_GRAY, 1, 8, 1, {0xB0}, PIXFMT_I8, {255, 0, 255, 255, 0, 0, 0, 0}},
        {"grey2", PNG_COLOR_TYPE_GRAY, 2, 4, 1, {0x1B}, PIXFMT_I8, {0, 85, 170, 255}},
        {"grey4", PNG_COLOR_TYPE_GRAY, 4, 3, 1, {0x0F, 0x80}, PIXFMT_I8, {0, 255, 0x88}},
    };
    for (const TPngCase& c : cases) {
        SCOPED_TRACE(c.name);
        TPixmapPtr pixmap = LoadBytes(EncodePng(c.width, c.height, c.colorType, c.bitDepth, c.rows));
        ASSERT_TRUE(pixmap);
        EXPECT_EQ(pixmap->format, c.format);
        EXPECT_EQ(pixmap->width, c.width);
        EXPECT_EQ(pixmap->height, c.height);
        EXPECT_EQ(Bytes(*pixmap), c.pixels);
    }
}

TEST(PngLoader, PaletteIsRefused)
{
    const std::vector<uint8_t> palette = {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9};
    EXPECT_FALSE(LoadBytes(EncodePng(2, 1, PNG_COLOR_TYPE_PALETTE, 8, {0, 2}, false, palette)));
    EXPECT_FALSE(LoadBytes(EncodePng(4, 1, PNG_COLOR_TYPE_PALETTE, 2, {0x1B}, false, palette)));
}

std::vector<uint8_t> Gradient(int32_t width, int32_t height, int32_t channels)
{
    std::vector<uint8_t> bytes;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int32_t c = 0; c < channels; ++c) bytes.push_back(static_cast<uint8_t>(x * 37 + y * 11 + c * 70));
    return bytes;
}

TEST(PngLoader, InterlacedPictureReadsWhole)
{
    const std::vector<uint8_t> rows = Gradient(13, 9, 4);
    TPixmapPtr pixmap = LoadBytes(EncodePng(13, 9, PNG_COLOR_TYPE_RGB_ALPHA, 8, rows, true));
    ASSERT_TRUE(pixmap);
    EXPECT_EQ(Bytes(*pixmap), rows);
}

TEST(PngLoader, ReadsFromDiskAndMissingFileIsNull)
{
    TTempDir dir;
    const std::vector<uint8_t> rows = Gradient(6, 3, 3);
    dir.Write("picture.png", EncodePng(6, 3, PNG_COLOR_TYPE_RGB, 8, rows));
    TPixmapPtr pixmap = LoadPixmap(dir.Path("picture.png"));
    ASSERT_TRUE(pixmap);
    EXPECT_EQ(Bytes(*pixmap), rows);
    EXPECT_FALSE(LoadPixmap(dir.Path("missing.png")));
    dir.Write("empty.png", {});
    EXPECT_FALSE(LoadPixmap(dir.Path("empty.png")));
}

TEST(PngLoader, EveryTruncationIsRefused)
{
    const std::vector<uint8_t> file = EncodePng(16, 16, PNG_COLOR_TYPE_RGB_ALPHA, 8, Gradient(16, 16, 4));
    // The last 12 bytes are the end chunk; anything cut before it lacks picture data.
    for (size_t length = 0; length + 12 < file.size(); ++length) {
        const std::vector<uint8_t> cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_FALSE(LoadBytes(cut)) << "cut at " << length << " of " << file.size();
    }
}

TEST(PngLoader, DamagedChunkIsRefused)
{
    std::vector<uint8_t> file = EncodePng(8, 8, PNG_COLOR_TYPE_GRAY, 8, Gradient(8, 8, 1));
    ASSERT_TRUE(LoadBytes(file));
    file[8 + 8 + 4] ^= 0x40;  // the header chunk's width: its checksum no longer matches
    EXPECT_FALSE(LoadBytes(file));
}

// Random byte damage must never crash or hang; whatever still loads has a sane, readable size.
void Mutate(const std::vector<uint8_t>& file, uint32_t seed)
{
    std::mt19937 random(seed);
    for (int32_t round = 0; round < 300; ++round) {
        std::vector<uint8_t> damaged = file;
        const int32_t hits = 1 + static_cast<int32_t>(random() % 4);
        for (int32_t i = 0; i < hits; ++i) damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
        if (TPixmapPtr pixmap = LoadBytes(damaged)) {
            ASSERT_GT(pixmap->width, 0);
            ASSERT_GT(pixmap->height, 0);
            EXPECT_LE(pixmap->width, 16384);
            EXPECT_LE(pixmap->height, 16384);
            EXPECT_NE(pixmap->ReadPixel(pixmap->width - 1, pixmap->height - 1) >> 24, 0u);
        }
    }
}

TEST(PngLoader, RandomDamageNeverCrashes) { Mutate(EncodePng(12, 7, PNG_COLOR_TYPE_RGB, 8, Gradient(12, 7, 3)), 1234); }

std::vector<uint8_t> Uniform(int32_t width, int32_t height, std::vector<uint8_t> pixel)
{
    std::vector<uint8_t> bytes;
    for (int32_t i = 0; i < width * height; ++i) bytes.insert(bytes.end(), pixel.begin(), pixel.end());
    return bytes;
}

void ExpectNear(const TPixmap& pixmap, const std::vector<uint8_t>& pixel, int32_t tolerance)
{
    const int32_t bpp = BytesPerPixel(pixmap.format);
    ASSERT_EQ(static_cast<size_t>(bpp), pixel.size());
    for (int32_t y = 0; y < pixmap.height; ++y)
        for (int32_t x = 0; x < pixmap.width; ++x)
            for (int32_t c = 0; c < bpp; ++c)
                ASSERT_NEAR(pixmap.PixelPtr(x, y)[c], pixel[c], tolerance) << x << "," << y << " channel " << c;
}

TEST(JpegLoader, GreyAndColour)
{
    TPixmapPtr grey = LoadBytes(EncodeJpeg(24, 10, 1, Uniform(24, 10, {100})));
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->format, PIXFMT_I8);
    EXPECT_EQ(grey->width, 24);
    EXPECT_EQ(grey->height, 10);
    ExpectNear(*grey, {100}, 1);

    TPixmapPtr colour = LoadBytes(EncodeJpeg(17, 9, 3, Uniform(17, 9, {200, 50, 25})));
    ASSERT_TRUE(colour);
    EXPECT_EQ(colour->format, PIXFMT_RGB888);
    EXPECT_EQ(colour->width, 17);
    EXPECT_EQ(colour->height, 9);
    ExpectNear(*colour, {200, 50, 25}, 3);
}

TEST(JpegLoader, FourComponentsAreRefused)
{
    EXPECT_FALSE(LoadBytes(EncodeJpeg(8, 8, 4, Uniform(8, 8, {10, 20, 30, 40}))));
}

TEST(JpegLoader, EveryTruncationIsRefused)
{
    const std::vector<uint8_t> file = EncodeJpeg(32, 24, 3, Gradient(32, 24, 3));
    ASSERT_TRUE(LoadBytes(file));
    // The last two bytes are the end-of-image marker.
    for (size_t length = 0; length + 2 < file.size(); ++length) {
        const std::vector<uint8_t> cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_FALSE(LoadBytes(cut)) << "cut at " << length << " of " << file.size();
    }
}

TEST(JpegLoader, RandomDamageNeverCrashes) { Mutate(EncodeJpeg(16, 16, 3, Gradient(16, 16, 3)), 4321); }

// A picture wider or taller than the largest side set is refused by both loaders, one of exactly
// that side still loads; the default takes in every picture up to 16384 a side.
TEST(LoadPixmap, LargestSideHoldsForBothFormats)
{
    EXPECT_TRUE(LoadBytes(EncodePng(16384, 1, PNG_COLOR_TYPE_GRAY, 8, Gradient(16384, 1, 1))));
    EXPECT_FALSE(LoadBytes(EncodePng(1, 16385, PNG_COLOR_TYPE_GRAY, 8, Gradient(1, 16385, 1))));
    for (const auto& [width, height] : {std::pair{24, 40}, std::pair{40, 24}}) {
        const std::vector<uint8_t> png = EncodePng(width, height, PNG_COLOR_TYPE_GRAY, 8, Gradient(width, height, 1));
        const std::vector<uint8_t> jpeg = EncodeJpeg(width, height, 1, Uniform(width, height, {90}));
        for (const auto* file : {&png, &jpeg}) {
            SetLargestPictureSide(39);
            EXPECT_FALSE(LoadBytes(*file)) << width << "x" << height;
            SetLargestPictureSide(40);
            EXPECT_TRUE(LoadBytes(*file)) << width << "x" << height;
            SetLargestPictureSide(16384);
        }
    }
}

TEST(LoadPixmap, RefusesDataOfNoKnownFormat)
{
    EXPECT_FALSE(LoadBytes({}));
    EXPECT_FALSE(LoadBytes({'h', 'e', 'l', 'l', 'o'}));
    std::vector<uint8_t> pngSignatureOnly = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    EXPECT_FALSE(LoadBytes(pngSignatureOnly));
    EXPECT_FALSE(LoadBytes({0xFF, 0xD8, 0xFF}));
}

// A stream that reads but cannot tell its position.
class TUnseekableStream : public TStream {
public:
    explicit TUnseekableStream(std::vector<uint8_t> bytes) : _bytes(std::move(bytes)) {}
    int32_t Read(void* buf, int32_t count) override
    {
        const int32_t n = std::min(count, static_cast<int32_t>(_bytes.size()) - _pos);
        std::copy_n(_bytes.begin() + _pos, n, static_cast<uint8_t*>(buf));
        _pos += n;
        return n;
    }

private:
    std::vector<uint8_t> _bytes;
    int32_t _pos = 0;
};

TEST(LoadPixmap, NeedsAStreamThatKnowsItsPosition)
{
    const std::vector<uint8_t> png = EncodePng(2, 2, PNG_COLOR_TYPE_GRAY, 8, {1, 2, 3, 4});
    EXPECT_FALSE(LoadPixmap(TUrl(TStreamPtr(std::make_shared<TUnseekableStream>(png)))));
}

// A loader of a tiny private format: "KRLX", width, height, then grey bytes.
TPixmapPtr LoadKrlx(TStream& stream)
{
    char magic[4];
    stream.ReadBytes(magic, 4);  // throws on a short file: the chain must take that as a refusal
    if (std::string(magic, 4) != "KRLX") return nullptr;
    const int32_t width = stream.ReadByte();
    const int32_t height = stream.ReadByte();
    TPixmapPtr pixmap = TPixmap::Create(width, height, PIXFMT_I8);
    for (int32_t y = 0; y < height; ++y) stream.ReadBytes(pixmap->PixelPtr(0, y), width);
    return pixmap;
}

TEST(LoadPixmap, NewestLoaderFirstAndEachStartsAtTheSamePosition)
{
    RegisterPixmapLoader(LoadKrlx);
    TPixmapPtr own = LoadBytes({'K', 'R', 'L', 'X', 2, 1, 7, 9});
    ASSERT_TRUE(own);
    EXPECT_EQ(Bytes(*own), (std::vector<uint8_t>{7, 9}));
    // Too short for the new loader's first read: refused by it, and by every other loader.
    EXPECT_FALSE(LoadBytes({'K', 'R'}));
    // A picture that starts five bytes into a stream: the new loader reads and refuses it, the
    // PNG loader must still start at the fifth byte.
    std::vector<uint8_t> bytes = {'j', 'u', 'n', 'k', '!'};
    const std::vector<uint8_t> png = EncodePng(2, 1, PNG_COLOR_TYPE_GRAY, 8, {33, 44});
    bytes.insert(bytes.end(), png.begin(), png.end());
    TStreamPtr stream = OpenBankStream(BankOf(bytes));
    stream->Seek(5);
    TPixmapPtr pixmap = LoadPixmap(TUrl(stream));
    ASSERT_TRUE(pixmap);
    EXPECT_EQ(Bytes(*pixmap), (std::vector<uint8_t>{33, 44}));
}

}  // namespace
