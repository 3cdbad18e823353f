// The scan and concat commands on a generated card, judged against the generator's manifest,
// ffmpeg, and the telemetry command.
#include "tests/tools/ToolsTestSupport.h"

#include "kivora/recording/RecordingName.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace kivora::tests;
using kivora::testing::runCli;
namespace fs = std::filesystem;

namespace {

QJsonObject parseObject(const std::string& text)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

std::vector<std::string> split(const std::string& line)
{
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, ',');)
        fields.push_back(field);
    if (!line.empty() && line.back() == ',')
        fields.emplace_back();
    return fields;
}

std::map<std::string, std::vector<std::uint8_t>> filesUnder(const fs::path& root)
{
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file())
            files[e.path().lexically_relative(root).generic_string()] = readBytes(e.path());
    return files;
}

struct Recording {
    std::string folder; // "Normal", "Parking"
    std::string name; // main movie's file name
    fs::path main, sub, data;
    int fileNumber = 0;
    int frames = 0;
    bool seriesStart = false;
    bool timeLapse = false;
};

// One small card shared by every test; tests only read it.
class CardCommands : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = std::make_unique<TempFolder>();
        s_card = s_dir->path() / "card";
        const RunResult made = runCli({ "democard", s_card.string(), "--recordings", "6", "--days", "1",
            "--seconds", "1.8", "--main", "320x180", "--sub", "288x160", "--jobs", "1", "--triggers",
            "continuous,continuous,shock,time-lapse,parking" });
        ASSERT_EQ(made.status, 0) << made.out;
        const QJsonObject manifest = parseObject([] {
            const auto bytes = readBytes(s_card / "democard.json");
            return std::string(bytes.begin(), bytes.end());
        }());
        for (const auto& value : manifest.value("recordings").toArray()) {
            const QJsonObject r = value.toObject();
            const QJsonObject main = r.value("main").toObject();
            Recording rec;
            rec.main = s_card / main.value("path").toString().toStdString();
            rec.folder = rec.main.parent_path().filename().string();
            rec.name = rec.main.filename().string();
            if (r.value("sub").isObject())
                rec.sub = s_card / r.value("sub").toObject().value("path").toString().toStdString();
            if (r.value("data").isObject())
                rec.data = s_card / r.value("data").toObject().value("path").toString().toStdString();
            rec.fileNumber = r.value("fileNumber").toInt();
            rec.frames = main.value("frames").toInt();
            rec.seriesStart = r.value("seriesStart").toBool();
            rec.timeLapse = r.value("timeLapse").toBool();
            s_recordings.push_back(rec);
        }
        ASSERT_EQ(s_recordings.size(), 6u);
        std::sort(s_recordings.begin(), s_recordings.end(),
            [](const Recording& a, const Recording& b) { return a.fileNumber < b.fileNumber; });
        s_cardFiles = filesUnder(s_card);
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    // Whatever a command did, the card is as the generator left it.
    void TearDown() override { EXPECT_TRUE(filesUnder(s_card) == s_cardFiles) << "the card was changed"; }

    static inline std::unique_ptr<TempFolder> s_dir;
    static inline fs::path s_card;
    static inline std::vector<Recording> s_recordings; // in file-number order
    static inline std::map<std::string, std::vector<std::uint8_t>> s_cardFiles;
};

std::vector<std::string> labelsOf(const QJsonArray& nodes)
{
    std::vector<std::string> labels;
    for (const auto& n : nodes)
        labels.push_back(n.toObject().value("label").toString().toStdString());
    return labels;
}

} // namespace

