#include "kivora/export/CsvListing.h"
#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/recording/RecordingScan.h"
#include "kivora/ui/UiText.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempFolder.h"
#include "tools/democard/RecordingWriter.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

using namespace kivora::exporting;
using kivora::ui::UiText;
namespace fs = std::filesystem;
namespace dc = kivora::democard;
namespace rec = kivora::recording;
using kivora::testing::runCli;
using kivora::testing::RunResult;

namespace {

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), {} };
}

std::vector<std::string> split(const std::string& text, const std::string& separator)
{
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(separator, from)) != std::string::npos; from = at + separator.size())
        parts.push_back(text.substr(from, at - from));
    parts.push_back(text.substr(from));
    return parts;
}

// Fields of one line without its CR LF.
std::vector<std::string> fields(const std::string& line)
{
    EXPECT_GE(line.size(), 2u);
    EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
    return split(line.substr(0, line.size() - 2), ",");
}

// Main movies of one card folder in the recorder's order (file number).
std::vector<fs::path> mainMovies(const fs::path& folder)
{
    std::vector<fs::path> movies;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().ends_with("M.MOV"))
            movies.push_back(e.path());
    std::sort(movies.begin(), movies.end(), [](const fs::path& a, const fs::path& b) {
        return a.filename().string().substr(19, 6) < b.filename().string().substr(19, 6);
    });
    return movies;
}

class CsvListingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = fs::temp_directory_path() / ("kivora-csv-" + std::to_string(::getpid()));
        fs::remove_all(s_dir);
        fs::create_directories(s_dir);
        rec::setCurrentLayout(0);
        const struct {
            dc::Trigger trigger;
            int width, height, frames;
            bool withData;
        } recipes[] = {
            { dc::Trigger::Shock, 1280, 720, 45, true }, // 1.5 s of HD
            { dc::Trigger::TimeLapse, 1280, 720, 60, true }, // 2 s standing for 30 s
            { dc::Trigger::Continuous, 640, 480, 30, true }, // a height the listing has no name for
            { dc::Trigger::Continuous, 1280, 720, 30, false }, // no data file
        };
        std::uint32_t number = 123;
        for (const auto& s : recipes) {
            dc::RecordingRecipe recipe;
            recipe.trigger = s.trigger;
            recipe.start = dc::DateTime { 2023, 1, 15, 8, 30, int(number - 123) };
            recipe.fileNumber = number++;
            recipe.main = { s.width, s.height };
            recipe.frameCount = s.frames;
            recipe.withSub = false;
            recipe.withData = s.withData;
            recipe.overlay = false;
            recipe.audio = false;
            recipe.movieFolder = s_dir;
            auto written = dc::writeRecording(recipe);
            ASSERT_TRUE(written) << written.error;
            s_movies.push_back(written.value->main.path);
        }
    }
    static void TearDownTestSuite() { fs::remove_all(s_dir); }

    static inline fs::path s_dir;
    static inline std::vector<fs::path> s_movies;
};

} // namespace

TEST_F(CsvListingTest, HeaderNamesEveryColumn)
{
    const auto header = fields(CsvHeaderLine());
    EXPECT_EQ(header,
        (std::vector<std::string> { "ファイル名", "日付", "開始時刻", "録画時間", "録画トリガー",
            "録画サイズ", "画質", "フレームレート", "データサイズ" }));
    EXPECT_EQ(CsvFileName(rec::NameDateTime("AG__-230115-083000-000123M.MOV")), "Dv_20230115_083000.csv");
}

TEST_F(CsvListingTest, LinesCarryTheDetailsOfEachRecording)
{
    const std::string name0 = s_movies[0].filename().string();
    EXPECT_EQ(fields(CsvLine(s_movies[0])),
        (std::vector<std::string> { name0, "2023/01/15", "08:30:00", "00:00:01", std::string(UiText(164)),
            "HD", std::string(UiText(55)), "30.0fps", "0MB" }));
    // Time-lapse: every frame stands for fifteen, and the rate column names the mode.
    const auto lapse = fields(CsvLine(s_movies[1]));
    ASSERT_EQ(lapse.size(), 9u);
    EXPECT_EQ(lapse[3], "00:00:30");
    EXPECT_EQ(lapse[4], std::string(UiText(165)));
    EXPECT_EQ(lapse[7], std::string(UiText(159)));
    // An unnamed picture height leaves size and quality empty.
    const auto odd = fields(CsvLine(s_movies[2]));
    ASSERT_EQ(odd.size(), 9u);
    EXPECT_EQ(odd[5], "");
    EXPECT_EQ(odd[6], "");
    EXPECT_EQ(odd[7], "30.0fps");
    // Without a data file, or before the engines are up, only the name is known.
    const std::string name3 = s_movies[3].filename().string();
    EXPECT_EQ(CsvLine(s_movies[3]), name3 + ",-,-,-,-,-,-,fps,0MB\r\n");
    EXPECT_EQ(CsvLine(s_movies[0], false), name0 + ",-,-,-,-,-,-,fps,0MB\r\n");
    EXPECT_EQ(CsvLine(s_dir / "absent,name.MOV"), "\"absent,name.MOV\",-,-,-,-,-,-,fps,0MB\r\n");
}

