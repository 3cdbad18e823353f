#include "kivora/recording/MovieWriter.h"

#include "kivora/recording/SampleTables.h"
#include "kivora/recording/TelemetryMerge.h"
#include "kivora/system/FileOps.h"

namespace kivora::recording {

namespace fs = std::filesystem;
using detail::childOf;
using detail::telemetryAtom;
using detail::udatRecordCount;
using system::quoted;

bool OpenJob(ConcatJob& job, const fs::path& firstMovie)
{
    CloseJob(job);
    job = ConcatJob {};
    job.main = OpenMovieTree(firstMovie, true);
    if (!job.main) {
        job.error = quoted(firstMovie) + " cannot be read as a movie";
        return false;
    }
    if (job.main->list(AtomList::Mdat).empty() || !childOf(&job.main->root, "moov")) {
        job.error = quoted(firstMovie) + " holds no movie data";
        job.main.reset();
        return false;
    }
    job.parts = 1;
    if (AtomNode* udat = telemetryAtom(*job.main)) {
        job.udat = udat;
        udat->recordBytes = *udatRecordCount(*udat) * kTelemetryRecordBytes;
        job.udatRecords = *udatRecordCount(*udat);
        udat->payloadSize = 40 + udat->recordBytes;
    }
    if (auto part = LocateTelemetry(firstMovie)) {
        job.telemetry.push_back(std::move(*part));
    } else {
        job.hasTelemetry = false;
        job.telemetryNote = "no readable data file for " + quoted(firstMovie);
    }
    return true;
}

bool AddToJob(ConcatJob& job, const fs::path& nextMovie)
{
    if (!job.main) {
        job.error = "no movie to join to";
        return false;
    }
    auto next = OpenMovieTree(nextMovie, true);
    if (!next) {
        job.error = quoted(nextMovie) + " cannot be read as a movie";
        return false;
    }
    AtomNode* mdat = job.main->list(AtomList::Mdat).front();
    const std::uint64_t nextDataStart = mdat->sourcePayloadOffset + mdat->payloadSize;
    std::string why;
    if (!Merge(*job.main, *next, nextDataStart, why)) {
        job.error = quoted(nextMovie) + ": " + why;
        return false;
    }
    AtomNode* udat = job.udat;
    // A part without a telemetry atom adds no records to it; its data file still counts.
    AtomNode* nextUdat = udat ? telemetryAtom(*next) : nullptr;
    if (nextUdat) {
        const std::uint64_t count = *udatRecordCount(*nextUdat);
        nextUdat->recordBytes = count * kTelemetryRecordBytes;
        AtomNode* tail = udat->chainTail ? udat->chainTail : udat;
        tail->chainNext = nextUdat;
        udat->chainTail = nextUdat;
        job.udatRecords += count;
        udat->payloadSize += nextUdat->recordBytes;
    }
    if (job.hasTelemetry) {
        auto part = LocateTelemetry(nextMovie);
        if (!part) {
            job.hasTelemetry = false;
            job.telemetryNote = "no readable data file for " + quoted(nextMovie);
            job.telemetry.clear();
        } else {
            job.telemetry.push_back(std::move(*part));
        }
    }
    // Its tables now live in the base tree and its records are read from its file when written:
    // the memory goes to the parts that follow.
    detail::releasePayloads(next->root);
    job.laterMovies.push_back(std::move(next));
    ++job.parts;
    return true;
}

void CloseJob(ConcatJob& job)
{
    // Later movies first: the main tree's chains point into them.
    if (job.main) {
        for (AtomNode* mdat : job.main->list(AtomList::Mdat))
            mdat->chainNext = mdat->chainTail = nullptr;
        if (job.udat)
            job.udat->chainNext = job.udat->chainTail = nullptr;
    }
    for (auto& m : job.laterMovies)
        CloseMovie(std::move(m));
    job.laterMovies.clear();
    if (job.main)
        CloseMovie(std::move(job.main));
    job.telemetry.clear();
    resetAtomNodeCounters();
}

bool ConcatenateMovies(const std::vector<fs::path>& inputs, const fs::path& output, std::string& error,
    std::string& telemetryNote, const WriteProgress& progress, const WriteStop& stop, bool* cancelled)
{
    if (cancelled)
        *cancelled = false;
    if (inputs.empty()) {
        error = "no movies given";
        return false;
    }
    ConcatJob job;
    bool ok = OpenJob(job, inputs.front());
    if (ok)
        detail::reserveTables(*job.main, inputs.size());
    bool stopped = false;
    for (std::size_t i = 1; ok && i < inputs.size(); ++i) {
        // Reading a movie's tables takes a moment; a stop need not wait for all of them.
        stopped = stop && stop();
        ok = !stopped && AddToJob(job, inputs[i]);
    }
    ok = ok && WriteMovie(job, output, progress, stop);
    stopped = stopped || job.cancelled;
    if (cancelled)
        *cancelled = stopped;
    error = ok ? std::string() : stopped ? "stopped before " + quoted(output) + " was complete" : job.error;
    telemetryNote = job.telemetryNote;
    CloseJob(job);
    return ok;
}

} // namespace kivora::recording
