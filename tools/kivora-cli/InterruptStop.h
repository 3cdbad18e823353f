#pragma once

// Ctrl-C or a SIGTERM during a long command: the handler only raises a flag that the job polls, so
// the job ends through its own stop path and removes what it staged instead of dying half-way.

#include <atomic>

namespace kivora::cli {

// Exit status of a command stopped by a signal, as shells report it for SIGINT.
inline constexpr int kInterruptedStatus = 130;

class InterruptStop {
public:
    // Catches SIGINT and SIGTERM until destroyed; the handlers before it come back then.
    InterruptStop();
    ~InterruptStop();
    InterruptStop(const InterruptStop&) = delete;
    InterruptStop& operator=(const InterruptStop&) = delete;

    bool requested() const { return flag().load(); }
    // The flag the handler sets; lives as long as the process.
    static const std::atomic<bool>& flag();
};

} // namespace kivora::cli
