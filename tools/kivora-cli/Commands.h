#pragma once

#include <span>
#include <string_view>

namespace kivora::cli {

// A headless command: args excludes the program and command names.
// Output goes to stdout, messages to stderr; returns the process exit status.
using CommandFn = int (*)(std::span<char*> args);

struct Command {
    std::string_view name;
    std::string_view usage;
    CommandFn run;
};

std::span<const Command> commands();
int runCommandLine(int argc, char** argv);

// The commands, one per Cmd<Name>.cpp.
int runBundle(std::span<char*> args);
int runConcat(std::span<char*> args);
int runCsv(std::span<char*> args);
int runDemocard(std::span<char*> args);
int runInfo(std::span<char*> args);
int runName(std::span<char*> args);
int runRepair(std::span<char*> args);
int runScan(std::span<char*> args);
int runSkinGallery(std::span<char*> args);
int runSnapshot(std::span<char*> args);
int runTelemetry(std::span<char*> args);
int runVerify(std::span<char*> args);

} // namespace kivora::cli
