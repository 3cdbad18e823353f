#include "kivora/export/ExportCommands.h"

#include "kivora/browse/IBrowserPanel.h"
#include "kivora/export/CsvListing.h"
#include "kivora/export/DeleteWorker.h"
#include "kivora/export/SaveRules.h"
#include "kivora/export/SaveWorker.h"
#include "kivora/export/SnapshotName.h"
#include "kivora/export/StillWriter.h"
#include "kivora/export/TrackDocument.h"
#include "kivora/platform/AtomicWrite.h"
#include "kivora/platform/IniFile.h"
#include "kivora/recording/CardLayout.h"
#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/ui/UiTextQt.h"

#include <algorithm>
#include <atomic>
#include <set>
#include <system_error>

namespace kivora::exporting {

namespace fs = std::filesystem;
using recording::RecordingEntry;

namespace {

constexpr std::string_view kSection = "FOLDERPATH";
constexpr int kOk = 1;
constexpr int kStillQuality = 92;
constexpr std::size_t kMaxOffered = 1500;

QString errorCaption()
{
    return QStringLiteral("ERROR");
}

// The recordings the list shows, without folder rows.
std::vector<RecordingEntry> listedRecordings(browse::IBrowserPanel& browser)
{
    std::vector<RecordingEntry> entries;
    for (int i = 0; i < browser.Count(); ++i)
        if (const RecordingEntry* e = browser.Entry(i); e && !(e->attributes & recording::kAttrDirectory))
            entries.push_back(*e);
    return entries;
}

bool pathExists(const fs::path& path)
{
    std::error_code ec;
    return !path.empty() && fs::exists(path, ec);
}

} // namespace

ExportCommands::ExportCommands(IExportContext& context, IWorkerHost& host, IRecordingChooser& chooser,
    fs::path settingsFile, int textColumn)
    : m_context(context)
    , m_host(host)
    , m_chooser(chooser)
    , m_settingsFile(std::move(settingsFile))
    , m_textColumn(textColumn)
{
}

QString ExportCommands::text(int slot) const
{
    return ui::uiQText(slot, m_textColumn);
}

void ExportCommands::error(int slot)
{
    m_context.messageBox(text(slot), errorCaption(), 0);
}

void ExportCommands::completed(const QString& note)
{
    m_context.messageBox(note.isEmpty() ? text(44) : text(44) + QLatin1Char('\n') + note, text(45), 0);
}

fs::path ExportCommands::chooseFolder(std::string_view key, int promptSlot)
{
    const std::string remembered = platform::IniFile(m_settingsFile).read(kSection, key);
    std::error_code ec;
    const fs::path start = !remembered.empty() && fs::is_directory(remembered, ec)
        ? fs::path(remembered)
        : m_context.startupFolder();
    return m_context.chooseFolder(start, text(promptSlot));
}

void ExportCommands::rememberFolder(std::string_view key, const fs::path& folder)
{
    platform::IniFile(m_settingsFile).write(kSection, key, folder.string());
}

bool ExportCommands::mayOverwrite(std::initializer_list<fs::path> paths)
{
    for (const fs::path& p : paths)
        if (pathExists(p))
            return m_context.messageBox(text(90), text(104), 1) == kOk;
    return true;
}

bool ExportCommands::enabled(int commandId) const
{
    if (m_host.workerRunning())
        return false;
    auto& browser = m_context.browser();
    const bool card = browser.sourceKind() == recording::SourceKind::Card && !browser.sourceRemoved();
    switch (commandId) {
    case 38006: {
        const auto open = m_context.openRecording();
        return open && open->telemetryLoaded;
    }
    case 38007:
    case 38012:
        return card && browser.Count() > 0;
    case 38010:
        return browser.sourceKind().has_value() && browser.Count() > 0;
    default:
        return false;
    }
}

// --- CSV listing ---------------------------------------------------------------------------------

void ExportCommands::ExportCsv()
{
    if (m_host.workerRunning())
        return;
    const fs::path folder = chooseFolder("CSV_FOLDER", 101);
    if (folder.empty())
        return;
    auto selection = std::make_shared<std::vector<RecordingEntry>>(m_context.browser().AllRecordings());
    if (selection->empty()) {
        error(99);
        return;
    }
    const fs::path output = folder / CsvFileName(recording::NameDateTime(selection->front().path));
    if (!mayOverwrite({ output }))
        return;
    const bool enginesReady = m_context.enginesReady();
    m_context.closeForFileWork();
    auto result = std::make_shared<CsvResult>();
    const bool started = m_host.startWorker(
        [selection, folder, enginesReady, result](WorkerContext& worker) {
            std::atomic<bool> cancel { false };
            *result = WriteCsvListing(
                *selection, folder,
                [&](std::size_t done, std::size_t total) {
                    worker.progress(std::int64_t(done), std::int64_t(total));
                    // Read last, so that the line before the next one sees the latest request.
                    cancel = worker.cancelled();
                },
                &cancel, enginesReady);
            return result->ok ? 1 : 0;
        },
        [this, folder, result](int) {
            if (result->ok && !result->cancelled) {
                rememberFolder("CSV_FOLDER", folder);
                completed();
            } else if (!result->cancelled) {
                error(93);
            }
            m_context.reopenAfterFileWork();
        });
    if (!started)
        m_context.reopenAfterFileWork();
}

// --- Still ---------------------------------------------------------------------------------------

void ExportCommands::TakeSnapshot()
{
    if (m_host.workerRunning())
        return;
    const auto open = m_context.openRecording();
    if (!open || !m_context.hideOverlay())
        return;
    // Restores the overlay on every way out.
    struct OverlayBack {
        IExportContext& context;
        ~OverlayBack() { context.restoreOverlay(); }
    } overlayBack { m_context };

    const fs::path folder = chooseFolder("SNAPSHOT_FOLDER", 100);
    if (folder.empty())
        return;
    // Named after the open recording, not the list's focus, which may have moved on.
    const SnapshotNames names = SnapshotName(folder, open->movie, open->frame);
    if (!mayOverwrite({ names.main, open->subOpen ? names.sub : fs::path() }))
        return;
    const StillStamp stamp
        = StampForFrame(open->movie, open->frame, open->framePeriodMs, open->gps ? &*open->gps : nullptr);
    std::string why;
    bool ok = WriteStill(m_context.cameraImage(false), names.main, stamp, kStillQuality, why);
    if (ok && open->subOpen) {
        StillStamp subStamp = stamp;
        subStamp.description += " (sub camera)";
        ok = WriteStill(m_context.cameraImage(true), names.sub, subStamp, kStillQuality, why);
    }
    if (!ok) {
        error(98);
        return;
    }
    rememberFolder("SNAPSHOT_FOLDER", folder);
    completed();
}

// --- Save and concatenate ------------------------------------------------------------------------

void ExportCommands::SaveConcatenated()
{
    if (m_host.workerRunning())
        return;
    auto& browser = m_context.browser();
    const std::vector<RecordingEntry> offered = listedRecordings(browser);
    const auto ticked = m_chooser.choose(SelectMode::Concatenate, offered, offered);
    if (!ticked)
        return;
    if (browser.sourceRemoved()) {
        error(92);
        return;
    }
    if (ticked->empty())
        return;
    if (const int refusal = JoinRefusal(*ticked)) {
        error(refusal);
        return;
    }
    const fs::path folder = chooseFolder("CONNECT_FOLDER", 100);
    if (folder.empty())
        return;
    auto plan = std::make_shared<SavePlan>(MakeSavePlan(*ticked, folder));
    if (!mayOverwrite({ plan->output, plan->subOutput }))
        return;
    // Free space of the folder's own file system; equal is not enough.
    if (!HasRoom(NeededBytes(*ticked), FreeSpace(folder))) {
        error(92);
        return;
    }
    m_context.closeForFileWork();
    auto outcome = std::make_shared<SaveOutcome>();
    const bool started = m_host.startWorker(
        [plan, outcome](WorkerContext& worker) {
            *outcome = RunSave(*plan, worker);
            return outcome->status == SaveOutcome::Status::Saved ? 1 : 0;
        },
        [this, plan, outcome, folder](int) {
            auto& list = m_context.browser();
            if (outcome->status == SaveOutcome::Status::Saved) {
                // Marked by identity: rows and their numbering change with filters and show-all.
                const std::set<fs::path> saved(plan->mains.begin(), plan->mains.end());
                for (int i = 0; i < list.Count(); ++i)
                    if (RecordingEntry* e = list.Entry(i); e && saved.count(e->path))
                        e->marked = 1;
                m_context.listChanged();
                rememberFolder("CONNECT_FOLDER", folder);
                QString note;
                if (!outcome->subSaved && !outcome->subNote.empty())
                    note = QStringLiteral("The sub-camera movie was not saved: ")
                        + QString::fromStdString(outcome->subNote);
                if (outcome->earlierSubRemoved)
                    note += (note.isEmpty() ? QString() : QStringLiteral("\n"))
                        + QStringLiteral(
                            "The sub-camera movie of the earlier save under this name was removed.");
                completed(note);
            } else {
                list.clearMarks();
                if (outcome->status == SaveOutcome::Status::Failed)
                    error(92);
            }
            m_context.reopenAfterFileWork();
        });
    if (!started)
        m_context.reopenAfterFileWork();
}

// --- Delete --------------------------------------------------------------------------------------

void ExportCommands::DeleteRecordings()
{
    if (m_host.workerRunning())
        return;
    auto& browser = m_context.browser();
    std::vector<RecordingEntry> all = browser.AllRecordings();
    if (all.size() > kMaxOffered) {
        error(103);
        all.resize(kMaxOffered);
    }
    const auto ticked = m_chooser.choose(SelectMode::Delete, listedRecordings(browser), all);
    if (!ticked)
        return;
    if (browser.sourceRemoved()) {
        error(94);
        return;
    }
    if (ticked->empty())
        return;

    // Decided here, on the UI thread: the layout is process-wide state.
    DeleteMode mode;
    const auto firstMovie = ticked->front().path;
    const fs::path root = browser.sourceKind() == recording::SourceKind::Card
        ? browser.sourcePath()
        : recording::MountRoot(firstMovie);
    mode.recorderCard = !root.empty() && recording::IsRecorderCard(root);
    mode.layout = recording::currentLayout();

    auto movies = std::make_shared<std::vector<fs::path>>();
    for (const auto& e : *ticked)
        movies->push_back(e.path);
    // The open recording is closed before its files are touched.
    const auto open = m_context.openRecording();
    bool closed = false;
    if (open && std::find(movies->begin(), movies->end(), open->movie) != movies->end()) {
        m_context.closeForFileWork();
        closed = true;
    }
    auto outcome = std::make_shared<DeleteOutcome>();
    const bool started = m_host.startWorker(
        [movies, mode, outcome](WorkerContext& worker) {
            *outcome = RunDelete(*movies, mode, worker);
            return outcome->failed || outcome->cancelled ? 0 : 1;
        },
        [this, outcome, closed, openMovie = open ? open->movie : fs::path()](int) {
            if (outcome->failed)
                error(94);
            // The list is rebuilt from the disk whenever anything changed, so it shows what is
            // there, also after a cancel or a failure halfway.
            if (!outcome->deleted.empty() || (!outcome->failed && !outcome->cancelled))
                m_context.rescanSource();
            // Stopped at a cancel or a failure before its turn: it plays on.
            if (closed && pathExists(openMovie))
                m_context.reopenAfterFileWork();
        });
    if (!started && closed)
        m_context.reopenAfterFileWork();
}

// --- Tracks --------------------------------------------------------------------------------------

void ExportCommands::ExportTrack(bool chooseRecordings)
{
    if (m_host.workerRunning())
        return;
    auto movies = std::make_shared<std::vector<fs::path>>();
    if (chooseRecordings) {
        const std::vector<RecordingEntry> offered = listedRecordings(m_context.browser());
        const auto ticked = m_chooser.choose(SelectMode::Tracks, offered, offered);
        if (!ticked)
            return;
        for (const auto& e : *ticked)
            movies->push_back(e.path);
    } else if (const auto open = m_context.openRecording()) {
        movies->push_back(open->movie);
    }
    if (movies->empty())
        return;
    // Starts where listings go; a track is a listing of places.
    const fs::path folder = chooseFolder("CSV_FOLDER", 101);
    if (folder.empty())
        return;
    const fs::path stem = folder / movies->front().stem();
    const fs::path gpx = fs::path(stem).replace_extension(".gpx");
    const fs::path kml = fs::path(stem).replace_extension(".kml");
    if (!mayOverwrite({ gpx, kml }))
        return;
    const int layout = recording::currentLayout();
    auto why = std::make_shared<std::string>();
    const bool started = m_host.startWorker(
        [movies, gpx, kml, layout, why](WorkerContext& worker) {
            std::vector<TrackPart> parts;
            for (std::size_t i = 0; i < movies->size(); ++i) {
                if (worker.cancelled())
                    return 0;
                if (auto part = ReadTrackPart((*movies)[i], layout))
                    parts.push_back(std::move(*part));
                worker.progress(std::int64_t(i + 1), std::int64_t(movies->size()));
            }
            if (parts.empty()) {
                *why = "no telemetry to export";
                return 0;
            }
            if (!platform::writeFileAtomically(gpx, GpxDocument(parts), why.get()))
                return 0;
            if (!platform::writeFileAtomically(kml, KmlDocument(parts), why.get())) {
                std::error_code ec;
                fs::remove(gpx, ec);
                return 0;
            }
            return 1;
        },
        [this, why](int result) {
            if (result == 1)
                completed();
            else if (!why->empty())
                m_context.messageBox(
                    QStringLiteral("The track was not exported: ") + QString::fromStdString(*why),
                    errorCaption(), 0);
        });
    (void)started;
}

std::unique_ptr<ExportCommands> createExportCommands(IExportContext& context, IWorkerHost& host,
    IRecordingChooser& chooser, const fs::path& settingsFile, int textColumn)
{
    return std::make_unique<ExportCommands>(context, host, chooser, settingsFile, textColumn);
}

} // namespace kivora::exporting
