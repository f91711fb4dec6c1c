// The picture generator's building blocks: compositing, blurs, noise, lettering, the encoders read back
// through our own loaders, atomic writes and the job runner.
#include "framework/graphics/Pixmap.h"
#include "tools/assetgen/images/Art.h"
#include "tools/assetgen/images/Canvas.h"
#include "tools/assetgen/images/Catalogue.h"
#include "tools/assetgen/images/Encode.h"
#include "tools/assetgen/images/Noise.h"
#include "tools/assetgen/images/Shapes.h"
#include "tools/assetgen/images/Text.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

using namespace art;
namespace fs = std::filesystem;

fs::path TempDir(const std::string& name)
{
    const fs::path dir = fs::temp_directory_path() / ("krellix-painter-" + name + "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

TEST(Canvas, SourceOverFollowsThePremultipliedRule)
{
    Canvas c(1, 1);
    c.Fill({0.0f, 0.0f, 1.0f, 1.0f});
    c.Blend(0, 0, {1.0f, 0.0f, 0.0f, 0.5f});
    const Color got = c.Get(0, 0);
    EXPECT_FLOAT_EQ(got.r, 0.5f);
    EXPECT_FLOAT_EQ(got.b, 0.5f);
    EXPECT_FLOAT_EQ(got.a, 1.0f);
    // Over a transparent pixel the colour is kept and only the cover is partial.
    Canvas t(1, 1);
    t.Blend(0, 0, {0.2f, 0.4f, 0.6f, 1.0f}, 0.25f);
    EXPECT_NEAR(t.Get(0, 0).g, 0.4f, 1e-6);
    EXPECT_NEAR(t.Get(0, 0).a, 0.25f, 1e-6);
}

TEST(Canvas, OverPlacesTheSourceAndClipsAtTheEdges)
{
    Canvas dst(4, 4), src(2, 2);
    src.Fill({1, 1, 1, 1});
    dst.Over(src, 3, -1);
    EXPECT_FLOAT_EQ(dst.At(3, 0).a, 1.0f);
    EXPECT_FLOAT_EQ(dst.At(2, 0).a, 0.0f);
    EXPECT_FLOAT_EQ(dst.At(3, 1).a, 0.0f);
    const Canvas crop = dst.Crop(2, 0, 3, 2);
    EXPECT_EQ(crop.Width(), 3);
    EXPECT_FLOAT_EQ(crop.At(1, 0).a, 1.0f);
    EXPECT_FLOAT_EQ(crop.At(2, 0).a, 0.0f);  // outside the source canvas
}

TEST(Canvas, LightOnTransparencyBecomesAsOpaqueAsItIsBright)
{
    Canvas c(2, 1);
    c.AddLight(0, 0, {0, 0, 0, 1}, 1.0f);
    EXPECT_FLOAT_EQ(c.At(0, 0).a, 0.0f);
    c.AddLight(1, 0, {1.0f, 0.5f, 0.0f, 1}, 0.5f);
    EXPECT_FLOAT_EQ(c.At(1, 0).a, 0.5f);
    EXPECT_FLOAT_EQ(c.At(1, 0).r, 0.5f);
}

TEST(Canvas, BlurSpreadsButKeepsTheAmountOfInk)
{
    Canvas c(41, 41);
    c.Blend(20, 20, {1, 1, 1, 1});
    const Canvas b = Blurred(c, 2);
    double total = 0;
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 41; ++x) total += b.At(x, y).a;
    EXPECT_NEAR(total, 1.0, 1e-4);
    EXPECT_LT(b.At(20, 20).a, 0.2f);
    EXPECT_GT(b.At(22, 20).a, 0.0f);
    EXPECT_NEAR(b.At(28, 20).a, 0.0f, 1e-6);  // three passes of radius 2 reach 6 pixels
    EXPECT_NEAR(b.At(18, 20).a, b.At(22, 20).a, 1e-6);

    Field f(9, 1, 0.0f);
    f.At(8, 0) = 1.0f;
    const Field fb = Blurred(f, 1);
    EXPECT_GT(fb.At(8, 0), fb.At(6, 0));
    EXPECT_FLOAT_EQ(Blurred(Field(5, 5, 0.7f), 2).At(0, 0), 0.7f);  // edges clamp: a flat field stays flat
}

TEST(Canvas, EightBitOutputUnpremultipliesAndBleedsColourIntoClearPixels)
{
    Canvas c(4, 1);
    c.Blend(0, 0, {1.0f, 0.5f, 0.0f, 1.0f});
    c.Blend(1, 0, {0.2f, 0.4f, 0.6f, 0.5f});
    const std::vector<uint8_t> px = ToRgba8(c);
    ASSERT_EQ(px.size(), 16u);
    EXPECT_EQ(px[0], 255);
    EXPECT_EQ(px[1], 128);
    EXPECT_EQ(px[3], 255);
    EXPECT_EQ(px[4], 51);
    EXPECT_EQ(px[5], 102);
    EXPECT_EQ(px[6], 153);
    EXPECT_EQ(px[7], 128);
    // The clear pixels stay clear but take the colour next to them, so filtering shows no dark fringe.
    EXPECT_EQ(px[11], 0);
    EXPECT_EQ(px[8], 51);
    EXPECT_EQ(px[15], 0);
    EXPECT_EQ(px[14], 153);
    const std::vector<uint8_t> rgb = ToRgb8(c);
    EXPECT_EQ(rgb[3], 26);  // composed over black
}

TEST(Shapes, DistancesAndCoverageAgreeOnInsideAndOutside)
{
    EXPECT_LT(SdBox(0, 0, 10, 5, 2), 0.0f);
    EXPECT_NEAR(SdBox(12, 0, 10, 5, 2), 2.0f, 1e-5);
    EXPECT_NEAR(SdCircle(3, 4, 5), 0.0f, 1e-5);
    EXPECT_NEAR(SdSegment(5, 3, 0, 0, 10, 0), 3.0f, 1e-5);
    EXPECT_NEAR(SdSegment(-3, 4, 0, 0, 10, 0), 5.0f, 1e-5);
    EXPECT_NEAR(SdEllipse(10, 0, 10, 4), 0.0f, 1e-4);
    EXPECT_LT(SdEllipse(0, 3.9f, 10, 4), 0.0f);
    EXPECT_GT(SdEllipse(0, 4.5f, 10, 4), 0.0f);
    EXPECT_NEAR(SdPolygon(0, -8.660254f, 6, 10), 0.0f, 1e-4);  // an edge faces up
    EXPECT_NEAR(SdPolygon(8.660254f, 0, 6, 10, 0.25f), 0.0f, 1e-4);
    EXPECT_LT(SdPolygon(0, 0, 6, 10), -8.0f);
    EXPECT_FLOAT_EQ(Coverage(0.0f), 0.5f);
    EXPECT_FLOAT_EQ(Coverage(-2.0f), 1.0f);
    EXPECT_FLOAT_EQ(Coverage(2.0f), 0.0f);
    // Surfaces facing the upper-left light are brighter than those facing away.
    EXPECT_GT(Diffuse(Normalized({-0.5f, -0.5f, 1})), Diffuse(Normalized({0.5f, 0.5f, 1})));
}

TEST(Noise, IsRepeatableBoundedAndSeedDependent)
{
    Rng a(42), b(42), c(43);
    bool differs = false;
    for (int i = 0; i < 100; ++i) {
        const uint64_t va = a.Next();
        EXPECT_EQ(va, b.Next());
        differs = differs || va != c.Next();
    }
    EXPECT_TRUE(differs);
    Rng r(7);
    bool lo = false, hi = false;
    for (int i = 0; i < 1000; ++i) {
        const int v = r.Int(-2, 2);
        ASSERT_GE(v, -2);
        ASSERT_LE(v, 2);
        lo = lo || v == -2;
        hi = hi || v == 2;
        const float u = r.Uniform();
        ASSERT_GE(u, 0.0f);
        ASSERT_LT(u, 1.0f);
    }
    EXPECT_TRUE(lo && hi);

    const Noise n1(5), n2(5), n3(6);
    float spread = 0;
    for (int i = 0; i < 400; ++i) {
        const float x = i * 0.37f, y = i * 0.21f;
        EXPECT_EQ(n1.Fbm(x, y, 5), n2.Fbm(x, y, 5));
        EXPECT_LE(std::fabs(n1.At(x, y)), 1.0f);
        EXPECT_LE(std::fabs(n1.At(x, y, x * 0.5f)), 1.1f);
        spread += std::fabs(n1.At(x, y) - n3.At(x, y));
    }
    EXPECT_GT(spread, 10.0f);
    // Gradient noise is zero on its lattice and smooth between.
    EXPECT_FLOAT_EQ(n1.At(3.0f, 4.0f), 0.0f);
    EXPECT_NEAR(n1.At(3.5f, 4.5f), n1.At(3.501f, 4.5f), 0.01f);

    const Cell cell = Cellular(2.3f, 5.7f, 9);
    EXPECT_LE(cell.f1, cell.f2);
    EXPECT_EQ(cell.id, Cellular(2.3f, 5.7f, 9).id);
}

TEST(Text, MeasuresAndRendersTheDisplayFace)
{
    const Font font(DefaultFonts().display, 40);
    EXPECT_EQ(font.Measure(""), 0);
    EXPECT_GT(font.Measure("WW"), font.Measure("W"));
    EXPECT_GT(font.Ascender(), 20);
    EXPECT_LT(font.Descender(), 0);
    const Field mask = font.RenderTight("KX", 3);
    EXPECT_EQ(mask.Width(), font.Measure("KX") + 8);
    double ink = 0;
    for (float v : mask.Values()) ink += v;
    EXPECT_GT(ink, 200.0);
    // The padding stays clear.
    for (int y = 0; y < mask.Height(); ++y) EXPECT_FLOAT_EQ(mask.At(0, y), 0.0f);

    Canvas c(100, 40);
    DrawText(c, font, "I", 50, 34, {1, 0, 0, 1}, Align::Centre);
    int left = 100, right = -1;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 100; ++x)
            if (c.At(x, y).a > 0.5f) left = std::min(left, x), right = std::max(right, x);
    EXPECT_NEAR((left + right) / 2.0, 50.0, 3.0);
    EXPECT_THROW(Font("/nonexistent/face.otf", 12), FontError);
}

