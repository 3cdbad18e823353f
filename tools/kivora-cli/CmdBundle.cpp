// kivora-cli bundle OUTDIR RECORDING...: an evidence bundle of the recordings in OUTDIR; prints
// its folder. kivora-cli verify BUNDLE: re-hashes a bundle and names every file that differs, is
// missing or was added; exit status 0 only when the bundle is intact.

#include "tools/kivora-cli/Commands.h"
#include "tools/kivora-cli/InterruptStop.h"
#include "tools/kivora-cli/QtApplication.h"

#include "kivora/export/BundleVerify.h"
#include "kivora/export/EvidenceBundle.h"

#include <QGuiApplication>

#include <chrono>
#include <cstdio>
#include <vector>

namespace kivora::cli {

int runBundle(std::span<char*> args)
{
    namespace fs = std::filesystem;
    if (args.size() < 2) {
        std::fputs("usage: kivora-cli bundle OUTDIR RECORDING...\n", stderr);
        return 2;
    }
    // First: Qt may write warnings, and a signal must not end the process before the job can stop.
    const InterruptStop interrupt;
    // The stills are encoded through Qt's image plug-ins.
    const auto app = ensureQtApplication<QGuiApplication>();
    exporting::BundleRequest request;
    request.outDir = args[0];
    request.recordings.assign(args.begin() + 1, args.end());
    int shown = -1;
    const auto progress = [&shown](std::uint64_t done, std::uint64_t total) {
        const int percent = total ? int(done * 100 / total) : 100;
        if (percent / 10 != shown / 10) {
            shown = percent;
            std::fprintf(stderr, "kivora-cli bundle: %d%%\n", percent);
        }
    };
    const auto started = std::chrono::steady_clock::now();
    const exporting::BundleResult result
        = exporting::BuildEvidenceBundle(request, progress, &InterruptStop::flag());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    for (const std::string& note : result.notes)
        std::fprintf(stderr, "kivora-cli bundle: note: %s\n", note.c_str());
    if (!result.ok) {
        std::fprintf(stderr, "kivora-cli bundle: %s\n",
            result.cancelled ? "interrupted; nothing written" : result.error.c_str());
        return result.cancelled ? kInterruptedStatus : 1;
    }
    std::printf("%s\n", result.path.c_str());
    std::fprintf(stderr, "kivora-cli bundle: built in %.3f s\n", seconds);
    if (result.hashSeconds > 0)
        std::fprintf(stderr, "kivora-cli bundle: hashed %.1f MB at %.0f MB/s\n",
            double(result.hashedBytes) / 1e6, double(result.hashedBytes) / 1e6 / result.hashSeconds);
    for (const auto& [step, stepSeconds] : result.steps)
        std::fprintf(stderr, "kivora-cli bundle: step %s %.3f s\n", step.c_str(), stepSeconds);
    return 0;
}

int runVerify(std::span<char*> args)
{
    if (args.size() != 1) {
        std::fputs("usage: kivora-cli verify BUNDLE\n", stderr);
        return 2;
    }
    const exporting::BundleCheck check = exporting::VerifyBundle(args[0]);
    if (!check.error.empty()) {
        std::fprintf(stderr, "kivora-cli verify: %s\n", check.error.c_str());
        return 1;
    }
    for (const std::string& path : check.changed)
        std::printf("changed: %s\n", path.c_str());
    for (const std::string& path : check.missing)
        std::printf("missing: %s\n", path.c_str());
    for (const std::string& path : check.extra)
        std::printf("extra: %s\n", path.c_str());
    if (check.ok)
        std::printf("intact: %s\n", args[0]);
    return check.ok ? 0 : 1;
}

} // namespace kivora::cli
