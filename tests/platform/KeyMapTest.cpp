// Virtual-key codes of SDL keys and the Latin-1 decoding of typed text.
#include "framework/platform/Platform.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace {

struct TKeyCase {
    SDL_Keycode key;
    SDL_Scancode scancode;
    int32_t expected;
};

TEST(KeyMap, SdlKeysBecomeVirtualKeys)
{
    const TKeyCase cases[] = {
        {SDLK_RETURN, SDL_SCANCODE_RETURN, 13},
        {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, 13},
        {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 27},
        {SDLK_SPACE, SDL_SCANCODE_SPACE, 32},
        {SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, 8},
        {SDLK_TAB, SDL_SCANCODE_TAB, 9},
        {SDLK_LEFT, SDL_SCANCODE_LEFT, 37},
        {SDLK_RIGHT, SDL_SCANCODE_RIGHT, 39},
        {SDLK_HOME, SDL_SCANCODE_HOME, 36},
        {SDLK_DELETE, SDL_SCANCODE_DELETE, 46},
        {SDLK_a, SDL_SCANCODE_A, 'A'},
        {SDLK_z, SDL_SCANCODE_Z, 'Z'},
        // A French keyboard: the key at Q's place types A, and is key A.
        {SDLK_a, SDL_SCANCODE_Q, 'A'},
        // A Russian keyboard types a Cyrillic letter: the key's place decides.
        {0x0444, SDL_SCANCODE_A, 'A'},
        {SDLK_0, SDL_SCANCODE_0, '0'},
        {SDLK_1, SDL_SCANCODE_1, '1'},
        // A French digit row types "&" unshifted; the key is still 1.
        {SDLK_AMPERSAND, SDL_SCANCODE_1, '1'},
        {SDLK_F1, SDL_SCANCODE_F1, 112},
        {SDLK_F12, SDL_SCANCODE_F12, 123},
        {SDLK_F13, SDL_SCANCODE_F13, 124},
        {SDLK_KP_0, SDL_SCANCODE_KP_0, 96},
        {SDLK_KP_1, SDL_SCANCODE_KP_1, 97},
        {SDLK_KP_9, SDL_SCANCODE_KP_9, 105},
        {SDLK_KP_DIVIDE, SDL_SCANCODE_KP_DIVIDE, 111},
        {SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, 160},
        {SDLK_LCTRL, SDL_SCANCODE_LCTRL, 162},
        {SDLK_LALT, SDL_SCANCODE_LALT, 164},
        {SDLK_RALT, SDL_SCANCODE_RALT, 165},
        {SDLK_LGUI, SDL_SCANCODE_LGUI, 91},
        {SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON, 186},
        {SDLK_QUOTE, SDL_SCANCODE_APOSTROPHE, 222},
        {SDLK_PAUSE, SDL_SCANCODE_PAUSE, 19},
        // Keys with no virtual key are dropped.
        {SDLK_AUDIONEXT, SDL_SCANCODE_AUDIONEXT, 0},
        {SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN, 0},
    };
    for (const TKeyCase& c : cases)
        EXPECT_EQ(VirtualKeyFromSdl(c.key, c.scancode), c.expected) << SDL_GetScancodeName(c.scancode);
}

TEST(KeyMap, TypedTextBecomesLatin1)
{
    struct TCase {
        std::string utf8;
        std::string latin1;
    };
    const TCase cases[] = {
        {"abc", "abc"},
        {"\xC3\xA9", "\xE9"},  // e acute
        {"\xC3\xBF", "\xFF"},  // y diaeresis, the last Latin-1 character
        {"\xC2\xA0", "\xA0"},  // no-break space
        {"\xE2\x82\xAC", ""},  // the euro sign is above 255
        {"a\xF0\x9F\x98\x80"
         "b",
         "ab"},        // an emoji between letters
        {"\xC3", ""},  // cut short
        {"\xC3"
         "A",
         "A"},  // lead byte without its continuation
        {"\x80"
         "A",
         "A"},                         // stray continuation byte
        {"\xC0\x81", ""},              // overlong two-byte form
        {"\xE0\x81\x81", ""},          // overlong three-byte "A"
        {"\xF8\x88\x80\x80\x80", ""},  // five-byte forms do not exist
        {"Gr\xC3\xBC\xC3\x9F"
         "e",
         "Gr\xFC\xDF"
         "e"},
    };
    for (const TCase& c : cases) EXPECT_EQ(Latin1FromUtf8(c.utf8), c.latin1) << c.utf8;
}

}  // namespace
