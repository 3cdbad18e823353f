// A whole card: folders, names, telemetry that agrees with the names, and the manifest.
#include "tests/tools/ToolsTestSupport.h"
#include "tools/democard/CardWriter.h"
#include "tools/democard/MovieEncoder.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>

using namespace kivora::democard;
using namespace kivora::tests;

namespace {
std::string probeLine(const std::filesystem::path& movie)
{
    return runProgram(
        { "ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
            "stream=nb_read_frames,width,height,r_frame_rate", "-of", "csv=p=0", movie.string() },
        Stderr::Merge)
        .out;
}
} // namespace

class DemocardCard : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        quietFfmpegLogs();
        s_dir = std::make_unique<TempFolder>();
        CardOptions o;
        o.outDir = s_dir->path() / "card";
        o.days = 2;
        o.recordings = 10;
        o.seconds = 1.0;
        o.fps = 15;
        o.main = { 320, 180 };
        o.sub = { 288, 160 };
        o.seed = 7;
        // Every trigger once, continuous first so that each day starts a drive.
        o.triggers = { Trigger::Continuous, Trigger::Shock, Trigger::Manual, Trigger::TimeLapse,
            Trigger::Parking, Trigger::Continuous, Trigger::SpeedCamera, Trigger::Radar,
            Trigger::ParkingShock, Trigger::ParkingTimeLapse };
        s_options = o;
        auto written = writeCard(o);
        ASSERT_TRUE(written) << written.error;
        s_summary = std::move(*written.value);
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    static inline std::unique_ptr<TempFolder> s_dir;
    static inline CardOptions s_options;
    static inline CardSummary s_summary;
};

TEST_F(DemocardCard, FoldersNamesAndNumbersAreTheRecorders)
{
    const auto root = s_options.outDir;
    for (const char* folder : { "Normal", "Parking", "_NData", "_PData" })
        EXPECT_TRUE(std::filesystem::is_directory(root / folder)) << folder;
    EXPECT_TRUE(std::filesystem::exists(root / "pvtrace.txt"));
    EXPECT_TRUE(std::filesystem::exists(root / "Vireo_download.url"));

    const std::regex grammar("[APT_][GM_][ORT_][S_]-[0-9]{6}-[0-9]{6}-[0-9]{6}M\\.MOV");
    ASSERT_EQ(s_summary.recordings.size(), 10u);
    std::uint32_t previousNumber = 0;
    std::int64_t previousStart = 0;
    for (const WrittenRecording& r : s_summary.recordings) {
        SCOPED_TRACE(r.name);
        EXPECT_TRUE(std::regex_match(r.name, grammar));
        const bool parked = isParking(r.recipe.trigger);
        EXPECT_EQ(r.main.path, root / (parked ? "Parking" : "Normal") / r.name);
        ASSERT_TRUE(r.sub && r.data);
        std::string sub = r.name, data = r.name;
        sub[25] = 'S';
        data.replace(25, 5, "D.ADA");
        EXPECT_EQ(r.sub->path, root / (parked ? "Parking" : "Normal") / sub);
        EXPECT_EQ(*r.data, root / (parked ? "_PData" : "_NData") / data);
        for (const auto& p : { r.main.path, r.sub->path, *r.data })
            EXPECT_TRUE(std::filesystem::is_regular_file(p)) << p;
        if (previousNumber) {
            EXPECT_EQ(r.recipe.fileNumber, previousNumber + 1) << "file numbers run on";
        }
        EXPECT_GT(toSeconds(r.recipe.start), previousStart) << "numbers follow the time";
        previousNumber = r.recipe.fileNumber;
        previousStart = toSeconds(r.recipe.start);
    }
    // Each day starts a drive series and, later, a parking series.
    const auto& rec = s_summary.recordings;
    for (std::size_t i : { 0u, 5u })
        EXPECT_EQ(rec[i].name.substr(0, 4), "A__S");
    EXPECT_EQ(rec[4].name.substr(0, 4), "P__S");
    EXPECT_EQ(rec[9].name.substr(0, 4), "P_TS");
    EXPECT_EQ(rec[1].name.substr(0, 4), "AG__");
    EXPECT_NE(rec[0].recipe.start.day, rec[5].recipe.start.day);
}

