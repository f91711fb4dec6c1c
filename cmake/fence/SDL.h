// Stands in for <SDL.h> in the game's own units, which reach SDL only through the framework.
#error "game/ must not include <SDL.h>: windows, events and controllers belong to framework/platform"
