// Giving memory the program has freed back to the system.
#pragma once

// Hands the pages of freed memory back to the system. The allocator keeps what a level's picture
// and music decodes have freed, scattered among blocks still in use, and the process's memory
// creeps up level after level; this stops that. Takes a few milliseconds: for moments such as a
// level's start, not for every frame.
void ReturnFreedMemory();
