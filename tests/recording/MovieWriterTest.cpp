#include "kivora/recording/MovieWriter.h"
#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/MovieAtoms.h"
#include "kivora/recording/RecordingName.h"
#include "tools/democard/FrameCode.h"
#include "tools/democard/RecordingWriter.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sched.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

using namespace kivora::recording;
namespace fs = std::filesystem;
namespace dc = kivora::democard;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

// What a child process ended with: its exit status and what it wrote back.
struct ChildReport {
    int status = -1;
    std::string text;
};

// Runs body in a child process, so that limits and mounts it sets end with it.
template <class Body> ChildReport inChild(Body body)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t child = ::fork();
    if (child < 0)
        return {};
    if (child == 0) {
        ::close(fds[0]);
        const ChildReport r = body();
        (void)!::write(fds[1], r.text.data(), r.text.size());
        ::_exit(r.status);
    }
    ::close(fds[1]);
    ChildReport r;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        r.text.append(buffer, std::size_t(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), {} };
}

std::string run(const std::string& command)
{
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    char buffer[4096];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()))
        out += buffer;
    return out;
}

std::string q(const fs::path& p)
{
    return "'" + p.string() + "'";
}

// What a real decoder says about the movie: nothing when it is sound.
std::string decoderComplaints(const fs::path& movie)
{
    return run("ffmpeg -nostdin -v error -i " + q(movie) + " -f null - 2>&1");
}

int probedFrames(const fs::path& movie)
{
    return std::atoi(
        run("ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
            "-of csv=p=0 "
            + q(movie))
            .c_str());
}

double probedDuration(const fs::path& movie)
{
    return std::atof(
        run("ffprobe -v error -select_streams v:0 -show_entries stream=duration -of csv=p=0 " + q(movie))
            .c_str());
}

// The frame code of every decoded picture, in order.
std::vector<int> frameCodes(const fs::path& movie)
{
    std::vector<int> codes;
    const std::string command = "ffmpeg -nostdin -v error -i " + q(movie)
        + " -map 0:v:0 -vf crop=iw:32:0:0,format=gray -f rawvideo -";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::vector<std::uint8_t> band(std::size_t(kWidth) * dc::kCodeBandHeight);
    while (pipe && std::fread(band.data(), 1, band.size(), pipe.get()) == band.size())
        codes.push_back(dc::readFrameCodeGray(band.data(), kWidth, dc::kCodeBandHeight, kWidth));
    return codes;
}

std::vector<int> expectedCodes(const std::vector<int>& frameCounts)
{
    std::vector<int> codes;
    for (int n : frameCounts)
        for (int i = 0; i < n; ++i)
            codes.push_back(i);
    return codes;
}

std::vector<std::uint8_t> recordsOf(const fs::path& movie)
{
    std::vector<std::uint8_t> bytes;
    if (auto holder = ReadTelemetryRecords(movie))
        for (const auto& r : holder->telemetryRecords)
            bytes.insert(bytes.end(), r.begin(), r.end());
    return bytes;
}

// The records of the movie's own telemetry atom.
std::vector<std::uint8_t> atomRecordsOf(const fs::path& movie)
{
    auto tree = OpenMovieTree(movie);
    if (!tree)
        return {};
    for (const AtomNode& top : tree->root.children)
        if (top.isType("udat") && top.payload.size() >= 40) {
            std::size_t count = (std::size_t(top.payload[32]) << 8) | top.payload[33];
            if (count == 0xFFFF)
                count = (top.payload.size() - 40) / 124;
            return { top.payload.begin() + 34, top.payload.begin() + 34 + std::ptrdiff_t(count * 124) };
        }
    return {};
}

