// Fonts on the CPU: the built-in font, FreeType faces, glyph pixels and text placement.
#include "TestSupport.h"

#include "fonts/EmbeddedFonts.h"
#include "framework/graphics/Draw2D.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/FreeTypeFont.h"
#include "framework/system/Embedded.h"
#include "framework/system/Stream.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

const char* const kSans = "incbin::fonts/arial.ttf";
const char* const kDisplay = "incbin::armorpiercing/ap.ttf";

class FontTest : public RecordingTest {
protected:
    void SetUp() override
    {
        RecordingTest::SetUp();
        RegisterEmbeddedFonts();
    }
};

// A bitmap font with one 16-pixel strike holding a space and an "L", in BDF text form.
std::string WriteBitmapFont()
{
    const std::string path = (std::filesystem::temp_directory_path() / "krellix_test_strike16.bdf").string();
    std::ofstream out(path);
    out << "STARTFONT 2.1\nFONT -krellix-test-medium-r-normal--16-160-75-75-c-80-iso10646-1\n"
           "SIZE 16 75 75\nFONTBOUNDINGBOX 8 16 0 -2\nSTARTPROPERTIES 3\nPIXEL_SIZE 16\nFONT_ASCENT 14\n"
           "FONT_DESCENT 2\nENDPROPERTIES\nCHARS 2\n"
           "STARTCHAR space\nENCODING 32\nSWIDTH 500 0\nDWIDTH 8 0\nBBX 0 0 0 0\nBITMAP\nENDCHAR\n"
           "STARTCHAR L\nENCODING 76\nSWIDTH 500 0\nDWIDTH 8 0\nBBX 4 3 1 0\nBITMAP\n80\n80\nF0\nENDCHAR\n"
           "ENDFONT\n";
    return path;
}

// Coverage as a plain-text grey map, the form the reference images are kept in.
std::string ToPgm(const TPixmap& alpha)
{
    std::ostringstream out;
    out << "P2\n" << alpha.width << " " << alpha.height << "\n255\n";
    for (int32_t y = 0; y < alpha.height; ++y) {
        for (int32_t x = 0; x < alpha.width; ++x) {
            out << (x ? " " : "") << static_cast<int>(alpha.ReadPixel(x, y) >> 24);
        }
        out << "\n";
    }
    return out.str();
}

}  // namespace

TEST_F(FontTest, BuiltinFontWidthsAndHeight)
{
    const std::pair<std::string, int32_t> cases[] = {
        {"", 0}, {"A", 8}, {"Hello", 40}, {"Loading...", 80}, {"\x01\x1f", 0}, {"\x7f\x80\xff", 8}, {"a\tb", 16}};
    for (const auto& [text, width] : cases) EXPECT_EQ(TextWidth(text), width) << text;
    EXPECT_EQ(TextHeight(""), 16);
    EXPECT_EQ(TextHeight("anything"), 16);
    EXPECT_EQ(GetImageFont()->Style(), 0);
    EXPECT_EQ(GetImageFont()->CountGlyphs(), 96);
}

TEST_F(FontTest, BuiltinGlyphsAreLegibleShapes)
{
    auto font = BuiltinImageFont();
    auto pixels = [&](char c) { return font->LoadGlyph(font->CharToGlyph(c))._image->Lock(0, true, false); };
    auto set = [&](char c, int x, int y) { return (pixels(c)->ReadPixel(x, y) >> 24) == 255; };
    // Every printable character but the space has pixels; the space has none.
    for (int c = 33; c < 127; ++c) {
        auto p = pixels(static_cast<char>(c));
        int count = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 8; ++x) count += (p->ReadPixel(x, y) >> 24) == 255;
        EXPECT_GT(count, 3) << static_cast<char>(c);
    }
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_FALSE(set(' ', x, y));
    // "L": a stroke on the left, a bar at the bottom, nothing at the top right.
    EXPECT_TRUE(set('L', 1, 4));
    EXPECT_FALSE(set('L', 6, 4));
    EXPECT_TRUE(set('L', 6, 13));
    // "_" lives in the lowest rows, "'" in the highest.
    EXPECT_FALSE(set('_', 3, 8));
    bool low = false;
    for (int x = 0; x < 8; ++x) low = low || set('_', x, 15) || set('_', x, 14);
    EXPECT_TRUE(low);
    // Glyph pixels are white; the rest transparent black.
    EXPECT_EQ(pixels('L')->ReadPixel(1, 4), 0xFFFFFFFFu);
    EXPECT_EQ(pixels('L')->ReadPixel(6, 4), 0x00000000u);
}

