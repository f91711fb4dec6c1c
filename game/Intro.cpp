// The intro between loading and the menu: five stages, the sine-wave logo and the starfield of titles.
#include "game/Intro.h"

#include "framework/graphics/Draw2D.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/system/Input.h"
#include "framework/system/Random.h"
#include "game/GameCommon.h"
#include "game/GameGraphics.h"
#include "game/MenuLayout.h"

#include <cmath>
#include <numbers>

int32_t Intro::Stage = 0;
int32_t SinusPhase = 0;

const std::array<const char*, TStar::TitleCount> TStar::Titles = {
    "Pellon Rising",   "Glimmerwake",           "Tin Harbour",     "Nocturne Drift",   "The Brass Orchard",
    "Quillon Caverns", "Marrow Lanterns",       "Skerry Patrol",   "Frostmere Fen",    "Cobalt Tinker",
    "Umber Reach",     "Hollow Comet",          "Gravel Knights",  "Tidewheel",        "Sparrowgrid",
    "Orrery of Glass", "Kettle Planet",         "Mossback Engine", "Quill and Cannon", "Drumfire Dunes",
    "Lantern Moth",    "Velvet Asteroid",       "Spindle Run",     "Cinder Canal",     "Rook and Ribbon",
    "Pebble Mines",    "Saltglass Beacon",      "Gloomwick",       "Bramble Rocket",   "Star Ferret Deluxe",
    "Ironfern",        "Mirth Reactor",         "Wobbleworks",     "Cloudkeel",        "Vortano Gate",
    "Zog Stirs",       "Return to Tin Harbour", "Krellix Prelude",
};

namespace {

// A stage ends at once while either key is down, so a held key runs through the whole intro.
bool SkipKeyDown() { return KeyIsDown(KEY_SPACE) || KeyIsDown(KEY_ENTER); }

void SetGrey(int32_t c) { SetColor(c, c, c); }

// Text three times its size, centred on (cx, cy).
void DrawCaption(const std::string& text, int32_t cx, int32_t cy)
{
    SetScale(3.0f, 3.0f);
    DrawText(text, static_cast<float>(cx - TextWidth(text) * 3 / 2), static_cast<float>(cy - TextHeight(text) * 3 / 2));
    SetScale(1.0f, 1.0f);
}

void EndFrame()
{
    Intro::DrawInstructions();
    Flip(-1);
}

// Marks the stage for the trace while it runs.
class TStageMark {
public:
    explicit TStageMark(int32_t stage) { Intro::Stage = stage; }
    ~TStageMark() { Intro::Stage = 0; }
    TStageMark(const TStageMark&) = delete;
    TStageMark& operator=(const TStageMark&) = delete;
};

int32_t CentreX() { return GraphicsWidth() / 2; }
int32_t CentreY() { return GraphicsHeight() / 2; }

}  // namespace

void TStar::Create()
{
    SeedRandom(13);
    int32_t depth = 400;
    for (const char* title : Titles) {
        auto star = std::make_shared<TStar>();
        star->positionX = RandomInt(-10, 10);
        star->positionY = RandomInt(-5, 5);
        star->positionZ = depth;
        star->starSpeed = 1;
        star->text = title;
        depth += 50;
        StarList->AddFirst(star);
    }
}

void TStar::MoveStars()
{
    // A star may leave the list while the pass stands on it; the pass goes on behind it.
    for (const TStarPtr& star : *StarList) star->moveStar();
}

void TStar::moveStar()
{
    positionZ -= starSpeed;
    if (positionZ <= 0) {
        positionZ = 400;
        StarList->Remove(this);
    }
    scaler = 1.0f / static_cast<float>(positionZ) * 100.0f;
    SetScale(scaler, scaler);
    const int32_t sx = positionX * StarProjection / positionZ + GraphicsWidth() / 2;
    if (sx > GraphicsWidth() || sx < 0) StarList->Remove(this);
    const int32_t sy = positionY * StarProjection / positionZ + GraphicsHeight() / 2;
    if (sy > GraphicsHeight() || sy < 0) StarList->Remove(this);
    // Black while 255 or more away, brightening as it comes close.
    SetGrey(255 - positionZ);
    DrawText(text, static_cast<float>(sx) - static_cast<float>(TextWidth(text) / 2) * scaler,
             static_cast<float>(sy) - static_cast<float>(TextHeight(text) / 2) * scaler);
    SetGrey(255);
    SetScale(1.0f, 1.0f);
}

