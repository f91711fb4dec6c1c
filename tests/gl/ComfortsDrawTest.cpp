// The comfort keys on real pixels: F12 saves the frame as it was drawn, and the note goes over the
// picture in its bottom right corner without disturbing the game's drawing state.
#include "GLSupport.h"

#include "framework/platform/Comforts.h"
#include "framework/platform/Platform.h"
#include "tests/pixmap/TestPictures.h"
#include "tests/support/Picture.h"

#include <GL/gl.h>

#include <filesystem>

namespace {

using ComfortsDraw = GLTest;

TEST_F(ComfortsDraw, F12SavesTheFramesPixelsAndNotesWhereOrWhyNot)
{
    TTempDir dir;
    auto now = std::chrono::steady_clock::time_point{};
    TComforts comforts([&] { return now; });
    comforts.SetPicturesFolder(dir.Path("Pictures/Krellix"));
    SetClsColor(20, 40, 60);
    Cls();
    SetColor(200, 0, 0);
    DrawRect(10, 20, 30, 40);
    EXPECT_TRUE(comforts.Press(123));
    EXPECT_FALSE(comforts.Note()) << "nothing is saved before the frame is finished";
    comforts.BeforePresent();

    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path("Pictures/Krellix")))
        files.push_back(entry.path());
    ASSERT_EQ(files.size(), 1u);
    const TPicture shot = ReadPng(files[0]);
    ASSERT_EQ(shot.width, kWidth);
    ASSERT_EQ(shot.height, kHeight);
    for (const auto& [x, y, r, g, b] : {std::tuple(10, 20, 200, 0, 0), std::tuple(39, 59, 200, 0, 0),
                                        std::tuple(40, 60, 20, 40, 60), std::tuple(319, 239, 20, 40, 60)}) {
        EXPECT_EQ(shot.At(x, y)[0], r) << x << "," << y;
        EXPECT_EQ(shot.At(x, y)[1], g) << x << "," << y;
        EXPECT_EQ(shot.At(x, y)[2], b) << x << "," << y;
    }
    EXPECT_TRUE(comforts.Note());
    now += std::chrono::seconds(2);
    EXPECT_FALSE(comforts.Note()) << "the note goes after a moment";

    // A file where the folder should be: one line, a note, and play goes on.
    dir.Write("blocked", {'x'});
    comforts.SetPicturesFolder(dir.Path("blocked/Krellix"));
    comforts.Press(123);
    testing::internal::CaptureStderr();
    comforts.BeforePresent();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_TRUE(comforts.Note());
}

TEST_F(ComfortsDraw, TheNoteLiesInTheBottomRightCornerAndLeavesTheDrawingStateAlone)
{
    SetClsColor(100, 100, 100);
    Cls();
    // The game's viewport: drawing after the note must still be clipped to it.
    SetViewport(0, 0, 200, 200);
    GrabPixmap(0, 0, 1, 1);
    // What a frame may leave behind at the present: a scissor, a black texture on, a dark colour.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 200, kHeight);
    glEnable(GL_TEXTURE_2D);
    GLuint texture = 0;
    const uint8_t black[4] = {0, 0, 0, 255};
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, black);
    glColor4f(0.2f, 0.2f, 0.2f, 0.5f);
    const GLboolean blend = glIsEnabled(GL_BLEND);
    CurrentComforts().ShowNote("Music 60 %");
    DrawNoteOverlay(TLetterbox{0, 0, kWidth, kHeight}, kHeight, kHeight);
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST) && glIsEnabled(GL_TEXTURE_2D));
    GLfloat zoom = 0.0f;
    glGetFloatv(GL_ZOOM_Y, &zoom);
    GLint rowLength = -1;
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    EXPECT_TRUE(zoom == 1.0f && rowLength == 0 && glIsEnabled(GL_BLEND) == blend) << zoom << " " << rowLength;
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_TEXTURE_2D);
    glDeleteTextures(1, &texture);
    SetColor(0, 255, 0);
    DrawRect(0, 0, kWidth, kHeight);
    const TPixmapPtr picture = GrabPixmap(0, 0, kWidth, kHeight);

    // Ten characters of 8 x 16 with 4 pixels around, 6 pixels in from the corner.
    const int32_t left = kWidth - 6 - 88, top = kHeight - 6 - 24;
    int32_t white = 0, dark = 0, other = 0;
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 200; x < kWidth; ++x) {
            const uint32_t rgb = picture->ReadPixel(x, y) & 0xFFFFFF;
            const bool inside = x >= left && x < left + 88 && y >= top && y < top + 24;
            if (inside && rgb == 0xFFFFFF)
                ++white;
            else if (inside && (rgb & 0xFF) < 40)
                ++dark;
            else if (!inside && rgb == 0x646464)
                continue;
            else
                ++other;
        }
    }
    EXPECT_EQ(other, 0) << "the note spilled, or the game's drawing escaped its viewport";
    EXPECT_GT(white, 150) << "the text is drawn";
    EXPECT_GT(dark, 88 * 24 / 2) << "on a darkened box";
    EXPECT_EQ(picture->ReadPixel(100, 100) & 0xFFFFFF, 0x00FF00u) << "the game draws on as before";
    CurrentComforts().SetNoteOnScreen(nullptr);
}

}  // namespace