// Generated recordings shared by every test (encoding is the slow part).
class MovieWriterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = fs::temp_directory_path() / ("kivora-writer-" + std::to_string(::getpid()));
        fs::remove_all(s_dir);
        fs::create_directories(s_dir / "src");
        setCurrentLayout(0);
        for (int i = 0; i < 10; ++i) {
            dc::RecordingRecipe recipe;
            recipe.start = dc::DateTime { 2023, 1, 15, 8, 30, i * 2 };
            recipe.fileNumber = std::uint32_t(100 + i);
            recipe.frameCount = 20 + 3 * i;
            recipe.main = { kWidth, kHeight };
            recipe.withSub = false;
            recipe.overlay = false;
            recipe.movieFolder = s_dir / "src";
            auto written = dc::writeRecording(recipe, std::uint64_t(i + 1));
            ASSERT_TRUE(written) << written.error;
            s_parts.push_back(written.value->main.path);
            s_frames.push_back(recipe.frameCount);
        }
    }
    static void TearDownTestSuite() { fs::remove_all(s_dir); }

    void SetUp() override
    {
        m_out = s_dir / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(m_out);
        fs::create_directories(m_out);
        for (const fs::path& p : s_parts)
            m_before.push_back(readAll(p) + readAll(DataPath(p)));
    }
    void TearDown() override
    {
        // Sources are never touched, whatever happened.
        for (std::size_t i = 0; i < s_parts.size(); ++i)
            EXPECT_EQ(readAll(s_parts[i]) + readAll(DataPath(s_parts[i])), m_before[i]) << s_parts[i];
        fs::remove_all(m_out);
    }

    static std::vector<fs::path> parts(std::size_t n)
    {
        return { s_parts.begin(), s_parts.begin() + std::ptrdiff_t(n) };
    }
    static std::vector<int> frames(std::size_t n)
    {
        return { s_frames.begin(), s_frames.begin() + std::ptrdiff_t(n) };
    }
    std::vector<std::string> filesInOut() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(m_out))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static inline fs::path s_dir;
    static inline std::vector<fs::path> s_parts;
    static inline std::vector<int> s_frames;
    fs::path m_out;
    std::vector<std::string> m_before;
};

const std::string kOutName = "A___-230115-090000-000900M.MOV";
const std::string kOutData = "A___-230115-090000-000900D.ADA";

} // namespace

TEST_F(MovieWriterTest, JoinedMoviesPlayEveryFrameOfEveryPartInOrder)
{
    for (std::size_t n : { std::size_t(2), std::size_t(10) }) {
        const fs::path out = m_out / kOutName;
        std::string error, note;
        std::vector<std::pair<std::uint64_t, std::uint64_t>> progress;
        ASSERT_TRUE(ConcatenateMovies(parts(n), out, error, note,
            [&](std::uint64_t done, std::uint64_t total) { progress.emplace_back(done, total); }))
            << error;
        EXPECT_TRUE(note.empty()) << note;
        EXPECT_EQ(decoderComplaints(out), "");
        int frameSum = 0;
        double durationSum = 0;
        std::vector<std::uint8_t> records, atomRecords;
        for (const fs::path& p : parts(n)) {
            frameSum += probedFrames(p);
            durationSum += probedDuration(p);
            const auto r = recordsOf(p), a = atomRecordsOf(p);
            records.insert(records.end(), r.begin(), r.end());
            atomRecords.insert(atomRecords.end(), a.begin(), a.end());
        }
        EXPECT_EQ(probedFrames(out), frameSum);
        EXPECT_NEAR(probedDuration(out), durationSum, 0.001 * double(n));
        EXPECT_EQ(frameCodes(out), expectedCodes(frames(n)));
        EXPECT_FALSE(records.empty());
        EXPECT_EQ(recordsOf(out), records);
        EXPECT_EQ(atomRecordsOf(out), atomRecords);
        EXPECT_EQ(filesInOut(), (std::vector<std::string> { kOutData, kOutName }));
        ASSERT_FALSE(progress.empty());
        EXPECT_EQ(progress.back().first, progress.back().second);
        EXPECT_EQ(progress.back().second, fs::file_size(out) + fs::file_size(m_out / kOutData));
    }
}

