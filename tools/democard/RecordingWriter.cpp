#include "tools/democard/RecordingWriter.h"

#include "tools/democard/MovAtoms.h"
#include "tools/democard/MovieEncoder.h"
#include "tools/democard/ScenePainter.h"

#include "kivora/system/FileAttributes.h"
#include "kivora/system/StagedFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <system_error>

namespace kivora::democard {

namespace {
constexpr double kPi = 3.14159265358979323846;

std::string overlayDate(const DateTime& t)
{
    char buf[32];
    std::snprintf(
        buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return buf;
}

// The record whose motion a frame shows, as players of these files find it: the record the
// cursor rests on, which moves at most one record a frame; a record starting at frame g (in float
// milliseconds, truncated to whole frames) shows from g + 1 on.
struct ShownRecord {
    int index = 0;
    int since = 0; // the first frame that shows it
};

ShownRecord motionRecordForFrame(const WrittenRecording& r, int frame)
{
    const int count = static_cast<int>(r.records.size());
    const float msPerRecord = r.timeLapse ? 1000.0f / 15.0f : 100.0f;
    const float msPerFrame = 1000.0f / static_cast<float>(r.recipe.fps);
    auto frameOf = [&](int k) {
        const auto ms = static_cast<std::int32_t>(static_cast<float>(k) * msPerRecord);
        return static_cast<int>(static_cast<float>(ms) / msPerFrame);
    };
    ShownRecord shown;
    for (int g = 0; g < frame; ++g) {
        if (shown.index + 1 < count && frameOf(shown.index + 1) <= g)
            shown = { shown.index + 1, g + 1 };
    }
    return shown;
}

SceneFrame sceneFor(const WrittenRecording& r, int frame, bool rear)
{
    SceneFrame s;
    s.code = static_cast<std::uint16_t>(frame);
    s.rear = rear;
    s.parked = isParking(r.recipe.trigger);
    s.overlay = r.recipe.overlay;
    if (r.records.empty())
        return s;
    // The picture shows the moment of the frame's record; between two records the road moves on
    // smoothly.
    const std::size_t last = r.records.size() - 1;
    const ShownRecord motion = motionRecordForFrame(r, frame);
    const auto i = static_cast<std::size_t>(motion.index);
    const std::size_t j = std::min<std::size_t>(i + 1, last);
    const double framesPerRecord = r.recipe.fps * r.recordPeriodMs / 1000.0;
    const double fraction = std::clamp((frame - motion.since) / framesPerRecord, 0.0, 1.0);
    s.distanceM = r.drive[i].distanceM + (r.drive[j].distanceM - r.drive[i].distanceM) * fraction;
    s.headingDeg = r.drive[i].headingDeg;
    s.shakePx = (frame % 2 ? -1 : 1) * r.drive[i].shakePx;
    const FrameStamp stamp = stampForFrame(r, frame);
    s.overlayLeft = overlayDate(stamp.time);
    char buf[32];
    if (s.parked) {
        if (stamp.voltageTenths >= 0)
            std::snprintf(buf, sizeof buf, "%d.%dV", stamp.voltageTenths / 10, stamp.voltageTenths % 10);
        else
            std::snprintf(buf, sizeof buf, "--.-V");
    } else if (stamp.speedKmh >= 0) {
        std::snprintf(buf, sizeof buf, "%dKM/H", stamp.speedKmh);
    } else {
        std::snprintf(buf, sizeof buf, "--KM/H");
    }
    s.overlayRight = buf;
    return s;
}

// Engine hum that follows the speed, warning beeps, and a thump at an impact.
FillAudio soundFor(const WrittenRecording& r, int audioRate)
{
    struct State {
        double phase = 0;
        std::uint32_t noise = 0x12345678u;
    };
    auto state = std::make_shared<State>();
    return [&r, audioRate, state](std::int64_t first, std::span<float> out) {
        const double recordSeconds = r.recordPeriodMs / 1000.0;
        for (std::size_t n = 0; n < out.size(); ++n) {
            const double t = static_cast<double>(first + static_cast<std::int64_t>(n)) / audioRate;
            std::size_t k = static_cast<std::size_t>(t / recordSeconds);
            if (!r.records.empty())
                k = std::min(k, r.records.size() - 1);
            const TelemetryRecord* rec = r.records.empty() ? nullptr : &r.records[k];
            const double speed = rec && rec->speedKmh > 0 ? rec->speedKmh : 0.0;
            const double freq = 45.0 + speed * 1.2;
            state->phase += 2 * kPi * freq / audioRate;
            if (state->phase > 2 * kPi)
                state->phase -= 2 * kPi;
            state->noise = state->noise * 1664525u + 1013904223u;
            const double noise = (static_cast<double>(state->noise >> 8) / 16777216.0 - 0.5);
            double s = (isParking(r.recipe.trigger) ? 0.01 : 0.12) * std::sin(state->phase) + 0.03 * noise;
            if (r.recipe.trigger == Trigger::SpeedCamera || r.recipe.trigger == Trigger::Radar) {
                const double at = std::fmod(t, 0.5);
                if (t > 1.0 && t < 2.5 && at < 0.12)
                    s += 0.3 * std::sin(2 * kPi * (r.recipe.trigger == Trigger::Radar ? 1320.0 : 880.0) * t);
            }
            if (rec && rec->shockAxis != ' ')
                s += 0.6 * noise;
            out[n] = static_cast<float>(std::clamp(s, -1.0, 1.0));
        }
    };
}

std::string cacheKey(const MovieRecipe& m, bool rear)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "%dx%d@%d/%d/%d/%d/%d", m.width, m.height, m.fps, m.frameCount,
        int(m.audio), int(rear), m.bitRate);
    return buf;
}

Result<std::shared_ptr<const std::vector<std::uint8_t>>> encodeCamera(
    const WrittenRecording& r, PictureSize size, bool rear, MovieCache* cache)
{
    using R = Result<std::shared_ptr<const std::vector<std::uint8_t>>>;
    MovieRecipe m;
    m.width = size.width;
    m.height = size.height;
    m.fps = r.recipe.fps;
    m.frameCount = r.recipe.frameCount;
    m.audio = r.recipe.audio;
    m.bitRate = r.recipe.recorderBitRate ? recorderBitRate(m.width, m.height) : 0;
    const std::string key = cacheKey(m, rear);
    if (cache) {
        if (auto hit = cache->find(key))
            return R::success(hit);
    }
    PaintFrame paint;
    if (cache) {
        // Shared pictures must not show one recording's time or speed.
        paint = [rear](int frame, FramePlanes& planes) {
            SceneFrame s;
            s.code = static_cast<std::uint16_t>(frame);
            s.rear = rear;
            s.distanceM = frame * 0.4;
            s.overlay = false;
            paintScene(planes, s);
        };
    } else {
        paint = [&r, rear](int frame, FramePlanes& planes) {
            const SceneFrame s = sceneFor(r, frame, rear);
            paintScene(planes, s);
        };
    }
    if (m.bitRate > 0)
        paint = [scene = std::move(paint)](int frame, FramePlanes& planes) {
            scene(frame, planes);
            addGrain(planes, frame);
        };
    auto encoded = encodeMovie(m, paint, soundFor(r, m.audioRate));
    if (!encoded)
        return R::failure(encoded.error);
    auto bytes = std::make_shared<const std::vector<std::uint8_t>>(std::move(*encoded.value));
    if (cache)
        cache->store(key, bytes);
    return R::success(bytes);
}

Result<bool> writeMovie(WrittenRecording& r, PictureSize size, bool rear, const std::filesystem::path& path,
    std::span<const std::uint8_t> block, MovieCache* cache, WrittenMovie& out)
{
    auto muxed = encodeCamera(r, size, rear, cache);
    if (!muxed)
        return Result<bool>::failure(path.filename().string() + ": " + muxed.error);
    auto arranged = arrangeRecorderMovie(**muxed.value, block);
    if (!arranged)
        return Result<bool>::failure(path.filename().string() + ": " + arranged.error);
    if (auto w = writeFileAtomically(path, *arranged.value); !w)
        return w;
    out.path = path;
    out.width = size.width;
    out.height = size.height;
    out.fps = r.recipe.fps;
    out.frames = r.recipe.frameCount;
    out.keyFrameInterval = r.recipe.fps;
    out.bytes = arranged.value->size();
    return Result<bool>::success(true);
}
} // namespace

