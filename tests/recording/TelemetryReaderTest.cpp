#include "kivora/recording/TelemetryReader.h"

#include "kivora/recording/RecordingName.h"
#include "kivora/recording/TelemetryDecode.h"
#include "tests/recording/TelemetryFixtures.h"

#include <gtest/gtest.h>

#include <random>

using namespace kivora::recording;
using kivora::testing::BlockOptions;
using kivora::testing::encodeBlock;
using kivora::testing::plainRecords;
using kivora::testing::RecordFields;
using kivora::testing::TempFolder;
using kivora::testing::writeFile;

namespace {

constexpr const char* kMovieName = "AG__-230115-083000-000123M.MOV";
constexpr const char* kDataName = "AG__-230115-083000-000123D.ADA";

struct LoadedFile {
    TempFolder folder { "telemetry" };
    TelemetryReader reader;
    bool ok = false;

    explicit LoadedFile(const std::vector<std::uint8_t>& bytes, const char* name = kDataName)
    {
        writeFile(folder / name, bytes);
        InitReader(reader);
        ok = Load(reader, folder / name);
    }
};

std::vector<std::int32_t> code48s(const TelemetryReader& r)
{
    std::vector<std::int32_t> out;
    for (const MotionSample& m : r.motion)
        out.push_back(m.code48);
    return out;
}

} // namespace

TEST(TelemetryReader, CountsAndEndTags)
{
    struct Case {
        const char* what;
        std::size_t records; // records written
        bool countFromRecords;
        std::uint16_t count; // when not from records
        bool endTag;
        std::size_t expected; // records decoded
    } cases[] = {
        { "exact count", 3, true, 0, true, 3 },
        { "no records", 0, true, 0, true, 0 },
        { "count 0 with records behind it", 2, false, 0, true, 0 },
        { "until the end tag", 3, false, 0xFFFF, true, 3 },
        { "until the end of the file", 3, false, 0xFFFF, false, 3 },
        { "count larger than the file", 2, false, 500, false, 2 },
        { "count larger than the records, end tag first", 2, false, 500, true, 2 },
        { "count smaller than the records", 4, false, 2, true, 2 },
    };
    for (const Case& c : cases) {
        BlockOptions options;
        options.countFromRecords = c.countFromRecords;
        options.count = c.count;
        options.endTag = c.endTag;
        LoadedFile f(encodeBlock(plainRecords(c.records), options));
        ASSERT_TRUE(f.ok) << c.what;
        EXPECT_TRUE(f.reader.loaded) << c.what;
        EXPECT_EQ(f.reader.gps.size(), c.expected) << c.what;
        EXPECT_EQ(f.reader.motion.size(), c.expected) << c.what;
        EXPECT_EQ(f.reader.vehicle.size(), c.expected) << c.what;
        EXPECT_EQ(f.reader.recordCounter, static_cast<std::int32_t>(c.expected)) << c.what;
        for (std::size_t i = 0; i < f.reader.gps.size(); ++i)
            EXPECT_EQ(f.reader.gps[i].recordIndex, static_cast<std::int32_t>(i));
    }
}

TEST(TelemetryReader, SupplyVoltageBelongsToThePreviousRecord)
{
    auto records = plainRecords(4);
    records[1].voltage = "125";
    records[2].voltage = "   ";
    records[3].voltage = "099";
    LoadedFile f(encodeBlock(records));
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(code48s(f.reader), (std::vector<std::int32_t> { 125, -1, 99, 0 }));
    EXPECT_EQ(f.reader.motion[0].code122, 'R');
    EXPECT_EQ(f.reader.vehicle[2].raw4, (std::array<std::uint8_t, 4> { 1, 2, 3, 4 }));
    EXPECT_EQ(f.reader.vehicle[2].values[0], static_cast<std::uint16_t>(0x0100)); // bytes 0, 1 as stored
}

TEST(TelemetryReader, TimeLapseFilesUseTheShorterRecordPeriod)
{
    LoadedFile f(encodeBlock(plainRecords(4)), "T___-230115-083000-000123D.ADA");
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.reader.header.timeLapseLetter, 'T');
    EXPECT_FLOAT_EQ(f.reader.msPerRecord, kMsPerRecordTimeLapse);
    EXPECT_EQ(f.reader.gps[3].time, static_cast<std::int32_t>(3.0f * kMsPerRecordTimeLapse));
}