TEST_F(MovieWriterTest, NinetyNineTinyPartsJoin)
{
    // One short recording copied under 99 names: the join must not care where a part came from.
    dc::RecordingRecipe recipe;
    recipe.frameCount = 2;
    recipe.main = { kWidth, kHeight };
    recipe.withSub = false;
    recipe.overlay = false;
    recipe.movieFolder = m_out / "tiny";
    fs::create_directories(recipe.movieFolder);
    auto written = dc::writeRecording(recipe);
    ASSERT_TRUE(written) << written.error;
    std::vector<fs::path> inputs;
    for (int i = 0; i < 99; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "A___-230115-100000-%06dM.MOV", 500 + i);
        const fs::path p = recipe.movieFolder / name;
        if (!fs::exists(p)) {
            fs::copy_file(written.value->main.path, p);
            fs::copy_file(DataPath(written.value->main.path), DataPath(p));
        }
        inputs.push_back(p);
    }
    const fs::path out = m_out / kOutName;
    std::string error, note;
    ASSERT_TRUE(ConcatenateMovies(inputs, out, error, note)) << error;
    EXPECT_EQ(decoderComplaints(out), "");
    EXPECT_EQ(frameCodes(out), expectedCodes(std::vector<int>(99, 2)));
    EXPECT_EQ(recordsOf(out).size(), 99 * recordsOf(inputs[0]).size());
}

TEST_F(MovieWriterTest, OneRecordingSavedAloneKeepsItsAtoms)
{
    const fs::path out = m_out / kOutName;
    std::string error, note;
    ASSERT_TRUE(ConcatenateMovies(parts(1), out, error, note)) << error;
    auto a = OpenMovieTree(s_parts[0]);
    auto b = OpenMovieTree(out);
    ASSERT_TRUE(a && b);
    // Same atoms in the same order with the same payloads; the movie data is equal byte for byte.
    std::function<void(const AtomNode&, const AtomNode&)> same = [&](const AtomNode& x, const AtomNode& y) {
        ASSERT_EQ(x.typeName(), y.typeName());
        if (x.isType("udat")) {
            // The telemetry atom is rebuilt from its records: what follows the end tag is left out.
            const std::size_t block = 40 + 124 * ((std::size_t(x.payload[32]) << 8) | x.payload[33]);
            ASSERT_GE(x.payload.size(), block);
            EXPECT_EQ(std::vector<std::uint8_t>(x.payload.begin(), x.payload.begin() + std::ptrdiff_t(block)),
                y.payload);
            return;
        }
        if (x.depth > 0) {
            EXPECT_EQ(x.payloadSize, y.payloadSize) << x.typeName();
        }
        EXPECT_EQ(x.payload, y.payload) << x.typeName();
        ASSERT_EQ(x.children.size(), y.children.size()) << x.typeName();
        for (std::size_t i = 0; i < x.children.size(); ++i)
            same(x.children[i], y.children[i]);
    };
    same(a->root, b->root);
    const std::string src = readAll(s_parts[0]), dst = readAll(out);
    const AtomNode* mdat = a->list(AtomList::Mdat).front();
    EXPECT_EQ(src.substr(mdat->payloadOffset, mdat->payloadSize),
        dst.substr(mdat->payloadOffset, mdat->payloadSize));
    EXPECT_EQ(
        readAll(m_out / kOutData), readAll(DataPath(s_parts[0])).substr(0, readAll(m_out / kOutData).size()));
}

TEST_F(MovieWriterTest, OutputMayReplaceOneOfItsInputs)
{
    // Copies of two parts, joined into the first copy.
    const fs::path a = m_out / s_parts[0].filename(), b = m_out / s_parts[1].filename();
    for (const auto& [from, to] : { std::pair { s_parts[0], a }, std::pair { s_parts[1], b } }) {
        fs::copy_file(from, to);
        fs::copy_file(DataPath(from), DataPath(to));
    }
    const auto expectedRecords = [&] {
        auto r = recordsOf(a);
        const auto rb = recordsOf(b);
        r.insert(r.end(), rb.begin(), rb.end());
        return r;
    }();
    std::string error, note;
    ASSERT_TRUE(ConcatenateMovies({ a, b }, a, error, note)) << error;
    EXPECT_EQ(decoderComplaints(a), "");
    EXPECT_EQ(frameCodes(a), expectedCodes(frames(2)));
    EXPECT_EQ(recordsOf(a), expectedRecords);
    EXPECT_EQ(readAll(b), readAll(s_parts[1]));
}

