#pragma once

#include "tools/democard/DriveModel.h"
#include "tools/democard/RecordingName.h"
#include "tools/democard/Result.h"
#include "tools/democard/TelemetryBlock.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace kivora::democard {

struct PictureSize {
    int width = 0;
    int height = 0;
};

// One recording to write: its name parts, its movies and where its files go.
struct RecordingRecipe {
    Trigger trigger = Trigger::Continuous;
    bool seriesStart = false;
    DateTime start;
    std::uint32_t fileNumber = 1;
    int fps = 30;
    int frameCount = 450; // both cameras
    PictureSize main { 1280, 720 };
    bool withSub = true;
    PictureSize sub { 640, 360 };
    bool withData = true;
    bool audio = true;
    bool overlay = true; // date, time and speed drawn into the picture
    bool recorderBitRate = false; // grain and a recorder's bit rate instead of the light clean scene
    std::filesystem::path movieFolder;
    std::filesystem::path subFolder; // empty: beside the main movie
    std::filesystem::path dataFolder; // empty: beside the main movie
    TelemetryHeader header;
};

struct WrittenMovie {
    std::filesystem::path path;
    int width = 0;
    int height = 0;
    int fps = 0;
    int frames = 0;
    int keyFrameInterval = 0;
    std::uint64_t bytes = 0;
};

// Everything written for one recording, as written: the manifest and the tests read this.
struct WrittenRecording {
    RecordingRecipe recipe;
    std::string name; // the main movie's file name
    bool timeLapse = false;
    double recordPeriodMs = 100.0; // of movie time
    int realSecondsPerRecordTenths = 1; // 1 (0.1 s) or 10 (1 s, time-lapse)
    WrittenMovie main;
    std::optional<WrittenMovie> sub;
    std::optional<std::filesystem::path> data;
    std::uint64_t dataBytes = 0;
    TelemetryHeader header;
    std::vector<TelemetryRecord> records;
    std::vector<DriveSample> drive; // not written anywhere; drives the pictures
};

// What is stamped on a frame of the main movie, as players of these files show it with the
// frame: the clock of the frame's record; the speed of the last fix, written five records behind
// the record after the frame's; the voltage of the frame's record (written into the next record).
struct FrameStamp {
    DateTime time;
    int speedKmh = -1; // -1: no fix
    int voltageTenths = -1; // -1: none
};
FrameStamp stampForFrame(const WrittenRecording& recording, int frame);

// Records that fit a movie of frameCount frames: one per 100 ms, or per 1/15 s in time-lapse.
int recordCountFor(int frameCount, int fps, bool timeLapse);

// First step: the names and the telemetry (sequential; the drive state runs on).
WrittenRecording planRecording(const RecordingRecipe& recipe, DriveState& state, Random& rng);

// Reuses encoded pictures between recordings of the same size and length (tiny cards); the
// pictures then carry no overlay. Thread-safe.
class MovieCache {
public:
    std::shared_ptr<const std::vector<std::uint8_t>> find(const std::string& key);
    void store(const std::string& key, std::shared_ptr<const std::vector<std::uint8_t>> bytes);

private:
    std::mutex m_lock; // guards m_movies
    std::map<std::string, std::shared_ptr<const std::vector<std::uint8_t>>> m_movies;
};

// Second step: encodes and writes the files of a planned recording (safe to run for several
// recordings at once). Each file is written under a temporary name and renamed when complete.
Result<bool> writePlannedRecording(WrittenRecording& recording, MovieCache* cache = nullptr);

// Both steps for one recording, for tests: a fresh drive from the seed.
Result<WrittenRecording> writeRecording(const RecordingRecipe& recipe, std::uint64_t seed = 1);

// Writes bytes under a temporary name beside path and renames it into place when complete; a
// failure removes the temporary file.
Result<bool> writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Sets the hidden attribute where the file system has one (FAT); elsewhere hiding is a no-op.
void setHidden(const std::filesystem::path& path);

} // namespace kivora::democard
