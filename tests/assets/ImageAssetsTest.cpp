// The generated pictures against the catalogue the game loads: every file decodes through our loaders
// with its geometry, the play-field layout works out, and the art has the properties play relies on.
#include "framework/graphics/Image.h"
#include "framework/graphics/Pixmap.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string Images = std::string(KRELLIX_DATA_DIR) + "/images/";

// Every picture the game loads, with the geometry chosen for it: a single image of w x h, or a strip of
// `frames` cells of w x h. Flags 2 for the three aliens, automatic for the rest.
struct Entry {
    const char* file;
    int w, h, frames;
    int flags = -1;
};

const std::vector<Entry>& Catalogue()
{
    static const std::vector<Entry> entries = {
        {"Quillonlogo.png", 600, 200, 1},
        {"bkgnd_50.jpg", 704, 736, 1},
        {"page_menu.png", 640, 672, 1},
        {"bkgnd_49.jpg", 704, 736, 1},
        {"page_hiscore.png", 640, 704, 1},
        {"bkgnd_47.jpg", 704, 736, 1},
        {"page_instructions.png", 656, 688, 1},
        {"bkgnd_48.jpg", 704, 736, 1},
        {"GuruAnim.png", 642, 79, 2},
        {"logo_sidebar.png", 224, 96, 1},
        {"logo_krellix.png", 600, 160, 1},
        {"Pad.png", 96, 18, 1},
        {"PadShadow.png", 96, 18, 1},
        {"PadLazerAnim.png", 96, 32, 10},
        {"AlienBrown.png", 40, 40, 1, 2},
        {"AlienRed.png", 40, 40, 1, 2},
        {"AlienBlack.png", 40, 40, 1, 2},
        {"AlienShadow.png", 40, 40, 1},
        {"Zog/ZOGlien_Big.png", 40, 40, 1},
        {"Zog/ZOGlien_Small.png", 28, 28, 1},
        {"ZogExplosion.jpg", 512, 512, 200},
        {"AlienExplosion.png", 64, 64, 64},
        {"Ball2.png", 18, 18, 1},
        {"BallShadow.png", 18, 18, 1},
        {"Dot.png", 2, 2, 1},
        {"RightBorder.png", 32, 768, 1},
        {"LeftBorder.png", 32, 768, 1},
        {"TopBorder.PNG", 704, 32, 1},
        {"InfoField.png", 256, 768, 1},
        {"BlockWhite.png", 60, 25, 1},
        {"BlockRed.png", 60, 25, 1},
        {"BlockYellow.png", 60, 25, 1},
        {"BlockLightBlue.png", 60, 25, 1},
        {"BlockPink.png", 60, 25, 1},
        {"BlockGreen.png", 60, 25, 1},
        {"BlockBlue.png", 60, 25, 1},
        {"BlockSemiSolidAnim.png", 60, 25, 10},
        {"BlockSolidAnim.png", 60, 25, 10},
        {"Zog/ZogAnim.png", 184, 368, 12},
        {"BigBoss_Shadow.png", 184, 368, 1},
        {"BlockShadow.png", 60, 25, 1},
        {"xitpipes_innerpane.png", 704, 736, 1},
        {"xitpipes_glow_leftt.png", 40, 72, 1},
        {"xitpipes_glow_right.png", 40, 72, 1},
        {"bkgnd_08.jpg", 704, 736, 1},
        {"bkgnd_09.jpg", 704, 736, 1},
        {"bkgnd_10.jpg", 704, 736, 1},
        {"bkgnd_11.jpg", 704, 736, 1},
        {"bkgnd_12.jpg", 704, 736, 1},
        {"bkgnd_13.jpg", 704, 736, 1},
        {"bkgnd_14.jpg", 704, 736, 1},
        {"bkgnd_15.jpg", 704, 736, 1},
        {"bkgnd_16.jpg", 704, 736, 1},
        {"bkgnd_17.jpg", 704, 736, 1},
        {"bkgnd_18.jpg", 704, 736, 1},
        {"bkgnd_19.jpg", 704, 736, 1},
        {"bkgnd_20.jpg", 704, 736, 1},
        {"bkgnd_21.jpg", 704, 736, 1},
        {"bkgnd_22.jpg", 704, 736, 1},
        {"bkgnd_23.jpg", 704, 736, 1},
        {"bkgnd_24.jpg", 704, 736, 1},
        {"bkgnd_25.jpg", 704, 736, 1},
        {"bkgnd_26.jpg", 704, 736, 1},
        {"bkgnd_27.jpg", 704, 736, 1},
        {"bkgnd_28.jpg", 704, 736, 1},
        {"bkgnd_29.jpg", 704, 736, 1},
        {"bkgnd_30.jpg", 704, 736, 1},
        {"bkgnd_31.jpg", 704, 736, 1},
        {"bkgnd_32.jpg", 704, 736, 1},
        {"bkgnd_34.jpg", 704, 736, 1},
        {"bkgnd_35.jpg", 704, 736, 1},
        {"bkgnd_36.jpg", 704, 736, 1},
        {"bkgnd_37.jpg", 704, 736, 1},
        {"bkgnd_38.jpg", 704, 736, 1},
        {"bkgnd_39.jpg", 704, 736, 1},
        {"bkgnd_42.jpg", 704, 736, 1},
        {"bkgnd_43.jpg", 704, 736, 1},
        {"BonusD.png", 48, 24, 1},
        {"BonusC.png", 48, 24, 1},
        {"BonusE.png", 48, 24, 1},
        {"BonusS.png", 48, 24, 1},
        {"BonusL.png", 48, 24, 1},
        {"BonusP.png", 48, 24, 1},
        {"BonusX.png", 48, 24, 1},
        {"BonusShadow.png", 48, 24, 1},
        {"Lazer.png", 8, 24, 1},
    };
    return entries;
}