TEST_F(MovieWriterTest, MissingDataFileGivesAMovieWithoutOne)
{
    const fs::path a = m_out / s_parts[0].filename(), b = m_out / s_parts[1].filename();
    fs::copy_file(s_parts[0], a);
    fs::copy_file(DataPath(s_parts[0]), DataPath(a));
    fs::copy_file(s_parts[1], b); // no data file
    // An older movie of the output's name with its data file: the data file no longer fits.
    const fs::path out = m_out / kOutName;
    fs::copy_file(s_parts[2], out);
    fs::copy_file(DataPath(s_parts[2]), m_out / kOutData);

    std::string error, note;
    ASSERT_TRUE(ConcatenateMovies({ a, b }, out, error, note)) << error;
    EXPECT_NE(note.find(b.filename().string()), std::string::npos) << note;
    EXPECT_EQ(decoderComplaints(out), "");
    EXPECT_EQ(frameCodes(out), expectedCodes(frames(2)));
    EXPECT_FALSE(fs::exists(m_out / kOutData));
}

TEST_F(MovieWriterTest, FailuresLeaveNothingBehind)
{
    const fs::path out = m_out / kOutName;
    const fs::path garbage = m_out / "A___-230115-083000-000777M.MOV";
    std::ofstream(garbage) << std::string(400, 'x');
    const fs::path fifo = m_out / "A___-230115-083000-000779M.MOV"; // must not block the join
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path cut = m_out / "A___-230115-083000-000778M.MOV";
    std::ofstream(cut, std::ios::binary) << readAll(s_parts[1]).substr(0, 5000);
    // A different picture size cannot be joined without re-encoding.
    dc::RecordingRecipe recipe;
    recipe.frameCount = 2;
    recipe.main = { kWidth * 2, kHeight };
    recipe.withSub = false;
    recipe.movieFolder = m_out / "wide";
    fs::create_directories(recipe.movieFolder);
    auto wide = dc::writeRecording(recipe);
    ASSERT_TRUE(wide) << wide.error;

    const struct {
        std::vector<fs::path> inputs;
        fs::path output;
        std::string says;
    } cases[] = {
        { { garbage, s_parts[0] }, out, garbage.filename().string() },
        { { s_parts[0], garbage }, out, garbage.filename().string() },
        { { s_parts[0], cut }, out, cut.filename().string() },
        { { s_parts[0], wide.value->main.path }, out, "different picture or sound format" },
        { { s_parts[0], s_parts[1] }, m_out / "absent" / kOutName, "absent" },
        { { m_out / "missing.MOV" }, out, "missing.MOV" },
        { { s_parts[0], fifo }, out, fifo.filename().string() },
    };
    for (const auto& c : cases) {
        std::string error, note;
        EXPECT_FALSE(ConcatenateMovies(c.inputs, c.output, error, note));
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
        EXPECT_FALSE(fs::exists(out));
        EXPECT_FALSE(fs::exists(m_out / kOutData));
    }
    fs::remove_all(m_out / "wide");
    fs::remove(garbage);
    fs::remove(cut);
    fs::remove(fifo);
    EXPECT_EQ(filesInOut(), std::vector<std::string> {});
}

TEST_F(MovieWriterTest, WriteFailureRemovesTheUnfinishedFilesAndKeepsTheOldOutput)
{
    const fs::path out = m_out / kOutName;
    std::ofstream(out) << "old movie";
    std::ofstream(m_out / kOutData) << "old data";
    // A file size limit makes the disk "full" part way; run it in a child so the limit stays there.
    const auto [status, error] = inChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit { 16 * 1024, 16 * 1024 };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::string why, note;
        const bool ok = ConcatenateMovies(parts(3), out, why, note);
        return ChildReport { ok ? 0 : 1, why };
    });
    EXPECT_EQ(status, 1);
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
    EXPECT_EQ(readAll(out), "old movie");
    EXPECT_EQ(readAll(m_out / kOutData), "old data");
    EXPECT_EQ(filesInOut(), (std::vector<std::string> { kOutData, kOutName }));
}

