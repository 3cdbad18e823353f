// Movies as a recorder writes them, judged by FFmpeg's own tools and by their atoms.
#include "tests/tools/ToolsTestSupport.h"
#include "tools/democard/FrameCode.h"
#include "tools/democard/MovAtoms.h"
#include "tools/democard/MovieEncoder.h"
#include "tools/democard/RecordingWriter.h"

#include "kivora/recording/AtomScan.h"
#include "kivora/recording/TelemetryReader.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sstream>

using namespace kivora::democard;
using namespace kivora::tests;

namespace {
struct Probe {
    int frames = -1;
    int width = -1;
    int height = -1;
    std::string rate;
};

// ffprobe's view of the video stream, counted by decoding every frame.
Probe probeVideo(const std::filesystem::path& movie)
{
    const RunResult out = runProgram(
        { "ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
            "stream=nb_read_frames,width,height,r_frame_rate", "-of", "default=nw=1", movie.string() },
        Stderr::Merge);
    Probe p;
    std::istringstream lines(out.out);
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "nb_read_frames")
            p.frames = std::atoi(value.c_str());
        else if (key == "width")
            p.width = std::atoi(value.c_str());
        else if (key == "height")
            p.height = std::atoi(value.c_str());
        else if (key == "r_frame_rate")
            p.rate = value;
    }
    return p;
}

std::string ffmpegErrors(const std::filesystem::path& movie)
{
    const RunResult out = runProgram(
        { "ffmpeg", "-nostdin", "-v", "error", "-i", movie.string(), "-f", "null", "-" }, Stderr::Merge);
    return out.status == 0 ? out.out : "exit " + std::to_string(out.status) + ": " + out.out;
}

std::vector<int> decodedFrameCodes(const std::filesystem::path& movie, int width, int height)
{
    const std::string raw = runProgram({ "ffmpeg", "-nostdin", "-v", "error", "-i", movie.string(), "-f",
                                           "rawvideo", "-pix_fmt", "rgb24", "-" })
                                .out;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(raw.data());
    std::vector<int> codes;
    const std::size_t frameBytes = std::size_t(width) * std::size_t(height) * 3;
    for (std::size_t at = 0; at + frameBytes <= raw.size(); at += frameBytes)
        codes.push_back(readFrameCode(bytes + at, width, height, width * 3));
    return codes;
}

std::vector<std::string> types(const std::vector<AtomInfo>& atoms)
{
    std::vector<std::string> t;
    for (const AtomInfo& a : atoms)
        t.push_back(a.type);
    return t;
}

std::span<const std::uint8_t> payload(const std::vector<std::uint8_t>& bytes, const AtomInfo& a)
{
    return std::span<const std::uint8_t>(bytes).subspan(a.offset + 8, a.size - 8);
}

