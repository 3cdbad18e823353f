#include "tools/kivora-cli/InterruptStop.h"

#include <csignal>

namespace kivora::cli {

namespace {

std::atomic<bool> g_interrupted { false };
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

struct sigaction g_oldInt { };
struct sigaction g_oldTerm { };

extern "C" void onInterrupt(int)
{
    g_interrupted.store(true);
}

} // namespace

InterruptStop::InterruptStop()
{
    g_interrupted = false;
    struct sigaction action { };
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, &g_oldInt);
    ::sigaction(SIGTERM, &action, &g_oldTerm);
}

InterruptStop::~InterruptStop()
{
    ::sigaction(SIGINT, &g_oldInt, nullptr);
    ::sigaction(SIGTERM, &g_oldTerm, nullptr);
}

const std::atomic<bool>& InterruptStop::flag()
{
    return g_interrupted;
}

} // namespace kivora::cli