TEST_F(FontTest, BuiltinTextIsDrawnGlyphByGlyph)
{
    SetColor(10, 20, 30);
    DrawText("Ab c", 100, 50);
    const auto text = driver->OfKind(TDrawKind::Text);
    ASSERT_EQ(text.size(), 1u);
    EXPECT_EQ(text[0].text, "Ab c");
    EXPECT_EQ(text[0].x[0], 100);
    const auto glyphs = driver->OfKind(TDrawKind::TextGlyph);
    // The space has an image too in the built-in font: four glyphs, 8 pixels apart.
    ASSERT_EQ(glyphs.size(), 4u);
    for (size_t i = 0; i < glyphs.size(); ++i) {
        EXPECT_FLOAT_EQ(glyphs[i].x[0], 100 + 8.0f * i);
        EXPECT_FLOAT_EQ(glyphs[i].x[2], 108 + 8.0f * i);
        EXPECT_FLOAT_EQ(glyphs[i].y[0], 50);
        EXPECT_FLOAT_EQ(glyphs[i].y[2], 66);
        EXPECT_EQ(glyphs[i].text, "Ab c");
        EXPECT_EQ(glyphs[i].red, 10);
        EXPECT_EQ(glyphs[i].blue, 30);
    }
    // A character the font lacks is passed over, taking no room.
    driver->records.clear();
    DrawText("A\x01\x80"
             "b",
             100, 50);
    const auto passed = driver->OfKind(TDrawKind::TextGlyph);
    ASSERT_EQ(passed.size(), 2u);
    EXPECT_FLOAT_EQ(passed[1].x[0], 108);
}

TEST_F(FontTest, TextFollowsScaleRotationOriginAndTheGlobalHandle)
{
    struct Case {
        float rot, scale, hx, hy;
        float x0, y0;  // first glyph's top-left
        float x1, y1;  // second glyph's top-left
    };
    const Case cases[] = {
        {0, 2, 0, 0, 10, 20, 26, 20},
        // Rotated a quarter turn clockwise the pen walks down the screen.
        {90, 1, 0, 0, 10, 20, 10, 28},
        // The handle is in the text's own axes: rotated with it.
        {90, 1, 4, 2, 12, 16, 12, 24},
        {0, 1, 4, 2, 6, 18, 14, 18},
    };
    for (const auto& c : cases) {
        driver->records.clear();
        SetRotationAndScale(c.rot, c.scale, c.scale);
        SetHandle(c.hx, c.hy);
        DrawText("AB", 10, 20);
        const auto glyphs = driver->OfKind(TDrawKind::TextGlyph);
        ASSERT_EQ(glyphs.size(), 2u);
        EXPECT_NEAR(glyphs[0].x[0], c.x0, 1e-4) << c.rot << " " << c.hx;
        EXPECT_NEAR(glyphs[0].y[0], c.y0, 1e-4) << c.rot << " " << c.hx;
        EXPECT_NEAR(glyphs[1].x[0], c.x1, 1e-4) << c.rot << " " << c.hx;
        EXPECT_NEAR(glyphs[1].y[0], c.y1, 1e-4) << c.rot << " " << c.hx;
    }
    // Widths ignore scale and rotation.
    EXPECT_EQ(TextWidth("AB"), 16);
    SetRotationAndScale(0, 1, 1);
    SetHandle(0, 0);
    SetOrigin(5, 5);
    driver->records.clear();
    DrawText("A", 0, 0);
    EXPECT_FLOAT_EQ(driver->OfKind(TDrawKind::TextGlyph)[0].x[0], 5);
}

TEST_F(FontTest, SelectingNoFontReturnsToTheBuiltinOne)
{
    auto sans = LoadImageFont(kSans, 9, FONT_SMOOTH);
    ASSERT_TRUE(sans);
    SetImageFont(sans);
    EXPECT_EQ(GetImageFont(), sans);
    EXPECT_NE(TextHeight(""), 16);
    SetImageFont(nullptr);
    EXPECT_EQ(GetImageFont(), BuiltinImageFont());
    EXPECT_EQ(TextHeight(""), 16);
}

TEST_F(FontTest, EmbeddedFacesLoadAtTheGameSizes)
{
    for (const auto& [url, size] : {std::pair{kDisplay, 42}, std::pair{kSans, 9}}) {
        auto font = LoadImageFont(url, size, FONT_SMOOTH);
        ASSERT_TRUE(font) << url;
        EXPECT_EQ(font->Style(), FONT_SMOOTH);
        EXPECT_GE(font->Height(), size * 3 / 4) << url;
        EXPECT_LE(font->Height(), size * 3 / 2) << url;
        SetImageFont(font);
        EXPECT_GT(TextWidth("Loading..."), 0);
        // Characters the face lacks are skipped, without width.
        EXPECT_EQ(TextWidth("A\x01\x02"), TextWidth("A"));
        EXPECT_EQ(TextWidth(""), 0);
        EXPECT_EQ(TextHeight(""), TextHeight("Wide text"));
    }
}

