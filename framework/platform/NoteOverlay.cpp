// The comfort keys' note drawn over the presented picture, outside the game's own drawing.
#include "framework/platform/Comforts.h"
#include "framework/platform/Platform.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <algorithm>

void DrawNoteOverlay(const TLetterbox& picture, int32_t pictureHeight, int32_t drawableHeight)
{
    TComforts& comforts = CurrentComforts();
    const TPixmapPtr note = comforts.Note();
    comforts.SetNoteOnScreen(note);
    if (!note || pictureHeight <= 0) return;
    static const auto windowPos = reinterpret_cast<PFNGLWINDOWPOS2IPROC>(SDL_GL_GetProcAddress("glWindowPos2i"));
    if (!windowPos) return;
    // Whole-pixel enlargement keeps the small font sharp on a large screen.
    const int32_t zoom = std::max(1, picture.height / pictureHeight);
    const int32_t margin = 6 * zoom;
    const int32_t left = std::max(picture.x, picture.x + picture.width - note->width * zoom - margin);
    // GL counts rows from the bottom; the note's top row goes at the raster position, downwards.
    const int32_t top = drawableHeight - (picture.y + picture.height - margin - note->height * zoom);

    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_PIXEL_MODE_BIT | GL_CURRENT_BIT);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, note->pitch / 4);
    glPixelZoom(static_cast<float>(zoom), -static_cast<float>(zoom));
    windowPos(left, top);
    glDrawPixels(note->width, note->height, GL_RGBA, GL_UNSIGNED_BYTE, note->pixels);
    glPopClientAttrib();
    glPopAttrib();
}
