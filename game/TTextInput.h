// The one-line text field in which a player types a name: upper case, backspace, 200 pixels wide.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class TTextInput;
using TTextInputPtr = std::shared_ptr<TTextInput>;

class TTextInput {
public:
    static constexpr int32_t MaxWidth = 200;

    // Where the field was created; drawing does not use it.
    uint16_t x = 0;
    uint16_t y = 0;
    // The text typed so far, Latin-1.
    std::string txt;
    // Drawn width of txt after the last character taken.
    uint16_t width = 0;

    static TTextInputPtr Create(uint16_t x, uint16_t y);
    // Takes at most one typed character and edits txt with it; the width limit is measured in
    // the font that is current.
    void Update();
    // The text centred on (384, 450) in the large font, grey capping its colour.
    void Draw(int32_t grey) const;

    // The capital of a Latin-1 letter (accented ones included); other codes unchanged.
    static uint8_t UpperLatin1(uint8_t c);
};
