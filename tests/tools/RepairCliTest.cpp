// The repair command on generated recordings cut the ways a power loss leaves them, and on movies
// of ffmpeg's own muxer; judged by ffmpeg, the generator's frame codes and the packets of the
// movie before it was cut.
#include "tests/tools/ToolsTestSupport.h"

#include "tools/democard/FrameCode.h"
#include "tools/democard/MovAtoms.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace kivora::tests;
using kivora::testing::runCli;
namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 320, kHeight = 180;

struct Packet {
    int stream = 0;
    std::uint64_t pos = 0, size = 0;
};

std::vector<Packet> packetsOf(const fs::path& movie)
{
    const RunResult r = runProgram({ "ffprobe", "-v", "error", "-show_entries",
        "packet=stream_index,pos,size", "-of", "csv=p=0", movie.string() });
    std::vector<Packet> packets;
    std::istringstream in(r.out);
    std::string line;
    while (std::getline(in, line)) {
        // Side data of a packet comes on lines of its own.
        Packet p;
        char comma = 0;
        std::istringstream fields(line);
        if (fields >> p.stream >> comma >> p.size >> comma >> p.pos)
            packets.push_back(p);
    }
    return packets;
}

struct Counts {
    int video = 0, sound = 0;
};

// Samples wholly before the cut.
Counts wholeBefore(const std::vector<Packet>& packets, std::uint64_t cut)
{
    Counts c;
    for (const Packet& p : packets) {
        if (p.pos + p.size <= cut)
            ++(p.stream == 0 ? c.video : c.sound);
    }
    return c;
}

std::vector<const Packet*> videoPackets(const std::vector<Packet>& packets)
{
    std::vector<const Packet*> v;
    for (const Packet& p : packets) {
        if (p.stream == 0)
            v.push_back(&p);
    }
    return v;
}

// At a constant rate a picture shown longer (a gap in time) repeats, so the codes also tell when
// each picture is shown.
std::vector<int> frameCodes(const fs::path& movie)
{
    const RunResult r = runProgram({ "ffmpeg", "-nostdin", "-v", "error", "-i", movie.string(), "-fps_mode",
        "cfr", "-f", "rawvideo", "-pix_fmt", "gray", "-" });
    std::vector<int> codes;
    const std::size_t frame = std::size_t(kWidth) * kHeight;
    for (std::size_t at = 0; at + frame <= r.out.size(); at += frame)
        codes.push_back(kivora::democard::readFrameCodeGray(
            reinterpret_cast<const std::uint8_t*>(r.out.data() + at), kWidth, kHeight, kWidth));
    return codes;
}

double duration(const fs::path& movie, const char* stream)
{
    const RunResult r = runProgram({ "ffprobe", "-v", "error", "-select_streams", stream, "-show_entries",
        "stream=duration", "-of", "csv=p=0", movie.string() });
    return std::atof(r.out.c_str());
}

std::string decodeErrors(const fs::path& movie)
{
    return runProgram(
        { "ffmpeg", "-nostdin", "-v", "error", "-i", movie.string(), "-f", "null", "-" }, Stderr::Merge)
        .out;
}

void writeBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The movie as a recorder leaves it when power fails at cut: the file ends there, or (a card
// whose clusters were allocated but never written) keeps its length with zeros from there on.
std::vector<std::uint8_t> cutAt(std::vector<std::uint8_t> bytes, std::uint64_t cut, bool zeroTail)
{
    if (zeroTail)
        std::fill(bytes.begin() + std::ptrdiff_t(cut), bytes.end(), 0);
    else
        bytes.resize(std::size_t(cut));
    return bytes;
}

// Where the movie's index starts; 0 without one.
std::uint64_t indexOffset(const std::vector<std::uint8_t>& movie)
{
    for (const auto& atom : kivora::democard::listAtoms(movie, 0, movie.size())) {
        if (atom.type == "moov")
            return atom.offset;
    }
    return 0;
}

class RepairCli : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_root = std::make_unique<TempFolder>();
        const fs::path card = *s_root / "card";
        RunResult made = runCli({ "democard", card.string(), "--recordings", "2", "--days", "1", "--seconds",
            "4", "--main", "320x180", "--no-sub", "--jobs", "1", "--triggers", "continuous" });
        ASSERT_EQ(made.status, 0) << made.out;
        made = runCli({ "democard", (*s_root / "other").string(), "--recordings", "1", "--seconds", "2",
            "--main", "352x192", "--no-sub", "--jobs", "1" });
        ASSERT_EQ(made.status, 0) << made.out;
        std::vector<fs::path> movies;
        for (const auto& e : fs::directory_iterator(card / "Normal"))
            movies.push_back(e.path());
        std::sort(movies.begin(), movies.end());
        ASSERT_EQ(movies.size(), 2u);
        s_broken = movies[0];
        s_template = movies[1];
        s_data = card / "_NData"
            / (s_broken.stem().string().substr(0, s_broken.stem().string().size() - 1) + "D.ADA");
        ASSERT_TRUE(fs::exists(s_data)) << s_data;
        for (const auto& e : fs::directory_iterator(*s_root / "other" / "Normal"))
            s_otherSize = e.path();
    }
    static void TearDownTestSuite() { s_root.reset(); }

    // A copy of the card's two movies and the broken one's data file, laid out as on the card,
    // with the broken movie replaced by bytes.
    fs::path placeBroken(const std::vector<std::uint8_t>& bytes, bool withTemplate = true)
    {
        const fs::path folder = m_work / "Normal";
        fs::create_directories(folder);
        fs::create_directories(m_work / "_NData");
        fs::create_directories(m_work / "out");
        fs::copy_file(s_data, m_work / "_NData" / s_data.filename(), fs::copy_options::overwrite_existing);
        if (withTemplate)
            fs::copy_file(s_template, folder / s_template.filename(), fs::copy_options::overwrite_existing);
        writeBytes(folder / s_broken.filename(), bytes);
        return folder / s_broken.filename();
    }

    static inline std::unique_ptr<TempFolder> s_root;
    static inline fs::path s_broken, s_template, s_data, s_otherSize;
    TempFolder m_work;
};

struct CutCase {
    const char* name;
    bool zeroTail;
    // Where to cut, from the video packets and the movie data's end.
    std::uint64_t (*where)(const std::vector<const Packet*>& video, std::uint64_t dataEnd);
};

const CutCase kCuts[] = {
    { "inside the first GOP", false,
        [](const auto& v, std::uint64_t) { return v[10]->pos + v[10]->size / 2; } },
    { "inside a NAL unit of the second key frame", false,
        [](const auto& v, std::uint64_t) { return v[30]->pos + v[30]->size / 2; } },
    { "mid-file", false, [](const auto& v, std::uint64_t end) { return (v[0]->pos + end) / 2; } },
    { "just before the index", false, [](const auto&, std::uint64_t end) { return end; } },
    { "mid-file with a zeroed tail", true,
        [](const auto& v, std::uint64_t end) { return (v[0]->pos + end) / 2 + 3; } },
    { "after the first key frame with a zeroed tail", true,
        [](const auto& v, std::uint64_t) { return v[0]->pos + v[0]->size; } },
};

TEST_F(RepairCli, KeepsEveryFrameWhollyBeforeTheCut)
{
    const auto original = readBytes(s_broken);
    const auto packets = packetsOf(s_broken);
    const auto video = videoPackets(packets);
    ASSERT_GT(video.size(), 60u);
    const std::uint64_t index = indexOffset(original);
    ASSERT_GT(index, 0u);
    const auto dataFile = readBytes(s_data);

    for (const CutCase& c : kCuts) {
        SCOPED_TRACE(c.name);
        const std::uint64_t cut = c.where(video, index);
        const auto brokenBytes = cutAt(original, cut, c.zeroTail);
        const fs::path broken = placeBroken(brokenBytes);
        const fs::path out = m_work / "out" / broken.filename();
        // The template is found beside the broken movie.
        const RunResult run = runCli({ "repair", broken.string(), out.string() });
        ASSERT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(run.out.find("older recording"), std::string::npos) << run.out;

        EXPECT_EQ(decodeErrors(out), "");
        const Counts expected = wholeBefore(packets, cut);
        std::vector<int> wanted(std::size_t(expected.video));
        for (std::size_t i = 0; i < wanted.size(); ++i)
            wanted[i] = int(i);
        EXPECT_EQ(frameCodes(out), wanted);
        const RunResult sound = runProgram({ "ffprobe", "-v", "error", "-select_streams", "a:0",
            "-show_entries", "stream=nb_frames", "-of", "csv=p=0", out.string() });
        EXPECT_EQ(sound.out, std::to_string(expected.sound) + "\n");
        // Sound and picture end within one interleaved chunk of each other.
        EXPECT_NEAR(duration(out, "a:0"), duration(out, "v:0"), 0.1);

        // The telemetry is the recording's own data file, and nothing else was left behind.
        const auto repaired = readBytes(out);
        const auto outAtoms = kivora::democard::listAtoms(repaired, 0, repaired.size());
        ASSERT_FALSE(outAtoms.empty());
        EXPECT_EQ(outAtoms.back().type, "udat");
        EXPECT_TRUE(std::equal(repaired.begin() + std::ptrdiff_t(outAtoms.back().offset + 8), repaired.end(),
            dataFile.begin(), dataFile.end()));
        EXPECT_EQ(namesIn(m_work / "out"), std::vector<std::string> { out.filename().string() });
        EXPECT_EQ(readBytes(broken), brokenBytes) << "the broken movie is never changed";
        fs::remove(out);
    }
}