TEST_F(CardCommands, ScanGroupsEveryMainMovieOfTheCardOnce)
{
    const RunResult run = runCli({ "scan", s_card.string() });
    ASSERT_EQ(run.status, 0) << run.out;
    const QJsonObject scan = parseObject(run.out);
    EXPECT_EQ(scan.value("kind").toInt(), 2);
    EXPECT_EQ(scan.value("layout").toInt(), 0);
    EXPECT_TRUE(scan.value("card").toBool());
    EXPECT_TRUE(scan.value("entries").toArray().isEmpty());
    const QJsonArray tree = scan.value("tree").toArray();
    EXPECT_EQ(labelsOf(tree), (std::vector<std::string> { "Normal", "Parking", "_NData", "_PData" }));

    int lastSequence = -1;
    for (const auto& folderValue : tree) {
        const QJsonObject folder = folderValue.toObject();
        const std::string folderName = folder.value("label").toString().toStdString();
        SCOPED_TRACE(folderName);
        std::vector<const Recording*> expected;
        for (const Recording& r : s_recordings)
            if (r.folder == folderName)
                expected.push_back(&r);

        // Groups break where the recorder started a series or skipped a number.
        std::vector<std::string> expectedLabels;
        int running = 0;
        for (std::size_t i = 0; i < expected.size(); ++i)
            if (i == 0 || expected[i]->seriesStart
                || expected[i]->fileNumber != expected[i - 1]->fileNumber + 1) {
                char label[32];
                std::snprintf(
                    label, sizeof label, "%s_%04d", expected[i]->name.substr(5, 6).c_str(), ++running);
                expectedLabels.push_back(label);
            }
        const QJsonArray groups = folder.value("children").toArray();
        EXPECT_EQ(labelsOf(groups), expectedLabels);

        std::uint32_t folderFlags = 0;
        std::size_t at = 0;
        for (const auto& groupValue : groups) {
            const QJsonObject group = groupValue.toObject();
            std::uint32_t groupFlags = 0;
            for (const auto& entryValue : group.value("entries").toArray()) {
                const QJsonObject e = entryValue.toObject();
                ASSERT_LT(at, expected.size());
                const Recording& r = *expected[at++];
                EXPECT_EQ(e.value("path").toString().toStdString(), r.main.string());
                EXPECT_EQ(e.value("triggerLetter").toInt(), r.name[0]);
                EXPECT_EQ(e.value("mainSize").toDouble(), double(fs::file_size(r.main)));
                EXPECT_EQ(e.value("subSize").toDouble(), double(fs::file_size(r.sub)));
                EXPECT_EQ(e.value("dataSize").toDouble(), double(fs::file_size(r.data)));
                EXPECT_GT(e.value("sequence").toInt(), lastSequence);
                lastSequence = e.value("sequence").toInt();
                kivora::recording::TriggerFlags(r.main, groupFlags);
            }
            EXPECT_EQ(group.value("flags").toInt(), int(groupFlags))
                << group.value("label").toString().toStdString();
            folderFlags |= groupFlags;
        }
        EXPECT_EQ(at, expected.size()) << "every main movie is listed once";
        EXPECT_EQ(folder.value("flags").toInt(), int(folderFlags));
    }

    // The shock filter keeps the groups but lists only shock recordings.
    const RunResult filtered = runCli({ "scan", s_card.string(), "--filter", "0,1,0,0,0" });
    ASSERT_EQ(filtered.status, 0) << filtered.out;
    std::vector<std::string> shown, shocks;
    for (const auto& folder : parseObject(filtered.out).value("tree").toArray())
        for (const auto& group : folder.toObject().value("children").toArray())
            for (const auto& e : group.toObject().value("entries").toArray())
                shown.push_back(
                    fs::path(e.toObject().value("path").toString().toStdString()).filename().string());
    for (const Recording& r : s_recordings)
        if (r.name[1] == 'G' && (r.name[0] == 'A' || r.name[0] == 'T'))
            shocks.push_back(r.name);
    EXPECT_FALSE(shocks.empty());
    EXPECT_EQ(shown, shocks);

    // A single movie is a source of its own kind.
    const RunResult single = runCli({ "scan", s_recordings[0].main.string() });
    ASSERT_EQ(single.status, 0) << single.out;
    const QJsonObject one = parseObject(single.out);
    EXPECT_EQ(one.value("kind").toInt(), 3);
    ASSERT_EQ(one.value("entries").toArray().size(), 1);
    EXPECT_EQ(one.value("entries").toArray()[0].toObject().value("path").toString().toStdString(),
        s_recordings[0].main.string());
    EXPECT_TRUE(one.value("tree").toArray().isEmpty());

    EXPECT_EQ(runCli({ "scan", (s_dir->path() / "absent").string() }).status, 1);
    EXPECT_EQ(runCli({ "scan", s_card.string(), "--filter", "1,0,2,0,0" }).status, 2);
    EXPECT_EQ(runCli({ "scan" }).status, 2);
}

