#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

namespace kivora::exporting {

// What a worker sees while it runs: a cancel flag to poll and progress to report.
// Any thread (the worker's).
class WorkerContext {
public:
    virtual ~WorkerContext() = default;
    // True once the user cancelled or the window shuts down.
    virtual bool cancelled() const = 0;
    // Posts progress (message 0x8008): done of count items.
    virtual void progress(std::int64_t done, std::int64_t count) = 0;
};

// The main window's one background worker, as the file operations use it. UI thread only.
class IWorkerHost {
public:
    virtual ~IWorkerHost() = default;
    // Starts `job` on the worker thread: the progress bar shows over the video, every control is
    // disabled, the window stays responsive. When the job returns, `epilogue` runs on the UI
    // thread with the job's result, then the window re-enables its controls; when `pendingMessage`
    // is set the completion box (slots 44 / 45) shows. False when a worker already runs.
    virtual bool startWorker(std::function<int(WorkerContext&)> job, std::function<void(int result)> epilogue)
        = 0;
    virtual bool workerRunning() const = 0;
    // Asks the running worker to stop (its context reports cancelled).
    virtual void cancelWorker() = 0;
    // The job's epilogue asks for the completion box (slots 44 / 45) when the worker ends.
    virtual void setPendingMessage(bool on) { (void)on; }
};

// The four file commands of the toolbar. UI thread only; each runs its prologue at once and its
// work on the host's worker.
class IExportCommands {
public:
    virtual ~IExportCommands() = default;
    virtual void TakeSnapshot() = 0; // 38006
    virtual void SaveConcatenated() = 0; // 38007
    virtual void DeleteRecordings() = 0; // 38010
    virtual void ExportCsv() = 0;        // 38012
    // The popup menu's track export (GPX and KML): the open recording's track, or with
    // chooseRecordings those ticked in the selection dialog.
    virtual void ExportTrack(bool chooseRecordings) { (void)chooseRecordings; }
    // The popup menu's evidence bundle and repair (a movie chosen by the user).
    virtual void BundleRecordings() { }
    virtual void RepairRecording() { }
    // A recording the user chose failed to open with the error text of slot: offers its repair
    // when a template exists. False when nothing was shown (the caller shows its plain box).
    virtual bool offerRepair(const std::filesystem::path& movie, int slot)
    {
        (void)movie;
        (void)slot;
        return false;
    }
    // The enabling rule of the commands above (38006, 38007, 38010, 38012, and the popup menu's
    // own file commands): false while a worker runs, for a source that does not allow it, or
    // before a movie and its telemetry are open.
    virtual bool enabled(int commandId) const
    {
        (void)commandId;
        return true;
    }
};

} // namespace kivora::exporting