const Entry& Find(const std::string& file)
{
    for (const Entry& e : Catalogue())
        if (file == e.file) return e;
    throw std::runtime_error("not in the catalogue: " + file);
}

// Loads a catalogue picture the way the game does (automatic flags 6, centred handles), once per run.
TImagePtr Load(const std::string& file)
{
    static std::map<std::string, TImagePtr> cache;
    auto it = cache.find(file);
    if (it != cache.end()) return it->second;
    SetAutoImageFlags(6);
    SetAutoMidHandle(true);
    const Entry& e = Find(file);
    TImagePtr image = e.frames == 1 ? LoadImage(TUrl(Images + e.file), e.flags)
                                    : LoadAnimImage(TUrl(Images + e.file), e.w, e.h, 0, e.frames, e.flags);
    cache[file] = image;
    return image;
}

struct Rgba {
    int r, g, b, a;
};

Rgba Pixel(const TImagePtr& image, int frame, int x, int y)
{
    const uint32_t v = image->pixmaps[static_cast<size_t>(frame)]->ReadPixel(x, y);
    return {static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>(v & 0xFF),
            static_cast<int>(v >> 24)};
}

double Luma(const Rgba& p) { return 0.299 * p.r + 0.587 * p.g + 0.114 * p.b; }

// Mean colour of the opaque pixels of a frame.
Rgba MeanOpaque(const TImagePtr& image, int frame)
{
    long r = 0, g = 0, b = 0, n = 0;
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x) {
            const Rgba p = Pixel(image, frame, x, y);
            if (p.a < 128) continue;
            r += p.r, g += p.g, b += p.b, ++n;
        }
    if (n == 0) return {0, 0, 0, 0};
    return {static_cast<int>(r / n), static_cast<int>(g / n), static_cast<int>(b / n), 255};
}

// Mean absolute difference of two equally sized frames over colour and alpha.
double FrameDifference(const TImagePtr& a, int fa, const TImagePtr& b, int fb)
{
    double sum = 0;
    for (int y = 0; y < a->height; ++y)
        for (int x = 0; x < a->width; ++x) {
            const Rgba p = Pixel(a, fa, x, y), q = Pixel(b, fb, x, y);
            sum += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b) + std::abs(p.a - q.a);
        }
    return sum / (4.0 * a->width * a->height);
}

int OpaqueCount(const TImagePtr& image, int frame)
{
    int n = 0;
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x) n += Pixel(image, frame, x, y).a >= 128;
    return n;
}

std::vector<uint8_t> ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// ---- The catalogue

TEST(ImageCatalogue, EveryFileDecodesThroughOurLoadersWithItsGeometry)
{
    for (const Entry& e : Catalogue()) {
        SCOPED_TRACE(e.file);
        ASSERT_TRUE(fs::is_regular_file(Images + e.file));
        const TPixmapPtr pixmap = LoadPixmap(TUrl(Images + e.file));
        ASSERT_NE(pixmap, nullptr);
        const TImagePtr image = Load(e.file);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->width, e.w);
        EXPECT_EQ(image->height, e.h);
        EXPECT_EQ(image->FrameCount(), e.frames);
        EXPECT_FLOAT_EQ(image->handle_x, e.w * 0.5f);
        EXPECT_FLOAT_EQ(image->handle_y, e.h * 0.5f);
        // Strips hold exactly their cells: no leftover rows or columns that would hint at a wrong cell size.
        EXPECT_EQ(pixmap->width % e.w, 0);
        EXPECT_EQ(pixmap->height % e.h, 0);
        EXPECT_EQ((pixmap->width / e.w) * (pixmap->height / e.h) >= e.frames, true);
        EXPECT_LT((pixmap->width / e.w) * (pixmap->height / e.h), e.frames + pixmap->width / e.w);
    }
}

