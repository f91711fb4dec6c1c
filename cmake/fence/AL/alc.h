// Stands in for <AL/alc.h> in the game's own units, which reach OpenAL only through the framework.
#error "game/ must not include <AL/alc.h>: play sounds through framework/audio"