// Damage inside the data (a cluster never written, or garbled): the walk goes on at the next key
// frame; what follows is kept in its place in time, and the sound stays with the pictures.
TEST_F(RepairCli, PassesOverDamageToTheNextKeyFrame)
{
    const auto original = readBytes(s_broken);
    const auto packets = packetsOf(s_broken);
    const auto video = videoPackets(packets);
    ASSERT_GT(video.size(), 100u);
    const std::uint64_t index = indexOffset(original);
    ASSERT_GT(index, 0u);
    // The generator starts a group of pictures every second.
    const std::uint64_t from = video[40]->pos + video[40]->size / 2, to = video[70]->pos + 10;
    const std::size_t resume = 90;
    int soundKept = 0;
    for (const Packet& p : packets) {
        if (p.stream != 0 && (p.pos + p.size <= from || p.pos >= video[resume]->pos))
            ++soundKept;
    }
    std::mt19937 random(11);
    for (const bool zeros : { true, false }) {
        SCOPED_TRACE(zeros ? "zeroed" : "garbled");
        auto bytes = cutAt(original, index, false);
        for (std::uint64_t i = from; i < to; ++i)
            bytes[std::size_t(i)] = zeros ? 0 : std::uint8_t(random());
        const fs::path broken = placeBroken(bytes);
        const fs::path out = m_work / "out" / broken.filename();
        const RunResult run = runCli({ "repair", broken.string(), out.string() });
        ASSERT_EQ(run.status, 0) << run.out;
        EXPECT_NE(run.out.find("1 damaged stretches"), std::string::npos) << run.out;

        EXPECT_EQ(decodeErrors(out), "");
        // Pictures 0 to 39, the last of them held through the damage, then 90 onwards at their times.
        std::vector<int> wanted(video.size());
        for (std::size_t i = 0; i < wanted.size(); ++i)
            wanted[i] = i < 40 || i >= resume ? int(i) : 39;
        EXPECT_EQ(frameCodes(out), wanted);
        const RunResult sound = runProgram({ "ffprobe", "-v", "error", "-select_streams", "a:0",
            "-show_entries", "stream=nb_frames", "-of", "csv=p=0", out.string() });
        EXPECT_EQ(sound.out, std::to_string(soundKept) + "\n");
        EXPECT_NEAR(duration(out, "a:0"), duration(out, "v:0"), 0.1);
        fs::remove(out);
    }
}