TEST(ImageCatalogue, FormatsFollowTheFileNames)
{
    const uint8_t png[4] = {0x89, 'P', 'N', 'G'};
    for (const Entry& e : Catalogue()) {
        SCOPED_TRACE(e.file);
        const std::vector<uint8_t> bytes = ReadBytes(Images + e.file);
        ASSERT_GT(bytes.size(), 8u);
        const std::string name = e.file;
        const std::string ext = name.substr(name.rfind('.'));
        if (ext == ".jpg") {
            EXPECT_EQ(bytes[0], 0xFF);
            EXPECT_EQ(bytes[1], 0xD8);
        } else {
            EXPECT_TRUE(std::equal(png, png + 4, bytes.begin()));
            // No time stamp chunk: the same picture gives the same bytes on every build.
            const std::string text(bytes.begin(), bytes.end());
            EXPECT_EQ(text.find("tIME"), std::string::npos);
        }
    }
    // Looked up exactly so on a case-sensitive file system.
    EXPECT_TRUE(fs::is_regular_file(Images + "TopBorder.PNG"));
    EXPECT_FALSE(fs::exists(Images + "TopBorder.png"));
}

TEST(ImageCatalogue, NothingElseIsWrittenIntoTheImagesFolder)
{
    std::vector<std::string> unexpected;
    for (const auto& item : fs::recursive_directory_iterator(Images)) {
        if (!item.is_regular_file()) continue;
        const std::string rel = fs::relative(item.path(), Images).generic_string();
        bool known = false;
        for (const Entry& e : Catalogue()) known = known || rel == e.file;
        if (!known) unexpected.push_back(rel);
    }
    EXPECT_TRUE(unexpected.empty()) << unexpected.front();
}

// ---- The play field

TEST(ImageLayout, BordersAndPanelFillTheScreenAroundTheField)
{
    const TImagePtr left = Load("LeftBorder.png"), top = Load("TopBorder.PNG"), right = Load("RightBorder.png"),
                    info = Load("InfoField.png");
    ASSERT_TRUE(left && top && right && info);
    EXPECT_EQ(left->width + top->width + right->width + info->width, 1024);
    for (const TImagePtr& tall : {left, right, info}) EXPECT_EQ(tall->height, 768);
    // The field runs from x 32 to 736 below y 32.
    EXPECT_EQ(left->width, 32);
    EXPECT_EQ(left->width + top->width, 736);
    EXPECT_EQ(top->height, 32);
    // The borders are solid where the ball bounces.
    for (int y = 40; y < 768; y += 37) {
        EXPECT_EQ(Pixel(left, 0, left->width - 1, y).a, 255);
        EXPECT_EQ(Pixel(right, 0, 0, y).a, 255);
    }
}

TEST(ImageLayout, AliensDropThroughOpenHatchesInTheTopBorder)
{
    const TImagePtr top = Load("TopBorder.PNG");
    const TImagePtr alien = Load("AlienBrown.png");
    ASSERT_TRUE(top && alien);
    for (int hatch : {130, 630}) {
        SCOPED_TRACE(hatch);
        const int x = hatch - 32;
        // The opening is clear across an alien's width, and solid metal beside it.
        for (int dx = -alien->width / 2 + 4; dx <= alien->width / 2 - 4; dx += 4)
            EXPECT_LT(Pixel(top, 0, x + dx, top->height / 2).a, 128);
        EXPECT_EQ(Pixel(top, 0, x - 40, top->height / 2).a, 255);
        EXPECT_EQ(Pixel(top, 0, x + 40, top->height / 2).a, 255);
    }
}

TEST(ImageLayout, BackgroundsCoverTheFieldWhenDrawnAtTheirPlace)
{
    for (const Entry& e : Catalogue()) {
        const std::string name = e.file;
        if (name.rfind("bkgnd_", 0) != 0) continue;
        SCOPED_TRACE(name);
        const TImagePtr bg = Load(name);
        ASSERT_NE(bg, nullptr);
        EXPECT_LE(384 - bg->width / 2, 32);
        EXPECT_GE(384 + bg->width / 2, 736);
        EXPECT_LE(400 - bg->height / 2, 32);
        EXPECT_GE(400 + bg->height / 2, 768);
    }
    // The instruction and credit screens draw theirs at (384, top border + pane height / 2).
    const int y = Load("TopBorder.PNG")->height + Load("xitpipes_innerpane.png")->height / 2;
    for (const char* name : {"bkgnd_47.jpg", "bkgnd_48.jpg"}) {
        const TImagePtr bg = Load(name);
        EXPECT_LE(y - bg->height / 2, 32) << name;
        EXPECT_GE(y + bg->height / 2, 768) << name;
    }
}

