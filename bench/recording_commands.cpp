// kivora-cli's scan and concat commands, the same code, in a process that loads only the recording
// library: their run time is then the scan or the join, not the loading of the window and codec
// libraries that the full tool carries for its other commands (about 0.2 s of CPU per start).
// Usage: bench_recording_commands scan|concat ARGS... (as kivora-cli).

#include "tools/kivora-cli/Commands.h"

#include <cstdio>
#include <cstring>
#include <span>

int main(int argc, char** argv)
{
    if (argc >= 2) {
        const std::span<char*> args(argv + 2, static_cast<std::size_t>(argc - 2));
        if (std::strcmp(argv[1], "scan") == 0)
            return kivora::cli::runScan(args);
        if (std::strcmp(argv[1], "concat") == 0)
            return kivora::cli::runConcat(args);
    }
    std::fputs("usage: bench_recording_commands scan|concat ARGS...\n", stderr);
    return 2;
}
