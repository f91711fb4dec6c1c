// Drawing state through the recording back-end: defaults, colour bytes, transform, viewport, images.
#include "TestSupport.h"

#include "framework/graphics/Draw2D.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Image.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace {

TImagePtr SolidImage(int32_t width, int32_t height, int32_t frames = 1)
{
    auto image = TImage::Create(width, height, frames, 0, 0, 0, 0);
    for (int32_t i = 0; i < frames; ++i) image->Lock(i, false, true)->ClearPixels(0xFFFFFFFFu);
    return image;
}

void ExpectCorners(const TDrawRecord& r, const float (&xs)[4], const float (&ys)[4])
{
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(r.x[i], xs[i], 1e-4) << "corner " << i;
        EXPECT_NEAR(r.y[i], ys[i], 1e-4) << "corner " << i;
    }
}

}  // namespace

TEST_F(RecordingTest, OpeningSetsTheDefaultsAndClearsBothBuffers)
{
    int32_t r, g, b;
    GetColor(r, g, b);
    EXPECT_EQ(r, 255);
    EXPECT_EQ(g, 255);
    EXPECT_EQ(b, 255);
    GetClsColor(r, g, b);
    EXPECT_EQ(r + g + b, 0);
    EXPECT_EQ(GetAlpha(), 1.0f);
    EXPECT_EQ(GetBlend(), BLEND_MASK);
    EXPECT_EQ(GetLineWidth(), 1.0f);
    EXPECT_EQ(GetRotation(), 0.0f);
    int32_t vx, vy, vw, vh;
    GetViewport(vx, vy, vw, vh);
    EXPECT_EQ(vx, 0);
    EXPECT_EQ(vy, 0);
    EXPECT_EQ(vw, 640);
    EXPECT_EQ(vh, 480);
    EXPECT_EQ(GraphicsWidth(), 640);
    EXPECT_EQ(GraphicsHeight(), 480);
    EXPECT_EQ(GetImageFont(), BuiltinImageFont());
    // Two clears, each presented: both buffers start black.
    EXPECT_EQ(driver->flips, 2);
    ASSERT_EQ(driver->presented.size(), 1u);
    EXPECT_EQ(driver->presented[0].kind, TDrawKind::Cls);
}

TEST_F(RecordingTest, ColourIsClampedToBytesWhileGettersReturnWhatWasSet)
{
    struct Case {
        int32_t r, g, b;
        uint8_t er, eg, eb;
    };
    const Case cases[] = {{300, -5, 128, 255, 0, 128}, {0, 255, 256, 0, 255, 255}, {-1000, 12, 1000, 0, 12, 255}};
    for (const auto& c : cases) {
        SetColor(c.r, c.g, c.b);
        DrawRect(0, 0, 1, 1);
        const TDrawRecord& rec = driver->records.back();
        EXPECT_EQ(rec.red, c.er);
        EXPECT_EQ(rec.green, c.eg);
        EXPECT_EQ(rec.blue, c.eb);
        int32_t r, g, b;
        GetColor(r, g, b);
        EXPECT_EQ(r, c.r);
        EXPECT_EQ(g, c.g);
        EXPECT_EQ(b, c.b);
    }
}

TEST_F(RecordingTest, ALineWidthThatIsNoWidthIsRefusedAndTheLastOneKept)
{
    // OpenGL refuses such widths and keeps drawing at the last one; the back-end must agree.
    for (const float width : {0.0f, -2.0f, std::nanf(""), -std::numeric_limits<float>::infinity()}) {
        SetLineWidth(3.0f);
        SetLineWidth(width);
        EXPECT_EQ(GetLineWidth(), 3.0f) << width;
        EXPECT_EQ(driver->line_width, 3.0f) << width;
    }
    SetLineWidth(0.5f);
    EXPECT_EQ(driver->line_width, 0.5f);
}

TEST_F(RecordingTest, AlphaByteIsTruncatedAfterClamping)
{
    const std::pair<float, uint8_t> cases[] = {{0.999f, 254}, {1.0f, 255}, {1.5f, 255}, {-1.0f, 0},
                                               {0.5f, 127},   {0.8f, 204}, {0.0f, 0}};
    for (const auto& [alpha, byte] : cases) {
        SetAlpha(alpha);
        DrawRect(0, 0, 1, 1);
        EXPECT_EQ(driver->records.back().alpha, byte) << alpha;
        EXPECT_EQ(GetAlpha(), alpha);
    }
}