Result<bool> writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes)
{
    // Not flushed: a generated card is made again rather than recovered after a power cut.
    system::StagedFile file;
    std::string error;
    if (!file.create(path, false, error) || !file.write(bytes.data(), bytes.size(), error)
        || !file.finish(error) || !file.commit(error))
        return Result<bool>::failure(error);
    return Result<bool>::success(true);
}

FrameStamp stampForFrame(const WrittenRecording& r, int frame)
{
    FrameStamp stamp;
    const int count = static_cast<int>(r.records.size());
    if (count == 0)
        return stamp;
    const int moment = motionRecordForFrame(r, frame).index;
    // The speed comes from the last fix, which is five records behind the record after the
    // frame's; the voltage a record carries belongs to the record before it.
    const int fix = std::max(0, std::min(moment + 1, count - 1) - 5);
    stamp.time = r.records[static_cast<std::size_t>(moment)].time;
    stamp.speedKmh = r.records[static_cast<std::size_t>(fix)].speedKmh;
    if (moment + 1 < count)
        stamp.voltageTenths = r.records[static_cast<std::size_t>(moment + 1)].voltageTenths;
    return stamp;
}

int recordCountFor(int frameCount, int fps, bool timeLapse)
{
    return static_cast<int>(static_cast<long long>(frameCount) * (timeLapse ? 15 : 10) / fps);
}

