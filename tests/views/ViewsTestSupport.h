#pragma once

#include "kivora/recording/TelemetryReader.h"

#include <QApplication>
#include <QImage>
#include <QString>

#include <memory>
#include <vector>

namespace kivora::viewstest {

// One QApplication for the whole test binary; created on first use.
inline QApplication& app()
{
    static int argc = 1;
    static char name[] = "tests_views";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QApplication> instance = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<QApplication>(argc, argv);
    }();
    return *instance;
}

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

// Saves a rendering for a human look when KIVORA_VIEWS_SNAPSHOTS names a folder.
inline void saveSnapshot(const QImage& image, const char* name)
{
    const QString dir = qEnvironmentVariable("KIVORA_VIEWS_SNAPSHOTS");
    if (!dir.isEmpty())
        image.save(dir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
}

} // namespace kivora::viewstest