TEST(TelemetryReader, FrameIndexShowsASampleFromTheFrameAfterItsOwn)
{
    // Records every 100 ms; 100 ms frames put samples 0, 3, 6 at frames 0, 3, 6 when every
    // third record is kept: use 300 ms frames over three records instead.
    LoadedFile f(encodeBlock(plainRecords(3)));
    ASSERT_TRUE(f.ok);
    ASSERT_TRUE(BuildFrameIndex(f.reader, 8, 100.0f / 3.0f));
    std::vector<std::int32_t> frames;
    for (const MotionSample& m : f.reader.motion)
        frames.push_back(m.time);
    ASSERT_EQ(frames, (std::vector<std::int32_t> { 0, 3, 6 }));
    std::vector<std::int32_t> mapping;
    for (const MotionSample* m : f.reader.frameIndex)
        mapping.push_back(m ? m->recordIndex : -9);
    EXPECT_EQ(mapping, (std::vector<std::int32_t> { 0, 0, 0, 0, 1, 1, 1, 2 }));

    // A second build (another frame period) starts again from the record times.
    ASSERT_TRUE(BuildFrameIndex(f.reader, 4, 100.0f));
    EXPECT_EQ(f.reader.motion[2].time, 2);
    EXPECT_EQ(f.reader.frameIndex.size(), 4u);

    struct Bad {
        std::int64_t frames;
        float msPerFrame;
    } bad[] = { { 0, 33.3f }, { -5, 33.3f }, { 8, 0.0f }, { 8, -1.0f }, { 8, NAN },
        { std::int64_t { 1 } << 40, 33.3f } };
    for (const Bad& b : bad)
        EXPECT_FALSE(BuildFrameIndex(f.reader, b.frames, b.msPerFrame)) << b.frames << " " << b.msPerFrame;
    EXPECT_EQ(f.reader.frameIndex.size(), 4u);

    EXPECT_EQ(f.reader.sampleAtFrame(3).motion, &f.reader.motion[2]);
    EXPECT_EQ(f.reader.sampleAtFrame(4).motion, nullptr);
    EXPECT_EQ(f.reader.sampleAtFrame(-1).gps, nullptr);
}

TEST(TelemetryReader, LinksLagFiveFixesAndTheMaximumCoversEveryAxis)
{
    auto records = plainRecords(10);
    records[4].accelY = "-1600";
    records[7].accelX = "+0900";
    records[8].accelZ = "+1200";
    LoadedFile f(encodeBlock(records));
    ASSERT_TRUE(f.ok);
    ASSERT_TRUE(BuildFrameIndex(f.reader, 30, 100.0f / 3.0f));
    const auto& r = f.reader;
    for (std::size_t t = 0; t < r.motion.size(); ++t) {
        // GPS cursor j is t + 1 after motion sample t (capped at the last fix), the link j - 5.
        const std::size_t j = std::min<std::size_t>(t + 1, r.gps.size() - 1);
        const std::size_t linked = j >= 5 ? j - 5 : 0;
        EXPECT_EQ(r.motion[t].gps, &r.gps[linked]) << t;
        EXPECT_EQ(r.motion[t].vehicle, &r.vehicle[linked]) << t;
        EXPECT_EQ(r.gps[t].motion, &r.motion[t]) << t;
        EXPECT_EQ(r.gps[t].vehicle, &r.vehicle[t]) << t;
    }
    EXPECT_NEAR(r.maxAbsAccel, 1.6, 1e-6);
    const TelemetrySample at = r.sampleAtFrame(29);
    EXPECT_EQ(at.motion, &r.motion[9]);
    EXPECT_EQ(at.gps, &r.gps[4]);
}

TEST(TelemetryReader, MoveHandsOverSamplesWithTheirLinks)
{
    LoadedFile f(encodeBlock(plainRecords(6)));
    ASSERT_TRUE(f.ok);
    ASSERT_TRUE(BuildFrameIndex(f.reader, 10, 50.0f));
    const GpsSample* first = f.reader.gps.data();
    TelemetryReader to;
    InitReader(to);
    EXPECT_TRUE(Move(f.reader, to));
    EXPECT_EQ(to.gps.data(), first);
    EXPECT_EQ(to.sampleAtFrame(9).motion->gps, &to.gps[0]);
    EXPECT_EQ(to.sampleAtFrame(9).motion, &to.motion[4]);
    EXPECT_TRUE(f.reader.gps.empty());
    EXPECT_TRUE(f.reader.frameIndex.empty());
    EXPECT_EQ(to.recordCounter, 6);
    EXPECT_FALSE(Move(f.reader, to));
    EXPECT_TRUE(to.gps.empty());
}

TEST(TelemetryReader, DamagedFilesFailCleanlyOrKeepTheCompleteRecords)
{
    TempFolder folder("telemetry-bad");
    const auto full = encodeBlock(plainRecords(3));
    // Every prefix of a valid file: never a crash, only complete records, never more.
    for (std::size_t cut = 0; cut <= full.size(); ++cut) {
        const auto path = folder / ("cut" + std::to_string(cut) + ".ADA");
        writeFile(
            path, std::vector<std::uint8_t>(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut)));
        TelemetryReader reader;
        InitReader(reader);
        const bool ok = Load(reader, path);
        const std::size_t complete = cut < 34 ? 0 : std::min<std::size_t>(3, (cut - 34) / 124);
        EXPECT_TRUE(ok) << cut;
        EXPECT_EQ(reader.gps.size(), complete) << cut;
        EXPECT_EQ(IsTelemetryFile(path), cut >= 6) << cut;
        std::filesystem::remove(path);
    }

    TelemetryReader reader;
    InitReader(reader);
    EXPECT_FALSE(Load(reader, folder / "missing.ADA"));
    EXPECT_FALSE(reader.loaded);
    EXPECT_TRUE(reader.path.empty());
    EXPECT_FALSE(reader.mapError.empty());
    EXPECT_FALSE(Load(reader, folder.path())); // a folder is not a data file
    EXPECT_FALSE(IsTelemetryFile(folder / "missing.ADA"));

    // Random bytes, with and without a start tag planted at random places.
    std::mt19937 random(1234);
    for (int i = 0; i < 200; ++i) {
        std::vector<std::uint8_t> bytes(random() % 2000);
        for (auto& b : bytes)
            b = static_cast<std::uint8_t>(random() % 4 == 0 ? "CSMDAT@ "[random() % 8] : random());
        if (bytes.size() > 40 && i % 2 == 0)
            std::copy_n(
                "CSMDAT", 6, bytes.begin() + static_cast<std::ptrdiff_t>(random() % (bytes.size() - 6)));
        const auto path = folder / "random.ADA";
        writeFile(path, bytes);
        TelemetryReader r;
        InitReader(r);
        EXPECT_TRUE(Load(r, path));
        EXPECT_LE(r.gps.size() * 124, bytes.size());
        BuildFrameIndex(r, 50, 33.3f);
    }
}

