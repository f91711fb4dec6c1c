// The credits screen of the main menu: six lines that swing in from below and out again, the web
// addresses and the two-frame picture.
#include "game/TMainMenu.h"

#include "framework/graphics/Image.h"
#include "game/GameGraphics.h"
#include "game/MenuLayout.h"
#include "game/ScreenFade.h"
#include "game/TFramework.h"

#include <array>
#include <cmath>
#include <numbers>

namespace {

// A credit line: its text, where it rests, its offset field and the frames after which it moves
// in and out (the top line comes in first and leaves last).
struct TCreditLine {
    const char* text;
    int32_t baseY;
    float TMainMenu::*offset;
    int32_t moveInAfter;
    int32_t moveOutAfter;
};

const std::array<TCreditLine, 6> CreditLines = {{
    {"Coding by", 100, &TMainMenu::codeByText, 0, 50},
    {"Varn Dovrak", 150, &TMainMenu::varnText, 10, 40},
    {"SFX, GFX and Music by", 250, &TMainMenu::gfxbyText, 20, 30},
    {"Tibbe Halme", 300, &TMainMenu::tibbeText, 30, 20},
    {"Female voice", 400, &TMainMenu::voicesText, 40, 10},
    {"Seyla Fenrow", 450, &TMainMenu::seylaText, 50, 0},
}};

// One step of a credit line: the sine of a tenth of the offset, in degrees, computed in double
// precision; the result is kept as a float like the offsets themselves.
float CreditStep(float offset, int32_t sign)
{
    const double radians = static_cast<double>(offset) / 10.0 * std::numbers::pi / 180.0;
    return static_cast<float>(static_cast<double>(offset) + sign * 30.0 * std::sin(radians));
}

}  // namespace

void TMainMenu::DrawWebAddresses(int32_t grey)
{
    TFramework::DrawCentredShadowTextSmall("www.varn-dovrak.example", MenuCentreX, 174, grey);
    TFramework::DrawCentredShadowTextSmall("www.tibbe-halme.example", MenuCentreX, 324, grey);
}

void TMainMenu::DrawCreditsEnvironment(int32_t grey)
{
    guruCounter = (guruCounter + 1) % 121;
    DrawFrameRow();
    SetColor(grey, grey, grey);
    DrawImage(CreditsBackgroundImage, MenuCentreX,
              ImageHeight(TopBorderImage) + ImageHeight(ExitPipesInnerPaneImage) / 2);
    // Sixty frames one way, sixty-one the other.
    DrawImage(GuruAnimImage, MenuCentreX, 648, guruCounter < 60 ? 0 : 1);
    SetColor(255, 255, 255);
    DrawImage(ExitPipesInnerPaneImage, MenuCentreX, MenuPaneY);
    DrawWebAddresses(grey);
}

void TMainMenu::DrawCreditLines(bool movingIn)
{
    creditsCounter += 1;
    for (const TCreditLine& line : CreditLines) {
        float& offset = this->*line.offset;
        if (movingIn) {
            if (offset > 0.0f && creditsCounter > line.moveInAfter) offset = CreditStep(offset, -1);
        } else {
            if (offset < 900.0f && creditsCounter > line.moveOutAfter) offset = CreditStep(offset, 1);
        }
        TFramework::DrawCentredShadowText(line.text, MenuCentreX,
                                          static_cast<int32_t>(static_cast<float>(line.baseY) + offset), 255);
    }
}

void TMainMenu::DrawCredits()
{
    DrawCreditLines(true);
    DrawWebAddresses(255);
}

void TMainMenu::DrawCreditsOut() { DrawCreditLines(false); }

void TMainMenu::ShowCredits()
{
    SetTraceScreen("credits");
    creditsCounter = 0;
    const auto environment = [&](int32_t c) { DrawCreditsEnvironment(c); };
    FadeIn(environment);
    HoldUntil(SelectKeyDown, [&] {
        DrawCreditsEnvironment(255);
        DrawCredits();
    });
    // Lines still coming in are snapped just below their places, so all leave the same way.
    for (const TCreditLine& line : CreditLines) this->*line.offset = 1.0f;
    creditsCounter = 0;
    HoldUntil([&] { return !(codeByText < 900.0f); },
              [&] {
                  DrawCreditsEnvironment(255);
                  DrawCreditsOut();
              });
    FadeOut(environment);
    ClearKeyboard();
}