TEST(Encode, PngReadsBackThroughOurLoaderPixelForPixel)
{
    Canvas c(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) c.Blend(x, y, {x / 4.0f, y / 2.0f, 0.5f, 1.0f}, (x + 1) / 5.0f);
    const fs::path dir = TempDir("png");
    const std::string path = (dir / "sub" / "t.png").string();
    WriteFileAtomically(path, EncodePng(c));
    const TPixmapPtr p = LoadPixmap(TUrl(path));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->format, PIXFMT_RGBA8888);
    const std::vector<uint8_t> want = ToRgba8(c);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const uint32_t v = p->ReadPixel(x, y);
            const size_t i = (static_cast<size_t>(y) * 5 + x) * 4;
            EXPECT_EQ((v >> 16) & 0xFF, want[i]);
            EXPECT_EQ((v >> 8) & 0xFF, want[i + 1]);
            EXPECT_EQ(v & 0xFF, want[i + 2]);
            EXPECT_EQ(v >> 24, want[i + 3]);
        }
    // A fully opaque picture is stored without an alpha channel.
    Canvas solid(2, 2);
    solid.Fill({0.1f, 0.2f, 0.3f, 1});
    WriteFileAtomically((dir / "o.png").string(), EncodePng(solid));
    const TPixmapPtr o = LoadPixmap(TUrl((dir / "o.png").string()));
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->format, PIXFMT_RGB888);
    EXPECT_EQ(EncodePng(c), EncodePng(c));
    fs::remove_all(dir);
}

