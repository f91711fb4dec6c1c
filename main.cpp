// Program entry: the command line, then the game's start-up, menu and shut-down.
#include <cstdio>

int main()
{
    std::puts("Krellix " KRELLIX_VERSION ": the framework is being built; nothing to play yet.");
    return 0;
}