// A still is never written over the recording it is taken from, main or sub movie.
TEST_F(CardCommands, SnapshotNeverReplacesTheRecording)
{
    const Recording& r = s_recordings[0];
    ASSERT_FALSE(r.sub.empty());
    TempFolder work;
    fs::copy_file(r.main, work / r.main.filename().string());
    fs::copy_file(r.sub, work / r.sub.filename().string());
    const fs::path main = work / r.main.filename().string(), sub = work / r.sub.filename().string();
    const auto before = readBytes(main), subBefore = readBytes(sub);
    for (const fs::path& out : { main, sub }) {
        SCOPED_TRACE(out);
        const RunResult run = runCli({ "snapshot", main.string(), "0", out.string() });
        EXPECT_EQ(run.status, 1) << run.out;
        EXPECT_NE(run.out.find("must not replace"), std::string::npos) << run.out;
    }
    EXPECT_EQ(readBytes(main), before);
    EXPECT_EQ(readBytes(sub), subBefore);
}

// Output lost to a full disk is a failure, whatever the command; a large answer's failed writes
// leave nothing for the last flush to fail on.
TEST_F(CardCommands, OutputLostToAFullDiskFails)
{
    const std::string movie = s_recordings[0].main.string();
    const std::vector<std::vector<std::string>> commands { { "telemetry", movie, "--format", "gpx" },
        { "telemetry", movie }, { "info", movie }, { "scan", s_card.string() } };
    for (const auto& command : commands) {
        SCOPED_TRACE(command.front());
        std::vector<std::string> args { "sh", "-c", "\"$0\" \"$@\" >/dev/full", KIVORA_CLI_PATH };
        args.insert(args.end(), command.begin(), command.end());
        const RunResult run = kivora::testing::runProgram(args, kivora::testing::Stderr::Merge);
        EXPECT_EQ(run.status, 1) << run.out;
        EXPECT_NE(run.out.find("cannot write the output"), std::string::npos) << run.out;
    }
}

