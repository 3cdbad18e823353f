// The save command's worker on recordings given on the command line: how long the join of both
// cameras takes, the longest wait between two progress posts, and how soon a cancel is honoured
// (and that it leaves no file). Usage: bench_export_save OUTDIR MAIN_MOVIE...
// Prints: seconds=S maxgap_ms=G cancel_ms=C leftover=N fds_left=D sub=0|1

#include "kivora/export/IExportHost.h"
#include "kivora/export/SaveRules.h"
#include "kivora/export/SaveWorker.h"
#include "kivora/recording/RecordingEntry.h"
#include "kivora/recording/RecordingName.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace kivora::exporting;

namespace {

class Worker final : public WorkerContext {
public:
    std::atomic<bool> cancel { false };
    std::atomic<bool> started { false };
    Clock::time_point last = Clock::now();
    double maxGapMs = 0;

    bool cancelled() const override { return cancel; }
    void progress(std::int64_t done, std::int64_t) override
    {
        const auto now = Clock::now();
        maxGapMs = std::max(maxGapMs, std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
        if (done > 0)
            started = true;
    }
};

std::uint64_t sizeOr0(const fs::path& p)
{
    std::error_code ec;
    const auto n = fs::file_size(p, ec);
    return ec ? 0 : n;
}

std::size_t openDescriptors()
{
    std::error_code ec;
    return std::size_t(std::distance(fs::directory_iterator("/proc/self/fd", ec), fs::directory_iterator()));
}

void empty(const fs::path& folder)
{
    for (const auto& e : fs::directory_iterator(folder))
        fs::remove_all(e.path());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_export_save OUTDIR MAIN_MOVIE...\n");
        return 2;
    }
    const fs::path out = argv[1];
    fs::create_directories(out);
    std::vector<kivora::recording::RecordingEntry> entries;
    for (int i = 2; i < argc; ++i) {
        kivora::recording::RecordingEntry e;
        e.path = argv[i];
        e.mainSize = sizeOr0(e.path);
        e.subSize = sizeOr0(kivora::recording::PairPath(e.path));
        e.dataSize = sizeOr0(kivora::recording::DataPath(e.path));
        entries.push_back(e);
    }
    const SavePlan plan = MakeSavePlan(entries, out);

    // Each measurement starts with nothing left to write back, as the peer's does: neither pays
    // for the other's writes.
    empty(out);
    ::sync();
    Worker timed;
    const auto t0 = Clock::now();
    timed.last = t0;
    const SaveOutcome outcome = RunSave(plan, timed);
    const auto t1 = Clock::now();
    if (outcome.status != SaveOutcome::Status::Saved) {
        std::fprintf(stderr, "bench_export_save: %s\n", outcome.error.c_str());
        return 1;
    }
    const double gapToEnd = std::chrono::duration<double, std::milli>(t1 - timed.last).count();
    const double seconds = std::chrono::duration<double>(t1 - t0).count();

    // Cancel a third of the way in, as a user would during a long save.
    empty(out);
    ::sync();
    Worker cancelled;
    const std::size_t fdsBefore = openDescriptors();
    Clock::time_point returned;
    std::thread job([&] {
        RunSave(plan, cancelled);
        returned = Clock::now();
    });
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds / 3));
    const auto asked = Clock::now();
    cancelled.cancel = true;
    job.join();
    const double cancelMs = std::chrono::duration<double, std::milli>(returned - asked).count();
    const long fdsLeft = long(openDescriptors()) - long(fdsBefore);
    int leftover = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(out))
        ++leftover;

    std::printf("seconds=%.3f maxgap_ms=%.1f cancel_ms=%.1f leftover=%d fds_left=%ld sub=%d\n", seconds,
        std::max(timed.maxGapMs, gapToEnd), cancelMs, leftover, fdsLeft, outcome.subSaved ? 1 : 0);
    return 0;
}