TEST(ImageLayout, InnerPaneLeavesTheFieldOpenAndTheTopBorderUntouched)
{
    const TImagePtr pane = Load("xitpipes_innerpane.png");
    ASSERT_NE(pane, nullptr);
    // Drawn centred at (384, 392): rows above screen y 32 would paint over the top border.
    const int top = 392 - pane->height / 2;
    for (int y = 0; y < 32 - top; ++y)
        for (int x = 0; x < pane->width; ++x) ASSERT_EQ(Pixel(pane, 0, x, y).a, 0) << x << "," << y;
    // The middle of the field is clear so the background shows.
    int clear = 0, total = 0;
    for (int y = 100; y < pane->height - 60; y += 3)
        for (int x = 60; x < pane->width - 60; x += 3, ++total) clear += Pixel(pane, 0, x, y).a < 8;
    EXPECT_EQ(clear, total);
}

TEST(ImageLayout, PagesFitInsideTheExitPane)
{
    const TImagePtr pane = Load("xitpipes_innerpane.png");
    struct Page {
        const char* file;
        int cx, cy;
    };
    for (const Page& p : {Page{"page_menu.png", 384, 400}, Page{"page_hiscore.png", 384, 392},
                          Page{"page_instructions.png", 384, 400}}) {
        SCOPED_TRACE(p.file);
        const TImagePtr page = Load(p.file);
        ASSERT_NE(page, nullptr);
        EXPECT_GE(p.cx - page->width / 2, 384 - pane->width / 2);
        EXPECT_LE(p.cx + page->width / 2, 384 + pane->width / 2);
        // Inside the field's opening: below the top border and within the screen.
        EXPECT_GE(p.cy - page->height / 2, 32);
        EXPECT_LE(p.cy + page->height / 2, 392 + pane->height / 2);
    }
}

TEST(ImageLayout, MenuEntriesStartBelowTheGameLogo)
{
    const TImagePtr logo = Load("logo_krellix.png"), top = Load("TopBorder.PNG"), page = Load("page_menu.png");
    ASSERT_TRUE(logo && top && page);
    // The menu draws the logo centred at (384, 154) and the first 42-pixel title centred at
    // top border + logo height + 32, the eighth info line 66 * 7 + 58 below that sum.
    const int y0 = top->height + logo->height;
    int lowestInk = -1;
    for (int y = 0; y < logo->height; ++y)
        for (int x = 0; x < logo->width; ++x)
            if (Pixel(logo, 0, x, y).a >= 128) lowestInk = y;
    ASSERT_GE(lowestInk, 0);
    EXPECT_LT(154 - logo->height / 2 + lowestInk, y0 + 32 - 21);
    EXPECT_LE(y0 + 58 + 66 * 7 + 10, 400 + page->height / 2);
    EXPECT_LT(y0 + 58 + 66 * 7 + 10, 768);
}

TEST(ImageLayout, ExitGlowSitsOnTheRightWallAtThePaddlesHeight)
{
    const TImagePtr glow = Load("xitpipes_glow_right.png");
    ASSERT_NE(glow, nullptr);
    // Drawn centred at x = left border width + 724 - half its width, y = 704: the light's centre line
    // falls on the wall between the field and the right border, at x 736.
    const int left = 32 + 724 - glow->width / 2 - glow->width / 2;
    double sum = 0, weight = 0;
    for (int x = 0; x < glow->width; ++x) {
        const Rgba p = Pixel(glow, 0, x, glow->height / 2);
        sum += (left + x + 0.5) * p.a * Luma(p);
        weight += p.a * Luma(p);
    }
    ASSERT_GT(weight, 0.0);
    EXPECT_NEAR(sum / weight, 736.0, 1.5);
    EXPECT_GE(glow->height, 18 * 2);  // taller than the paddle it lets through
    EXPECT_EQ(Pixel(glow, 0, 0, 0).a, 0);
}

TEST(ImageLayout, SideLogoSitsInsideThePanel)
{
    const TImagePtr logo = Load("logo_sidebar.png"), info = Load("InfoField.png");
    ASSERT_TRUE(logo && info);
    // Centred over the panel at y = right border height / 12.
    const int cx = 1024 - info->width / 2, cy = 768 / 12;
    EXPECT_GE(cx - logo->width / 2, 1024 - info->width);
    EXPECT_LE(cx + logo->width / 2, 1024);
    EXPECT_GE(cy - logo->height / 2, 0);
    // Clear of the first side-panel text at y 200.
    EXPECT_LT(cy + logo->height / 2, 200);
}

