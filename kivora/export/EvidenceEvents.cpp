#include "kivora/export/EvidenceEvents.h"

#include "kivora/export/TrackDocument.h"

#include "kivora/export/SnapshotName.h"
#include "kivora/export/StillWriter.h"
#include "kivora/playback/MediaSource.h"
#include "kivora/recording/MovieAtoms.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/recording/TelemetryReader.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace kivora::exporting {

namespace fs = std::filesystem;

namespace {

constexpr int kStillQuality = 95;

bool hasPlace(const recording::GpsSample& g)
{
    return g.valid == 1 && g.latitude != recording::kNoPosition && g.longitude != recording::kNoPosition
        && std::fabs(g.latitude) <= 90.0 && std::fabs(g.longitude) <= 180.0;
}

bool hasSpeed(const recording::GpsSample& g)
{
    return g.valid == 1 && g.speed != recording::kNoSpeed && g.speed >= 0.0;
}

recording::SystemTime plusMs(const recording::SystemTime& start, std::int64_t ms)
{
    std::tm t {};
    t.tm_year = start.year - 1900;
    t.tm_mon = start.month - 1;
    t.tm_mday = start.day;
    t.tm_hour = start.hour;
    t.tm_min = start.minute;
    t.tm_sec = start.second + int(ms / 1000);
    t.tm_isdst = -1;
    std::mktime(&t);
    recording::SystemTime out;
    out.year = std::uint16_t(t.tm_year + 1900);
    out.month = std::uint16_t(t.tm_mon + 1);
    out.day = std::uint16_t(t.tm_mday);
    out.dayOfWeek = std::uint16_t(t.tm_wday);
    out.hour = std::uint16_t(t.tm_hour);
    out.minute = std::uint16_t(t.tm_min);
    out.second = std::uint16_t(t.tm_sec);
    return out;
}

class ReaderGuard {
public:
    explicit ReaderGuard(recording::TelemetryReader& reader)
        : m_reader(reader)
    {
    }
    ~ReaderGuard() { recording::Release(m_reader); }
    ReaderGuard(const ReaderGuard&) = delete;
    ReaderGuard& operator=(const ReaderGuard&) = delete;

private:
    recording::TelemetryReader& m_reader;
};

} // namespace

std::string LocalTimeText(const recording::SystemTime& t)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", unsigned(t.year), unsigned(t.month),
        unsigned(t.day), unsigned(t.hour), unsigned(t.minute), unsigned(t.second));
    return text;
}

ReportRecording SummariseRecording(const fs::path& movie, int layout, std::vector<StillMark>& marks)
{
    ReportRecording r;
    r.name = movie.filename().string();
    const recording::SystemTime start = recording::NameDateTime(movie);
    r.start = LocalTimeText(start);
    if (auto tree = recording::OpenMovieTree(movie, true)) {
        const std::int64_t frames = recording::FrameCount(*tree);
        const float rate = recording::FrameRate(*tree);
        if (frames > 0 && rate > 0.0f)
            r.seconds = double(frames) / double(rate);
        recording::CloseMovie(std::move(tree));
    }

    recording::TelemetryReader reader;
    recording::InitReader(reader);
    ReaderGuard guard(reader);
    if (!recording::Load(reader, recording::DataPath(movie, layout)))
        return r;
    double speedSum = 0.0;
    int speeds = 0;
    for (std::size_t i = 0; i < reader.gps.size(); ++i) {
        const recording::GpsSample& g = reader.gps[i];
        if (hasPlace(g)) {
            if (!r.firstPlace)
                r.firstPlace = ReportPlace { g.latitude, g.longitude };
            r.lastPlace = ReportPlace { g.latitude, g.longitude };
        }
        if (hasSpeed(g)) {
            r.maxSpeedKmh = std::max(r.maxSpeedKmh.value_or(0.0), g.speed);
            speedSum += g.speed;
            ++speeds;
        }
        if (i >= reader.motion.size())
            continue;
        const recording::MotionSample& m = reader.motion[i];
        const recording::MotionSample* before = i > 0 ? &reader.motion[i - 1] : nullptr;
        // One entry per mark, not one per record it lasts.
        const bool shock = m.shockAxis != 0 && (!before || before->shockAxis == 0);
        const char* name = EventName(m.eventCode);
        const bool event = name && (!before || before->eventCode != m.eventCode);
        if (!shock && !event)
            continue;
        ReportEvent e;
        e.time = LocalTimeText(g.dateTime.year != 0 ? g.dateTime : plusMs(start, g.time));
        if (hasPlace(g))
            e.place = ReportPlace { g.latitude, g.longitude };
        if (hasSpeed(g))
            e.speedKmh = g.speed;
        static constexpr const char* kAxes[] = { "", " (X)", " (Y)", " (Z)" };
        if (shock)
            e.name = std::string("shock") + kAxes[m.shockAxis >= 0 && m.shockAxis <= 3 ? m.shockAxis : 0];
        if (event)
            e.name += (e.name.empty() ? "" : ", ") + std::string(name);
        r.events.push_back(e);
        if (shock || m.eventCode == recording::kEventManual)
            marks.push_back({ g.time, r.events.size() - 1 });
    }
    if (speeds > 0)
        r.meanSpeedKmh = speedSum / speeds;
    return r;
}

void WriteEventStills(const fs::path& movie, int layout, const std::vector<StillMark>& marks,
    const fs::path& folder, const fs::path& bundleRoot, ReportRecording& recording,
    std::vector<std::string>& notes)
{
    if (marks.empty())
        return;
    playback::MediaSource source;
    if (playback::MediaSource::open(movie, false, source) != playback::MediaError::None) {
        notes.push_back("no stills of " + movie.filename().string() + ": the movie cannot be decoded");
        return;
    }
    const double periodMs = source.frameRate > 0.0 ? 1000.0 / source.frameRate : 1000.0 / 30.0;
    recording::TelemetryReader reader;
    recording::InitReader(reader);
    ReaderGuard guard(reader);
    const bool telemetry = recording::Load(reader, recording::DataPath(movie, layout));
    std::error_code ec;
    fs::create_directories(folder, ec);
    for (const StillMark& mark : marks) {
        const std::int64_t frame = std::llround(double(mark.timeMs) / periodMs);
        const QImage image = playback::decodeFrameAt(source, playback::Time100ns(mark.timeMs) * 10'000);
        const recording::GpsSample* gps = nullptr;
        for (const recording::GpsSample& g : reader.gps)
            if (telemetry && g.time <= mark.timeMs)
                gps = &g;
        const fs::path path = SnapshotName(folder, movie, frame).main;
        std::string error;
        if (fs::exists(path, ec)) {
            recording.events[mark.event].still = fs::relative(path, bundleRoot).string();
            continue; // two marks on one frame share its still
        }
        if (image.isNull()
            || !WriteStill(image, path, StampForFrame(movie, frame, periodMs, gps), kStillQuality, error)) {
            notes.push_back("no still of " + movie.filename().string() + " at frame " + std::to_string(frame)
                + (error.empty() ? "" : ": " + error));
            continue;
        }
        recording.events[mark.event].still = fs::relative(path, bundleRoot).string();
    }
}

} // namespace kivora::exporting
