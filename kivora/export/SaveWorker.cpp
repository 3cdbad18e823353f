#include "kivora/export/SaveWorker.h"

#include "kivora/export/IExportHost.h"
#include "kivora/recording/MovieWriter.h"
#include "kivora/recording/RecordingName.h"

#include <unistd.h>

#include <algorithm>
#include <memory>
#include <system_error>

namespace kivora::exporting {

namespace fs = std::filesystem;

namespace {

class JobGuard {
public:
    explicit JobGuard(recording::ConcatJob& job)
        : m_job(job)
    {
    }
    ~JobGuard() { recording::CloseJob(m_job); }
    JobGuard(const JobGuard&) = delete;
    JobGuard& operator=(const JobGuard&) = delete;

private:
    recording::ConcatJob& m_job;
};

enum class Step { Done, Cancelled, Failed };

// Builds and writes one joined movie. base: bytes counted before this movie. staged: when given,
// the movie is left there under its temporary names instead of being put in place.
Step joinInto(const std::vector<fs::path>& inputs, const fs::path& output, bool withData, std::uint64_t base,
    std::uint64_t total, WorkerContext& context, std::string& error, std::string* telemetryNote,
    recording::StagedMovie* staged = nullptr)
{
    recording::ConcatJob job;
    JobGuard guard(job);
    if (!recording::OpenJob(job, inputs.front())) {
        error = job.error;
        return Step::Failed;
    }
    for (std::size_t k = 1; k < inputs.size(); ++k) {
        if (context.cancelled())
            return Step::Cancelled;
        if (!recording::AddToJob(job, inputs[k])) {
            error = job.error;
            return Step::Failed;
        }
    }
    if (context.cancelled())
        return Step::Cancelled;
    if (!withData) {
        job.hasTelemetry = false;
        job.telemetry.clear();
    }
    const recording::WriteProgress progress = [&](std::uint64_t done, std::uint64_t) {
        context.progress(std::int64_t(std::min(base + done, total)), std::int64_t(total));
    };
    const recording::WriteStop stop = [&] { return context.cancelled(); };
    if (!(staged ? recording::StageMovie(job, output, *staged, progress, stop)
                 : recording::WriteMovie(job, output, progress, stop))) {
        if (job.cancelled)
            return Step::Cancelled;
        error = job.error;
        return Step::Failed;
    }
    if (telemetryNote)
        *telemetryNote = job.telemetryNote;
    return Step::Done;
}

// Removes the sub movie an earlier save left under this save's sub name, unless it is one of the
// files to keep. True when one was there and is gone.
bool removeEarlierSub(const fs::path& sub, const std::vector<fs::path>& keep)
{
    std::error_code ec;
    if (sub.empty() || !fs::is_regular_file(fs::symlink_status(sub, ec)))
        return false;
    for (const fs::path& k : keep)
        if (fs::equivalent(sub, k, ec))
            return false;
    return fs::remove(sub, ec) && !ec;
}

// A hidden folder beside the outputs, removed with what is left in it. The sub movie is written
// there first, so that the writer's care for a data file beside its output never reaches the one
// the main movie just got.
class StagingFolder {
public:
    explicit StagingFolder(const fs::path& folder)
    {
        std::string pattern = (folder / ".kivora-sub-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~StagingFolder()
    {
        std::error_code ec;
        if (!m_path.empty())
            fs::remove_all(m_path, ec);
    }
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

} // namespace

SaveOutcome RunSave(const SavePlan& plan, WorkerContext& context)
{
    SaveOutcome outcome;
    outcome.subNote = plan.subNote;
    if (plan.mains.empty()) {
        outcome.error = "nothing to save";
        return outcome;
    }
    const std::uint64_t total = std::max<std::uint64_t>(plan.bytes, 1);
    context.progress(0, std::int64_t(total));

    std::error_code ec;
    const bool replacing = fs::exists(plan.output, ec);
    // The main movie waits under its temporary names until the sub movie is done, so that a cancel
    // at any point leaves what an earlier save put there as it was.
    recording::StagedMovie mainMovie;
    const Step main = joinInto(
        plan.mains, plan.output, true, 0, total, context, outcome.error, &outcome.telemetryNote, &mainMovie);
    if (main != Step::Done) {
        outcome.status
            = main == Step::Cancelled ? SaveOutcome::Status::Cancelled : SaveOutcome::Status::Failed;
        return outcome;
    }

    std::unique_ptr<StagingFolder> staging;
    fs::path stagedSub;
    std::string subError;
    Step sub = Step::Failed;
    if (!plan.subs.empty()) {
        staging = std::make_unique<StagingFolder>(plan.output.parent_path());
        if (staging->path().empty()) {
            subError = "no room for a temporary folder beside the output";
        } else {
            stagedSub = staging->path() / plan.subOutput.filename();
            context.progress(std::int64_t(std::min(plan.mainBytes, total)), std::int64_t(total));
            sub = joinInto(plan.subs, stagedSub, false, plan.mainBytes, total, context, subError, nullptr);
        }
    }
    if (sub == Step::Cancelled || context.cancelled()) {
        outcome.status = SaveOutcome::Status::Cancelled;
        return outcome;
    }
    if (!mainMovie.commit(outcome.error))
        return outcome;
    if (sub == Step::Done) {
        fs::rename(stagedSub, plan.subOutput, ec);
        if (ec) {
            sub = Step::Failed;
            subError = "cannot place " + plan.subOutput.string() + ": " + ec.message();
        }
    }
    if (!plan.subs.empty()) {
        outcome.subSaved = sub == Step::Done;
        if (!outcome.subSaved)
            outcome.subNote = subError;
    }
    // The new main movie replaced an earlier one; that save's sub movie does not belong to it.
    if (!outcome.subSaved && replacing)
        outcome.earlierSubRemoved
            = removeEarlierSub(plan.subs.empty() ? plan.staleSub : plan.subOutput, plan.keep);
    context.progress(std::int64_t(total), std::int64_t(total));
    outcome.status = SaveOutcome::Status::Saved;
    return outcome;
}

} // namespace kivora::exporting