// On a card the clusters after a cut file's end may still hold an older recording of the same
// camera; none of it is taken for this recording: by the data file cut by the same power loss,
// whether the cut falls inside a picture or between two, and without a data file where an older
// picture lines up with the walk or where the walk would pass over damage to an older key frame.
// The cut data file's complete records are the repaired movie's telemetry.
TEST_F(RepairCli, TakesNothingOfAnOlderRecordingAfterTheCut)
{
    const auto original = readBytes(s_broken), older = readBytes(s_template), data = readBytes(s_data);
    const auto packets = packetsOf(s_broken), olderPackets = packetsOf(s_template);
    const auto video = videoPackets(packets), olderVideo = videoPackets(olderPackets);
    const std::uint64_t index = indexOffset(original), olderIndex = indexOffset(older);
    ASSERT_GT(index, 0u);
    ASSERT_GT(olderIndex, 0u);
    ASSERT_GT(olderVideo.size(), 50u);
    constexpr std::uint64_t kCluster = 4096;
    const double framesPerSecond = double(video.size()) / 4;
    const std::string olderMessage = "an older recording's; it was left out",
                      damageMessage = "ended at damage";
    struct Case {
        const char* name;
        std::uint64_t cut, olderFrom; // the older recording's bytes from olderFrom follow the cut
        bool dataFile;
        const std::string& message;
    };
    const std::uint64_t clusterCut = (video[0]->pos + index) / 2 / kCluster * kCluster;
    const Case cases[] = {
        // The older recording at the same places of the file, up to the length the recorder had
        // given the file.
        { "inside a picture, at a cluster", clusterCut, clusterCut, true, olderMessage },
        { "between two pictures", video[70]->pos, video[70]->pos, true, olderMessage },
        // Two groups of pictures in, fifteen pictures after a key frame: out of this recording's
        // numbering, which stands ten pictures after one.
        { "an older picture lined up, no data file", video[70]->pos, olderVideo[45]->pos, false,
            olderMessage },
        { "inside a picture, no data file", clusterCut, clusterCut, false, damageMessage },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto bytes = cutAt(original, c.cut, false);
        bytes.insert(bytes.end(), older.begin() + std::ptrdiff_t(c.olderFrom),
            older.begin() + std::ptrdiff_t(std::min(olderIndex, c.olderFrom + (index - c.cut))));
        const Counts expected = wholeBefore(packets, c.cut);
        ASSERT_GT(expected.video, 40);
        const fs::path broken = placeBroken(bytes);
        const fs::path dataFile = m_work / "_NData" / s_data.filename();
        // Ten records a second, up to the last picture written, and the count of the whole
        // recording up front: the file was cut as the movie was.
        const auto records = std::size_t(std::ceil(expected.video / framesPerSecond * 10));
        std::vector<std::uint8_t> telemetry;
        if (c.dataFile) {
            writeBytes(dataFile,
                std::vector<std::uint8_t>(data.begin(), data.begin() + std::ptrdiff_t(34 + records * 124)));
            telemetry.assign(data.begin(), data.begin() + std::ptrdiff_t(34 + records * 124));
            telemetry[32] = std::uint8_t(records >> 8);
            telemetry[33] = std::uint8_t(records);
            telemetry.insert(telemetry.end(), { 'C', 'S', 'M', 'E', 'N', 'D' });
        } else {
            fs::remove(dataFile);
        }
        const fs::path out = m_work / "out" / broken.filename();
        const RunResult run = runCli({ "repair", broken.string(), out.string() });
        ASSERT_EQ(run.status, 0) << run.out;
        EXPECT_NE(run.out.find(c.message), std::string::npos) << run.out;

        EXPECT_EQ(decodeErrors(out), "");
        std::vector<int> wanted(std::size_t(expected.video));
        for (std::size_t i = 0; i < wanted.size(); ++i)
            wanted[i] = int(i);
        EXPECT_EQ(frameCodes(out), wanted) << run.out;
        EXPECT_NEAR(duration(out, "a:0"), duration(out, "v:0"), 0.1);
        const auto repaired = readBytes(out);
        const auto atoms = kivora::democard::listAtoms(repaired, 0, repaired.size());
        ASSERT_FALSE(atoms.empty());
        if (c.dataFile) {
            EXPECT_EQ(atoms.back().type, "udat");
            EXPECT_TRUE(std::equal(repaired.begin() + std::ptrdiff_t(atoms.back().offset + 8), repaired.end(),
                telemetry.begin(), telemetry.end()));
        } else {
            EXPECT_NE(atoms.back().type, "udat");
        }
        fs::remove(out);
    }
}

