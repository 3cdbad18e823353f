#include "tools/democard/CardWriter.h"

#include "tools/democard/Manifest.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>

namespace kivora::democard {

namespace {
struct Folders {
    std::filesystem::path movies;
    std::filesystem::path subs;
    std::filesystem::path data;
};

Folders foldersFor(const CardOptions& o, bool parking)
{
    const char* movie = parking ? "Parking" : (o.layout == 1 ? "Video" : "Normal");
    const char* data = parking ? "_PData" : (o.layout == 1 ? "_VData" : "_NData");
    Folders f;
    if (o.cameraFolders) {
        // A reader looks for the data file in the movie's own folder when that is not a layout
        // folder, so with camera folders the data lives beside the main movie.
        f.movies = o.outDir / movie / "Main";
        f.subs = o.outDir / movie / "Sub_";
        f.data = f.movies;
    } else {
        f.movies = o.outDir / movie;
        f.subs = f.movies;
        f.data = o.outDir / data;
    }
    return f;
}

template <class T> void shuffle(std::vector<T>& v, Random& rng)
{
    for (std::size_t i = v.size(); i > 1; --i)
        std::swap(v[i - 1], v[static_cast<std::size_t>(rng.range(0, static_cast<int>(i) - 1))]);
}

// Draws triggers from a bag so that a small card still shows every kind once.
class TriggerBag {
public:
    TriggerBag(std::vector<Trigger> first, std::vector<Trigger> later)
        : m_first(std::move(first))
        , m_later(std::move(later))
    {
    }
    Trigger draw(Random& rng)
    {
        if (m_bag.empty()) {
            m_bag = m_used ? m_later : m_first;
            m_used = true;
            shuffle(m_bag, rng);
        }
        const Trigger t = m_bag.back();
        m_bag.pop_back();
        return t;
    }

private:
    std::vector<Trigger> m_first;
    std::vector<Trigger> m_later;
    std::vector<Trigger> m_bag;
    bool m_used = false;
};

Result<bool> writeText(const std::filesystem::path& path, const std::string& text)
{
    return writeFileAtomically(
        path, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}
} // namespace

int frameCountFor(double seconds, int fps)
{
    return std::max(1, static_cast<int>(std::lround(seconds * fps)));
}

std::string validate(const CardOptions& o)
{
    if (o.outDir.empty())
        return "no output folder given";
    if (o.days < 1 || o.days > 366)
        return "days must be 1..366";
    if (o.recordings < 1 || o.recordings > 100000)
        return "recordings must be 1..100000";
    if (!(o.seconds > 0.0) || o.seconds > 600.0)
        return "seconds must be more than 0 and at most 600";
    if (o.fps < 1 || o.fps > 120)
        return "fps must be 1..120";
    if (frameCountFor(o.seconds, o.fps) > 65535)
        return "a movie may have at most 65535 frames (the frame code has 16 bits)";
    for (const PictureSize& s : { o.main, o.sub }) {
        if (s.width < 272 || s.height < 48 || s.width > 4096 || s.height > 2304 || s.width % 2
            || s.height % 2)
            return "picture sizes must be even, from 272x48 to 4096x2304";
    }
    if (o.layout != 0 && o.layout != 1)
        return "layout must be 0 or 1";
    if (o.jobs < 1 || o.jobs > 64)
        return "jobs must be 1..64";
    if (o.header.firmware.size() != 6 || (!o.header.gpsVersion.empty() && o.header.gpsVersion.size() != 6))
        return "firmware and GPS data version must have six characters";
    return {};
}

std::vector<WrittenRecording> planCard(const CardOptions& o)
{
    Random rng(o.seed);
    const int frames = frameCountFor(o.seconds, o.fps);
    std::uint32_t fileNumber = static_cast<std::uint32_t>(rng.range(1, 900));
    TriggerBag driving({ Trigger::Continuous, Trigger::Shock, Trigger::Manual, Trigger::SpeedCamera,
                           Trigger::Radar, Trigger::TimeLapse },
        { Trigger::Continuous, Trigger::Continuous, Trigger::Continuous, Trigger::Continuous, Trigger::Shock,
            Trigger::Manual, Trigger::SpeedCamera, Trigger::Radar, Trigger::TimeLapse });
    TriggerBag parking({ Trigger::Parking, Trigger::ParkingShock, Trigger::ParkingTimeLapse },
        { Trigger::Parking, Trigger::Parking, Trigger::ParkingShock, Trigger::ParkingTimeLapse });

    std::vector<WrittenRecording> planned;
    planned.reserve(static_cast<std::size_t>(o.recordings));
    std::size_t explicitNext = 0;
    std::int64_t previousEnd = toSeconds(o.firstDay);
    int supportCounter = 0;
    for (int day = 0; day < o.days; ++day) {
        const int count = o.recordings / o.days + (day < o.recordings % o.days ? 1 : 0);
        if (count == 0)
            continue;
        const int parkingCount = count / 4;
        // Each day is a drive from a slightly different place, then the car is parked.
        DriveState state;
        state.latitude += rng.uniform(-0.05, 0.05);
        state.longitude += rng.uniform(-0.05, 0.05);
        state.headingDeg = rng.uniform(0.0, 360.0);
        state.supportCounter = supportCounter;
        std::int64_t t = toSeconds(o.firstDay) + day * 86400LL + 7 * 3600 + 30 * 60 + rng.range(0, 7200);
        t = std::max(t, previousEnd + 60);
        for (int i = 0; i < count; ++i) {
            const bool parked = i >= count - parkingCount;
            const bool firstOfSession = i == 0 || i == count - parkingCount;
            Trigger trigger;
            if (!o.triggers.empty())
                trigger = o.triggers[explicitNext++ % o.triggers.size()];
            else if (i == 0)
                trigger = Trigger::Continuous;
            else
                trigger = parked ? parking.draw(rng) : driving.draw(rng);
            if (parked && firstOfSession)
                t += rng.range(20 * 60, 90 * 60);
            else if (parked)
                t += rng.range(5 * 60, 40 * 60);
            const Folders folders = foldersFor(o, isParking(trigger));
            RecordingRecipe recipe;
            recipe.trigger = trigger;
            recipe.seriesStart = firstOfSession;
            recipe.start = fromSeconds(t);
            recipe.fileNumber = fileNumber++;
            recipe.fps = o.fps;
            recipe.frameCount = frames;
            recipe.main = o.main;
            recipe.withSub = o.withSub;
            recipe.sub = o.sub;
            recipe.withData = o.withData;
            recipe.audio = o.audio;
            recipe.overlay = !o.tiny;
            recipe.recorderBitRate = o.recorderBitRate;
            recipe.movieFolder = folders.movies;
            recipe.subFolder = folders.subs;
            recipe.dataFolder = folders.data;
            recipe.header = o.header;
            planned.push_back(planRecording(recipe, state, rng));
            supportCounter = state.supportCounter;
            // The next recording starts when this one's real time is over.
            const double realSeconds
                = static_cast<double>(frames) / o.fps * (isTimeLapse(trigger) ? 15.0 : 1.0);
            t += static_cast<std::int64_t>(std::ceil(realSeconds));
            previousEnd = t;
        }
    }
    return planned;
}

Result<CardSummary> writeCard(const CardOptions& o, const std::function<void(int, int)>& progress)
{
    using R = Result<CardSummary>;
    if (std::string why = validate(o); !why.empty())
        return R::failure(why);
    std::error_code ec;
    std::filesystem::create_directories(o.outDir, ec);
    if (ec)
        return R::failure("cannot create " + o.outDir.string() + ": " + ec.message());
    // A recorder formats its card with all four folders, used or not.
    for (bool parked : { false, true }) {
        const Folders f = foldersFor(o, parked);
        for (const auto& dir : { f.movies, f.subs, f.data }) {
            std::filesystem::create_directories(dir, ec);
            if (ec)
                return R::failure("cannot create " + dir.string() + ": " + ec.message());
        }
        if (o.cameraFolders)
            std::filesystem::create_directories(
                o.outDir / (parked ? "_PData" : (o.layout == 1 ? "_VData" : "_NData")), ec);
    }

    CardSummary summary;
    summary.recordings = planCard(o);

    if (o.pvtrace) {
        std::string trace;
        for (const WrittenRecording& r : summary.recordings)
            if (isParking(r.recipe.trigger) && !r.records.empty())
                trace += formatCompact(r.records.front().time) + ","
                    + std::to_string(r.records.front().voltageTenths) + "\r\n";
        if (auto w = writeText(o.outDir / "pvtrace.txt", trace); !w)
            return R::failure(w.error);
    }
    if (!o.model.empty()) {
        if (auto w = writeText(o.outDir / (o.model + "_download.url"),
                "[InternetShortcut]\r\nURL=https://example.com/" + o.model + "/download\r\n");
            !w)
            return R::failure(w.error);
    }

    MovieCache cache;
    std::atomic<std::size_t> next { 0 };
    std::atomic<bool> failed { false };
    std::mutex reportLock; // guards firstError, done and the progress calls
    std::string firstError;
    int done = 0;
    const int total = static_cast<int>(summary.recordings.size());
    const auto work = [&] {
        for (;;) {
            const std::size_t i = next.fetch_add(1);
            if (i >= summary.recordings.size() || failed)
                return;
            auto w = writePlannedRecording(summary.recordings[i], o.tiny ? &cache : nullptr);
            std::lock_guard lock(reportLock);
            if (!w) {
                if (!failed.exchange(true))
                    firstError = w.error;
                return;
            }
            ++done;
            if (progress)
                progress(done, total);
        }
    };
    {
        std::vector<std::jthread> workers;
        const int jobs = std::min(o.jobs, std::max(1, total));
        for (int j = 1; j < jobs; ++j)
            workers.emplace_back(work);
        work();
    } // joined here
    if (failed)
        return R::failure(firstError);

    if (o.writeManifest) {
        summary.manifest = o.manifestPath.empty() ? o.outDir / "democard.json" : o.manifestPath;
        if (auto w = writeText(summary.manifest, manifestJson(o, summary.recordings, o.outDir)); !w)
            return R::failure(w.error);
    }
    return R::success(std::move(summary));
}

} // namespace kivora::democard
