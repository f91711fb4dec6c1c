// One line of the main menu: its title, the entry it stands for and the explanation under it.
#include "game/TMenuEntry.h"

TMenuEntryPtr TMenuEntry::Create(const std::string& text, int32_t selection, const std::string& infotext)
{
    auto entry = std::make_shared<TMenuEntry>();
    entry->MenuText = text;
    entry->menuSelection = selection;
    entry->menuInfotext = infotext;
    return entry;
}
