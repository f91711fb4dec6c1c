// Stands in for <png.h> in the game's own units, which reach libpng only through the framework.
#error "game/ must not include <png.h>: load pictures through framework/graphics"
