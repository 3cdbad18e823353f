#include "kivora/recording/AtomScan.h"
#include "kivora/recording/KnownAtomTypes.h"
#include "tests/recording/AtomBuilder.h"

#include <gtest/gtest.h>

#include <string>

namespace kivora::recording {
namespace {

using namespace kivora::testing;

TEST(KnownAtomTypes, ExactCaseSensitiveSetOfTheTable)
{
    EXPECT_EQ(knownAtomTypeCount(), 167u); // 168 rows, "xml " twice
    for (const char* t : {"moov", "trak", "mdat", "udat", "ICAT", "jP  ", "xml ", "url ", "ID32", "UITS"})
        EXPECT_TRUE(isKnownAtomType(t)) << t;
    for (const char* t : {"MOOV", "avc1", "mp4a", "wide", "tapt", "moo", "moovx", "jp  "})
        EXPECT_FALSE(isKnownAtomType(t)) << t;
}

struct ProbeCase {
    const char* name;
    MovieRecipe recipe;
    int expected;
    float msPerFrame; // 0: not checked
};

MovieRecipe withFrames(std::uint32_t frames, std::uint32_t delta, std::uint32_t timescale = 600)
{
    MovieRecipe s;
    s.frames = frames;
    s.frameDelta = delta;
    s.timescale = timescale;
    return s;
}

TEST(ProbeTiming, DurationAndFrameRateDecidePlayability)
{
    MovieRecipe audioFirst = withFrames(90, 20);
    audioFirst.audioFirst = true;
    audioFirst.audioStts = false;
    MovieRecipe noMvhd = withFrames(90, 20);
    noMvhd.withMvhd = false;
    // "mvhd" bytes with a 1 s duration inside the movie data must not be taken for the header.
    MovieRecipe mvhdInData = withFrames(90, 20);
    mvhdInData.mdatPayload = cat({Bytes(40, 0), mvhd(600, 600), Bytes(40, 0)});

    const ProbeCase cases[] = {
        {"1.8 s at 15 fps plays", withFrames(27, 40), kProbeOk, 1000.0f / 15.0f},
        {"1.8 s at 30 fps is too short", withFrames(54, 20), kProbeTooShort, 0},
        {"2.0 s at 30 fps is too short", withFrames(60, 20), kProbeTooShort, 0},
        {"3 s at 30 fps plays", withFrames(90, 20), kProbeOk, 1000.0f / 30.0f},
        {"3 s at 15 fps plays", withFrames(45, 40), kProbeOk, 1000.0f / 15.0f},
        {"timescale 90000", withFrames(90, 3000, 90000), kProbeOk, 1000.0f / 30.0f},
        {"audio track without stts first", audioFirst, kProbeOk, 1000.0f / 30.0f},
        {"no mvhd ends as too short", noMvhd, kProbeTooShort, 0},
        {"mvhd bytes inside mdat", mvhdInData, kProbeOk, 1000.0f / 30.0f},
    };
    TempDir dir;
    for (const ProbeCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScanReader reader;
        const auto path = dir.write("m.MOV", movie(c.recipe));
        EXPECT_EQ(ProbeTiming(reader, path), c.expected);
        if (c.msPerFrame > 0) {
            EXPECT_NEAR(reader.msPerFrame, c.msPerFrame, 0.01f);
            EXPECT_EQ(reader.msPerFrame, reader.msPerFrameCopy);
        }
        EXPECT_FALSE(reader.file.isOpen());
    }
}

TEST(ProbeTiming, BrokenFilesFailCleanlyAndLeaveNoStalePeriod)
{
    const Bytes good = movie(withFrames(90, 20));
    const Bytes moovOnly = cat({ftyp(), container("moov", {mvhd(600, 1800), atom("trak", Bytes(8, 0), 0)})});
    struct Case {
        const char* name;
        Bytes bytes;
        int expected;
    } cases[] = {
        {"mdat size 0", cat({ftyp(), atom("mdat", Bytes(64, 1), 0), Bytes(16, 0)}), kProbeFailed},
        {"mdat size 1 (64-bit)", cat({ftyp(), atom("mdat", Bytes(64, 1), 1)}), kProbeFailed},
        {"mdat size past the file", cat({ftyp(), atom("mdat", Bytes(64, 1), 0x7FFFFFFF)}), kProbeFailed},
        {"atom of size 0 on the path", moovOnly, kProbeFailed},
        {"stts entry count beyond its atom",
         cat({ftyp(), container("moov", {mvhd(600, 1800),
                                         container("trak", {container("mdia", {container("minf",
                                                  {container("stbl", {atom("stts", Bytes{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 90, 0, 0, 0, 20})})})})})})}),
         kProbeOk},
        {"empty file", Bytes{}, kProbeTooShort},
        {"random bytes", Bytes(300, 0xA5), kProbeTooShort},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScanReader reader;
        ASSERT_EQ(ProbeTiming(reader, dir.write("good.MOV", good)), kProbeOk);
        EXPECT_EQ(ProbeTiming(reader, dir.write("bad.MOV", c.bytes)), c.expected);
        if (c.expected != kProbeOk) {
            EXPECT_EQ(reader.msPerFrame, 0.0f);
        }
    }
    ScanReader reader;
    EXPECT_EQ(ProbeTiming(reader, dir.path() / "missing.MOV"), kProbeFailed);
}

TEST(ProbeTiming, EveryTruncationEndsCleanly)
{
    MovieRecipe s = withFrames(3, 20); // small tables keep the number of prefixes down
    s.mdatPayload = Bytes(16, 0x22);
    const Bytes full = movie(s);
    MemFile file;
    ScanReader reader;
    for (std::size_t n = 0; n < full.size(); ++n) {
        const int result = ProbeTiming(reader, file.write(full.data(), n));
        ASSERT_NE(result, kProbeOk) << "cut at " << n; // without its whole "moov" a movie never plays
    }
}

TEST(TagScans, ScanFromStartHandsOverTheBytesBehindTheTag)
{
    TempDir dir;
    const Bytes block = cat({Bytes(5, 'x'), Bytes{'C', 'S', 'M', 'D', 'A', 'T', '1', '2', '3'}, Bytes(3, 'y')});
    ScanReader reader;
    ASSERT_TRUE(openScanFile(reader, dir.write("d.ADA", block)));

    std::string seen;
    TagMatcher m;
    m.tag = "CSMDAT";
    m.length = 6;
    m.handler = [&seen](ScanReader&, std::span<const std::uint8_t> d) {
        seen.assign(d.begin(), d.end());
        return 1;
    };
    EXPECT_TRUE(ScanFromStart(reader, m));
    EXPECT_EQ(seen, "123yyy");
    EXPECT_EQ(reader.recordCounter, 1);

    // Only four characters are compared: "CSMEND" is found at "CSMDAT".
    m.tag = "CSMEND";
    EXPECT_TRUE(ScanFromStart(reader, m));
    EXPECT_EQ(seen, "123yyy");

    // Not found: success without a call. A match without a handler fails.
    m.tag = "QQQQ";
    m.length = 4;
    EXPECT_TRUE(ScanFromStart(reader, m));
    EXPECT_EQ(reader.recordCounter, 0);
    m.tag = "CSMD";
    m.handler = nullptr;
    EXPECT_FALSE(ScanFromStart(reader, m));

    // A cancel request fails the scan once and is forgotten.
    m.handler = [](ScanReader&, std::span<const std::uint8_t>) { return 1; };
    reader.cancel = 1;
    EXPECT_FALSE(ScanFromStart(reader, m));
    EXPECT_EQ(reader.cancel.load(), 0);
    EXPECT_TRUE(ScanFromStart(reader, m));
}

TEST(TagScans, ATagAtTheVeryEndGivesAShortSpan)
{
    TempDir dir;
    ScanReader reader;
    ASSERT_TRUE(openScanFile(reader, dir.write("d.ADA", Bytes{'a', 'C', 'S', 'M', 'D', 'A'})));
    std::size_t calls = 0;
    std::size_t length = 99;
    TagMatcher m;
    m.tag = "CSMDAT";
    m.length = 6;
    m.handler = [&](ScanReader&, std::span<const std::uint8_t> d) {
        ++calls;
        length = d.size();
        return 1;
    };
    EXPECT_TRUE(ScanFromStart(reader, m));
    EXPECT_EQ(calls, 1u);
    EXPECT_EQ(length, 0u);

    // The whole tag straddles nothing beyond the file: "mvhd" cut to "mvh" is not found.
    ASSERT_TRUE(openScanFile(reader, dir.write("m.MOV", Bytes{'x', 'm', 'v', 'h'})));
    m.tag = "mvhd";
    m.length = 4;
    calls = 0;
    EXPECT_TRUE(ScanAnywhere(reader, m));
    EXPECT_EQ(calls, 0u);
}

TEST(TagScans, WalkAtomPathStaysInsideEachContainer)
{
    TempDir dir;
    const std::string_view path[] = {"moov", "trak", "stts"};
    std::size_t calls = 0;
    std::size_t length = 0;
    const ScanHandler handler = [&](ScanReader&, std::span<const std::uint8_t> d) {
        ++calls;
        length = d.size();
        return 1;
    };
    struct Case {
        const char* name;
        Bytes bytes;
        bool ok;
        std::size_t calls;
    } cases[] = {
        {"found, data cut to the atom",
         cat({ftyp(), container("moov", {container("trak", {atom("stts", Bytes(12, 0))}), atom("free", Bytes(40, 0))})}), true,
         1},
        {"second track", cat({ftyp(), container("moov", {container("trak", {atom("free", Bytes(4, 0))}),
                                                          container("trak", {atom("stts", Bytes(12, 0))})})}),
         true, 1},
        {"not present", cat({ftyp(), container("moov", {container("trak", {atom("free", Bytes(4, 0))})})}), true, 0},
        {"child overruns its container",
         cat({ftyp(), atom("moov", atom("trak", Bytes(8, 0), 400)), Bytes(600, 0)}), false, 0},
        {"size below 8", cat({ftyp(), atom("moov", atom("trak", Bytes(8, 0), 5))}), false, 0},
        {"top-level atom cut short", cat({ftyp(), atom("moov", Bytes(8, 0), 4000)}), true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScanReader reader;
        ASSERT_TRUE(openScanFile(reader, dir.write("w.MOV", c.bytes)));
        calls = 0;
        EXPECT_EQ(WalkAtomPath(reader, path, handler), c.ok);
        EXPECT_EQ(calls, c.calls);
        if (c.calls) {
            EXPECT_EQ(length, 12u);
        }
    }
}

} // namespace
} // namespace kivora::recording
