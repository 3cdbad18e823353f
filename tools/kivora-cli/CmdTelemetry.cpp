// kivora-cli telemetry MOVIE [--format json|csv|gpx]: the decoded telemetry of a movie's data file,
// one row per record, with the video frame each record belongs to.

#include "tools/kivora-cli/Commands.h"

#include "kivora/export/TrackDocument.h"
#include "kivora/recording/CardLayout.h"
#include "kivora/recording/MovieAtoms.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/recording/TelemetryDecode.h"
#include "kivora/recording/TelemetryReader.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>

namespace kivora::cli {

using namespace kivora::recording;

namespace {

enum class Format { Json, Csv, Gpx };

constexpr std::string_view kUsage
    = "usage: kivora-cli telemetry MOVIE [--format json|csv|gpx]\n"
      "  Decodes the telemetry data file of MOVIE (or MOVIE itself when it is a data file); without a\n"
      "  data file, the copy inside the movie (stderr then says so).\n"
      "  json: one object per record and line; csv: a header line, then one line per record;\n"
      "  gpx: the valid fixes as a GPX 1.1 track (local times converted to UTC by the system time zone).\n";

struct Timing {
    std::int64_t frameCount = 0;
    float msPerFrame = 0.0f;
};

// The movie's frame count and frame period, as the player uses them for the frame index.
bool probeMovie(const std::filesystem::path& movie, Timing& timing)
{
    TelemetryReader probe;
    InitReader(probe);
    if (ProbeTiming(probe, movie) == kProbeFailed || probe.msPerFrame <= 0.0f)
        return false;
    const auto tree = OpenMovieTree(movie);
    if (!tree)
        return false;
    timing.frameCount = FrameCount(*tree);
    timing.msPerFrame = probe.msPerFrame;
    return timing.frameCount > 0;
}

bool hasPosition(const GpsSample& g)
{
    return g.latitude != kNoPosition && g.longitude != kNoPosition && std::isfinite(g.latitude)
        && std::isfinite(g.longitude);
}

std::string dateTimeText(const SystemTime& t)
{
    if (t == SystemTime {})
        return {};
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u", t.year, t.month, t.day, t.hour,
        t.minute, t.second);
    return text;
}

// The status letter when it is a printable character other than a quote or backslash.
std::string statusText(std::int32_t code)
{
    if (code > 0x20 && code < 0x7F && code != '"' && code != '\\' && code != ',')
        return std::string(1, static_cast<char>(code));
    return {};
}

std::string number(double value, int decimals)
{
    if (!std::isfinite(value))
        return {};
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string jsonValue(const std::string& text, bool quoted)
{
    if (text.empty())
        return "null";
    return quoted ? "\"" + text + "\"" : text;
}

struct Row {
    std::string index, frame, valid, latitude, longitude, speed, dateTime, event, speeding, axis, ax, ay, az,
        code48, code122;
};

Row rowOf(const TelemetryReader& reader, std::size_t i, bool framed)
{
    const GpsSample& g = reader.gps[i];
    const MotionSample& m = reader.motion[i];
    Row r;
    r.index = std::to_string(g.recordIndex);
    r.frame = framed ? std::to_string(m.time) : std::string();
    r.valid = std::to_string(g.valid);
    if (hasPosition(g)) {
        r.latitude = number(g.latitude, 6);
        r.longitude = number(g.longitude, 6);
    }
    if (g.speed != kNoSpeed)
        r.speed = number(g.speed, 1);
    r.dateTime = dateTimeText(g.dateTime);
    r.event = std::to_string(m.eventCode);
    r.speeding = std::to_string(m.speeding);
    r.axis = std::to_string(m.shockAxis);
    r.ax = number(m.accelX, 3);
    r.ay = number(m.accelY, 3);
    r.az = number(m.accelZ, 3);
    r.code48 = std::to_string(m.code48);
    r.code122 = statusText(m.code122);
    return r;
}

void printJson(const TelemetryReader& reader, bool framed)
{
    for (std::size_t i = 0; i < reader.gps.size(); ++i) {
        const Row r = rowOf(reader, i, framed);
        std::printf(
            "{\"index\":%s,\"frame\":%s,\"valid\":%s,\"lat\":%s,\"lon\":%s,\"speed\":%s,\"datetime\":%s,"
            "\"event\":%s,\"speeding\":%s,\"shock_axis\":%s,\"ax\":%s,\"ay\":%s,\"az\":%s,\"code48\":%s,"
            "\"code122\":%s}\n",
            r.index.c_str(), jsonValue(r.frame, false).c_str(), r.valid.c_str(),
            jsonValue(r.latitude, false).c_str(), jsonValue(r.longitude, false).c_str(),
            jsonValue(r.speed, false).c_str(), jsonValue(r.dateTime, true).c_str(), r.event.c_str(),
            r.speeding.c_str(), r.axis.c_str(), jsonValue(r.ax, false).c_str(),
            jsonValue(r.ay, false).c_str(), jsonValue(r.az, false).c_str(), r.code48.c_str(),
            jsonValue(r.code122, true).c_str());
    }
}

void printCsv(const TelemetryReader& reader, bool framed)
{
    std::puts("index,frame,valid,lat,lon,speed,datetime,event,speeding,shock_axis,ax,ay,az,code48,code122");
    for (std::size_t i = 0; i < reader.gps.size(); ++i) {
        const Row r = rowOf(reader, i, framed);
        std::printf("%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s\n", r.index.c_str(), r.frame.c_str(),
            r.valid.c_str(), r.latitude.c_str(), r.longitude.c_str(), r.speed.c_str(), r.dateTime.c_str(),
            r.event.c_str(), r.speeding.c_str(), r.axis.c_str(), r.ax.c_str(), r.ay.c_str(), r.az.c_str(),
            r.code48.c_str(), r.code122.c_str());
    }
}

void printGpx(const TelemetryReader& reader, const std::string& name)
{
    std::fputs(exporting::GpxDocument({exporting::TrackPart{name, reader.gps, {}}}).c_str(), stdout);
}

} // namespace

int runTelemetry(std::span<char*> args)
{
    std::filesystem::path movie;
    Format format = Format::Json;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage.data(), stdout);
            return 0;
        }
        if (arg == "--format" && i + 1 < args.size()) {
            const std::string_view value = args[++i];
            if (value == "json")
                format = Format::Json;
            else if (value == "csv")
                format = Format::Csv;
            else if (value == "gpx")
                format = Format::Gpx;
            else {
                std::fprintf(
                    stderr, "kivora-cli telemetry: unknown format '%s' (json, csv or gpx)\n", args[i]);
                return 2;
            }
        } else if (!arg.starts_with("--") && movie.empty())
            movie = args[i];
        else {
            std::fprintf(
                stderr, "kivora-cli telemetry: unexpected argument '%s'\n%s", args[i], kUsage.data());
            return 2;
        }
    }
    if (movie.empty()) {
        std::fputs(kUsage.data(), stderr);
        return 2;
    }

    // A data file given directly has no movie to take frames from.
    const bool givenDataFile = IsTelemetryFile(movie);
    if (!givenDataFile)
        DetectLayout(movie); // a movie in a "Video" folder has its data in "_VData"
    const std::filesystem::path dataPath = givenDataFile ? movie : DataPath(movie);
    TelemetryReader reader;
    InitReader(reader);
    if (!givenDataFile && !IsTelemetryFile(dataPath)) {
        std::error_code ec;
        const bool present = std::filesystem::exists(dataPath, ec);
        // A movie copied without its data file still carries the recorder's copy of the block.
        if (!present && LoadFromMovie(reader, movie)) {
            std::fprintf(stderr,
                "kivora-cli telemetry: no telemetry data file %s; read the copy inside the movie\n",
                dataPath.c_str());
        } else {
            if (present)
                std::fprintf(
                    stderr, "kivora-cli telemetry: %s is not a telemetry data file\n", dataPath.c_str());
            else
                std::fprintf(stderr,
                    "kivora-cli telemetry: no telemetry data file %s and no copy inside the movie\n",
                    dataPath.c_str());
            return 1;
        }
    } else if (!Load(reader, dataPath)) {
        std::fprintf(stderr, "kivora-cli telemetry: cannot read %s: %s\n", dataPath.c_str(),
            reader.mapError.empty() ? "unknown error" : reader.mapError.c_str());
        return 1;
    }

    bool framed = false;
    if (!givenDataFile) {
        Timing timing;
        if (probeMovie(movie, timing))
            framed = BuildFrameIndex(reader, timing.frameCount, timing.msPerFrame);
        if (!framed)
            std::fprintf(stderr,
                "kivora-cli telemetry: %s has no usable frame timing; frames are left empty\n",
                movie.c_str());
    }

    switch (format) {
    case Format::Json:
        printJson(reader, framed);
        break;
    case Format::Csv:
        printCsv(reader, framed);
        break;
    case Format::Gpx:
        printGpx(reader, movie.filename().string());
        break;
    }
    return 0;
}

} // namespace kivora::cli