TEST_F(MovieWriterTest, OpenAndLargeRecordCountsKeepEveryRecord)
{
    // 70 000 records do not fit the 16-bit count: it says 0xFFFF and the real count follows the
    // end tag; reading it back runs up to the end tag.
    sMP4MOVIE many;
    many.telemetryHeader.fill('0');
    for (std::uint32_t i = 0; i < 70000; ++i) {
        auto& r = many.telemetryRecords.emplace_back();
        r.fill(' ');
        std::memcpy(r.data(), &i, sizeof i);
    }
    const fs::path movie = m_out / kOutName;
    std::string error;
    ASSERT_TRUE(WriteDataFile(many, movie, error)) << error;
    const std::string bytes = readAll(m_out / kOutData);
    ASSERT_EQ(bytes.size(), 6 + 26 + 2 + 70000 * 124 + 6 + 4);
    EXPECT_EQ(bytes.substr(32, 2), "\xFF\xFF");
    EXPECT_EQ(bytes.substr(bytes.size() - 10), std::string("CSMEND\x00\x01\x11\x70", 10));
    const auto back = ReadTelemetryRecords(movie);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->telemetryRecords == many.telemetryRecords);

    // A part whose data file and telemetry atom both say 0xFFFF contributes all its records.
    const fs::path open = m_out / s_parts[1].filename();
    std::string movieBytes = readAll(s_parts[1]), dataBytes = readAll(DataPath(s_parts[1]));
    const std::size_t block = movieBytes.rfind("CSMDAT");
    ASSERT_NE(block, std::string::npos);
    movieBytes.replace(block + 32, 2, "\xFF\xFF");
    dataBytes.replace(32, 2, "\xFF\xFF");
    std::ofstream(open, std::ios::binary) << movieBytes;
    std::ofstream(DataPath(open), std::ios::binary) << dataBytes;
    const fs::path joined = m_out / "joined" / kOutName;
    fs::create_directories(joined.parent_path());
    std::string note;
    ASSERT_TRUE(ConcatenateMovies({ s_parts[0], open }, joined, error, note)) << error;
    auto records = recordsOf(s_parts[0]), atomRecords = atomRecordsOf(s_parts[0]);
    const auto more = recordsOf(s_parts[1]), moreAtom = atomRecordsOf(s_parts[1]);
    records.insert(records.end(), more.begin(), more.end());
    atomRecords.insert(atomRecords.end(), moreAtom.begin(), moreAtom.end());
    EXPECT_FALSE(more.empty());
    EXPECT_EQ(recordsOf(joined), records);
    EXPECT_EQ(atomRecordsOf(joined), atomRecords);
    EXPECT_EQ(decoderComplaints(joined), "");
}

TEST_F(MovieWriterTest, FullDiskIsReportedAndLeavesTheOldOutput)
{
    // A small tmpfs, mounted in a child's own mount namespace so that it goes with the child; the
    // child reports what it saw. Where mounting is not allowed the test is skipped.
    const fs::path small = m_out / "small";
    fs::create_directories(small);
    std::uint64_t needed = 0;
    for (const fs::path& p : parts(10))
        needed += fs::file_size(p);
    ASSERT_GT(needed, 2u * 32 * 1024);
    const auto [status, report] = inChild([&] {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || ::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=32k") != 0)
            return ChildReport { 77, {} };
        std::ofstream(small / kOutName) << "old movie";
        std::string error, note;
        const bool ok = ConcatenateMovies(parts(10), small / kOutName, error, note);
        std::string report = error + "\n" + readAll(small / kOutName) + "\n";
        for (const auto& e : fs::directory_iterator(small))
            report += e.path().filename().string() + ";";
        return ChildReport { ok ? 0 : 1, report };
    });
    if (status == 77)
        GTEST_SKIP() << "no permission to mount a small tmpfs here";
    EXPECT_EQ(status, 1);
    EXPECT_NE(report.find("No space left on device"), std::string::npos) << report;
    EXPECT_NE(report.find("\nold movie\n" + kOutName + ";"), std::string::npos) << report;
    EXPECT_EQ(report.substr(report.rfind('\n') + 1), kOutName + ";") << "nothing else is left";
}