// ---- Play objects

TEST(ImageObjects, MovingThingsHaveTransparentSurroundingsAndSolidBodies)
{
    for (const char* file : {"Ball2.png", "AlienBrown.png", "AlienRed.png", "AlienBlack.png", "Zog/ZOGlien_Big.png",
                             "Zog/ZOGlien_Small.png", "BonusD.png", "BonusC.png", "BonusX.png", "BonusL.png",
                             "BonusE.png", "BonusS.png", "BonusP.png", "Lazer.png"}) {
        SCOPED_TRACE(file);
        const TImagePtr image = Load(file);
        ASSERT_NE(image, nullptr);
        const int w = image->width, h = image->height;
        for (int x = 0; x < w; ++x) {
            EXPECT_LT(Pixel(image, 0, x, 0).a, 128);
            EXPECT_LT(Pixel(image, 0, x, h - 1).a, 128);
        }
        for (int y = 0; y < h; ++y) {
            EXPECT_LT(Pixel(image, 0, 0, y).a, 128);
            EXPECT_LT(Pixel(image, 0, w - 1, y).a, 128);
        }
        EXPECT_EQ(Pixel(image, 0, w / 2, h / 2).a, 255);
    }
}

TEST(ImageObjects, DotIsATinyOpaqueProbe)
{
    const TImagePtr dot = Load("Dot.png");
    ASSERT_NE(dot, nullptr);
    EXPECT_LE(dot->width * dot->height, 4);
    for (int y = 0; y < dot->height; ++y)
        for (int x = 0; x < dot->width; ++x) EXPECT_EQ(Pixel(dot, 0, x, y).a, 255);
}

TEST(ImageObjects, BallRestsOnThePaddle)
{
    const TImagePtr ball = Load("Ball2.png"), pad = Load("Pad.png");
    ASSERT_TRUE(ball && pad);
    EXPECT_EQ(pad->width, 96);
    // A resting ball's centre is at 704 - ball height; its lowest opaque row should meet the paddle's top.
    int ballBottom = 0, padTop = pad->height;
    for (int y = 0; y < ball->height; ++y)
        if (Pixel(ball, 0, ball->width / 2, y).a >= 128) ballBottom = y;
    for (int y = pad->height - 1; y >= 0; --y)
        if (Pixel(pad, 0, pad->width / 2, y).a >= 128) padTop = y;
    const int ballBottomScreen = 704 - ball->height - ball->height / 2 + ballBottom;
    const int padTopScreen = 704 - pad->height / 2 + padTop;
    EXPECT_NEAR(ballBottomScreen + 1, padTopScreen, 1);
    // The bounce window py - H/2 <= y < py is deeper than the fastest vertical step (3 x 2).
    EXPECT_GT(pad->height / 2, 6);
}

TEST(ImageObjects, SevenBrickColoursAreWhatTheirNamesSay)
{
    struct Expect {
        const char* file;
        bool (*ok)(const Rgba&);
    };
    const Expect expects[] = {
        {"BlockWhite.png",
         [](const Rgba& c) {
             return std::min({c.r, c.g, c.b}) > 170 && std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b}) < 30;
         }},
        {"BlockRed.png", [](const Rgba& c) { return c.r > 150 && c.g < 90 && c.b < 90; }},
        {"BlockYellow.png", [](const Rgba& c) { return c.r > 170 && c.g > 140 && c.b < 90; }},
        {"BlockLightBlue.png", [](const Rgba& c) { return c.b > 170 && c.g > 130 && c.r < 130; }},
        {"BlockPink.png", [](const Rgba& c) { return c.r > 170 && c.b > 100 && c.g < c.b; }},
        {"BlockGreen.png", [](const Rgba& c) { return c.g > 130 && c.r < 100 && c.b < 120; }},
        {"BlockBlue.png", [](const Rgba& c) { return c.b > 150 && c.r < 90 && c.g < 130; }},
    };
    for (const Expect& e : expects) {
        const TImagePtr brick = Load(e.file);
        ASSERT_NE(brick, nullptr) << e.file;
        const Rgba mean = MeanOpaque(brick, 0);
        EXPECT_TRUE(e.ok(mean)) << e.file << " mean " << mean.r << "," << mean.g << "," << mean.b;
        // Bricks fill their cell: the grid's 4-pixel gaps are the only space between them.
        EXPECT_GT(OpaqueCount(brick, 0), 60 * 25 * 9 / 10) << e.file;
        // Bevelled and lit: the upper-left edge is brighter than the lower-right one.
        EXPECT_GT(Luma(Pixel(brick, 0, 2, 2)), Luma(Pixel(brick, 0, 57, 22))) << e.file;
    }
}

