// Stands in for <GL/gl.h> in the game's own units, which reach OpenGL only through the framework.
#error "game/ must not include <GL/gl.h>: draw through framework/graphics"