TEST(Encode, JpegReadsBackThroughOurLoaderCloseToTheSource)
{
    Canvas c(64, 48);
    c.Paint([](int x, int y) { return Color{x / 63.0f, y / 47.0f, 0.3f, 1.0f}; });
    const fs::path dir = TempDir("jpeg");
    const std::string path = (dir / "t.jpg").string();
    WriteFileAtomically(path, EncodeJpeg(c, 90));
    const TPixmapPtr p = LoadPixmap(TUrl(path));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->format, PIXFMT_RGB888);
    EXPECT_EQ(p->width, 64);
    EXPECT_EQ(p->height, 48);
    const std::vector<uint8_t> want = ToRgb8(c);
    double err = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const uint32_t v = p->ReadPixel(x, y);
            const size_t i = (static_cast<size_t>(y) * 64 + x) * 3;
            err += std::abs(static_cast<int>((v >> 16) & 0xFF) - want[i]) +
                   std::abs(static_cast<int>((v >> 8) & 0xFF) - want[i + 1]) +
                   std::abs(static_cast<int>(v & 0xFF) - want[i + 2]);
        }
    EXPECT_LT(err / (64 * 48 * 3), 2.0);
    EXPECT_EQ(EncodeJpeg(c, 90), EncodeJpeg(c, 90));
    EXPECT_LT(EncodeJpeg(c, 60).size(), EncodeJpeg(c, 95).size());
    EXPECT_THROW(EncodeJpeg(std::vector<uint8_t>(10), 4, 4, 80), WriteError);
    fs::remove_all(dir);
}