TEST(TelemetryReader, MovieSideOperationsFindTheDataFileBesideTheMovie)
{
    TempFolder folder("telemetry-movie");
    const auto movie = folder / kMovieName;
    ASSERT_EQ(DataPath(movie).filename(), kDataName);
    BlockOptions options;
    options.header = kivora::testing::headerText("0300030003000300", 'D', 'L', 'Q');
    options.trailer = "231201";
    writeFile(DataPath(movie), encodeBlock(plainRecords(5), options));

    TelemetryHeader header;
    ASSERT_TRUE(ReadHeader(movie, header));
    EXPECT_EQ(header.typeLetter, 'D');
    EXPECT_EQ(header.code25, 'Q');
    std::array<char, 6> trailer { 'x', 'x', 'x', 'x', 'x', 'x' };
    ASSERT_TRUE(ReadTrailer(movie, trailer));
    EXPECT_EQ(std::string(trailer.data(), 6), "231201");

    std::vector<GpsSample> track(3);
    const std::filesystem::path movies[] = { movie, movie };
    EXPECT_TRUE(ReadTrack(std::span<const std::filesystem::path>(movies), track));
    ASSERT_EQ(track.size(), 10u);
    EXPECT_EQ(track[5].recordIndex, 0);
    EXPECT_EQ(track[9].time, 400);

    TelemetryReader current, preload;
    InitReader(current);
    InitReader(preload);
    EXPECT_TRUE(LoadForMovie(current, preload, movie));
    EXPECT_EQ(current.gps.size(), 5u);
    EXPECT_TRUE(current.loaded);

    // No data file: nothing is read, nothing stale stays, outputs are left alone.
    const auto other = folder / "AG__-230115-083100-000124M.MOV";
    EXPECT_TRUE(LoadForMovie(current, preload, other));
    EXPECT_TRUE(current.gps.empty());
    EXPECT_FALSE(current.loaded);
    EXPECT_FALSE(ReadHeader(other, header));
    EXPECT_FALSE(ReadTrailer(other, trailer));
    EXPECT_EQ(std::string(trailer.data(), 6), "231201");
    const std::filesystem::path withMissing[] = { movie, other, movie };
    EXPECT_FALSE(ReadTrack(std::span<const std::filesystem::path>(withMissing), track));
    EXPECT_EQ(track.size(), 5u);

    // A block without a trailer after its end tag.
    options.trailer = "";
    writeFile(DataPath(movie), encodeBlock(plainRecords(1), options));
    EXPECT_FALSE(ReadTrailer(movie, trailer));
    EXPECT_EQ(std::string(trailer.data(), 6), "231201");
}

TEST(TelemetryReader, InspectSummarisesADataFile)
{
    TempFolder folder("telemetry-info");
    auto records = plainRecords(2);
    records[1].accelZ = "-0800";
    BlockOptions options;
    options.countFromRecords = false;
    options.count = 0xFFFF;
    writeFile(folder / kDataName, encodeBlock(records, options));
    const TelemetryFileInfo info = InspectTelemetryFile(folder / kDataName);
    EXPECT_TRUE(info.isTelemetryFile);
    EXPECT_TRUE(info.decoded);
    EXPECT_EQ(info.recordCount, 2);
    EXPECT_EQ(info.declaredCount, 0xFFFF);
    EXPECT_TRUE(info.hasTrailer);
    EXPECT_EQ(std::string(info.trailer.data(), 6), "240101");
    EXPECT_NEAR(info.maxAbsAccel, 0.8, 1e-6);
    EXPECT_EQ(info.header.qualityLetter, 'H');

    writeFile(folder / "plain.ADA", { 'h', 'e', 'l', 'l', 'o', '!', '!' });
    const TelemetryFileInfo plain = InspectTelemetryFile(folder / "plain.ADA");
    EXPECT_FALSE(plain.isTelemetryFile);
    EXPECT_FALSE(plain.error.empty());
    EXPECT_FALSE(InspectTelemetryFile(folder / "none.ADA").error.empty());
}
