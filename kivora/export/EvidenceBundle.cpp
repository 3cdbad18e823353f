#include "kivora/export/EvidenceBundle.h"

#include "kivora/export/CsvListing.h"
#include "kivora/export/EvidenceBundleFollow.h"
#include "kivora/export/EvidenceEvents.h"
#include "kivora/export/EvidenceReport.h"
#include "kivora/export/FileBlocks.h"
#include "kivora/export/IExportHost.h"
#include "kivora/export/SaveWorker.h"
#include "kivora/export/Sha256.h"
#include "kivora/export/TrackDocument.h"
#include "kivora/recording/CardLayout.h"
#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/MovieAtoms.h"
#include "kivora/recording/MovieRepair.h"
#include "kivora/recording/MovieWriter.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/recording/RecordingScan.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <future>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <tuple>

#ifndef KIVORA_VERSION_TEXT
#define KIVORA_VERSION_TEXT "0"
#endif

namespace kivora::exporting {

namespace fs = std::filesystem;

namespace {

struct Cancelled { };

// The bundle under construction: removed with everything in it unless it was placed.
class StagedFolder {
public:
    explicit StagedFolder(const fs::path& outDir, const std::string& name)
    {
        std::string pattern = (outDir / ("." + name + "-partial-XXXXXX")).string();
        if (::mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~StagedFolder()
    {
        std::error_code ec;
        if (!m_path.empty())
            fs::remove_all(m_path, ec);
    }
    StagedFolder(const StagedFolder&) = delete;
    StagedFolder& operator=(const StagedFolder&) = delete;
    const fs::path& path() const { return m_path; }
    void placed() { m_path.clear(); }

private:
    fs::path m_path;
};

struct Original {
    fs::path source;
    std::string relative;
    std::string role;
    std::uint64_t size = 0;
};

struct HashedFiles {
    std::vector<ReportFile> files;
    std::string error;
    std::uint64_t bytes = 0;
    double seconds = 0.0;
};

// Digests of files already written into the bundle; stops early (with an error) once stopped().
HashedFiles hashFiles(const fs::path& root, const std::vector<std::pair<fs::path, std::string>>& files,
    const std::function<bool()>& stopped)
{
    HashedFiles out;
    for (const auto& [path, role] : files) {
        Sha256 sha;
        std::uint64_t size = 0;
        const bool read = ReadBlocks(
            path,
            [&](std::span<const std::byte> block) {
                if (stopped())
                    return false;
                const double t0 = ThreadCpuSeconds();
                sha.update(block);
                out.seconds += ThreadCpuSeconds() - t0;
                out.bytes += block.size();
                size += block.size();
                return true;
            },
            out.error);
        if (!read)
            return out;
        out.files.push_back({ fs::relative(path, root).generic_string(), role, size, sha.finishHex() });
    }
    return out;
}

class Builder {
public:
    Builder(const BundleRequest& request, const BundleProgress& progress, const std::atomic<bool>* cancel,
        BundleResult& result)
        : m_request(request)
        , m_progress(progress)
        , m_cancel(cancel)
        , m_result(result)
    {
    }

    bool run();

private:
    bool fail(std::string error)
    {
        m_result.error = std::move(error);
        return false;
    }
    bool cancelled() const { return m_cancel && m_cancel->load(); }
    void step(std::uint64_t bytes)
    {
        m_done += bytes;
        if (m_progress)
            m_progress(std::min(m_done, m_total), m_total);
    }
    bool planOriginals();
    bool copyOriginals();
    bool join();
    bool writeDocuments();
    bool addFile(const fs::path& path, const std::string& role);
    bool writeText(const std::string& relative, const std::string& text, const std::string& role);
    bool seal();

    const BundleRequest& m_request;
    const BundleProgress& m_progress;
    const std::atomic<bool>* m_cancel;
    BundleResult& m_result;

    std::vector<fs::path> m_movies; // chronological
    std::vector<fs::path> m_copies; // their copies in the bundle, which everything after the copy reads
    int m_layout = 0;
    bool m_durable = false;
    fs::path m_root; // the staged folder
    std::string m_name;
    std::string m_exportText; // local, ISO 8601 with offset
    std::vector<Original> m_originals;
    std::vector<ReportFile> m_files;
    std::vector<ReportRecording> m_recordings;
    std::uint64_t m_done = 0, m_total = 0;
    std::unique_ptr<FolderFollower> m_follower; // hashes the joined movies as they are written
    std::future<HashedFiles> m_joinedHashing; // set by join(); reads only the files it was given
    std::atomic<bool> m_stop { false }; // ends the helper threads' work early (a failure or a cancel)
};

std::tuple<int, int, int, int, int, int, std::string> chronological(const fs::path& movie)
{
    const recording::SystemTime t = recording::NameDateTime(movie);
    return { t.year, t.month, t.day, t.hour, t.minute, t.second, movie.filename().string() };
}

std::string roleOfMovie(const fs::path& path, const char* prefix)
{
    const std::string name = path.filename().string();
    const bool sub = name.size() == recording::kRecordingNameLength && name[25] == 'S';
    return std::string(prefix) + (sub ? "sub" : "main");
}

bool Builder::planOriginals()
{
    std::set<std::string> names;
    std::error_code ec;
    for (const fs::path& movie : m_movies) {
        std::vector<std::pair<fs::path, const char*>> files { { movie, "original-main" } };
        const fs::path sub = recording::PairPath(movie);
        if (sub != movie && fs::is_regular_file(sub, ec))
            files.emplace_back(sub, "original-sub");
        const fs::path data = recording::DataPath(movie, m_layout);
        if (fs::is_regular_file(data, ec))
            files.emplace_back(data, "original-data");
        for (const auto& [path, role] : files) {
            // The card's folder names stay, so the copies keep the layout that pairs their files.
            const std::string folder = path.parent_path().filename().string();
            const std::string relative
                = "originals/" + (folder.empty() ? "" : folder + "/") + path.filename().string();
            // sha256sum would escape these, and a line break would split the list's line.
            if (relative.find_first_of("\\\n\r") != std::string::npos)
                return fail(
                    path.string() + ": a backslash or line break in a name cannot go into " + kSumsFileName);
            if (!names.insert(relative).second)
                return fail("two of the files are both named " + relative);
            const std::uint64_t size = fs::file_size(path, ec);
            if (ec)
                return fail("cannot read " + path.string() + ": " + ec.message());
            m_originals.push_back({ path, relative, role, size });
            m_total += 2 * size; // copied, then joined
        }
    }
    return true;
}

bool Builder::copyOriginals()
{
    // Two copies side by side, each hashing its blocks on its own thread while they are still in
    // that processor's cache: both cores work, and no block crosses from one to the other. The
    // largest files go first, so that both lanes end about together.
    struct Copied {
        std::string digest;
        std::uint64_t size = 0;
    };
    std::vector<Copied> copied(m_originals.size());
    std::vector<std::size_t> order(m_originals.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
        [this](std::size_t a, std::size_t b) { return m_originals[a].size > m_originals[b].size; });
    std::atomic<std::size_t> next { 0 };
    std::atomic<std::uint64_t> bytesDone { 0 };
    std::atomic<bool> failed { false };
    std::mutex mutex;
    std::condition_variable ended;
    int running = 2; // guarded by mutex, as is error
    std::string error;
    constexpr int kLanes = 2;
    std::uint64_t hashedBytes[kLanes] = {};
    double hashSeconds[kLanes] = {};
    const auto lane = [&](int index) {
        CopyBuffers buffers;
        for (std::size_t n; !failed && (n = next++) < order.size();) {
            const Original& o = m_originals[order[n]];
            const fs::path target = m_root / o.relative;
            std::error_code ec;
            fs::create_directories(target.parent_path(), ec);
            Sha256 sha;
            std::uint64_t size = 0, stepped = 0;
            const BlockSink sink = [&](std::span<const std::byte> block) {
                const double t0 = ThreadCpuSeconds();
                sha.update(block);
                hashSeconds[index] += ThreadCpuSeconds() - t0;
                hashedBytes[index] += block.size();
                size += block.size();
                return !failed && !cancelled();
            };
            const auto progress = [&](std::uint64_t done) {
                bytesDone += done - stepped;
                stepped = done;
                return !failed && !cancelled();
            };
            std::string why;
            if (!CopyFileBlocks(o.source, target, m_durable, sink, why, progress, &buffers, SinkOn::Caller)) {
                const std::lock_guard lock(mutex);
                // The other lane's copy then stops too; its "stopped" is not the cause.
                if (!failed.exchange(true))
                    error = why;
                break;
            }
            copied[order[n]] = { sha.finishHex(), size };
        }
        const std::lock_guard lock(mutex);
        --running;
        ended.notify_all();
    };
    {
        std::jthread first(lane, 0), second(lane, 1);
        std::unique_lock lock(mutex);
        std::uint64_t reported = 0;
        // Progress is posted on this thread, as the caller expects.
        while (!ended.wait_for(lock, std::chrono::milliseconds(50), [&] { return running == 0; })) {
            const std::uint64_t done = bytesDone;
            step(done - reported);
            reported = done;
        }
        step(bytesDone - reported);
    }
    if (cancelled())
        throw Cancelled {};
    if (failed)
        return fail(error);
    for (int i = 0; i < kLanes; ++i) {
        m_result.hashedBytes += hashedBytes[i];
        m_result.hashSeconds += hashSeconds[i];
    }
    for (std::size_t i = 0; i < m_originals.size(); ++i) {
        const Original& o = m_originals[i];
        m_files.push_back({ o.relative, o.role, copied[i].size, copied[i].digest });
        if (o.role == "original-main")
            m_copies.push_back(m_root / o.relative);
    }
    return true;
}

// Adapts the save worker's context to this build's cancel flag and progress (the second half).
class JoinContext : public WorkerContext {
public:
    JoinContext(const std::atomic<bool>* cancel, std::function<void(std::uint64_t, std::uint64_t)> progress)
        : m_cancel(cancel)
        , m_progress(std::move(progress))
    {
    }
    bool cancelled() const override { return m_cancel && m_cancel->load(); }
    void progress(std::int64_t done, std::int64_t count) override
    {
        m_progress(
            std::uint64_t(std::max<std::int64_t>(done, 0)), std::uint64_t(std::max<std::int64_t>(count, 0)));
    }

private:
    const std::atomic<bool>* m_cancel;
    std::function<void(std::uint64_t, std::uint64_t)> m_progress;
};

bool Builder::join()
{
    // From the copies: the card is read only once, and a recorder card is often the slowest drive.
    std::vector<recording::RecordingEntry> entries;
    for (const fs::path& movie : m_copies)
        recording::MakeRecordingEntry(movie, entries);
    const fs::path folder = m_root / "joined";
    std::error_code ec;
    fs::create_directories(folder, ec);
    const SavePlan plan = MakeSavePlan(entries, folder);
    JoinContext context(m_cancel, [this](std::uint64_t done, std::uint64_t count) {
        if (m_progress && count > 0)
            m_progress(std::min(m_total / 2 + done * (m_total / 2) / count, m_total), m_total);
    });
    // The joined movies are nearly as large as the originals: they are hashed as they are written,
    // on the other core, while the join copies inside the kernel.
    m_follower = std::make_unique<FolderFollower>(folder, [this] { return m_stop.load() || cancelled(); });
    const SaveOutcome outcome = RunSave(plan, context);
    if (outcome.status != SaveOutcome::Status::Saved)
        m_follower->stop();
    if (outcome.status == SaveOutcome::Status::Cancelled)
        throw Cancelled {};
    // The join names the copies by their staged paths, which are gone once the bundle is placed.
    const auto note = [this, staged = m_root.string() + "/"](const char* what, std::string why) {
        for (std::size_t at; (at = why.find(staged)) != std::string::npos;)
            why.erase(at, staged.size());
        m_result.notes.push_back(what + why);
    };
    if (outcome.status == SaveOutcome::Status::Failed) {
        note("the movies were not joined: ", outcome.error);
        return true;
    }
    if (!outcome.subNote.empty())
        note("no joined sub-camera movie: ", outcome.subNote);
    if (!outcome.telemetryNote.empty())
        note("no data file for the joined movie: ", outcome.telemetryNote);
    std::vector<fs::path> written;
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (e.is_regular_file())
            written.push_back(e.path());
    std::sort(written.begin(), written.end());
    std::vector<std::pair<fs::path, std::string>> files;
    for (const fs::path& path : written)
        files.emplace_back(
            path, recording::IsMovieExtension(path) ? roleOfMovie(path, "joined-") : "joined-data");
    // Finished while the documents are written; a file the follower missed is hashed then.
    m_joinedHashing = std::async(std::launch::async, [this, files = std::move(files)] {
        m_follower->finish();
        HashedFiles out;
        std::vector<std::pair<fs::path, std::string>> missed;
        for (const auto& [path, role] : files) {
            std::error_code sizeError;
            const std::uint64_t size = fs::file_size(path, sizeError);
            if (auto digest = m_follower->digestOf(path); digest && !sizeError)
                out.files.push_back({ fs::relative(path, m_root).generic_string(), role, size, *digest });
            else
                missed.emplace_back(path, role);
        }
        out.bytes = m_follower->hashedBytes();
        out.seconds = m_follower->hashSeconds();
        HashedFiles rest = hashFiles(m_root, missed, [this] { return m_stop.load() || cancelled(); });
        out.files.insert(out.files.end(), rest.files.begin(), rest.files.end());
        out.bytes += rest.bytes;
        out.seconds += rest.seconds;
        out.error = std::move(rest.error);
        return out;
    });
    return true;
}

bool Builder::addFile(const fs::path& path, const std::string& role)
{
    HashedFiles hashed = hashFiles(m_root, { { path, role } }, [] { return false; });
    if (!hashed.error.empty())
        return fail(hashed.error);
    m_result.hashedBytes += hashed.bytes;
    m_result.hashSeconds += hashed.seconds;
    m_files.push_back(hashed.files.front());
    return true;
}

bool Builder::writeText(const std::string& relative, const std::string& text, const std::string& role)
{
    std::string error;
    if (!WriteNewFile(m_root / relative, text, error))
        return fail(error);
    return addFile(m_root / relative, role);
}

bool Builder::writeDocuments()
{
    if (cancelled())
        throw Cancelled {};
    std::vector<recording::RecordingEntry> entries;
    for (const fs::path& movie : m_copies)
        recording::MakeRecordingEntry(movie, entries);
    const CsvResult csv = WriteCsvListing(entries, m_root);
    if (!csv.ok)
        return fail(csv.error);
    if (!addFile(csv.path, "listing"))
        return false;

    std::vector<TrackPart> parts;
    for (const fs::path& movie : m_copies)
        if (auto part = ReadTrackPart(movie, m_layout))
            parts.push_back(std::move(*part));
    if (parts.empty()) {
        m_result.notes.push_back("no track: none of the recordings has a readable data file");
    } else if (!writeText("track.gpx", GpxDocument(parts), "track-gpx")
        || !writeText("track.kml", KmlDocument(parts), "track-kml")) {
        return false;
    }

    for (const fs::path& movie : m_copies) {
        if (cancelled())
            throw Cancelled {};
        std::vector<StillMark> marks;
        ReportRecording recording = SummariseRecording(movie, m_layout, marks);
        WriteEventStills(movie, m_layout, marks, m_root / "stills", m_root, recording, m_result.notes);
        m_recordings.push_back(std::move(recording));
    }
    std::error_code ec;
    std::vector<fs::path> stills;
    for (const auto& e : fs::directory_iterator(m_root / "stills", ec))
        if (e.is_regular_file())
            stills.push_back(e.path());
    std::sort(stills.begin(), stills.end());
    for (const fs::path& still : stills)
        if (!addFile(still, "still"))
            return false;
    return true;
}

QString qt(const std::string& text)
{
    return QString::fromStdString(text);
}

bool Builder::seal()
{
    std::string source;
    std::set<fs::path> folders;
    for (const fs::path& movie : m_movies)
        if (folders.insert(fs::absolute(movie).parent_path()).second)
            source += (source.empty() ? "" : "; ") + fs::absolute(movie).parent_path().string();

    ReportContent report { KIVORA_VERSION_TEXT, m_exportText, source, m_recordings, m_files, m_result.notes };
    if (!writeText("report.html", EvidenceReportHtml(report), "report"))
        return false;

    QJsonArray files;
    for (const ReportFile& f : m_files)
        files.append(QJsonObject { { "path", qt(f.path) }, { "role", qt(f.role) }, { "size", double(f.size) },
            { "sha256", qt(f.sha256) } });
    QJsonArray recordings, notes;
    for (const fs::path& movie : m_movies)
        recordings.append(qt(movie.filename().string()));
    for (const std::string& note : m_result.notes)
        notes.append(qt(note));
    const QJsonObject manifest { { "generator", "kivora" }, { "version", KIVORA_VERSION_TEXT },
        { "exportTime", qt(m_exportText) }, { "source", qt(source) }, { "recordings", recordings },
        { "files", files }, { "notes", notes } };
    if (!writeText(kManifestFileName, QJsonDocument(manifest).toJson().toStdString(), "manifest"))
        return false;

    std::vector<const ReportFile*> sorted;
    for (const ReportFile& f : m_files)
        sorted.push_back(&f);
    std::sort(sorted.begin(), sorted.end(), [](auto* a, auto* b) { return a->path < b->path; });
    std::string sums;
    for (const ReportFile* f : sorted)
        sums += f->sha256 + "  " + f->path + "\n";
    std::string error;
    if (!WriteNewFile(m_root / kSumsFileName, sums, error))
        return fail(error);
    if (m_durable) {
        const int fd = ::open(m_root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const bool synced = fd >= 0 && ::syncfs(fd) == 0;
        if (fd >= 0)
            ::close(fd);
        if (!synced)
            return fail("cannot flush the bundle to the disk: " + std::string(std::strerror(errno)));
    }
    return true;
}

bool Builder::run()
{
    std::error_code ec;
    if (m_request.recordings.empty())
        return fail("no recordings were given");
    std::set<fs::path> seen;
    for (fs::path movie : m_request.recordings) {
        if (!fs::is_regular_file(movie, ec) || !recording::IsMovieFile(movie))
            return fail(movie.string() + " is not a movie");
        // A recording is keyed by its main movie; a sub movie given stands for its recording.
        if (recording::IsRecordingName(movie) && !recording::IsMainCameraName(movie)
            && fs::is_regular_file(recording::PairPath(movie), ec))
            movie = recording::PairPath(movie);
        if (seen.insert(fs::weakly_canonical(movie, ec)).second)
            m_movies.push_back(movie);
    }
    std::sort(m_movies.begin(), m_movies.end(),
        [](const fs::path& a, const fs::path& b) { return chronological(a) < chronological(b); });
    if (!fs::is_directory(m_request.outDir, ec))
        return fail(m_request.outDir.string() + " is not a folder");
    if (recording::IsRecorderFolder(m_request.outDir))
        return fail(
            "choose an output folder outside the recorder's own folders: " + m_request.outDir.string());
    m_layout = m_request.layout.value_or(recording::MovieLayout(m_movies.front()));
    // The writer and the scan find data files by the current layout: this thread gets its own.
    const recording::ThreadLayoutScope layoutScope(m_layout);

    const std::time_t when = std::chrono::system_clock::to_time_t(m_request.exportTime);
    std::tm local {};
    localtime_r(&when, &local);
    recording::SystemTime now;
    now.year = std::uint16_t(local.tm_year + 1900);
    now.month = std::uint16_t(local.tm_mon + 1);
    now.day = std::uint16_t(local.tm_mday);
    now.hour = std::uint16_t(local.tm_hour);
    now.minute = std::uint16_t(local.tm_min);
    now.second = std::uint16_t(local.tm_sec);
    m_name = BundleFolderName(now);
    char iso[40];
    std::strftime(iso, sizeof iso, "%Y-%m-%dT%H:%M:%S%z", &local);
    m_exportText = iso;
    const fs::path final = m_request.outDir / m_name;
    if (fs::exists(final, ec))
        return fail(final.string() + " exists already");
    m_durable = recording::NeedsDurableFlush(final);

    if (!planOriginals())
        return false;
    StagedFolder staged(m_request.outDir, m_name);
    if (staged.path().empty())
        return fail("cannot make a folder in " + m_request.outDir.string() + ": " + std::strerror(errno));
    m_root = staged.path();
    // Declared after the staged folder: the helper threads stop and finish before it is removed.
    struct StopHelpers {
        Builder& builder;
        ~StopHelpers()
        {
            builder.m_stop = true;
            if (builder.m_follower)
                builder.m_follower->stop();
            if (builder.m_joinedHashing.valid())
                builder.m_joinedHashing.wait();
        }
    } stopHelpers { *this };
    auto mark = std::chrono::steady_clock::now();
    const auto stepDone = [&](const char* step) {
        const auto now = std::chrono::steady_clock::now();
        m_result.steps.emplace_back(step, std::chrono::duration<double>(now - mark).count());
        mark = now;
    };
    try {
        if (!copyOriginals())
            return false;
        stepDone("copy");
        if (!join())
            return false;
        stepDone("join");
        if (!writeDocuments())
            return false;
        stepDone("documents");
        if (m_joinedHashing.valid()) {
            HashedFiles joined = m_joinedHashing.get();
            if (!joined.error.empty() && !cancelled())
                return fail(joined.error);
            m_files.insert(m_files.end(), joined.files.begin(), joined.files.end());
            m_result.hashedBytes += joined.bytes;
            m_result.hashSeconds += joined.seconds;
            stepDone("joined-hash-wait");
        }
        if (cancelled())
            throw Cancelled {};
        if (!seal())
            return false;
        stepDone("seal");
    } catch (const Cancelled&) {
        m_result.cancelled = true;
        return fail("cancelled");
    }
    // Never onto a bundle that appeared meanwhile: RENAME_NOREPLACE where the file system has it.
    if (::renameat2(AT_FDCWD, m_root.c_str(), AT_FDCWD, final.c_str(), RENAME_NOREPLACE) != 0) {
        const bool unsupported = errno == EINVAL || errno == ENOSYS;
        if (!unsupported || fs::exists(final, ec) || ::rename(m_root.c_str(), final.c_str()) != 0)
            return fail("cannot place " + final.string() + ": " + std::strerror(errno));
    }
    staged.placed();
    m_result.path = final;
    return true;
}

} // namespace

std::string BundleFolderName(const recording::SystemTime& t)
{
    char name[64];
    std::snprintf(name, sizeof name, "Evidence_%04u%02u%02u_%02u%02u%02u", unsigned(t.year),
        unsigned(t.month), unsigned(t.day), unsigned(t.hour), unsigned(t.minute), unsigned(t.second));
    return name;
}

BundleResult BuildEvidenceBundle(
    const BundleRequest& request, const BundleProgress& progress, const std::atomic<bool>* cancel)
{
    BundleResult result;
    Builder builder(request, progress, cancel, result);
    result.ok = builder.run();
    return result;
}

} // namespace kivora::exporting