TEST_F(CardCommands, ConcatJoinsMoviesAndTheirTelemetryInOrder)
{
    std::vector<const Recording*> parts;
    for (const Recording& r : s_recordings)
        if (r.folder == "Normal" && !r.timeLapse && parts.size() < 3)
            parts.push_back(&r);
    ASSERT_EQ(parts.size(), 3u);
    const fs::path outFolder = s_dir->path() / "joined";
    fs::create_directories(outFolder);
    const fs::path out = outFolder / "A___-230115-100000-000900M.MOV";
    const fs::path outData = outFolder / "A___-230115-100000-000900D.ADA";

    std::vector<std::string> args { "concat", out.string() };
    for (const Recording* r : parts)
        args.push_back(r->main.string());
    const RunResult run = runCli(args, Stderr::Inherit); // stdout only: the paths written
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.out, out.string() + "\n" + outData.string() + "\n");
    EXPECT_EQ(namesIn(outFolder),
        (std::vector<std::string> { outData.filename().string(), out.filename().string() }));

    const RunResult decoded = runProgram(
        { "ffmpeg", "-nostdin", "-v", "error", "-i", out.string(), "-f", "null", "-" }, Stderr::Merge);
    EXPECT_EQ(decoded.status, 0);
    EXPECT_EQ(decoded.out, "");
    int frameSum = 0;
    for (const Recording* r : parts)
        frameSum += r->frames;
    const RunResult probed = runProgram({ "ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0",
        "-show_entries", "stream=nb_read_frames", "-of", "csv=p=0", out.string() });
    EXPECT_EQ(probed.out, std::to_string(frameSum) + "\n");

    // The joined movie's telemetry rows are the parts' rows, numbered on and placed on the frames
    // that follow the earlier parts. The supply voltage of a part's last record comes from the
    // record after it, which only the joined movie has.
    const RunResult joined = runCli({ "telemetry", out.string(), "--format", "csv" });
    ASSERT_EQ(joined.status, 0) << joined.out;
    const std::vector<std::string> joinedRows = lines(joined.out);
    ASSERT_FALSE(joinedRows.empty());
    std::size_t row = 1;
    int framesBefore = 0;
    for (std::size_t k = 0; k < parts.size(); ++k) {
        const RunResult own = runCli({ "telemetry", parts[k]->main.string(), "--format", "csv" });
        ASSERT_EQ(own.status, 0) << own.out;
        const std::vector<std::string> ownRows = lines(own.out);
        ASSERT_GT(ownRows.size(), 1u);
        for (std::size_t i = 1; i < ownRows.size(); ++i, ++row) {
            ASSERT_LT(row, joinedRows.size());
            std::vector<std::string> want = split(ownRows[i]), got = split(joinedRows[row]);
            ASSERT_EQ(want.size(), 15u) << ownRows[i];
            ASSERT_EQ(got.size(), 15u) << joinedRows[row];
            EXPECT_EQ(got[0], std::to_string(row - 1));
            EXPECT_EQ(got[1], std::to_string(std::stoi(want[1]) + framesBefore)) << joinedRows[row];
            if (i + 1 == ownRows.size() && k + 1 < parts.size())
                want[13] = got[13];
            EXPECT_EQ(std::vector<std::string>(got.begin() + 2, got.end()),
                std::vector<std::string>(want.begin() + 2, want.end()))
                << "part " << k << " row " << i;
        }
        framesBefore += parts[k]->frames;
    }
    EXPECT_EQ(row, joinedRows.size());
}

TEST_F(CardCommands, ConcatFailuresAreReportedAndLeaveNothingBehind)
{
    const fs::path folder = s_dir->path() / "failing";
    fs::create_directories(folder);
    const fs::path garbage = folder / "A___-230115-083000-000777M.MOV";
    std::ofstream(garbage) << std::string(400, 'x');
    const fs::path out = folder / "out" / "A___-230115-100000-000900M.MOV";
    fs::create_directories(out.parent_path());
    const std::string first = s_recordings[0].main.string(), second = s_recordings[1].main.string();

    const struct {
        std::vector<std::string> args;
        int status;
        std::string says;
    } cases[] = {
        { { "concat", out.string(), first, garbage.string() }, 1, garbage.filename().string() },
        { { "concat", out.string(), garbage.string(), first }, 1, garbage.filename().string() },
        { { "concat", out.string(), first, (folder / "absent.MOV").string() }, 1, "absent.MOV" },
        { { "concat", (folder / "no-such-folder" / "x.MOV").string(), first, second }, 1, "no-such-folder" },
        { { "concat", out.string() }, 2, "usage" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        const RunResult run = runCli(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE(run.out.find(c.says), std::string::npos) << run.out;
        EXPECT_TRUE(namesIn(out.parent_path()).empty());
    }

    // A part without its data file still joins; the output then has none.
    const fs::path loose = folder / s_recordings[1].name;
    fs::copy_file(s_recordings[1].main, loose);
    const RunResult noData = runCli({ "concat", out.string(), first, loose.string() });
    EXPECT_EQ(noData.status, 0) << noData.out;
    EXPECT_NE(noData.out.find("no data file written"), std::string::npos) << noData.out;
    EXPECT_EQ(namesIn(out.parent_path()), std::vector<std::string> { out.filename().string() });
}
