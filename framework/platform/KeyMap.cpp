// SDL key codes to the virtual-key numbering of TEvent, and typed UTF-8 text to Latin-1.
#include "framework/platform/Platform.h"

#include <SDL.h>

namespace {

// Keys whose code does not depend on the keyboard layout.
int32_t VirtualKeyFromScancode(int32_t scancode)
{
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) return 'A' + (scancode - SDL_SCANCODE_A);
    // The digit row counts 1..9 then 0.
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return '1' + (scancode - SDL_SCANCODE_1);
    if (scancode == SDL_SCANCODE_0) return '0';
    if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12) return 112 + (scancode - SDL_SCANCODE_F1);
    if (scancode >= SDL_SCANCODE_F13 && scancode <= SDL_SCANCODE_F24) return 124 + (scancode - SDL_SCANCODE_F13);
    if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9) return 97 + (scancode - SDL_SCANCODE_KP_1);
    switch (scancode) {
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_KP_ENTER:
    case SDL_SCANCODE_RETURN2:
        return 13;
    case SDL_SCANCODE_ESCAPE:
        return 27;
    case SDL_SCANCODE_BACKSPACE:
        return 8;
    case SDL_SCANCODE_TAB:
        return 9;
    case SDL_SCANCODE_SPACE:
        return 32;
    case SDL_SCANCODE_CLEAR:
        return 12;
    case SDL_SCANCODE_PAUSE:
        return 19;
    case SDL_SCANCODE_CAPSLOCK:
        return 20;
    case SDL_SCANCODE_PAGEUP:
        return 33;
    case SDL_SCANCODE_PAGEDOWN:
        return 34;
    case SDL_SCANCODE_END:
        return 35;
    case SDL_SCANCODE_HOME:
        return 36;
    case SDL_SCANCODE_LEFT:
        return 37;
    case SDL_SCANCODE_UP:
        return 38;
    case SDL_SCANCODE_RIGHT:
        return 39;
    case SDL_SCANCODE_DOWN:
        return 40;
    case SDL_SCANCODE_PRINTSCREEN:
        return 44;
    case SDL_SCANCODE_INSERT:
        return 45;
    case SDL_SCANCODE_DELETE:
        return 46;
    case SDL_SCANCODE_LGUI:
        return 91;
    case SDL_SCANCODE_RGUI:
        return 92;
    case SDL_SCANCODE_APPLICATION:
        return 93;
    case SDL_SCANCODE_KP_0:
        return 96;
    case SDL_SCANCODE_KP_MULTIPLY:
        return 106;
    case SDL_SCANCODE_KP_PLUS:
        return 107;
    case SDL_SCANCODE_KP_MINUS:
        return 109;
    case SDL_SCANCODE_KP_PERIOD:
    case SDL_SCANCODE_KP_DECIMAL:
        return 110;
    case SDL_SCANCODE_KP_DIVIDE:
        return 111;
    case SDL_SCANCODE_NUMLOCKCLEAR:
        return 144;
    case SDL_SCANCODE_SCROLLLOCK:
        return 145;
    case SDL_SCANCODE_LSHIFT:
        return 160;
    case SDL_SCANCODE_RSHIFT:
        return 161;
    case SDL_SCANCODE_LCTRL:
        return 162;
    case SDL_SCANCODE_RCTRL:
        return 163;
    case SDL_SCANCODE_LALT:
        return 164;
    case SDL_SCANCODE_RALT:
        return 165;
    case SDL_SCANCODE_SEMICOLON:
        return 186;
    case SDL_SCANCODE_EQUALS:
        return 187;
    case SDL_SCANCODE_COMMA:
        return 188;
    case SDL_SCANCODE_MINUS:
        return 189;
    case SDL_SCANCODE_PERIOD:
        return 190;
    case SDL_SCANCODE_SLASH:
        return 191;
    case SDL_SCANCODE_GRAVE:
        return 192;
    case SDL_SCANCODE_LEFTBRACKET:
        return 219;
    case SDL_SCANCODE_BACKSLASH:
        return 220;
    case SDL_SCANCODE_RIGHTBRACKET:
        return 221;
    case SDL_SCANCODE_APOSTROPHE:
        return 222;
    case SDL_SCANCODE_NONUSBACKSLASH:
        return 226;
    default:
        return 0;
    }
}

}  // namespace

int32_t VirtualKeyFromSdl(int32_t sdlKey, int32_t sdlScancode)
{
    // Letters follow the layout (the key that types "M" is key M), as virtual keys do;
    // everything else, including letters of non-Latin layouts, goes by key position.
    if (sdlKey >= SDLK_a && sdlKey <= SDLK_z) return 'A' + (sdlKey - SDLK_a);
    return VirtualKeyFromScancode(sdlScancode);
}

std::string Latin1FromUtf8(const std::string& utf8)
{
    std::string out;
    size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<uint8_t>(utf8[i]);
        int32_t length = 1;
        uint32_t code = lead;
        if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07u;
        } else if (lead >= 0xE0) {
            length = lead <= 0xEF ? 3 : 0;
            code = lead & 0x0Fu;
        } else if (lead >= 0xC2) {
            length = lead <= 0xDF ? 2 : 0;
            code = lead & 0x1Fu;
        } else if (lead >= 0x80) {
            length = 0;  // a stray continuation byte or an overlong lead
        }
        if (length == 0) {
            ++i;
            continue;
        }
        bool valid = i + static_cast<size_t>(length) <= utf8.size();
        for (int32_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<uint8_t>(utf8[i + static_cast<size_t>(k)]);
            if ((next & 0xC0u) != 0x80u) valid = false;
            code = (code << 6) | (next & 0x3Fu);
        }
        if (!valid) {
            // Skip only the lead byte so a following well-formed character still decodes.
            ++i;
            continue;
        }
        i += static_cast<size_t>(length);
        // Three- and four-byte forms hold characters above 255 unless they are overlong.
        if (length <= 2 && code <= 0xFF) out.push_back(static_cast<char>(code));
    }
    return out;
}
