// Stands in for <jpeglib.h> in the game's own units, which reach libjpeg only through the framework.
#error "game/ must not include <jpeglib.h>: load pictures through framework/graphics"
