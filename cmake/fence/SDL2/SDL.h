// Stands in for <SDL2/SDL.h> in the game's own units, which reach SDL only through the framework.
#error "game/ must not include <SDL2/SDL.h>: windows, events and controllers belong to framework/platform"
