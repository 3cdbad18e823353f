#pragma once

#include "tools/democard/RecordingWriter.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kivora::democard {

// What a card holds. Defaults give the demo card: three days, twelve recordings of 15 s.
struct CardOptions {
    std::filesystem::path outDir;
    std::filesystem::path manifestPath; // empty: outDir / "democard.json"
    bool writeManifest = true;
    int days = 3;
    int recordings = 12;
    double seconds = 15.0; // movie length; a time-lapse movie covers 15 times as much real time
    int fps = 30;
    PictureSize main { 1280, 720 };
    PictureSize sub { 640, 360 };
    bool withSub = true;
    bool withData = true;
    bool audio = true;
    int layout = 0; // 0: Normal/_NData, 1: Video/_VData; both with Parking/_PData
    bool cameraFolders = false; // main and sub movies in "Main" and "Sub_" below each movie folder
    bool pvtrace = true;
    std::string model = "Vireo"; // writes "<model>_download.url"; empty: none
    std::uint64_t seed = 1;
    DateTime firstDay { 2023, 1, 15, 0, 0, 0 };
    TelemetryHeader header;
    bool recorderBitRate = false; // grain and a recorder's bit rate (recorderBitRate()) for benchmarks
    bool tiny = false; // reuse one encoded movie per camera: fast, no per-recording overlay
    int jobs = 2;
    // Triggers in order; empty: a realistic mix chosen from the seed.
    std::vector<Trigger> triggers;
};

struct CardSummary {
    std::vector<WrittenRecording> recordings;
    std::filesystem::path manifest; // empty when none was written
};

// Frames of a movie of the given length (rounded to the nearest frame, at least one).
int frameCountFor(double seconds, int fps);

// Checks the options; an empty text means they are usable.
std::string validate(const CardOptions& options);

// The recordings of a card, planned (names, folders and telemetry) but not written.
std::vector<WrittenRecording> planCard(const CardOptions& options);

// Writes the whole card. progress, when given, is called after each recording (any thread,
// never two calls at once).
Result<CardSummary> writeCard(
    const CardOptions& options, const std::function<void(int done, int total)>& progress = {});

} // namespace kivora::democard