TEST_F(RecordingTest, BlendModeReachesEveryDraw)
{
    for (int32_t mode : {BLEND_SOLID, BLEND_ALPHA, BLEND_LIGHT, BLEND_SHADE, BLEND_MASK}) {
        SetBlend(mode);
        Plot(1, 1);
        EXPECT_EQ(driver->records.back().blend, mode);
        EXPECT_EQ(GetBlend(), mode);
    }
}

TEST_F(RecordingTest, RotationAndScalePlaceLocalPoints)
{
    // DrawRect(10, 20, 1, 1): local corners (0,0) (1,0) (1,1) (0,1) translated by (10, 20).
    struct Case {
        float rot, sx, sy;
        float xs[4], ys[4];
    };
    const Case cases[] = {
        {0, 1, 1, {10, 11, 11, 10}, {20, 20, 21, 21}},
        // Clockwise on screen: local (1, 0) lands one pixel below.
        {90, 1, 1, {10, 10, 9, 9}, {20, 21, 21, 20}},
        // Scale acts in the object's axes before rotating: (1, 0) lands two pixels below.
        {90, 2, 1, {10, 10, 9, 9}, {20, 22, 22, 20}},
        {180, 1, 3, {10, 9, 9, 10}, {20, 20, 17, 17}},
        {0, 2, 0.5f, {10, 12, 12, 10}, {20, 20, 20.5f, 20.5f}},
    };
    for (const auto& c : cases) {
        SetRotationAndScale(c.rot, c.sx, c.sy);
        DrawRect(10, 20, 1, 1);
        ExpectCorners(driver->records.back(), c.xs, c.ys);
        float ix, iy, jx, jy;
        GetTransform(ix, iy, jx, jy);
        EXPECT_NEAR(ix, std::cos(c.rot * std::numbers::pi / 180) * c.sx, 1e-6);
        EXPECT_NEAR(iy, -std::sin(c.rot * std::numbers::pi / 180) * c.sy, 1e-6);
    }
    // Setting rotation and scale separately gives the same matrix.
    SetScale(2, 1);
    SetRotation(90);
    float sx, sy;
    GetScale(sx, sy);
    EXPECT_EQ(sx, 2.0f);
    EXPECT_EQ(GetRotation(), 90.0f);
    DrawRect(10, 20, 1, 1);
    ExpectCorners(driver->records.back(), {10, 10, 9, 9}, {20, 22, 22, 20});
}

TEST_F(RecordingTest, MidHandledImageIsDrawnCentredWithItsImageAndFrame)
{
    auto image = SolidImage(60, 25, 3);
    MidHandleImage(image);
    DrawImage(image, 100, 100, 2);
    ASSERT_EQ(driver->records.size(), 1u);
    const TDrawRecord& r = driver->records[0];
    EXPECT_EQ(r.kind, TDrawKind::Image);
    EXPECT_EQ(r.image, image.get());
    EXPECT_EQ(r.frame, 2);
    ExpectCorners(r, {70, 130, 130, 70}, {87.5f, 87.5f, 112.5f, 112.5f});
    EXPECT_FLOAT_EQ(r.CentreX(), 100);
    EXPECT_FLOAT_EQ(r.CentreY(), 100);
}

TEST_F(RecordingTest, ImagesFollowOriginAndMatrixButNotTheGlobalHandle)
{
    auto image = SolidImage(10, 4);
    SetImageHandle(image, 5, 2);
    SetOrigin(3, 4);
    SetHandle(100, 100);
    SetRotation(90);
    DrawImage(image, 50, 60);
    // Local corners (-5,-2) (5,-2) (5,2) (-5,2) rotated: (x, y) -> (-y, x), then + (53, 64).
    ExpectCorners(driver->records.back(), {55, 55, 51, 51}, {59, 69, 69, 59});
    SetRotation(0);
    DrawImageRect(image, 50, 60, 20, 8);
    ExpectCorners(driver->records.back(), {48, 68, 68, 48}, {62, 62, 70, 70});
}

TEST_F(RecordingTest, MissingImagesAndFramesDrawNothing)
{
    DrawImage(nullptr, 1, 1);
    auto image = SolidImage(4, 4, 2);
    DrawImage(image, 1, 1, 2);
    DrawImage(image, 1, 1, -1);
    EXPECT_TRUE(driver->records.empty());
    // A glyph drawn right after a refused image is still recorded as text.
    DrawText("A", 0, 0);
    ASSERT_EQ(driver->OfKind(TDrawKind::TextGlyph).size(), 1u);
    EXPECT_TRUE(driver->OfKind(TDrawKind::Image).empty());
}