TEST_F(MovieWriterTest, PartsWithTheirMovieAtomFirstJoin)
{
    // ffmpeg's "faststart" puts "moov" before "mdat": every chunk offset then depends on the size
    // of the merged "moov" before the data.
    std::vector<fs::path> fast;
    for (std::size_t i = 0; i < 2; ++i) {
        fast.push_back(m_out / ("fast-" + std::to_string(i)) / s_parts[i].filename());
        fs::create_directories(fast.back().parent_path());
        ASSERT_EQ(run("ffmpeg -nostdin -v error -i " + q(s_parts[i])
                      + " -map 0 -c copy -movflags +faststart -f mov " + q(fast.back()) + " 2>&1"),
            "");
        auto tree = OpenMovieTree(fast.back());
        ASSERT_TRUE(tree);
        ASSERT_TRUE(tree->root.children.size() >= 2 && tree->root.children[1].isType("moov"));
    }
    const std::vector<std::vector<fs::path>> cases { { fast[0], fast[1] }, { fast[0], s_parts[1] },
        { s_parts[0], fast[1] } };
    for (const auto& inputs : cases) {
        SCOPED_TRACE(inputs[0].parent_path().filename().string() + " + "
            + inputs[1].parent_path().filename().string());
        const fs::path out = m_out / kOutName;
        std::string error, note;
        ASSERT_TRUE(ConcatenateMovies(inputs, out, error, note)) << error;
        EXPECT_EQ(decoderComplaints(out), "");
        EXPECT_EQ(frameCodes(out), expectedCodes(frames(2)));
    }
}

TEST_F(MovieWriterTest, FlushesOnlyWhereALostFileCostsSomething)
{
    // A stand-in for the kernel's device-number links: the test folder's device is made to look
    // like each kind of disk in turn.
    const fs::path sys = m_out / "sys";
    struct stat st { };
    ASSERT_EQ(::stat(m_out.c_str(), &st), 0);
    const fs::path link
        = sys / "dev" / "block" / (std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev)));
    const auto disk = [&](const std::string& devicePath, const char* removable) {
        fs::remove_all(sys);
        const fs::path device = sys / "devices" / devicePath;
        fs::create_directories(device);
        fs::create_directories(link.parent_path());
        fs::create_symlink(fs::relative(device, link.parent_path()), link);
        if (device.parent_path().filename() != "block") { // a partition: the flag is its disk's
            std::ofstream(device / "partition") << "1\n";
            std::ofstream(device.parent_path() / "removable") << removable << "\n";
        } else {
            std::ofstream(device / "removable") << removable << "\n";
        }
    };
    const fs::path fresh = m_out / kOutName;
    const struct {
        const char* devicePath; // empty: no block device behind the folder
        const char* removable;
        bool flush;
    } cases[] = {
        { "pci0000:00/0000:00:02.0/virtio1/block/vda", "0", false },
        { "pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda/sda2", "0", false },
        { "pci0000:00/0000:00:14.0/ata2/host1/target1:0:0/1:0:0:0/block/sdb/sdb1", "1", true },
        // A USB disk and a built-in card slot that do not call themselves removable.
        { "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host3/target3:0:0/3:0:0:0/block/sdc/sdc1", "0", true },
        { "platform/soc/fe340000.mmc/mmc_host/mmc0/mmc0:aaaa/block/mmcblk0/mmcblk0p1", "0", true },
        { "", "", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.devicePath);
        if (*c.devicePath)
            disk(c.devicePath, c.removable);
        else
            fs::remove_all(sys);
        EXPECT_EQ(NeedsDurableFlush(fresh, sys / "dev" / "block"), c.flush);
    }
    // A file that is replaced (it may be one of the inputs) is flushed wherever it lies, and so is
    // one in a folder that cannot be examined.
    disk(cases[0].devicePath, "0");
    std::ofstream(fresh) << "old movie";
    EXPECT_TRUE(NeedsDurableFlush(fresh, sys / "dev" / "block"));
    EXPECT_TRUE(NeedsDurableFlush(m_out / "absent" / kOutName, sys / "dev" / "block"));
    fs::remove_all(sys);
}