TEST_F(RepairCli, RefusesWhatItCannotRepairAndWritesNothing)
{
    const auto original = readBytes(s_broken);
    const auto packets = packetsOf(s_broken);
    const auto video = videoPackets(packets);
    const auto atoms = kivora::democard::listAtoms(original, 0, original.size());
    ASSERT_GE(atoms.size(), 2u);
    ASSERT_EQ(atoms[1].type, "mdat");
    std::vector<std::uint8_t> zeros(original.size(), 0);
    std::copy_n(original.begin(), atoms[1].offset + 8, zeros.begin()); // file type and data header stay
    std::vector<std::uint8_t> noise(200000);
    std::mt19937 random(7);
    std::generate(noise.begin(), noise.end(), [&] { return std::uint8_t(random()); });
    // Templates that cannot lend their index: one cut itself, one whose pictures are reordered, and a
    // pipe, which must be refused before it is opened.
    const fs::path cutTemplate = *s_root / "cut-template.MOV", reordered = *s_root / "reordered.mov";
    if (!fs::exists(cutTemplate))
        writeBytes(cutTemplate, cutAt(readBytes(s_template), readBytes(s_template).size() * 9 / 10, false));
    const fs::path pipe = *s_root / "pipe.MOV";
    if (!fs::exists(pipe)) {
        ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    }
    ASSERT_EQ(runProgram({ "ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                             "testsrc=size=320x180:rate=30", "-t", "1", "-c:v", "libx264", "-bf", "2",
                             "-pix_fmt", "yuv420p", "-f", "mov", reordered.string() })
                  .status,
        0);

    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        fs::path templ; // empty: the one beside it
        bool templateBeside;
        const char* message;
    };
    const Case cases[] = {
        { "a movie that has its index", original, {}, true, "needs no repair" },
        { "a template of another picture size", cutAt(original, original.size() / 2, false), s_otherSize,
            true, "another camera, picture size or coding" },
        { "cut inside its first key frame", cutAt(original, video[0]->pos + video[0]->size / 2, false), {},
            true, "no complete key frame" },
        { "movie data full of zeros", zeros, {}, true, "all zeros" },
        { "random bytes", noise, {}, true, "not a movie file" },
        { "no template beside it", cutAt(original, original.size() / 2, false), {}, false,
            "no healthy movie" },
        { "a template without index", cutAt(original, original.size() / 2, false), cutTemplate, true,
            "has no movie index" },
        { "a template with reordered pictures", cutAt(original, original.size() / 2, false), reordered, true,
            "reorders its frames" },
        { "a pipe as template", cutAt(original, original.size() / 2, false), pipe, true, "is not a file" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path broken = placeBroken(c.bytes, c.templateBeside);
        if (!c.templateBeside)
            fs::remove(broken.parent_path() / s_template.filename());
        const fs::path out = m_work / "out" / broken.filename();
        std::vector<std::string> args { "repair", broken.string() };
        if (!c.templ.empty())
            args.insert(args.end(), { "--template", c.templ.string() });
        args.push_back(out.string());
        const RunResult run = runCli(args);
        EXPECT_EQ(run.status, 1) << run.out;
        EXPECT_NE(run.out.find(c.message), std::string::npos) << run.out;
        EXPECT_TRUE(namesIn(m_work / "out").empty());
        EXPECT_EQ(readBytes(broken), c.bytes);
    }
}

TEST_F(RepairCli, NeverWritesIntoTheRecordersOwnFolders)
{
    const auto original = readBytes(s_broken);
    const fs::path broken = placeBroken(cutAt(original, original.size() / 2, false));
    for (const fs::path& folder : { m_work / "Normal", m_work / "_NData", m_work / "Normal" / "Main" }) {
        SCOPED_TRACE(folder);
        fs::create_directories(folder);
        const RunResult run = runCli({ "repair", broken.string(), (folder / "repaired.MOV").string() });
        EXPECT_EQ(run.status, 1) << run.out;
        EXPECT_NE(run.out.find("outside the recorder's own folders"), std::string::npos) << run.out;
        EXPECT_FALSE(fs::exists(folder / "repaired.MOV"));
    }
    // Beside the card's folders is the user's choice.
    EXPECT_EQ(runCli({ "repair", broken.string(), (m_work / "repaired.MOV").string() }).status, 0);
}

