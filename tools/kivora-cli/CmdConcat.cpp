// kivora-cli concat OUTPUT INPUT...: joins the movies, in order, into OUTPUT with a new data file
// at OUTPUT's data path. Progress goes to stderr; a failure leaves OUTPUT as it was.

#include "tools/kivora-cli/Commands.h"
#include "tools/kivora-cli/InterruptStop.h"

#include "kivora/recording/CardLayout.h"
#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/MovieWriter.h"
#include "kivora/recording/RecordingName.h"

#include <cstdio>
#include <vector>

namespace kivora::cli {

int runConcat(std::span<char*> args)
{
    using namespace recording;
    namespace fs = std::filesystem;
    if (args.size() < 2) {
        std::fputs("usage: kivora-cli concat OUTPUT INPUT...\n", stderr);
        return 2;
    }
    const fs::path output = args[0];
    std::vector<fs::path> inputs(args.begin() + 1, args.end());
    // The inputs' data files follow the layout of the card they come from.
    const ThreadLayoutScope layout(MovieLayout(inputs.front()));
    const InterruptStop interrupt;
    int shown = -1;
    const WriteProgress progress = [&shown](std::uint64_t done, std::uint64_t total) {
        const int percent = total ? int(done * 100 / total) : 100;
        if (percent != shown) {
            shown = percent;
            std::fprintf(stderr, "kivora-cli concat: %d%%\n", percent);
        }
    };
    std::string error, note;
    bool cancelled = false;
    if (!ConcatenateMovies(
            inputs, output, error, note, progress, [&interrupt] { return interrupt.requested(); },
            &cancelled)) {
        std::fprintf(
            stderr, "kivora-cli concat: %s\n", cancelled ? "interrupted; nothing written" : error.c_str());
        return cancelled ? kInterruptedStatus : 1;
    }
    std::printf("%s\n", output.c_str());
    if (note.empty())
        std::printf("%s\n", DataPath(output).c_str());
    else
        std::fprintf(stderr, "kivora-cli concat: no data file written (%s)\n", note.c_str());
    return 0;
}

} // namespace kivora::cli