TEST_F(MovieWriterTest, ConstantSampleSizesStayConstantOnlyWhenBothPartsShareThem)
{
    // The generated sound track has a table of sizes; here it is given a constant size instead.
    const auto constant = [](std::uint32_t size, std::uint32_t count) {
        std::vector<std::uint8_t> p(12, 0);
        for (int i = 0; i < 4; ++i) {
            p[4 + i] = std::uint8_t(size >> (24 - 8 * i));
            p[8 + i] = std::uint8_t(count >> (24 - 8 * i));
        }
        return p;
    };
    const auto sizesOf = [](const std::vector<std::uint8_t>& p) {
        const auto word = [&](std::size_t at) {
            return (std::uint32_t(p[at]) << 24) | (std::uint32_t(p[at + 1]) << 16)
                | (std::uint32_t(p[at + 2]) << 8) | p[at + 3];
        };
        std::vector<std::uint32_t> sizes;
        for (std::uint32_t i = 0; i < word(8); ++i)
            sizes.push_back(word(4) ? word(4) : word(12 + 4 * std::size_t(i)));
        return std::pair { word(4), sizes };
    };
    const struct {
        std::uint32_t first, next; // constant sizes; 0 keeps the part's table
        std::uint32_t joinedConstant;
    } cases[] = { { 400, 400, 400 }, { 400, 500, 0 }, { 400, 0, 0 }, { 0, 500, 0 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.first) + " + " + std::to_string(c.next));
        auto a = OpenMovieTree(s_parts[0]), b = OpenMovieTree(s_parts[1]);
        ASSERT_TRUE(a && b);
        ASSERT_EQ(a->list(AtomList::Stsz).size(), 2u);
        AtomNode* sa = a->list(AtomList::Stsz)[1];
        AtomNode* sb = b->list(AtomList::Stsz)[1];
        for (auto [node, size] : { std::pair { sa, c.first }, std::pair { sb, c.next } })
            if (size) {
                node->payload = constant(size, sizesOf(node->payload).second.size());
                node->payloadSize = node->payload.size();
            }
        auto expected = sizesOf(sa->payload).second;
        const auto more = sizesOf(sb->payload).second;
        expected.insert(expected.end(), more.begin(), more.end());
        const AtomNode* mdat = a->list(AtomList::Mdat).front();
        std::string error;
        ASSERT_TRUE(Merge(*a, *b, mdat->sourcePayloadOffset + mdat->payloadSize, error)) << error;
        EXPECT_EQ(sizesOf(sa->payload), std::pair(c.joinedConstant, expected));
        EXPECT_EQ(sa->payloadSize, c.joinedConstant ? 12 : 12 + 4 * expected.size());
    }
}

// Found by fuzzing: a constant sample size with a count far beyond the movie's data used to be
// expanded into a table of gigabytes. It is damage, refused before anything changes.
TEST_F(MovieWriterTest, ASampleCountTheDataCannotHoldIsRefused)
{
    auto a = OpenMovieTree(s_parts[0]), b = OpenMovieTree(s_parts[1]);
    ASSERT_TRUE(a && b);
    AtomNode* sound = b->list(AtomList::Stsz).back();
    sound->payload = { 0, 0, 0, 0, 0, 0, 0x01, 0x90, 0x40, 0, 0, 0 }; // 400 bytes, 2^30 samples
    sound->payloadSize = sound->payload.size();
    const std::vector<std::uint8_t> before = a->list(AtomList::Stsz).back()->payload;
    const AtomNode* mdat = a->list(AtomList::Mdat).front();
    std::string error;
    EXPECT_FALSE(Merge(*a, *b, mdat->sourcePayloadOffset + mdat->payloadSize, error));
    EXPECT_NE(error.find("damaged sample table"), std::string::npos) << error;
    EXPECT_EQ(a->list(AtomList::Stsz).back()->payload, before);
}
