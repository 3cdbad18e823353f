// kivora-cli repair BROKEN [--template HEALTHY] OUTPUT: rebuilds a movie cut at power loss with a
// healthy movie of the same camera as template (by default the closest one in BROKEN's folder
// that fits). Progress goes to stderr; BROKEN is never changed, and a failure writes nothing.

#include "tools/kivora-cli/Commands.h"
#include "tools/kivora-cli/InterruptStop.h"

#include "kivora/playback/FfmpegSampleJudge.h"
#include "kivora/recording/CardLayout.h"
#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/MovieRepair.h"

#include <cstdio>
#include <string>
#include <vector>

namespace kivora::cli {

namespace {

constexpr const char* kUsage = "usage: kivora-cli repair BROKEN [--template HEALTHY] OUTPUT\n";

void fail(const std::string& message)
{
    std::fprintf(stderr, "kivora-cli repair: %s\n", message.c_str());
}

} // namespace

int runRepair(std::span<char*> args)
{
    using namespace recording;
    namespace fs = std::filesystem;
    std::vector<std::string> positional;
    std::string templateArg;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string a = args[i];
        if (a == "--template" && i + 1 < args.size())
            templateArg = args[++i];
        else if (a.starts_with("--"))
            return std::fputs(kUsage, stderr), 2;
        else
            positional.push_back(a);
    }
    if (positional.size() != 2)
        return std::fputs(kUsage, stderr), 2;
    const fs::path broken = positional[0], output = positional[1];
    std::error_code ec;
    if (!fs::is_regular_file(broken, ec)) {
        fail("no such movie: " + broken.string());
        return 1;
    }
    const fs::path outFolder = output.parent_path().empty() ? fs::path(".") : output.parent_path();
    if (IsRecorderFolder(outFolder)) {
        fail("choose an output folder outside the recorder's own folders: " + outFolder.string());
        return 1;
    }
    // The recording's data file follows the layout of the card it comes from.
    const ThreadLayoutScope layout(MovieLayout(broken));
    const InterruptStop interrupt;
    const WriteStop stop = [&interrupt] { return interrupt.requested(); };

    const std::vector<fs::path> candidates
        = templateArg.empty() ? TemplateCandidates(broken) : std::vector<fs::path> { templateArg };
    if (candidates.empty()) {
        fail("no healthy movie beside " + broken.filename().string()
            + " to serve as template; name one with --template");
        return 1;
    }
    // The judge probes sound frames with packets cut short on purpose; the decoders' complaints
    // about them are expected.
    av_log_set_level(AV_LOG_FATAL);
    int shown = -1;
    const WriteProgress progress = [&shown](std::uint64_t done, std::uint64_t total) {
        const int percent = total ? int(done * 100 / total) : 100;
        if (percent / 10 != shown / 10) {
            shown = percent;
            std::fprintf(stderr, "kivora-cli repair: %d%%\n", percent);
        }
    };
    std::string lastError;
    for (const fs::path& candidate : candidates) {
        std::string error;
        const auto tpl = ReadRepairTemplate(candidate, error);
        if (!tpl) {
            lastError = error;
            continue;
        }
        auto judge = playback::FfmpegSampleJudge::create(*tpl, error);
        if (!judge) {
            lastError = error;
            continue;
        }
        const RepairResult r = RepairMovie(broken, *tpl, *judge, output, progress, stop);
        if (r.status == RepairStatus::Cancelled) {
            fail("interrupted; nothing written");
            return kInterruptedStatus;
        }
        if (r.status == RepairStatus::Repaired) {
            std::fprintf(stderr,
                "kivora-cli repair: %llu video frames, %llu sound frames kept with template %s; "
                "%llu bytes after the cut dropped%s\n",
                static_cast<unsigned long long>(r.videoFrames),
                static_cast<unsigned long long>(r.soundFrames), candidate.filename().c_str(),
                static_cast<unsigned long long>(r.lostBytes), r.telemetry ? "" : "; no telemetry");
            if (r.damagedStretches)
                std::fprintf(stderr,
                    "kivora-cli repair: %llu damaged stretches (%llu bytes) passed over to the next key "
                    "frame\n",
                    static_cast<unsigned long long>(r.damagedStretches),
                    static_cast<unsigned long long>(r.damagedBytes));
            if (r.endedAtDamage)
                std::fputs("kivora-cli repair: ended at damage: without a data file the data after it may be "
                           "an older recording's\n",
                    stderr);
            if (r.olderDataAfterCut)
                std::fputs(
                    "kivora-cli repair: the data after the cut is an older recording's; it was left out\n",
                    stderr);
            std::printf("%s\n", output.c_str());
            return 0;
        }
        // Only a template that does not fit makes another one worth trying.
        if (r.status != RepairStatus::TemplateMismatch) {
            fail(broken.filename().string() + ": " + r.error);
            return 1;
        }
        lastError = r.error;
    }
    fail(broken.filename().string() + ": "
        + (candidates.size() > 1 ? "no movie beside it fits as template; last: " : "") + lastError);
    return 1;
}

} // namespace kivora::cli