TEST_F(CsvListingTest, ListingIsWrittenWholeUnderTheFirstRecordingsTime)
{
    std::vector<rec::RecordingEntry> entries;
    int counter = 0;
    ASSERT_TRUE(rec::CollectFlat(
        s_dir, [](const fs::path&) { return true; }, entries, counter));
    ASSERT_EQ(entries.size(), 4u);
    const fs::path out = s_dir / "out";
    fs::create_directories(out);
    std::vector<std::size_t> done;
    const CsvResult result
        = WriteCsvListing(entries, out, [&](std::size_t d, std::size_t) { done.push_back(d); });
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.path, out / CsvFileName(rec::NameDateTime(entries[0].path)));
    const std::string text = readAll(result.path);
    EXPECT_NE(text.substr(0, 3), "\xEF\xBB\xBF");
    std::string expected = CsvHeaderLine();
    for (const auto& e : entries)
        expected += CsvLine(e.path);
    EXPECT_EQ(text, expected);
    EXPECT_EQ(done, (std::vector<std::size_t> { 1, 2, 3, 4 }));
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1);

    // A cancel before the first line or after some, and a disk that fills up halfway, leave the
    // complete listing of before as it was and nothing beside it.
    std::signal(SIGXFSZ, SIG_IGN);
    for (const std::size_t stopAfter : { 0, 2, 99 }) {
        std::atomic<bool> cancel { stopAfter == 0 };
        rlimit old {};
        ::getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = CsvHeaderLine().size() + 10;
        if (stopAfter == 99)
            ::setrlimit(RLIMIT_FSIZE, &small);
        const CsvResult stopped = WriteCsvListing(
            entries, out, [&](std::size_t d, std::size_t) { cancel = d >= stopAfter; }, &cancel);
        ::setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_FALSE(stopped.ok) << stopAfter;
        EXPECT_EQ(stopped.cancelled, stopAfter != 99) << stopAfter;
        EXPECT_EQ(readAll(result.path), expected) << stopAfter;
        EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1) << stopAfter;
    }
    const CsvResult failed = WriteCsvListing(entries, s_dir / "absent");
    EXPECT_FALSE(failed.ok);
    EXPECT_NE(failed.error.find("cannot create"), std::string::npos) << failed.error;
    EXPECT_FALSE(WriteCsvListing({}, out).ok);
}

TEST(CsvCli, ListsEveryRecordingOfACardFieldByField)
{
    TempFolder dir;
    const fs::path card = dir / "card";
    const RunResult made = runCli({ "democard", card.string(), "--recordings", "5", "--days", "1",
        "--seconds", "1.8", "--main", "640x360", "--no-sub", "--jobs", "1", "--triggers",
        "continuous,shock,time-lapse,parking", "--manifest", "none" });
    ASSERT_EQ(made.status, 0) << made.out;
    std::vector<fs::path> expected = mainMovies(card / "Normal");
    const std::vector<fs::path> parked = mainMovies(card / "Parking");
    expected.insert(expected.end(), parked.begin(), parked.end());
    ASSERT_EQ(expected.size(), 5u);

    const fs::path outDir = dir / "out";
    fs::create_directories(outDir);
    const RunResult run = runCli({ "csv", card.string(), outDir.string() });
    ASSERT_EQ(run.status, 0) << run.out;
    const fs::path listing = outDir / CsvFileName(rec::NameDateTime(expected[0]));
    EXPECT_EQ(run.out, listing.string() + "\n");
    const std::string text = readAll(listing);
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    std::vector<std::string> lines = split(text.substr(0, text.size() - 2), "\r\n");
    ASSERT_EQ(lines.size(), expected.size() + 1);
    EXPECT_EQ(lines[0] + "\r\n", CsvHeaderLine());

    const std::string lapseText(UiText(159)), highQuality(UiText(55));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const std::string name = expected[i].filename().string();
        SCOPED_TRACE(name);
        const std::vector<std::string> f = split(lines[i + 1], ",");
        ASSERT_EQ(f.size(), 9u) << lines[i + 1];
        const bool lapse = name[0] == 'T';
        const std::string expectedFields[] = {
            name,
            "20" + name.substr(5, 2) + "/" + name.substr(7, 2) + "/" + name.substr(9, 2),
            name.substr(12, 2) + ":" + name.substr(14, 2) + ":" + name.substr(16, 2),
            lapse ? "00:00:27" : "00:00:01", // 1.8 s; a time-lapse frame stands for fifteen
            rec::TriggerText(expected[i], [](int slot) { return UiText(slot); }),
            "SD",
            highQuality,
            lapse ? lapseText : "30.0fps",
            "0MB",
        };
        EXPECT_EQ(f, std::vector<std::string>(std::begin(expectedFields), std::end(expectedFields)));
    }
    EXPECT_NE(std::find_if(expected.begin(), expected.end(),
                  [](const fs::path& p) { return p.filename().string()[0] == 'T'; }),
        expected.end());

    // A movie without its data file is listed by name only.
    const fs::path loose = dir / "loose";
    fs::create_directories(loose);
    fs::copy_file(expected[0], loose / expected[0].filename());
    const RunResult bare = runCli({ "csv", loose.string(), outDir.string() });
    ASSERT_EQ(bare.status, 0) << bare.out;
    EXPECT_EQ(readAll(outDir / CsvFileName(rec::NameDateTime(expected[0]))),
        CsvHeaderLine() + expected[0].filename().string() + ",-,-,-,-,-,-,fps,0MB\r\n");
}

TEST(CsvCli, FailuresAreReportedWithoutAListing)
{
    TempFolder dir;
    fs::create_directories(dir / "empty");
    writeText(dir / "empty" / "notes.txt", "no movies here");
    fs::create_directories(dir / "out");
    const struct {
        std::vector<std::string> args;
        int status;
        std::string says;
    } cases[] = {
        { { "csv", (dir / "absent").string(), (dir / "out").string() }, 1, "does not exist" },
        { { "csv", (dir / "empty").string(), (dir / "out").string() }, 1, "no movie files" },
        { { "csv", (dir / "empty").string() }, 2, "usage" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1]);
        const RunResult run = runCli(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE(run.out.find(c.says), std::string::npos) << run.out;
    }
    EXPECT_TRUE(fs::is_empty(dir / "out"));
}
