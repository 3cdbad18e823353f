// kivora-cli's repair command, the same code, in a process that loads only the recording library
// and FFmpeg's codecs: its run time is then the repair, not the loading of the window libraries
// that the full tool carries for its other commands. Usage: bench_repair_command ARGS... (as
// kivora-cli repair).

#include "tools/kivora-cli/Commands.h"

#include <span>

int main(int argc, char** argv)
{
    return kivora::cli::runRepair(std::span<char*>(argv + 1, static_cast<std::size_t>(argc - 1)));
}
