#include "StopSignals.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t s_received = 0;

extern "C" void noteSignal(int signal)
{
    s_received = signal;
}

} // namespace

namespace StopSignals {

void install()
{
    struct sigaction action
    {
    };
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    // Reads and writes go on after the handler; the run stops at its next
    // look.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int received()
{
    return s_received;
}

} // namespace StopSignals
