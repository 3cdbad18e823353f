#include "tests/recording/AtomBuilder.h"
#include "tests/support/RunProgram.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {

using namespace kivora::testing;

RunResult run(std::vector<std::string> args) { return runProgram(std::move(args)); }

// The text of the first `"key":value` in a JSON line (strings keep their quotes).
std::string field(const std::string& json, const std::string& key)
{
    const std::regex re("\"" + key + "\":(\"[^\"]*\"|[^,}\\]]+)");
    std::smatch m;
    return std::regex_search(json, m, re) ? m[1].str() : std::string("<missing>");
}

// A value of ffprobe's "key=value" lines.
std::string peerField(const std::string& text, const std::string& key)
{
    const std::regex re("(^|\n)" + key + "=([^\n]*)");
    std::smatch m;
    return std::regex_search(text, m, re) ? m[2].str() : std::string("<missing>");
}

RunResult info(const std::filesystem::path& movie) { return run({KIVORA_CLI_PATH, "info", movie.string()}); }

TEST(InfoCli, AgreesWithFfprobeOnGeneratedMovies)
{
    struct Case {
        const char* seconds;
        const char* fps;
        const char* probe;
        const char* records;
    } cases[] = {
        {"3", "30", "1", "30"},
        {"1.8", "15", "1", "18"}, // short, but at the time-lapse rate it plays
        {"1.8", "30", "2", "18"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.seconds) + " s at " + c.fps + " fps");
        TempDir dir;
        const RunResult made = run({KIVORA_CLI_PATH, "democard", dir.path().string(), "--recordings", "1", "--seconds",
                                    c.seconds, "--fps", c.fps, "--main", "320x180", "--no-sub", "--no-data",
                                    "--manifest", "none", "--jobs", "1"});
        ASSERT_EQ(made.status, 0);
        std::filesystem::path movie;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path())) {
            if (e.path().extension() == ".MOV")
                movie = e.path();
        }
        ASSERT_FALSE(movie.empty());

        const RunResult ours = info(movie);
        ASSERT_EQ(ours.status, 0);
        const RunResult peer = run({"ffprobe", "-v", "error", "-select_streams", "v:0", "-count_frames", "-show_entries",
                                    "stream=width,height,nb_read_frames,avg_frame_rate", "-of", "default=noprint_wrappers=1",
                                    movie.string()});
        ASSERT_EQ(peer.status, 0);
        EXPECT_EQ(field(ours.out, "isMovie"), "true");
        EXPECT_EQ(field(ours.out, "probe"), c.probe);
        EXPECT_EQ(field(ours.out, "width"), peerField(peer.out, "width"));
        EXPECT_EQ(field(ours.out, "height"), peerField(peer.out, "height"));
        EXPECT_EQ(field(ours.out, "frames"), peerField(peer.out, "nb_read_frames"));
        const std::string rate = peerField(peer.out, "avg_frame_rate"); // 30/1
        ASSERT_NE(rate.find('/'), std::string::npos);
        const double peerRate = std::stod(rate) / std::stod(rate.substr(rate.find('/') + 1));
        EXPECT_NEAR(std::stod(field(ours.out, "frameRate")), peerRate, 0.01);
        EXPECT_NEAR(std::stod(field(ours.out, "msPerFrame")), 1000.0 / peerRate, 0.01);

        EXPECT_EQ(field(ours.out, "present"), "true");
        EXPECT_EQ(field(ours.out, "records"), c.records);
        EXPECT_EQ(field(ours.out, "trailer"), "\"230101\"");
    }
}

TEST(InfoCli, NonMoviesAndMissingFiles)
{
    TempDir dir;
    const RunResult bare = info(dir.write("bare.MOV", movie(MovieRecipe{})));
    ASSERT_EQ(bare.status, 0);
    EXPECT_EQ(bare.out,
              "{\"isMovie\":true,\"probe\":1,\"msPerFrame\":33.333332,\"width\":1280,\"height\":720,\"frames\":90,"
              "\"frameRate\":30,\"telemetry\":{\"present\":false}}\n");

    const RunResult text = info(dir.write("notes.txt", Bytes(300, 'a')));
    ASSERT_EQ(text.status, 0);
    EXPECT_EQ(field(text.out, "isMovie"), "false");
    EXPECT_EQ(field(text.out, "frames"), "-1");

    const RunResult broken = info(dir.write("broken.MOV", cat({ftyp(), atom("moov", Bytes(300, 0), 0)})));
    ASSERT_EQ(broken.status, 0);
    EXPECT_EQ(field(broken.out, "probe"), "0");
    EXPECT_EQ(field(broken.out, "width"), "-1");

    EXPECT_EQ(info(dir.path() / "missing.MOV").status, 1);
}

} // namespace