TEST_F(DemocardCard, TelemetryAgreesWithTheNameAndTheTrigger)
{
    for (const WrittenRecording& r : s_summary.recordings) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(readBytes(*r.data), encodeBlock(r.header, r.records));
        const int perSecond = r.timeLapse ? 15 : 10;
        ASSERT_EQ(r.records.size(), std::size_t(r.recipe.frameCount * perSecond / r.recipe.fps));
        std::set<char> axes, support;
        bool manual = false, parkingMark = false;
        for (std::size_t k = 0; k < r.records.size(); ++k) {
            const TelemetryRecord& t = r.records[k];
            // Normal records are 0.1 s of real time apart; time-lapse records one second.
            const std::int64_t offset = r.timeLapse ? std::int64_t(k) : std::int64_t(k / 10);
            EXPECT_EQ(t.time, addSeconds(r.recipe.start, offset)) << k;
            if (t.shockAxis != ' ')
                axes.insert(t.shockAxis);
            manual |= t.manual;
            parkingMark |= t.parking;
            if (isParking(r.recipe.trigger)) {
                EXPECT_FALSE(t.valid);
                EXPECT_GE(t.voltageTenths, 110);
                EXPECT_EQ(t.status, 'r');
            } else {
                EXPECT_EQ(t.voltageTenths, -1);
                EXPECT_EQ(t.status, 'R');
                if (t.valid) {
                    EXPECT_NEAR(t.latitude, 35.68, 0.5);
                    EXPECT_NEAR(t.longitude, 139.77, 0.5);
                    EXPECT_GE(t.speedKmh, 0);
                    EXPECT_LE(t.speedKmh, 130);
                }
            }
        }
        const bool shock = r.recipe.trigger == Trigger::Shock || r.recipe.trigger == Trigger::ParkingShock;
        EXPECT_EQ(axes.size(), shock ? 1u : 0u) << "one shock axis letter in shock recordings only";
        EXPECT_EQ(manual, r.recipe.trigger == Trigger::Manual);
        EXPECT_EQ(parkingMark, isParking(r.recipe.trigger));
        EXPECT_EQ(r.header.typeLetter, 'M');
        EXPECT_EQ(r.header.firmware, "010203");
        EXPECT_EQ(r.header.qualityLetter, 'H');
    }
    // A day's first drive starts without a fix and gets one within seconds.
    const auto& first = s_summary.recordings[0].records;
    EXPECT_FALSE(first.front().valid);
    EXPECT_TRUE(first.back().valid);
    int maxShock = 0;
    for (const TelemetryRecord& t : s_summary.recordings[1].records)
        maxShock = std::max({ maxShock, std::abs(t.accelX), std::abs(t.accelY), std::abs(t.accelZ) });
    EXPECT_GE(maxShock, 1000) << "a driving shock peaks above 1 G";
}

