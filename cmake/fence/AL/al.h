// Stands in for <AL/al.h> in the game's own units, which reach OpenAL only through the framework.
#error "game/ must not include <AL/al.h>: play sounds through framework/audio"