WrittenRecording planRecording(const RecordingRecipe& recipe, DriveState& state, Random& rng)
{
    WrittenRecording r;
    r.recipe = recipe;
    r.name = recordingName(recipe.trigger, recipe.seriesStart, recipe.start, recipe.fileNumber, 'M');
    r.timeLapse = isTimeLapse(recipe.trigger);
    r.recordPeriodMs = r.timeLapse ? 1000.0 / 15.0 : 100.0;
    r.realSecondsPerRecordTenths = r.timeLapse ? 10 : 1;
    r.header = recipe.header;
    auto simulated = simulateRecording(recipe.trigger, recipe.start,
        recordCountFor(recipe.frameCount, recipe.fps, r.timeLapse), r.timeLapse, state, rng);
    r.records = std::move(simulated.records);
    r.drive = std::move(simulated.drive);
    r.main.path = recipe.movieFolder / r.name;
    return r;
}

std::shared_ptr<const std::vector<std::uint8_t>> MovieCache::find(const std::string& key)
{
    std::lock_guard lock(m_lock);
    auto it = m_movies.find(key);
    return it == m_movies.end() ? nullptr : it->second;
}

void MovieCache::store(const std::string& key, std::shared_ptr<const std::vector<std::uint8_t>> bytes)
{
    std::lock_guard lock(m_lock);
    m_movies.emplace(key, std::move(bytes));
}

Result<bool> writePlannedRecording(WrittenRecording& r, MovieCache* cache)
{
    const RecordingRecipe& recipe = r.recipe;
    const std::vector<std::uint8_t> block = encodeBlock(r.header, r.records);
    if (auto w = writeMovie(r, recipe.main, false, recipe.movieFolder / r.name, block, cache, r.main); !w)
        return w;
    if (recipe.withSub) {
        const auto folder = recipe.subFolder.empty() ? recipe.movieFolder : recipe.subFolder;
        WrittenMovie sub;
        const auto path = folder
            / recordingName(recipe.trigger, recipe.seriesStart, recipe.start, recipe.fileNumber, 'S');
        if (auto w = writeMovie(r, recipe.sub, true, path, block, cache, sub); !w)
            return w;
        r.sub = sub;
    }
    if (recipe.withData) {
        const auto folder = recipe.dataFolder.empty() ? recipe.movieFolder : recipe.dataFolder;
        const auto path = folder
            / recordingName(recipe.trigger, recipe.seriesStart, recipe.start, recipe.fileNumber, 'D');
        if (auto w = writeFileAtomically(path, block); !w)
            return w;
        setHidden(path);
        r.data = path;
        r.dataBytes = block.size();
    }
    return Result<bool>::success(true);
}

Result<WrittenRecording> writeRecording(const RecordingRecipe& recipe, std::uint64_t seed)
{
    using R = Result<WrittenRecording>;
    if (recipe.main.width < 272 || (recipe.withSub && recipe.sub.width < 272))
        return R::failure("pictures must be at least 272 pixels wide to carry the frame code");
    std::error_code ec;
    for (const auto& folder : { recipe.movieFolder, recipe.subFolder, recipe.dataFolder })
        if (!folder.empty())
            std::filesystem::create_directories(folder, ec);
    DriveState state;
    Random rng(seed);
    WrittenRecording r = planRecording(recipe, state, rng);
    if (auto w = writePlannedRecording(r); !w)
        return R::failure(w.error);
    return R::success(std::move(r));
}

void setHidden(const std::filesystem::path& path)
{
    // Only FAT has the attribute; on other file systems the name alone is what the recorder writes.
    system::setHidden(path, true);
}

} // namespace kivora::democard