void Intro::DrawImagePart(const TImagePtr& image, float x, float y, float partX, float partY, float partWidth,
                          float partHeight, float frame)
{
    if (!image) return;
    int32_t vx = static_cast<int32_t>(x);
    int32_t vy = static_cast<int32_t>(y);
    if (image->handle_x != 0)
        vx = static_cast<int32_t>(x - image->handle_x / static_cast<float>(image->width) * partWidth);
    if (image->handle_y != 0)
        vy = static_cast<int32_t>(y - image->handle_y / static_cast<float>(image->height) * partHeight);
    SetViewport(vx, vy, static_cast<int32_t>(partWidth), static_cast<int32_t>(partHeight));
    DrawImage(image, x - partX, y - partY, static_cast<int32_t>(frame));
}

void Intro::DrawInstructions()
{
    SetScale(0.4f, 0.4f);
    SetGrey(255);
    DrawText("Press Space to exit intro", 886.0f, 740.0f);
    SetScale(1.0f, 1.0f);
}

void Intro::SinusLogo(int32_t y)
{
    int32_t vx = 0, vy = 0, vw = 0, vh = 0;
    GetViewport(vx, vy, vw, vh);
    SinusPhase += 1;
    const int32_t w = ImageWidth(QuillonLogoImage);
    const float h = static_cast<float>(ImageHeight(QuillonLogoImage));
    const int32_t cx = CentreX();
    for (int32_t c = -(w / 2); c <= w / 2; ++c) {
        const double wave = 30.0 * std::sin((c + SinusPhase) * std::numbers::pi / 180.0);
        DrawImagePart(QuillonLogoImage, static_cast<float>(cx + c), static_cast<float>(y + wave), static_cast<float>(c),
                      0.0f, 1.0f, h, 0.0f);
    }
    SetViewport(vx, vy, vw, vh);
    SinusPhase += 1;
}

void Intro::ShowStartText()
{
    const TStageMark mark(1);
    // The starfield and the menu after it draw hundreds of textures a frame; the caption's quiet
    // frames set aside the memory that takes.
    ReserveDrawingMemory();
    int32_t y = 1000;
    for (int32_t t = 0;; ++t) {
        if (SkipKeyDown()) return;
        Cls();
        if (t < 255) SetGrey(t);
        const int32_t fade = 1123 - t;
        if (t > 868) SetGrey(fade);
        SinusLogo(y);
        DrawCaption("It only took 15 years!!!", CentreX(), CentreY());
        EndFrame();
        if (t > 868 && fade <= 0) return;
        // The logo rises a pixel a frame from below the screen and rests at the centre.
        if (y > CentreY()) y -= 1;
    }
}

void Intro::ShowZoomTexts()
{
    const TStageMark mark(2);
    while (!StarList->IsEmpty()) {
        if (SkipKeyDown()) return;
        Cls();
        TStar::MoveStars();
        EndFrame();
    }
}

void Intro::ShowQuillonLogo()
{
    const TStageMark mark(3);
    for (int32_t t = 0; t < 510; ++t) {
        if (SkipKeyDown()) return;
        Cls();
        SetGrey(t < 256 ? t : 665 - t);
        DrawImage(QuillonLogoImage, static_cast<float>(CentreX()), static_cast<float>(CentreY()), 0);
        EndFrame();
    }
}

void Intro::ShowPresents()
{
    const TStageMark mark(4);
    for (int32_t t = 0; t < 768; ++t) {
        if (SkipKeyDown()) return;
        Cls();
        // The logo waits dimmed behind the captions and goes out with them.
        SetGrey(t >= 668 ? 768 - t : 100);
        DrawImage(QuillonLogoImage, static_cast<float>(CentreX()), static_cast<float>(CentreY()), 0);
        if (t < 255)
            SetGrey(t);
        else if (t < 512)
            SetGrey(255);
        else
            SetGrey(768 - t);
        DrawCaption("Presents A", CentreX(), CentreY() - 150);
        DrawCaption("Varn Dovrak", CentreX(), CentreY() - 50);
        DrawCaption("Tibbe Halme", CentreX(), CentreY() + 50);
        DrawCaption("Production", CentreX(), CentreY() + 150);
        EndFrame();
    }
}

void Intro::ShowKrellixLogo()
{
    const TStageMark mark(5);
    // It ends where the menu draws it, so the menu fades in around it.
    int32_t x = CentreX(), y = CentreY();
    for (int32_t t = 0;; ++t) {
        if (SkipKeyDown()) return;
        Cls();
        if (t < 255) SetGrey(t);
        bool last = false;
        if (t > 400) {
            if (y > MenuLogoY)
                y -= 1;
            else
                last = true;
            if (x > MenuCentreX) x -= 1;
        }
        DrawImage(KrellixLogoImage, static_cast<float>(x), static_cast<float>(y), 0);
        EndFrame();
        if (last) return;
    }
}