TEST(Encode, AtomicWriteReplacesWholeFilesAndReportsFailures)
{
    const fs::path dir = TempDir("atomic");
    const std::string path = (dir / "a" / "b" / "f.bin").string();
    WriteFileAtomically(path, {1, 2, 3});
    WriteFileAtomically(path, {9});
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, std::vector<char>{9});
    EXPECT_FALSE(fs::exists(path + ".part"));
    // A folder that cannot be made: a file stands in its place.
    std::ofstream(dir / "blocker") << "x";
    EXPECT_THROW(WriteFileAtomically((dir / "blocker" / "f.png").string(), {1}), WriteError);
    fs::remove_all(dir);
}

TEST(Jobs, EveryJobRunsAndFailuresAreReportedByName)
{
    const fs::path dir = TempDir("jobs");
    std::atomic<int> ran{0};
    std::vector<ImageJob> jobs;
    for (int i = 0; i < 12; ++i)
        jobs.push_back({"job" + std::to_string(i), [&ran, i](const std::string& d) {
                            ++ran;
                            if (i % 5 == 3) throw WriteError("disk full");
                            WriteFileAtomically(d + "/f" + std::to_string(i), {static_cast<uint8_t>(i)});
                        }});
    const std::vector<std::string> errors = RunJobs(jobs, dir.string(), 3);
    EXPECT_EQ(ran.load(), 12);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0], "job3: disk full");
    EXPECT_EQ(errors[1], "job8: disk full");
    EXPECT_TRUE(fs::exists(dir / "f11"));
    EXPECT_FALSE(fs::exists(dir / "f8"));
    fs::remove_all(dir);
}

TEST(Jobs, TheCatalogueNamesEveryFileOnce)
{
    const std::vector<ImageJob> jobs = ImageJobs();
    std::vector<std::string> names;
    for (const ImageJob& j : jobs) names.push_back(j.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
    EXPECT_EQ(names.size(), 86u);
    EXPECT_EQ(jobs.front().name, "ZogExplosion.jpg");  // the longest job starts first
    EXPECT_NE(std::find(names.begin(), names.end(), "TopBorder.PNG"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "xitpipes_glow_leftt.png"), names.end());
}

TEST(Art, StripsLayCellsLeftToRightThenDown)
{
    std::vector<Canvas> cells;
    for (int i = 0; i < 5; ++i) {
        Canvas c(3, 2);
        c.Fill({i / 4.0f, 0, 0, 1});
        cells.push_back(c);
    }
    const Canvas s = Strip(cells, 2);
    EXPECT_EQ(s.Width(), 6);
    EXPECT_EQ(s.Height(), 6);
    EXPECT_FLOAT_EQ(s.At(3, 0).r, 0.25f);
    EXPECT_FLOAT_EQ(s.At(0, 2).r, 0.5f);
    EXPECT_FLOAT_EQ(s.At(0, 4).r, 1.0f);
    EXPECT_FLOAT_EQ(s.At(3, 4).a, 0.0f);  // the unused last cell stays clear
}

TEST(Art, BackgroundsAreKnownByTheirNumbersOnly)
{
    const std::vector<int> numbers = BackgroundNumbers();
    EXPECT_EQ(numbers.size(), 37u);
    EXPECT_EQ(std::count(numbers.begin(), numbers.end(), 33), 0);
    EXPECT_EQ(std::count(numbers.begin(), numbers.end(), 43), 1);
    EXPECT_THROW(Background(33), std::invalid_argument);
}

TEST(Art, CapsuleLettersAreDrawnInWhiteOnTheirColour)
{
    for (char letter : std::string("DCXLESP")) {
        const Canvas c = Capsule(letter);
        // The letter's strokes cross the middle row: some pixels there are near white.
        int white = 0;
        for (int x = 14; x < 34; ++x) {
            const Color p = c.Get(x, CapsuleH / 2);
            white += p.r > 0.9f && p.g > 0.9f && p.b > 0.9f;
        }
        EXPECT_GT(white, 1) << letter;
        const Color body = c.Get(4, CapsuleH / 2);
        const Color want = CapsuleColour(letter);
        EXPECT_GT(body.a, 0.9f) << letter;
        // The body is lit, so compare hues by the largest component.
        auto top = [](const Color& k) { return k.r >= k.g && k.r >= k.b ? 0 : (k.g >= k.b ? 1 : 2); };
        if (letter != 'P') {
            EXPECT_EQ(top(body), top(want)) << letter;
        }
    }
}

}  // namespace
