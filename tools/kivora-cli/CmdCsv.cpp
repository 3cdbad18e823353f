// kivora-cli csv SOURCE OUTDIR: writes the CSV listing of every recording of SOURCE (a folder or a
// movie) into OUTDIR and prints the listing's path.

#include "tools/kivora-cli/Commands.h"

#include "kivora/export/CsvListing.h"
#include "kivora/recording/CardLayout.h"
#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/MovieAtoms.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/recording/RecordingScan.h"

#include <cstdio>
#include <vector>

namespace kivora::cli {

int runCsv(std::span<char*> args)
{
    using namespace recording;
    namespace fs = std::filesystem;
    if (args.size() != 2) {
        std::fputs("usage: kivora-cli csv SOURCE OUTDIR\n", stderr);
        return 2;
    }
    const fs::path source = args[0];
    const fs::path outDir = args[1];
    std::error_code ec;
    if (!fs::exists(source, ec)) {
        std::fprintf(stderr, "kivora-cli csv: '%s' does not exist\n", source.c_str());
        return 1;
    }
    setCurrentLayout(0);
    DetectLayout(source);
    ResetCreationCounter();
    std::vector<RecordingEntry> selection;
    if (fs::is_directory(source, ec)) {
        int counter = 0;
        // The size read by the movie test's open serves the entry: each movie is opened once.
        const auto isMovie = [](const fs::path& p) {
            std::uint64_t size = 0;
            return IsMovieFile(p, size) ? MovieVerdict(true, size) : MovieVerdict(false);
        };
        CollectFlat(source, isMovie, selection, counter);
    } else if (IsMovieExtension(source) && IsMovieFile(source)) {
        MakeRecordingEntry(source, selection);
    }
    if (selection.empty()) {
        std::fprintf(stderr, "kivora-cli csv: there are no movie files in '%s'\n", source.c_str());
        return 1;
    }
    const exporting::CsvResult result = exporting::WriteCsvListing(selection, outDir);
    if (!result.ok) {
        std::fprintf(stderr, "kivora-cli csv: %s\n", result.error.c_str());
        return 1;
    }
    std::printf("%s\n", result.path.c_str());
    return 0;
}

} // namespace kivora::cli