// Checks a movie file's atoms: what a recorder writes and what the viewer's reader relies on.
void expectRecorderAtoms(
    const std::filesystem::path& movie, int frames, int fps, const std::vector<std::uint8_t>& expectedBlock)
{
    SCOPED_TRACE(movie.filename().string());
    const auto bytes = readBytes(movie);
    const auto top = listAtoms(bytes, 0, bytes.size());
    ASSERT_EQ(types(top), (std::vector<std::string> { "ftyp", "mdat", "moov", "udat" }));
    EXPECT_EQ(top.back().offset + top.back().size, bytes.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()) + 8, 4), "qt  ");

    const std::array<std::string, 2> mvhdPath { "moov", "mvhd" };
    const auto mvhd = findAtoms(bytes, mvhdPath);
    ASSERT_EQ(mvhd.size(), 1u);
    const auto mv = payload(bytes, mvhd[0]);
    const std::uint32_t timescale = readU32(mv.data() + 12);
    EXPECT_EQ(std::uint64_t(readU32(mv.data() + 16)) * fps, std::uint64_t(frames) * timescale)
        << "the movie lasts exactly its frames; audio never makes it longer";

    const std::array<std::string, 2> trakPath { "moov", "trak" };
    const auto traks = findAtoms(bytes, trakPath);
    ASSERT_EQ(traks.size(), 2u);
    const auto trackAtoms = [&](const AtomInfo& trak, std::initializer_list<const char*> path) {
        std::vector<AtomInfo> level = listAtoms(bytes, trak.offset + 8, trak.offset + trak.size);
        AtomInfo found;
        for (const char* type : path) {
            bool hit = false;
            for (const AtomInfo& a : level)
                if (a.type == type) {
                    found = a;
                    hit = true;
                    break;
                }
            if (!hit)
                return AtomInfo {};
            level = listAtoms(bytes, found.offset + 8, found.offset + found.size);
        }
        return found;
    };
    const AtomInfo hdlr = trackAtoms(traks[0], { "mdia", "hdlr" });
    ASSERT_FALSE(hdlr.type.empty());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()) + hdlr.offset + 16, 4), "vide")
        << "the video track comes first";
    const AtomInfo audioHdlr = trackAtoms(traks[1], { "mdia", "hdlr" });
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()) + audioHdlr.offset + 16, 4), "soun");

    const AtomInfo stts = trackAtoms(traks[0], { "mdia", "minf", "stbl", "stts" });
    ASSERT_FALSE(stts.type.empty());
    const auto st = payload(bytes, stts);
    ASSERT_EQ(readU32(st.data() + 4), 1u) << "one time-to-sample entry";
    EXPECT_EQ(readU32(st.data() + 8), std::uint32_t(frames));

    const AtomInfo stss = trackAtoms(traks[0], { "mdia", "minf", "stbl", "stss" });
    ASSERT_FALSE(stss.type.empty());
    const auto ss = payload(bytes, stss);
    const std::uint32_t syncCount = readU32(ss.data() + 4);
    ASSERT_EQ(syncCount, std::uint32_t((frames + fps - 1) / fps)) << "a key frame every second";
    for (std::uint32_t i = 0; i < syncCount; ++i)
        EXPECT_EQ(readU32(ss.data() + 8 + 4 * i), 1 + i * std::uint32_t(fps));

    const auto udat = payload(bytes, top.back());
    EXPECT_TRUE(std::equal(udat.begin(), udat.end(), expectedBlock.begin(), expectedBlock.end()))
        << "the movie carries the same telemetry block as the data file";
}
} // namespace

class DemocardMovie : public ::testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite() { quietFfmpegLogs(); }
};

