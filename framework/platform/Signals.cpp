// SIGINT and SIGTERM as a request to end: the game sees them as it sees the window being closed.
#include "framework/platform/Platform.h"

#include <atomic>
#include <csignal>

namespace {

// Written by the handler, read and cleared by the game's thread.
std::atomic<int> Pending{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free flag");

void OnTerminationSignal(int) { Pending.store(1); }

}  // namespace

void InstallTerminationSignals()
{
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    // A second signal, while the game is still ending, ends the program at once.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool TakeTerminationSignal() { return Pending.exchange(0) != 0; }
