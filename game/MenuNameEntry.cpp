// The new-player screen of the main menu: a prompt over the menu's backdrop and the name field,
// until Return hands the typed name to the player table.
#include "game/TMainMenu.h"

#include "game/MenuLayout.h"
#include "game/ScreenFade.h"
#include "game/TFramework.h"
#include "game/TTextInput.h"
#include "game/TUserEntry.h"

namespace {

// The prompt's height; the field itself draws the name below it.
constexpr int32_t PromptY = 400;

}  // namespace

void TMainMenu::ShowNewUser(int32_t grey)
{
    SetTraceScreen("newplayer");
    const char* const prompt = "Please enter your name:";
    const TTextInputPtr input = TTextInput::Create(160, 125);
    FadeIn([&](int32_t c) {
        DrawEnvironment(255, 0);
        TFramework::DrawCentredShadowText(prompt, MenuCentreX, PromptY, c);
    });
    ClearKeyboard();
    HoldUntil([] { return KeyIsDown(KEY_ENTER); },
              [&] {
                  DrawEnvironment(255, 0);
                  TFramework::DrawCentredShadowText(prompt, MenuCentreX, PromptY, grey);
                  // Draw leaves the large font selected, in which Update measures the name.
                  input->Draw(grey);
                  input->Update();
              });
    TUserEntry::LoadUser(input->txt);
    ClearKeyboard();
    FadeOut([&](int32_t c) {
        DrawEnvironment(255, 0);
        TFramework::DrawCentredShadowText(prompt, MenuCentreX, PromptY, c);
        input->Draw(c);
    });
}