TEST(ImageObjects, HitStripsAnimateAndTheTwoToughBricksLookDifferent)
{
    const TImagePtr semi = Load("BlockSemiSolidAnim.png"), solid = Load("BlockSolidAnim.png");
    ASSERT_TRUE(semi && solid);
    for (const TImagePtr& strip : {semi, solid})
        for (int k = 1; k < 9; ++k) EXPECT_GT(FrameDifference(strip, k, strip, 0), 3.0) << k;
    // The hit plays from cell 8 down to 0: the first cells shown differ most from the rest state.
    EXPECT_GT(FrameDifference(solid, 8, solid, 0), FrameDifference(solid, 1, solid, 0));
    EXPECT_GT(FrameDifference(semi, 8, semi, 0) + FrameDifference(semi, 7, semi, 0), 6.0);
    EXPECT_GT(FrameDifference(semi, 0, solid, 0), 25.0);
}

TEST(ImageObjects, CapsulesAreColourCodedByTheirLetter)
{
    const char* files[] = {"BonusD.png", "BonusC.png", "BonusX.png", "BonusL.png",
                           "BonusE.png", "BonusS.png", "BonusP.png"};
    std::vector<Rgba> means;
    for (const char* f : files) means.push_back(MeanOpaque(Load(f), 0));
    for (size_t i = 0; i < means.size(); ++i)
        for (size_t j = i + 1; j < means.size(); ++j) {
            const int d = std::abs(means[i].r - means[j].r) + std::abs(means[i].g - means[j].g) +
                          std::abs(means[i].b - means[j].b);
            EXPECT_GT(d, 40) << files[i] << " vs " << files[j];
        }
}

TEST(ImageObjects, LaserTurretGrowsInOverTheStrip)
{
    const TImagePtr strip = Load("PadLazerAnim.png");
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(OpaqueCount(strip, 0), 0);
    for (int k = 1; k < 10; ++k) EXPECT_GT(OpaqueCount(strip, k), OpaqueCount(strip, k - 1)) << k;
    // The bolt leaves from the paddle's centre: the turret sits on the middle column.
    EXPECT_EQ(Pixel(strip, 9, 48, 10).a, 255);
}

TEST(ImageObjects, BossHitsFollowItsOpaquePixels)
{
    const TImagePtr zog = Load("Zog/ZogAnim.png"), dot = Load("Dot.png");
    ASSERT_TRUE(zog && dot);
    // Enough of the boss's rectangle is clear that shape matters, enough is body that it can be hit.
    const int opaque = OpaqueCount(zog, 0);
    EXPECT_GT(opaque, 184 * 368 / 4);
    EXPECT_LT(opaque, 184 * 368 * 3 / 4);
    // Placed at (384, 248): the probe collides where the boss's pixel is solid and nowhere else.
    const int zx = 384, zy = 248, left = zx - 92, top = zy - 184;
    int checked = 0;
    for (int y = 4; y < 368; y += 23)
        for (int x = 3; x < 184; x += 17) {
            // The 2 x 2 probe centred at (px, py) covers the pixels x-1..x, y-1..y.
            bool solid = false, clear = true;
            for (int dy = -1; dy <= 0; ++dy)
                for (int dx = -1; dx <= 0; ++dx) {
                    const int a = Pixel(zog, 0, x + dx, y + dy).a;
                    solid = solid || a >= 128;
                    clear = clear && a < 128;
                }
            if (!solid && !clear) continue;
            EXPECT_EQ(ImagesCollide(dot, left + x, top + y, 0, zog, zx, zy, 0), solid) << x << "," << y;
            ++checked;
        }
    EXPECT_GT(checked, 100);
    // The hit flash: the first cells shown after a hit differ clearly from the boss at rest.
    EXPECT_GT(FrameDifference(zog, 10, zog, 0), 8.0);
    EXPECT_LT(FrameDifference(zog, 1, zog, 0), FrameDifference(zog, 10, zog, 0));
}

TEST(ImageObjects, ShadowsAreDarkSilhouettes)
{
    for (const char* file : {"BallShadow.png", "PadShadow.png", "BlockShadow.png", "BonusShadow.png", "AlienShadow.png",
                             "BigBoss_Shadow.png"}) {
        const TImagePtr shadow = Load(file);
        ASSERT_NE(shadow, nullptr) << file;
        EXPECT_GT(OpaqueCount(shadow, 0), 0) << file;
        const Rgba mean = MeanOpaque(shadow, 0);
        EXPECT_LT(Luma(mean), 40.0) << file;
    }
}

