// One line of the main menu: its title, the entry it stands for and the explanation under it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class TMenuEntry;
using TMenuEntryPtr = std::shared_ptr<TMenuEntry>;

class TMenuEntry {
public:
    // Drawn large; Pad Movement's title changes with the mode.
    std::string MenuText;
    // One of TMainMenu's MenuEntry_ values.
    int32_t menuSelection = 0;
    // Drawn small under the title.
    std::string menuInfotext;

    static TMenuEntryPtr Create(const std::string& text, int32_t selection, const std::string& infotext);
};