TEST_F(DemocardCard, EveryMovieIsReadByFfmpegAndMatchesTheManifest)
{
    const auto text = readBytes(s_summary.manifest);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(
        QByteArray(reinterpret_cast<const char*>(text.data()), static_cast<qsizetype>(text.size())), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    const QJsonArray recordings = doc.object().value("recordings").toArray();
    ASSERT_EQ(recordings.size(), qsizetype(s_summary.recordings.size()));
    // One decoder run over every movie of the card (each input to its own null output).
    std::vector<std::string> args { "ffmpeg", "-nostdin", "-v", "error" }, outputs;
    int n = 0;
    for (const WrittenRecording& w : s_summary.recordings)
        for (const auto& movie : { w.main.path, w.sub->path }) {
            args.insert(args.end(), { "-i", movie.string() });
            outputs.insert(outputs.end(), { "-map", std::to_string(n++), "-f", "null", "-" });
        }
    args.insert(args.end(), outputs.begin(), outputs.end());
    const RunResult decode = runProgram(args, Stderr::Merge);
    EXPECT_EQ(decode.status, 0);
    EXPECT_EQ(decode.out, "") << "ffmpeg reads every movie without a complaint";
    for (qsizetype i = 0; i < recordings.size(); ++i) {
        const QJsonObject r = recordings[i].toObject();
        const WrittenRecording& w = s_summary.recordings[std::size_t(i)];
        SCOPED_TRACE(w.name);
        EXPECT_EQ(r.value("name").toString().toStdString(), w.name);
        EXPECT_EQ(r.value("trigger").toString().toStdString(), std::string(triggerName(w.recipe.trigger)));
        const QJsonArray records = r.value("records").toArray();
        ASSERT_EQ(records.size(), qsizetype(w.records.size()));
        const QJsonObject last = records.last().toObject();
        EXPECT_EQ(last.value("time").toString().toStdString(), formatIso(w.records.back().time));
        EXPECT_EQ(last.value("az").toInt(), w.records.back().accelZ);
        EXPECT_EQ(r.value("data").toObject().value("path").toString().toStdString(),
            w.data->lexically_relative(s_options.outDir).generic_string());
        for (const char* camera : { "main", "sub" }) {
            const QJsonObject m = r.value(camera).toObject();
            const auto path = s_options.outDir / m.value("path").toString().toStdString();
            SCOPED_TRACE(path.filename().string());
            // csv: width,height,r_frame_rate,nb_read_frames
            const std::string expected = std::to_string(m.value("width").toInt()) + ","
                + std::to_string(m.value("height").toInt()) + "," + std::to_string(m.value("fps").toInt())
                + "/1," + std::to_string(m.value("frames").toInt()) + "\n";
            EXPECT_EQ(probeLine(path), expected);
            EXPECT_EQ(std::uint64_t(m.value("bytes").toDouble()), std::filesystem::file_size(path));
        }
    }
}

// The command line: the call the run script makes, the options tests need, and bad input.
class DemocardCli : public ::testing::Test {
protected:
    // options: words separated by blanks; extra: one argument each (paths).
    static RunResult democard(const std::filesystem::path& out, const std::string& options,
        const std::vector<std::string>& extra = {})
    {
        std::vector<std::string> args { "democard", out.string() };
        std::istringstream words(options);
        for (std::string word; words >> word;)
            args.push_back(word);
        args.insert(args.end(), extra.begin(), extra.end());
        return kivora::testing::runCli(args);
    }

    static std::map<std::string, std::vector<std::uint8_t>> tree(const std::filesystem::path& root)
    {
        std::map<std::string, std::vector<std::uint8_t>> files;
        for (const auto& e : std::filesystem::recursive_directory_iterator(root))
            if (e.is_regular_file())
                files[e.path().lexically_relative(root).generic_string()] = readBytes(e.path());
        return files;
    }
};

TEST_F(DemocardCli, SameOptionsAndSeedGiveTheSameBytes)
{
    TempFolder dir;
    const std::string options
        = "--recordings 4 --days 2 --seconds 1 --fps 10 --main 320x180 --sub 288x160 --seed 3";
    ASSERT_EQ(democard(dir.path() / "a", options + " --jobs 2").status, 0);
    ASSERT_EQ(democard(dir.path() / "b", options + " --jobs 1").status, 0);
    ASSERT_EQ(democard(dir.path() / "c",
                  "--recordings 4 --days 2 --seconds 1 --fps 10 --main 320x180 --sub 288x160 --seed 4")
                  .status,
        0);
    const auto a = tree(dir.path() / "a");
    EXPECT_EQ(a.size(), 4u * 3 + 3); // three files per recording, manifest, trace and shortcut
    EXPECT_TRUE(a == tree(dir.path() / "b"));
    EXPECT_FALSE(a == tree(dir.path() / "c")) << "the seed changes the card";
}

TEST_F(DemocardCli, LayoutOneWithCameraFoldersAndOptionalFiles)
{
    TempFolder dir;
    const auto card = dir.path() / "card";
    const auto out = democard(card,
        "--layout 1 --camera-folders --recordings 4 --days 1 --seconds 1 --fps 5 "
        "--main 288x160 --sub 288x160 --triggers continuous,parking --model Sorrel "
        "--no-pvtrace --manifest",
        { (dir.path() / "m.json").string() });
    ASSERT_EQ(out.status, 0) << out.out;
    const auto files = tree(card);
    EXPECT_TRUE(std::filesystem::is_directory(card / "_VData"));
    EXPECT_TRUE(std::filesystem::is_directory(card / "_PData"));
    EXPECT_TRUE(files.count("Sorrel_download.url"));
    EXPECT_FALSE(files.count("pvtrace.txt"));
    EXPECT_FALSE(files.count("democard.json"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "m.json"));
    int main = 0, sub = 0, data = 0;
    for (const auto& [name, bytes] : files) {
        const std::filesystem::path p(name);
        const std::string folder = p.parent_path().generic_string();
        if (name.ends_with("M.MOV")) {
            ++main;
            EXPECT_TRUE(folder == "Video/Main" || folder == "Parking/Main") << name;
        } else if (name.ends_with("S.MOV")) {
            ++sub;
            EXPECT_TRUE(folder == "Video/Sub_" || folder == "Parking/Sub_") << name;
        } else if (name.ends_with("D.ADA")) {
            ++data;
            // Beside the main movie: the reader looks there when the folder is not a layout folder.
            EXPECT_TRUE(folder == "Video/Main" || folder == "Parking/Main") << name;
        }
    }
    EXPECT_EQ(main, 4);
    EXPECT_EQ(sub, 4);
    EXPECT_EQ(data, 4);

    const auto bare = dir.path() / "bare";
    ASSERT_EQ(democard(bare,
                  "--recordings 2 --days 1 --seconds 1 --fps 5 --main 288x160 --no-sub --no-data --no-audio")
                  .status,
        0);
    int movies = 0;
    for (const auto& [name, bytes] : tree(bare)) {
        EXPECT_FALSE(name.ends_with("S.MOV") || name.ends_with(".ADA")) << name;
        movies += name.ends_with("M.MOV");
    }
    EXPECT_EQ(movies, 2);
}

TEST_F(DemocardCli, TinyCardWritesManySmallMovies)
{
    TempFolder dir;
    const auto out = democard(dir.path(), "--tiny 40 --days 2");
    ASSERT_EQ(out.status, 0) << out.out;
    EXPECT_NE(out.out.find("40 recordings, 120 files"), std::string::npos) << out.out;
    int movies = 0;
    std::filesystem::path one;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path()))
        if (e.path().extension() == ".MOV") {
            ++movies;
            one = e.path();
        }
    EXPECT_EQ(movies, 80);
    EXPECT_EQ(probeLine(one), "320,180,30/1,30\n");
}

TEST_F(DemocardCli, BadOptionsAreRefusedAndWriteNothing)
{
    TempFolder dir;
    const auto card = dir.path() / "card";
    for (const char* options : { "--layout 2", "--main 100x100", "--seconds 0", "--fps x", "--date 230230",
             "--triggers shock,bogus", "--unknown", "--days" }) {
        SCOPED_TRACE(options);
        const auto out = democard(card, options);
        EXPECT_EQ(out.status, 2);
        EXPECT_NE(out.out.find("democard"), std::string::npos) << out.out;
        EXPECT_FALSE(std::filesystem::exists(card));
    }
}
