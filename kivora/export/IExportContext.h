#pragma once

// What the file commands need from the main window beyond the worker host. The main window
// implements it; tests use a fake. UI thread only.

#include "kivora/recording/RecordingEntry.h"
#include "kivora/recording/TelemetrySample.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace kivora::browse {
class IBrowserPanel;
}

namespace kivora::exporting {

// The recording open in the main window, as the engines have it.
struct OpenRecording {
    std::filesystem::path movie; // its main-camera movie
    std::int64_t frame = 0; // the main camera's position
    double framePeriodMs = 0.0; // of the main camera's movie
    bool subOpen = false; // a sub-camera movie is open beside it
    bool telemetryLoaded = false;
    // The frame's telemetry record; a copy whose links (motion, vehicle) must not be followed.
    std::optional<recording::GpsSample> gps;
};

// The selection dialog in its two modes. Bundle and Tracks show a run of recordings as
// Concatenate (the save) does, under their own titles and without the joined movie's limits.
enum class SelectMode { Delete = 0, Concatenate = 2, Bundle = 3, Tracks = 4 };

class IRecordingChooser {
public:
    virtual ~IRecordingChooser() = default;
    // Shows offered (with all for the show-all switch) and returns the ticked recordings in row
    // order; nothing when the user cancelled. Concatenate mode refuses selections over the limits
    // itself (SaveRules.h); the others have none.
    virtual std::optional<std::vector<recording::RecordingEntry>> choose(SelectMode mode,
        const std::vector<recording::RecordingEntry>& offered,
        const std::vector<recording::RecordingEntry>& all)
        = 0;
};

class IExportContext {
public:
    virtual ~IExportContext() = default;

    virtual browse::IBrowserPanel& browser() = 0;
    // The list's entries were changed in place (marks); redraw it.
    virtual void listChanged() = 0;
    // Posts 0x8517: the source's tree and list are rebuilt from what is on the disk.
    virtual void rescanSource() = 0;

    // Nothing when no movie is open.
    virtual std::optional<OpenRecording> openRecording() const = 0;
    // True once the playback engines are set up (the CSV listing reads movie details only then).
    virtual bool enginesReady() const = 0;
    // The camera's current picture at its native size; a null image when it has none.
    virtual QImage cameraImage(bool sub) = 0;
    // Hides the text overlay of every open engine; false when none accepted.
    virtual bool hideOverlay() = 0;
    virtual void restoreOverlay() = 0;
    // Before file work: stops the playback timer, remembers the main camera's position, closes
    // both engines, releases their telemetry and cancels a preload.
    virtual void closeForFileWork() = 0;
    // After file work: reopens the remembered recording at its position when it still exists.
    virtual void reopenAfterFileWork() = 0;

    // The folder chooser (QFileDialog::getExistingDirectory in the product) starting at start
    // with prompt as its title; empty when cancelled.
    virtual std::filesystem::path chooseFolder(const std::filesystem::path& start, const QString& prompt) = 0;
    // The skinned message box: kind 0 OK, 1 OK/Cancel; returns 1 for OK, 2 for Cancel.
    virtual int messageBox(const QString& text, const QString& caption, int kind) = 0;
    // The start-up folder, where folder choosers start when nothing is remembered.
    virtual std::filesystem::path startupFolder() const = 0;
};

} // namespace kivora::exporting
