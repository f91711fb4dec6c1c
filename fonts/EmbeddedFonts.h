// The two fonts compiled into the program.
#pragma once

// Registers the display face as "armorpiercing/ap.ttf" and the sans face as "fonts/arial.ttf",
// to be opened as "incbin::armorpiercing/ap.ttf" and "incbin::fonts/arial.ttf".
void RegisterEmbeddedFonts();