TEST_F(FontTest, TextWidthAddsWholeAdvances)
{
    // Each font answers with its own glyphs, also when the fonts take turns.
    const std::string text = "Krellix 1024";
    for (const int32_t size : {9, 42, 9, 42}) {
        auto source = TFreeTypeFont::Load(kSans, size, FONT_SMOOTH);
        ASSERT_TRUE(source);
        SetImageFont(LoadImageFont(kSans, size, FONT_SMOOTH));
        int32_t sum = 0;
        for (char c : text) sum += static_cast<int32_t>(source->LoadGlyph(source->CharToGlyph(c))->Advance());
        EXPECT_EQ(TextWidth(text), sum) << size;
        EXPECT_EQ(TextWidth(text), sum) << size;
        EXPECT_GT(sum, 3 * size) << size;
    }
}

TEST_F(FontTest, SmoothGlyphsArePaddedByOnePixelAllRound)
{
    auto plain = TFreeTypeFont::Load(kDisplay, 42, 0);
    auto smooth = TFreeTypeFont::Load(kDisplay, 42, FONT_SMOOTH);
    ASSERT_TRUE(plain && smooth);
    for (char c : std::string("Kg.W")) {
        auto a = plain->LoadGlyph(plain->CharToGlyph(c));
        auto b = smooth->LoadGlyph(smooth->CharToGlyph(c));
        int32_t ax, ay, aw, ah, bx, by, bw, bh;
        a->GetRect(ax, ay, aw, ah);
        b->GetRect(bx, by, bw, bh);
        EXPECT_EQ(bx, ax - 1) << c;
        EXPECT_EQ(by, ay - 1) << c;
        EXPECT_EQ(bw, aw + 2) << c;
        EXPECT_EQ(bh, ah + 2) << c;
        auto pa = a->Pixels();
        auto pb = b->Pixels();
        ASSERT_TRUE(pa && pb);
        EXPECT_EQ(pb->format, PIXFMT_A8);
        EXPECT_EQ(pb->width, bw);
        for (int32_t y = 0; y < bh; ++y) {
            for (int32_t x = 0; x < bw; ++x) {
                const uint32_t inner =
                    (x == 0 || y == 0 || x == bw - 1 || y == bh - 1) ? 0 : pa->ReadPixel(x - 1, y - 1);
                ASSERT_EQ(pb->ReadPixel(x, y) >> 24, inner >> 24) << c << " " << x << "," << y;
            }
        }
    }
    // A space has an advance but no pixels.
    auto space = smooth->LoadGlyph(smooth->CharToGlyph(' '));
    EXPECT_EQ(space->Pixels(), nullptr);
    EXPECT_GT(space->Advance(), 0);
}

TEST_F(FontTest, GlyphImagesAreMadeOnceWithTheFontsImageFlags)
{
    auto smooth = LoadImageFont(kSans, 9, FONT_SMOOTH);
    auto plain = LoadImageFont(kSans, 9, 0);
    const int32_t index = smooth->CharToGlyph('e');
    ASSERT_GE(index, 0);
    const TImageGlyph& g = smooth->LoadGlyph(index);
    ASSERT_TRUE(g._image);
    EXPECT_EQ(&smooth->LoadGlyph(index), &g);
    EXPECT_EQ(g._image->flags, IMG_FILTERED | IMG_MIPMAPPED);
    EXPECT_EQ(plain->LoadGlyph(index)._image->flags, 0);
    EXPECT_EQ(g._image->width, g._w);
    EXPECT_EQ(g._image->handle_x, 0);
    // Out of range indices give an empty glyph.
    EXPECT_FALSE(smooth->LoadGlyph(-1)._image);
    EXPECT_FALSE(smooth->LoadGlyph(smooth->CountGlyphs())._image);
}

