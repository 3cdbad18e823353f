#include "tools/democard/CardWriter.h"
#include "tools/democard/MovieEncoder.h"
#include "tools/kivora-cli/Commands.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace kivora::cli {

namespace {
using namespace kivora::democard;

constexpr const char* kUsage
    = "usage: kivora-cli democard OUTDIR [options]\n"
      "Writes a synthetic recorder card (movies, data files, manifest) into OUTDIR.\n"
      "  --days N            recording days (3)\n"
      "  --recordings N      recordings in all (12)\n"
      "  --seconds S         movie length in seconds, e.g. 1.8 (15)\n"
      "  --fps N             frames per second (30)\n"
      "  --main WxH          main camera picture (1280x720)\n"
      "  --sub WxH           sub camera picture (640x360)\n"
      "  --no-sub            no sub camera movies\n"
      "  --no-data           no telemetry data files\n"
      "  --no-audio          movies without an audio track\n"
      "  --recorder-bitrate  grain and a recorder's bit rate (12 Mbit/s at 1080p, 6 at 720p) instead\n"
      "                      of the light clean picture\n"
      "  --layout 0|1        0: Normal/_NData, 1: Video/_VData (0)\n"
      "  --camera-folders    main and sub movies in Main/ and Sub_/ folders\n"
      "  --no-pvtrace        no pvtrace.txt at the root\n"
      "  --model NAME|none   writes NAME_download.url at the root (Vireo)\n"
      "  --seed N            seed of the drive and the trigger mix (1)\n"
      "  --date YYMMDD       first recording day (230115)\n"
      "  --gps-version D|none six-digit GPS data version in the trailer (230101)\n"
      "  --triggers LIST     comma-separated triggers in order: continuous, shock, manual, speed-camera,\n"
      "                      radar, time-lapse, parking, parking-shock, parking-time-lapse\n"
      "  --tiny N            N one-second 320x180 recordings sharing one encoded picture (fast)\n"
      "  --manifest PATH|none where to write the manifest (OUTDIR/democard.json)\n"
      "  --jobs N            recordings written at once (2)\n";

bool parseInt(std::string_view text, long long lo, long long hi, long long& out)
{
    long long v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

bool parseSize(std::string_view text, PictureSize& out)
{
    const auto x = text.find('x');
    long long w = 0, h = 0;
    if (x == std::string_view::npos || !parseInt(text.substr(0, x), 1, 8192, w)
        || !parseInt(text.substr(x + 1), 1, 8192, h))
        return false;
    out = { static_cast<int>(w), static_cast<int>(h) };
    return true;
}

bool parseSeconds(const char* text, double& out)
{
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(v > 0))
        return false;
    out = v;
    return true;
}

bool parseTriggers(std::string_view list, std::vector<Trigger>& out)
{
    out.clear();
    while (!list.empty()) {
        const auto comma = list.find(',');
        const std::string_view item = list.substr(0, comma);
        Trigger t;
        if (!triggerFromName(item, t))
            return false;
        out.push_back(t);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return !out.empty();
}

int fail(const std::string& message)
{
    std::fprintf(stderr, "kivora-cli democard: %s\n", message.c_str());
    return 2;
}
} // namespace

int runDemocard(std::span<char*> args)
{
    CardOptions o;
    bool daysGiven = false, secondsGiven = false, mainGiven = false, subGiven = false;
    long long tinyCount = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view a = args[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        const bool flag = a == "--no-sub" || a == "--no-data" || a == "--no-audio" || a == "--camera-folders"
            || a == "--no-pvtrace" || a == "--recorder-bitrate";
        if (!a.starts_with("--")) {
            if (!o.outDir.empty())
                return fail("only one output folder may be given");
            o.outDir = std::string(a);
            continue;
        }
        if (flag) {
            if (a == "--no-sub")
                o.withSub = false;
            else if (a == "--no-data")
                o.withData = false;
            else if (a == "--no-audio")
                o.audio = false;
            else if (a == "--camera-folders")
                o.cameraFolders = true;
            else if (a == "--recorder-bitrate")
                o.recorderBitRate = true;
            else
                o.pvtrace = false;
            continue;
        }
        if (i + 1 >= args.size())
            return fail(std::string(a) + " needs a value");
        const char* value = args[++i];
        const std::string_view v = value;
        long long n = 0;
        if (a == "--days") {
            if (!parseInt(v, 1, 366, n))
                return fail("--days takes 1..366");
            o.days = static_cast<int>(n);
            daysGiven = true;
        } else if (a == "--recordings") {
            if (!parseInt(v, 1, 100000, n))
                return fail("--recordings takes 1..100000");
            o.recordings = static_cast<int>(n);
        } else if (a == "--seconds") {
            if (!parseSeconds(value, o.seconds))
                return fail("--seconds takes a positive number");
            secondsGiven = true;
        } else if (a == "--fps") {
            if (!parseInt(v, 1, 120, n))
                return fail("--fps takes 1..120");
            o.fps = static_cast<int>(n);
        } else if (a == "--main") {
            if (!parseSize(v, o.main))
                return fail("--main takes WIDTHxHEIGHT");
            mainGiven = true;
        } else if (a == "--sub") {
            if (!parseSize(v, o.sub))
                return fail("--sub takes WIDTHxHEIGHT");
            subGiven = true;
        } else if (a == "--layout") {
            if (!parseInt(v, 0, 1, n))
                return fail("--layout takes 0 or 1");
            o.layout = static_cast<int>(n);
        } else if (a == "--model") {
            o.model = v == "none" ? std::string() : std::string(v);
            if (o.model.find('/') != std::string::npos)
                return fail("--model takes a plain name");
        } else if (a == "--seed") {
            if (!parseInt(v, 0, (1LL << 62), n))
                return fail("--seed takes a non-negative number");
            o.seed = static_cast<std::uint64_t>(n);
        } else if (a == "--date") {
            if (!parseYyMmDd(std::string(v), o.firstDay))
                return fail("--date takes YYMMDD");
        } else if (a == "--gps-version") {
            o.header.gpsVersion = v == "none" ? std::string() : std::string(v);
            if (!o.header.gpsVersion.empty()
                && (v.size() != 6 || v.find_first_not_of("0123456789") != std::string_view::npos))
                return fail("--gps-version takes six digits or none");
        } else if (a == "--triggers") {
            if (!parseTriggers(v, o.triggers))
                return fail("--triggers takes a comma-separated list of trigger names");
        } else if (a == "--tiny") {
            if (!parseInt(v, 1, 100000, tinyCount))
                return fail("--tiny takes 1..100000");
        } else if (a == "--manifest") {
            if (v == "none")
                o.writeManifest = false;
            else
                o.manifestPath = std::string(v);
        } else if (a == "--jobs") {
            if (!parseInt(v, 1, 64, n))
                return fail("--jobs takes 1..64");
            o.jobs = static_cast<int>(n);
        } else {
            return fail("unknown option " + std::string(a) + "\n" + kUsage);
        }
    }
    if (o.outDir.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (tinyCount > 0) {
        o.tiny = true;
        o.recordings = static_cast<int>(tinyCount);
        if (!daysGiven)
            o.days = static_cast<int>(std::clamp<long long>(tinyCount / 100, 1, 60));
        if (!secondsGiven)
            o.seconds = 1.0;
        if (!mainGiven)
            o.main = { 320, 180 };
        if (!subGiven)
            o.sub = { 320, 180 };
    }
    if (std::string why = validate(o); !why.empty())
        return fail(why);

    quietFfmpegLogs();
    auto written = writeCard(o);
    if (!written)
        return fail(written.error);
    std::size_t files = 0;
    for (const WrittenRecording& r : written.value->recordings)
        files += 1 + (r.sub ? 1 : 0) + (r.data ? 1 : 0);
    std::printf("democard: %zu recordings, %zu files in %s\n", written.value->recordings.size(), files,
        o.outDir.string().c_str());
    if (!written.value->manifest.empty())
        std::printf("manifest: %s\n", written.value->manifest.string().c_str());
    return 0;
}

} // namespace kivora::cli