TEST_F(RecordingTest, PrimitivesUseHandleOriginAndMatrix)
{
    SetOrigin(10, 10);
    SetHandle(2, 3);
    float hx, hy;
    GetHandle(hx, hy);
    EXPECT_EQ(hx, 2);
    EXPECT_EQ(hy, 3);
    DrawRect(5, 5, 4, 2);
    ExpectCorners(driver->records.back(), {13, 17, 17, 13}, {12, 12, 14, 14});

    SetHandle(0, 0);
    DrawLine(0, 0, 10, 0);
    ASSERT_GE(driver->records.size(), 2u);
    const TDrawRecord line = driver->records[driver->records.size() - 2];
    EXPECT_EQ(line.kind, TDrawKind::Line);
    EXPECT_FLOAT_EQ(line.x[0], 10.5f);
    EXPECT_FLOAT_EQ(line.x[1], 20.5f);
    EXPECT_FLOAT_EQ(line.y[1], 10.5f);
    // The last pixel is plotted at the end point.
    EXPECT_EQ(driver->records.back().kind, TDrawKind::Plot);
    EXPECT_FLOAT_EQ(driver->records.back().x[0], 20.5f);

    const size_t before = driver->records.size();
    DrawLine(0, 0, 10, 0, false);
    EXPECT_EQ(driver->records.size(), before + 1);

    DrawPoly({0, 0, 4, 0, 4});
    DrawPoly({0, 0});
    EXPECT_EQ(driver->records.size(), before + 1);
    DrawPoly({0, 0, 4, 0, 4, 4});
    EXPECT_EQ(driver->records.back().points, (std::vector<float>{10, 10, 14, 10, 14, 14}));

    // 12 segments at least, rounded down to a multiple of 4.
    DrawOval(0, 0, 4, 4);
    EXPECT_EQ(driver->records.back().points.size(), 24u);
    DrawOval(0, 0, 30, 23);
    EXPECT_EQ(driver->records.back().points.size(), 2u * 24u);
    EXPECT_NEAR(driver->records.back().points[0], 40, 1e-4);
    EXPECT_NEAR(driver->records.back().points[1], 21.5, 1e-4);
}

TEST_F(RecordingTest, ViewportIsAScissorUnlessItCoversTheScreen)
{
    SetViewport(10, 20, 100, 50);
    Cls();
    DrawRect(0, 0, 1, 1);
    for (const auto& r : driver->records) {
        EXPECT_TRUE(r.scissor);
        EXPECT_EQ(r.scissor_x, 10);
        EXPECT_EQ(r.scissor_y, 20);
        EXPECT_EQ(r.scissor_w, 100);
        EXPECT_EQ(r.scissor_h, 50);
    }
    SetViewport(0, 0, 640, 480);
    Cls();
    EXPECT_FALSE(driver->records.back().scissor);
    int32_t x, y, w, h;
    SetViewport(1, 2, 3, 4);
    GetViewport(x, y, w, h);
    EXPECT_EQ(x + y + w + h, 10);
}

TEST_F(RecordingTest, ClsRecordsTheClearColour)
{
    SetClsColor(10, 300, -4);
    Cls();
    const TDrawRecord& r = driver->records.back();
    EXPECT_EQ(r.cls_red, 10);
    EXPECT_EQ(r.cls_green, 255);
    EXPECT_EQ(r.cls_blue, 0);
}

TEST_F(RecordingTest, VirtualResolutionScalesTheViewport)
{
    SetVirtualResolution(320, 240);
    EXPECT_EQ(driver->resolution_width, 320);
    SetViewport(10, 10, 100, 100);
    Plot(0, 0);
    EXPECT_EQ(driver->records.back().scissor_x, 20);
    EXPECT_EQ(driver->records.back().scissor_w, 200);
}

TEST_F(RecordingTest, StateSurvivesReopeningAndImagesGetNewFrames)
{
    auto image = SolidImage(8, 8);
    DrawImage(image, 0, 0);
    auto first = image->Frame(0);
    const int32_t seq = GraphicsSeq();
    EXPECT_NE(seq, 0);
    EndGraphics();
    EXPECT_NE(GraphicsSeq(), seq);
    EXPECT_EQ(CurrentDraw2DDriver(), nullptr);
    EXPECT_EQ(GraphicsWidth(), 0);
    DrawImage(image, 0, 0);  // no graphics: nothing happens

    auto other = std::make_shared<TRecordingDriver>();
    graphics = OpenRecordingGraphics(320, 200, other);
    driver = other;
    EXPECT_EQ(GraphicsWidth(), 320);
    DrawImage(image, 0, 0);
    EXPECT_NE(image->Frame(0), first);
    EXPECT_EQ(other->OfKind(TDrawKind::Image).size(), 1u);
}