// The viewer treats 1.8 s at 15 fps as playable and at 30 fps as too short: both must be exact.
TEST_P(DemocardMovie, ShortMovieIsWhatItsRecipeSays)
{
    const int fps = GetParam();
    TempFolder dir;
    RecordingRecipe recipe;
    recipe.trigger = Trigger::Shock;
    recipe.start = { 2023, 1, 15, 8, 30, 0 };
    recipe.fileNumber = 42;
    recipe.fps = fps;
    recipe.frameCount = fps * 18 / 10;
    recipe.main = { 320, 180 };
    recipe.sub = { 288, 160 };
    recipe.movieFolder = dir.path() / "Normal";
    recipe.dataFolder = dir.path() / "_NData";
    const auto written = writeRecording(recipe, 5);
    ASSERT_TRUE(written) << written.error;
    const WrittenRecording& r = *written.value;

    EXPECT_EQ(r.main.path, dir.path() / "Normal" / "AG__-230115-083000-000042M.MOV");
    ASSERT_TRUE(r.sub && r.data);
    EXPECT_EQ(r.sub->path, dir.path() / "Normal" / "AG__-230115-083000-000042S.MOV");
    EXPECT_EQ(*r.data, dir.path() / "_NData" / "AG__-230115-083000-000042D.ADA");
    EXPECT_EQ(r.records.size(), 18u);

    const auto block = readBytes(*r.data);
    EXPECT_EQ(block, encodeBlock(r.header, r.records));
    for (const WrittenMovie* m : { &r.main, &*r.sub }) {
        SCOPED_TRACE(m->path.filename().string());
        EXPECT_EQ(ffmpegErrors(m->path), "");
        const Probe p = probeVideo(m->path);
        EXPECT_EQ(p.frames, recipe.frameCount);
        EXPECT_EQ(p.width, m->width);
        EXPECT_EQ(p.height, m->height);
        EXPECT_EQ(p.rate, std::to_string(fps) + "/1");
        expectRecorderAtoms(m->path, recipe.frameCount, fps, block);
        std::vector<int> expected(static_cast<std::size_t>(recipe.frameCount));
        for (int i = 0; i < recipe.frameCount; ++i)
            expected[static_cast<std::size_t>(i)] = i;
        EXPECT_EQ(decodedFrameCodes(m->path, m->width, m->height), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, DemocardMovie, ::testing::Values(15, 30));

TEST(DemocardMovieErrors, TooNarrowPicturesAreRefused)
{
    TempFolder dir;
    RecordingRecipe recipe;
    recipe.main = { 200, 120 };
    recipe.movieFolder = dir.path();
    const auto written = writeRecording(recipe);
    EXPECT_FALSE(written);
    EXPECT_NE(written.error.find("272"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// Benchmarks measure movies at a recorder's bit rate; the code band must survive the grain.
TEST(DemocardMovieRecorderRate, GrainReachesTheRecorderBitRateAndKeepsTheCodeReadable)
{
    TempFolder dir;
    RecordingRecipe recipe;
    recipe.fps = 30;
    recipe.frameCount = 60;
    recipe.main = { 1280, 720 };
    recipe.withSub = false;
    recipe.withData = false;
    recipe.recorderBitRate = true;
    recipe.movieFolder = dir.path();
    const auto written = writeRecording(recipe, 3);
    ASSERT_TRUE(written) << written.error;
    const WrittenMovie& m = written.value->main;
    EXPECT_EQ(ffmpegErrors(m.path), "");
    const double mbits = double(std::filesystem::file_size(m.path)) * 8 / 2.0 / 1e6;
    EXPECT_GT(mbits, 6.0 * 0.8);
    EXPECT_LT(mbits, 6.0 * 1.3);
    const std::vector<int> codes = decodedFrameCodes(m.path, m.width, m.height);
    ASSERT_EQ(codes.size(), 60u);
    for (int i = 0; i < 60; ++i)
        EXPECT_EQ(codes[std::size_t(i)], i);
}

// The clock, speed and voltage stamped on a frame are what a player shows with that frame, in
// ordinary and in time-lapse recordings (where five records are five seconds of driving).
class DemocardStamp : public ::testing::TestWithParam<Trigger> { };

TEST_P(DemocardStamp, StampIsWhatThePlayerShowsWithTheFrame)
{
    TempFolder dir;
    RecordingRecipe recipe;
    recipe.trigger = GetParam();
    recipe.start = { 2023, 1, 15, 8, 30, 0 };
    recipe.fileNumber = 7;
    recipe.frameCount = 150;
    recipe.main = { 320, 180 };
    recipe.withSub = false;
    recipe.audio = false;
    recipe.movieFolder = dir.path() / "Normal";
    recipe.dataFolder = dir.path() / "_NData";
    const auto written = writeRecording(recipe, 3);
    ASSERT_TRUE(written) << written.error;
    const WrittenRecording& r = *written.value;
    ASSERT_TRUE(r.data);

    namespace rec = kivora::recording;
    rec::TelemetryReader reader;
    rec::InitReader(reader);
    ASSERT_EQ(rec::ProbeTiming(reader, r.main.path), rec::kProbeOk);
    const float msPerFrame = reader.msPerFrame;
    ASSERT_TRUE(rec::Load(reader, *r.data));
    ASSERT_TRUE(rec::BuildFrameIndex(reader, recipe.frameCount, msPerFrame));
    // Frame, then hour:minute:second, speed and voltage: as stamped, and as shown.
    using Row = std::tuple<int, int, int, int>;
    std::vector<Row> stamped, shown;
    for (int f = 0; f < recipe.frameCount; ++f) {
        const auto sample = reader.sampleAtFrame(f);
        ASSERT_TRUE(sample.gps && sample.motion) << "frame " << f;
        const DateTime& clock = r.records[std::size_t(sample.motion->recordIndex)].time;
        const bool last = sample.motion == &reader.motion.back();
        shown.emplace_back(f, clock.hour * 10000 + clock.minute * 100 + clock.second,
            sample.gps->speed == rec::kNoSpeed ? -1 : int(sample.gps->speed),
            last ? -1 : sample.motion->code48);
        const FrameStamp stamp = stampForFrame(r, f);
        stamped.emplace_back(f, stamp.time.hour * 10000 + stamp.time.minute * 100 + stamp.time.second,
            stamp.speedKmh, stamp.voltageTenths);
    }
    EXPECT_EQ(stamped, shown);
}

std::string stampCaseName(const ::testing::TestParamInfo<Trigger>& info)
{
    const char* const names[] = { "Continuous", "TimeLapse", "ParkingTimeLapse" };
    return names[info.index];
}

INSTANTIATE_TEST_SUITE_P(Triggers, DemocardStamp,
    ::testing::Values(Trigger::Continuous, Trigger::TimeLapse, Trigger::ParkingTimeLapse), stampCaseName);
