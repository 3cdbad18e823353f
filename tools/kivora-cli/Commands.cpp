#include "tools/kivora-cli/Commands.h"

#include <array>
#include <cstdio>
#include <string>

namespace kivora::cli {

// Each command is defined in its own file; keep this table in alphabetical order.
namespace {
const std::array<Command, 12> kCommands{{
    {"bundle", "OUTDIR RECORDING...", runBundle},
    {"concat", "OUTPUT INPUT...", runConcat},
    {"csv", "SOURCE OUTDIR", runCsv},
    {"democard", "OUTDIR [options] (--help)", runDemocard},
    {"info", "MOVIE", runInfo},
    {"name", "PATH...", runName},
    {"repair", "BROKEN [--template HEALTHY] OUTPUT", runRepair},
    {"scan", "SOURCE [--filter C,S,M,P,PS]", runScan},
    {"skin-gallery", "OUTDIR", runSkinGallery},
    {"snapshot", "MOVIE FRAME OUT.jpg [--sub]", runSnapshot},
    {"telemetry", "MOVIE [--format json|csv|gpx]", runTelemetry},
    {"verify", "BUNDLE", runVerify},
}};

void printUsage()
{
    std::fputs("usage: kivora-cli COMMAND [ARGS...]\n\ncommands:\n", stderr);
    for (const Command& c : kCommands)
        std::fprintf(stderr, "  %.*s %.*s\n", int(c.name.size()), c.name.data(), int(c.usage.size()),
                     c.usage.data());
}
} // namespace

std::span<const Command> commands() { return kCommands; }

int runCommandLine(int argc, char** argv)
{
    if (argc < 2) {
        printUsage();
        return 2;
    }
    const std::string_view name = argv[1];
    for (const Command& c : kCommands) {
        if (c.name != name)
            continue;
        const int status = c.run(std::span<char*>(argv + 2, static_cast<std::size_t>(argc - 2)));
        // Output lost to a full disk or a closed pipe is work not done. A failed write can leave
        // nothing for the last flush to fail on, so the stream's error flag is asked too.
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            std::fprintf(stderr, "kivora-cli %s: cannot write the output\n", argv[1]);
            return status == 0 ? 1 : status;
        }
        return status;
    }
    std::fprintf(stderr, "kivora-cli: unknown command '%s'\n", argv[1]);
    printUsage();
    return 2;
}

} // namespace kivora::cli
