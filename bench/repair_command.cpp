// kivora-cli's repair command, the same code, in a process that loads only the recording library
// and FFmpeg's codecs: its run time is then the repair, not the loading of the window libraries
// that the full tool carries for its other commands. With BENCH_SECONDS_FILE set, the repair's own
// time (without the process start, which the viewer has behind it) is written there.
// Usage: bench_repair_command ARGS... (as kivora-cli repair).

#include "tools/kivora-cli/Commands.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <span>

int main(int argc, char** argv)
{
    const auto started = std::chrono::steady_clock::now();
    const int status = kivora::cli::runRepair(std::span<char*>(argv + 1, static_cast<std::size_t>(argc - 1)));
    if (const char* file = std::getenv("BENCH_SECONDS_FILE"))
        std::ofstream(file) << std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return status;
}