TEST(ImageObjects, AlienExplosionBurstsAndFadesAway)
{
    const TImagePtr boom = Load("AlienExplosion.png");
    ASSERT_NE(boom, nullptr);
    EXPECT_GT(OpaqueCount(boom, 10), 200);
    int maxAlpha = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) maxAlpha = std::max(maxAlpha, Pixel(boom, 63, x, y).a);
    EXPECT_LT(maxAlpha, 40);
    // Nothing touches the cell's border, so no frame shows a cut-off edge.
    for (int f = 0; f < 64; ++f)
        for (int i = 0; i < 64; ++i) {
            ASSERT_LT(Pixel(boom, f, i, 0).a, 8) << f;
            ASSERT_LT(Pixel(boom, f, 0, i).a, 8) << f;
        }
}

// The boss explosion is an opaque JPEG drawn over the boss level's background: its frames must blend
// into that background at their edges and return to it at the end.
TEST(ImageObjects, BossExplosionBlendsIntoItsBackground)
{
    const TImagePtr boom = Load("ZogExplosion.jpg"), bg = Load("bkgnd_43.jpg"), pane = Load("xitpipes_innerpane.png");
    ASSERT_TRUE(boom && bg && pane);
    // The square is centred on the boss at (384, 248); under it lie the background (top-left at (32, 32))
    // and the inner pane (top-left at (32, 24)).
    const int sx = 384 - 256, sy = 248 - 256;
    auto backgroundAt = [&](int x, int y) {
        const Rgba b = Pixel(bg, 0, sx + x - 32, sy + y - 32), p = Pixel(pane, 0, sx + x - 32, sy + y - 24);
        auto over = [&](int under, int top) { return (under * (255 - p.a) + top * p.a) / 255; };
        return Rgba{over(b.r, p.r), over(b.g, p.g), over(b.b, p.b), 255};
    };
    auto diff = [](const Rgba& a, const Rgba& b) {
        return (std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b)) / 3.0;
    };
    // The last frame is the background again.
    double last = 0;
    int n = 0;
    for (int y = 40; y < 512; y += 3)
        for (int x = 0; x < 512; x += 3, ++n) last += diff(Pixel(boom, 199, x, y), backgroundAt(x, y));
    EXPECT_LT(last / n, 4.0);
    // The border ring of every frame matches the background, so the square never shows.
    for (int f = 0; f < 200; f += 7) {
        double ring = 0;
        int m = 0;
        for (int i = 0; i < 512; i += 4) {
            for (int y : {40, 41, 510, 511}) ring += diff(Pixel(boom, f, i, y), backgroundAt(i, y)), ++m;
            for (int x : {0, 1, 510, 511})
                if (i >= 40) ring += diff(Pixel(boom, f, x, i), backgroundAt(x, i)), ++m;
        }
        EXPECT_LT(ring / m, 5.0) << "frame " << f;
    }
    // And in between it is a real explosion.
    double middle = 0;
    for (int y = 156; y < 356; y += 4)
        for (int x = 156; x < 356; x += 4) middle += Luma(Pixel(boom, 60, x, y)) - Luma(backgroundAt(x, y));
    EXPECT_GT(middle / (50.0 * 50.0), 60.0);
}

// ---- Backgrounds and screens

TEST(ImageBackgrounds, AreDarkEnoughForBricksAndBallsToStandOut)
{
    const TImagePtr ball = Load("Ball2.png");
    const double ballLuma = Luma(MeanOpaque(ball, 0));
    for (const Entry& e : Catalogue()) {
        const std::string name = e.file;
        if (name.rfind("bkgnd_", 0) != 0) continue;
        SCOPED_TRACE(name);
        const TImagePtr bg = Load(name);
        std::vector<double> lumas;
        for (int y = 0; y < bg->height; y += 2)
            for (int x = 0; x < bg->width; x += 2) lumas.push_back(Luma(Pixel(bg, 0, x, y)));
        std::sort(lumas.begin(), lumas.end());
        double mean = 0;
        for (double l : lumas) mean += l;
        mean /= static_cast<double>(lumas.size());
        EXPECT_LT(mean, 60.0);
        EXPECT_LT(lumas[lumas.size() * 99 / 100], 150.0);
        EXPECT_GT(ballLuma, 2.5 * mean);
        // Not a flat fill either.
        EXPECT_GT(lumas[lumas.size() * 95 / 100] - lumas[lumas.size() * 5 / 100], 8.0);
    }
}

