// The real millisecond clock of a windowed run: the system layer's steady clock (time since boot,
// wrapping at 32 bits, millisecond resolution) with a sleep that really waits.
#include "framework/platform/Platform.h"

std::shared_ptr<TClock> CreateRealClock() { return std::make_shared<TSteadyClock>(); }
