#pragma once

#include "kivora/recording/TelemetryReader.h"

#include "tools/democard/DriveModel.h"
#include "tools/democard/TelemetryBlock.h"

#include <QApplication>
#include <QImage>
#include <QString>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace kivora::viewstest {

// The test binary's one QApplication, made by tests/support/QtWidgetTestMain.cpp.
inline QApplication& app() { return static_cast<QApplication&>(*QCoreApplication::instance()); }

// A base that makes sure the application exists before a fixture's widget members are built.
struct WithApp {
    WithApp() { app(); }
};

// A reader holding the given samples, one per frame (frame i shows sample i).
inline std::unique_ptr<recording::TelemetryReader> readerOf(std::vector<recording::MotionSample> motion)
{
    auto reader = std::make_unique<recording::TelemetryReader>();
    reader->motion = std::move(motion);
    reader->gps.resize(reader->motion.size());
    reader->vehicle.resize(reader->motion.size());
    for (std::size_t i = 0; i < reader->motion.size(); ++i) {
        reader->motion[i].recordIndex = static_cast<std::int32_t>(i);
        reader->motion[i].time = static_cast<std::int32_t>(i);
        reader->frameIndex.push_back(&reader->motion[i]);
    }
    return reader;
}

// A recording made by the card generator: its records, and a reader that decoded its data file
// and indexed it for a movie of `frames` frames at 30 per second.
struct GeneratedRecording {
    std::vector<democard::TelemetryRecord> records;
    std::unique_ptr<recording::TelemetryReader> reader = std::make_unique<recording::TelemetryReader>();
    bool ok = false;
};

inline GeneratedRecording generateRecording(
    democard::Trigger trigger, int records, int frames, std::uint64_t seed = 7)
{
    GeneratedRecording out;
    democard::DriveState state;
    state.haveFix = true;
    state.speedKmh = 60;
    democard::Random rng(seed);
    democard::SimulatedRecording sim = democard::simulateRecording(
        trigger, democard::DateTime { 2023, 4, 5, 12, 0, 0 }, records, false, state, rng);
    out.records = sim.records;
    const std::vector<std::uint8_t> block = democard::encodeBlock(democard::TelemetryHeader {}, sim.records);
    const std::filesystem::path dir
        = std::filesystem::temp_directory_path() / ("kivora-views-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::filesystem::path data = dir / "recording.ADA";
    {
        std::ofstream file(data, std::ios::binary);
        file.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size()));
    }
    out.ok = recording::Load(*out.reader, data)
        && recording::BuildFrameIndex(*out.reader, frames, 1000.0f / 30.0f);
    std::filesystem::remove_all(dir);
    return out;
}

// Saves a rendering for a human look when KIVORA_VIEWS_SNAPSHOTS names a folder.
inline void saveSnapshot(const QImage& image, const char* name)
{
    const QString dir = qEnvironmentVariable("KIVORA_VIEWS_SNAPSHOTS");
    if (!dir.isEmpty())
        image.save(dir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
}

} // namespace kivora::viewstest