TEST(ImageBackgrounds, EveryLevelHasItsOwnPicture)
{
    std::vector<std::string> names;
    std::vector<std::vector<Rgba>> thumbs;
    for (const Entry& e : Catalogue()) {
        const std::string name = e.file;
        if (name.rfind("bkgnd_", 0) != 0) continue;
        const TImagePtr bg = Load(name);
        std::vector<Rgba> t;
        for (int y = 8; y < bg->height; y += 16)
            for (int x = 8; x < bg->width; x += 16) t.push_back(Pixel(bg, 0, x, y));
        names.push_back(name);
        thumbs.push_back(t);
    }
    ASSERT_EQ(names.size(), 37u);
    for (size_t i = 0; i < thumbs.size(); ++i)
        for (size_t j = i + 1; j < thumbs.size(); ++j) {
            double d = 0;
            for (size_t k = 0; k < thumbs[i].size(); ++k)
                d += std::abs(thumbs[i][k].r - thumbs[j][k].r) + std::abs(thumbs[i][k].g - thumbs[j][k].g) +
                     std::abs(thumbs[i][k].b - thumbs[j][k].b);
            EXPECT_GT(d / (3.0 * thumbs[i].size()), 6.0) << names[i] << " vs " << names[j];
        }
}

TEST(ImageScreens, CreditsBoxBlinksAndPagesLetTheBackdropThrough)
{
    const TImagePtr guru = Load("GuruAnim.png");
    ASSERT_NE(guru, nullptr);
    const Rgba on = Pixel(guru, 0, 6, 6), off = Pixel(guru, 1, 6, 6);
    EXPECT_GT(on.r, 200);
    EXPECT_LT(on.g, 80);
    EXPECT_LT(off.r + off.g + off.b, 30);
    // The message itself is in both cells.
    EXPECT_GT(FrameDifference(guru, 0, guru, 1), 1.0);
    for (const char* file : {"page_menu.png", "page_hiscore.png", "page_instructions.png"}) {
        const TImagePtr page = Load(file);
        const Rgba middle = Pixel(page, 0, page->width / 2, page->height / 2 + 7);
        EXPECT_GT(middle.a, 60) << file;
        EXPECT_LT(middle.a, 230) << file;
    }
}

// ---- The generator

// Every picture but the boss's explosion sheet, three fifths of the painting on one thread, is
// painted again, beside each other as in the build.
TEST(ImageGenerator, WritesTheSameBytesOnEveryRun)
{
    const fs::path dir = fs::temp_directory_path() / ("krellix-images-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    std::string command = std::string("\"") + KRELLIX_IMAGE_GENERATOR + "\" \"" + dir.string() + "\"";
    std::vector<const Entry*> checked;
    for (const Entry& e : Catalogue()) {
        if (std::string_view(e.file) == "ZogExplosion.jpg") continue;
        checked.push_back(&e);
        command += std::string(" --only ") + e.file;
    }
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_FALSE(fs::exists(dir / "images" / "ZogExplosion.jpg"));
    for (const Entry* e : checked) {
        const std::vector<uint8_t> fresh = ReadBytes(dir / "images" / e->file);
        const std::vector<uint8_t> built = ReadBytes(Images + e->file);
        EXPECT_FALSE(fresh.empty()) << e->file;
        EXPECT_TRUE(fresh == built) << e->file;
    }
    // No half-written temporary files are left behind.
    for (const auto& item : fs::recursive_directory_iterator(dir)) EXPECT_NE(item.path().extension(), ".part");
    fs::remove_all(dir);
}

TEST(ImageGenerator, ReportsAnUnwritableFolderOrAnUnknownPictureAndFails)
{
    const fs::path blocker = fs::temp_directory_path() / ("krellix-blocker-" + std::to_string(::getpid()));
    {
        std::ofstream(blocker) << "a file where the data folder should be";
    }
    const std::string command =
        std::string("\"") + KRELLIX_IMAGE_GENERATOR + "\" \"" + blocker.string() + "\" 2>/dev/null";
    EXPECT_NE(std::system(command.c_str()), 0);
    EXPECT_TRUE(fs::is_regular_file(blocker));
    fs::remove(blocker);
    // A picture the game does not load is a mistake, not an empty run.
    const std::string unknown =
        std::string("\"") + KRELLIX_IMAGE_GENERATOR + "\" \"" + blocker.string() + "\" --only bkgnd_99.jpg 2>/dev/null";
    EXPECT_NE(std::system(unknown.c_str()), 0);
    EXPECT_FALSE(fs::exists(blocker));
}

}  // namespace
