// The one-line text field in which a player types a name: upper case, backspace, 200 pixels wide.
#include "game/TTextInput.h"

#include "framework/graphics/Font.h"
#include "framework/system/Input.h"
#include "game/TFramework.h"

namespace {

constexpr uint8_t Backspace = 8;

// Characters a name never takes: the two slashes, escape and tab, and every other control code
// (Latin-1's upper ones too), since a line break or carriage return in a name would split its
// record in the player file and the others draw as nothing.
bool Refused(uint8_t c) { return c == '\\' || c == '/' || c < 32 || (c >= 127 && c <= 0x9F); }

}  // namespace

TTextInputPtr TTextInput::Create(uint16_t x, uint16_t y)
{
    auto input = std::make_shared<TTextInput>();
    input->x = x;
    input->y = y;
    return input;
}

uint8_t TTextInput::UpperLatin1(uint8_t c)
{
    if (c >= 'a' && c <= 'z') return static_cast<uint8_t>(c - 32);
    // à to þ sit 32 above À to Þ, except the division sign, which has no capital (nor has ß or ÿ).
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<uint8_t>(c - 32);
    return c;
}

void TTextInput::Update()
{
    const auto c = static_cast<uint8_t>(NextTypedChar() & 0xFF);
    if (c == 0) return;
    if (c == Backspace) {
        if (!txt.empty()) txt.pop_back();
    } else if (!Refused(c)) {
        txt.push_back(static_cast<char>(UpperLatin1(c)));
    }
    // A character that would make the name too wide is taken back before it is ever drawn.
    if (TextWidth(txt) > MaxWidth) txt.pop_back();
    width = static_cast<uint16_t>(TextWidth(txt) & 0xFFFF);
}

void TTextInput::Draw(int32_t grey) const { TFramework::DrawCentredShadowText(txt, 384, 450, grey); }
