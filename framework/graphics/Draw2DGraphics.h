// The graphics object every drawing call works on: the 2D drawing state and its back-end.
#pragma once

#include "framework/graphics/Driver.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"

#include <cstdint>
#include <memory>

class TDraw2DGraphics : public TGraphics, public std::enable_shared_from_this<TDraw2DGraphics> {
public:
    // Wraps raw graphics with the drawing state's defaults for its size.
    static std::shared_ptr<TDraw2DGraphics> Create(std::shared_ptr<TGraphics> graphics,
                                                   std::shared_ptr<TDraw2DDriver> driver);
    static void ClearCurrent();
    static TDraw2DGraphics* Current();

    void GetSettings(int32_t& width, int32_t& height, int32_t& depth, int32_t& hertz, int32_t& flags) override;
    void Close() override;

    // Re-reads the size and sends the whole drawing state to the driver.
    void Validate();
    // Becomes the target of drawing; the first time, clears and presents both buffers.
    void MakeCurrent();

    TDraw2DDriver* Driver() const { return _driver.get(); }

    int32_t color_red = 255, color_green = 255, color_blue = 255;
    float color_alpha = 1.0f;
    int32_t clscolor_red = 0, clscolor_green = 0, clscolor_blue = 0;
    float line_width = 1.0f;
    float tform_rot = 0.0f;
    float tform_scale_x = 1.0f, tform_scale_y = 1.0f;
    float tform_ix = 1.0f, tform_iy = 0.0f, tform_jx = 0.0f, tform_jy = 1.0f;
    int32_t viewport_x = 0, viewport_y = 0, viewport_w = 0, viewport_h = 0;
    float origin_x = 0.0f, origin_y = 0.0f;
    // Stored negated: SetHandle(10, 5) keeps -10, -5.
    float handle_x = 0.0f, handle_y = 0.0f;
    TImageFontPtr image_font;
    int32_t blend_mode = 1;
    float vres_width = 0.0f, vres_height = 0.0f;
    float vres_mousexscale = 1.0f, vres_mouseyscale = 1.0f;
    int32_t g_width = 0, g_height = 0;

private:
    std::shared_ptr<TGraphics> _graphics;
    std::shared_ptr<TDraw2DDriver> _driver;
    int32_t _setup = 0;
};
