// Registration of the embedded fonts with the stream layer.
#include "fonts/EmbeddedFonts.h"

#include "framework/system/Embedded.h"

#include <cstdint>

extern "C" {
extern const uint8_t krellix_display_font[];
extern const int32_t krellix_display_font_size;
extern const uint8_t krellix_sans_font[];
extern const int32_t krellix_sans_font_size;
}

void RegisterEmbeddedFonts()
{
    RegisterEmbeddedFile("armorpiercing/ap.ttf", krellix_display_font, krellix_display_font_size);
    RegisterEmbeddedFile("fonts/arial.ttf", krellix_sans_font, krellix_sans_font_size);
}