// Neither the broken movie nor its template, another recording, is ever replaced by the output.
TEST_F(RepairCli, NeverReplacesWhatItReads)
{
    const fs::path folder = m_work / "loose";
    fs::create_directories(folder);
    const auto cut = cutAt(readBytes(s_broken), readBytes(s_broken).size() / 2, false);
    const fs::path broken = folder / "broken.MOV", healthy = folder / "healthy.MOV";
    writeBytes(broken, cut);
    fs::copy_file(s_template, healthy);
    const auto healthyBytes = readBytes(healthy);
    for (const fs::path& output : { broken, healthy }) {
        SCOPED_TRACE(output);
        const RunResult run
            = runCli({ "repair", broken.string(), "--template", healthy.string(), output.string() });
        EXPECT_EQ(run.status, 1) << run.out;
        EXPECT_NE(run.out.find("must not replace"), std::string::npos) << run.out;
        EXPECT_EQ(readBytes(broken), cut);
        EXPECT_EQ(readBytes(healthy), healthyBytes);
    }
}

// Movies of ffmpeg's own muxer (a "wide" atom, data size left open until the index is written):
// the decoded pictures before the cut are exactly the original's.
TEST_F(RepairCli, RepairsMoviesOfAnotherMuxer)
{
    // At 5 pictures a second several sound frames follow each other, as in a recorder's chunks.
    for (const char* rate : { "30", "5" }) {
        SCOPED_TRACE(rate);
        const auto encode = [&](const char* source, const fs::path& path) {
            return runProgram({ "ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                  std::string(source) + "=size=320x180:rate=" + rate, "-f", "lavfi", "-i",
                                  "sine=frequency=440:sample_rate=16000", "-t", "4", "-c:v", "libx264",
                                  "-profile:v", "baseline", "-bf", "0", "-g", "30", "-pix_fmt", "yuv420p",
                                  "-c:a", "aac", "-ac", "1", "-b:a", "32k", "-f", "mov", path.string() },
                Stderr::Merge);
        };
        const fs::path healthy = m_work / "healthy.mov", whole = m_work / "whole.mov";
        ASSERT_EQ(encode("testsrc2", healthy).status, 0);
        ASSERT_EQ(encode("testsrc", whole).status, 0);
        const auto bytes = readBytes(whole);
        const auto packets = packetsOf(whole);
        const std::uint64_t cut = bytes.size() * 3 / 5;
        const fs::path broken = m_work / "broken.mov", out = m_work / "repaired.mov";
        writeBytes(broken, cutAt(bytes, cut, false));

        const RunResult run
            = runCli({ "repair", broken.string(), "--template", healthy.string(), out.string() });
        ASSERT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(decodeErrors(out), "");
        const Counts expected = wholeBefore(packets, cut);
        const auto hashes = [](const fs::path& movie, int frames) {
            const RunResult r = runProgram({ "ffmpeg", "-nostdin", "-v", "error", "-i", movie.string(),
                "-map", "0:v", "-frames:v", std::to_string(frames), "-f", "framemd5", "-" });
            std::vector<std::string> md5s;
            std::istringstream in(r.out);
            for (std::string line; std::getline(in, line);) {
                if (!line.empty() && line[0] != '#')
                    md5s.push_back(line.substr(line.rfind(',') + 1));
            }
            return md5s;
        };
        const auto repairedHashes = hashes(out, 100000);
        EXPECT_EQ(int(repairedHashes.size()), expected.video);
        EXPECT_EQ(repairedHashes, hashes(whole, expected.video));
        const RunResult sound = runProgram({ "ffprobe", "-v", "error", "-select_streams", "a:0",
            "-show_entries", "stream=nb_frames", "-of", "csv=p=0", out.string() });
        EXPECT_EQ(sound.out, std::to_string(expected.sound) + "\n");
        // This muxer puts a "wide" atom before its data; the repaired movie's data keeps its place,
        // behind a free atom, so that it is copied in whole pages.
        const auto mdatOf = [](const std::vector<std::uint8_t>& movie) {
            for (const auto& atom : kivora::democard::listAtoms(movie, 0, movie.size()))
                if (atom.type == "mdat")
                    return atom.offset;
            return std::uint64_t(0);
        };
        const auto repaired = readBytes(out);
        EXPECT_EQ(mdatOf(repaired), mdatOf(bytes));
        EXPECT_EQ(kivora::democard::listAtoms(repaired, 0, repaired.size())[1].type, "free");
    }
}

} // namespace