TEST_F(FontTest, FreeTypeGlyphsArePlacedFromThePenAndAscender)
{
    auto font = LoadImageFont(kSans, 9, FONT_SMOOTH);
    SetImageFont(font);
    DrawText("T.", 40, 30);
    const auto glyphs = driver->OfKind(TDrawKind::TextGlyph);
    ASSERT_EQ(glyphs.size(), 2u);
    const TImageGlyph& t = font->LoadGlyph(font->CharToGlyph('T'));
    const TImageGlyph& dot = font->LoadGlyph(font->CharToGlyph('.'));
    EXPECT_FLOAT_EQ(glyphs[0].x[0], 40.0f + t._x);
    EXPECT_FLOAT_EQ(glyphs[0].y[0], 30.0f + t._y);
    EXPECT_FLOAT_EQ(glyphs[0].x[2], 40.0f + t._x + t._w);
    EXPECT_FLOAT_EQ(glyphs[1].x[0], 40.0f + t._advance + dot._x);
    // The dot sits lower in the line than the top of the "T".
    EXPECT_GT(glyphs[1].y[0], glyphs[0].y[0]);
}

TEST_F(FontTest, UnopenableFontsGiveNullOrRaise)
{
    EXPECT_EQ(LoadImageFont("/no/such/font.ttf", 12, 0), nullptr);
    EXPECT_EQ(LoadImageFont("", 12, 0), nullptr);
    EXPECT_EQ(LoadImageFont(kSans, 0, 0), nullptr);
    EXPECT_THROW(LoadImageFont("incbin::no/such.ttf", 12, 0), TStreamReadException);
    static const uint8_t nothing[1] = {0};
    RegisterEmbeddedFile("test/empty.ttf", nothing, 0);
    EXPECT_EQ(LoadImageFont("incbin::test/empty.ttf", 12, 0), nullptr);
    static const uint8_t junk[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    RegisterEmbeddedFile("test/junk.ttf", junk, sizeof junk);
    EXPECT_EQ(LoadImageFont("incbin::test/junk.ttf", 12, 0), nullptr);
}

TEST_F(FontTest, ABitmapFaceFallsBackToTheNearestSmallerSize)
{
    const std::string path = WriteBitmapFont();
    auto font = TFreeTypeFont::Load(path, 20, 0);
    ASSERT_TRUE(font);
    EXPECT_EQ(font->PixelSize(), 16);
    EXPECT_EQ(font->Height(), 16);
    EXPECT_EQ(font->Ascend(), 14);
    // No strike at or below 12 pixels.
    EXPECT_EQ(TFreeTypeFont::Load(path, 12, 0), nullptr);
    // One-bit glyphs become full coverage or none.
    auto l = font->LoadGlyph(font->CharToGlyph('L'));
    ASSERT_TRUE(l && l->Pixels());
    int32_t x, y, w, h;
    l->GetRect(x, y, w, h);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 14 - 3);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 3);
    EXPECT_EQ(l->Advance(), 8);
    const char* rows[] = {"#...", "#...", "####"};
    for (int32_t r = 0; r < 3; ++r)
        for (int32_t c = 0; c < 4; ++c)
            EXPECT_EQ(l->Pixels()->ReadPixel(c, r) >> 24, rows[r][c] == '#' ? 255u : 0u) << r << "," << c;
    EXPECT_EQ(font->CharToGlyph('Q'), -1);
    std::filesystem::remove(path);
}

// Glyph coverage compared with reference images kept beside the tests; run with
// KRELLIX_UPDATE_REFERENCES=1 to rewrite them after a deliberate change.
TEST_F(FontTest, GlyphCoverageMatchesTheReferenceImages)
{
    const bool update = std::getenv("KRELLIX_UPDATE_REFERENCES") != nullptr;
    struct Case {
        const char* url;
        int32_t size;
        char c;
        const char* file;
    };
    const Case cases[] = {{kDisplay, 42, 'K', "display42_K.pgm"},
                          {kDisplay, 42, 'g', "display42_g.pgm"},
                          {kSans, 9, 'a', "sans9_a.pgm"},
                          {kSans, 9, 'W', "sans9_W.pgm"}};
    for (const auto& c : cases) {
        auto font = TFreeTypeFont::Load(c.url, c.size, FONT_SMOOTH);
        ASSERT_TRUE(font);
        auto pixels = font->LoadGlyph(font->CharToGlyph(c.c))->Pixels();
        ASSERT_TRUE(pixels);
        const std::string actual = ToPgm(*pixels);
        const std::filesystem::path path = std::filesystem::path(KRELLIX_TEST_DIR) / "reference" / c.file;
        if (update) {
            std::filesystem::create_directories(path.parent_path());
            std::ofstream(path) << actual;
            continue;
        }
        std::ifstream in(path);
        ASSERT_TRUE(in) << "missing " << path << " (KRELLIX_UPDATE_REFERENCES=1 writes it)";
        std::stringstream expected;
        expected << in.rdbuf();
        EXPECT_EQ(actual, expected.str()) << c.file;
    }
}
