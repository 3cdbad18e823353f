#pragma once

// Repair of a recording cut at power loss, from the window: offered when such a recording fails to
// open, and on the popup menu. A prologue on the UI thread (output folder, free space, overwrite),
// the repair on the host's worker with progress and cancel, and an epilogue that reports and opens
// the repaired movie as a single-file source. UI thread only; must outlive the host's worker.

#include "kivora/export/IExportContext.h"
#include "kivora/export/IExportHost.h"

#include <QString>

#include <filesystem>
#include <functional>

namespace kivora::exporting {

class RepairCommand {
public:
    // What the window lends beyond the file commands' context.
    struct Window {
        // A movie file chosen by the user, starting at start; empty when cancelled.
        std::function<std::filesystem::path(const std::filesystem::path& start, const QString& prompt)>
            chooseMovie;
        // Opens the repaired movie as the source, as `kivora FILE` does.
        std::function<void(const std::filesystem::path& movie)> openRepaired;
    };

    RepairCommand(IExportContext& context, IWorkerHost& host, Window window,
        std::filesystem::path settingsFile, int languageIndex = 0);

    // Whether movie looks like a recording cut at power loss: a movie file without its index.
    static bool looksCut(const std::filesystem::path& movie);
    // Whether a healthy movie beside broken may serve as its template.
    static bool templateExists(const std::filesystem::path& broken);

    // The open-failure box with the repair offered (errorText above the offer): true when the
    // user accepted. Remembers broken for the popup menu's repair.
    bool offer(const std::filesystem::path& broken, const QString& errorText);

    // The popup menu's repair: a movie chosen by the user (starting at the last one that failed
    // to open), then repair().
    void chooseAndRepair();

    // Repairs broken into a folder the user chooses, under its own name.
    void repair(const std::filesystem::path& broken);

private:
    QString text(const char* japanese, const char* english) const;
    QString noTemplateText() const;
    void error(const QString& message);

    IExportContext& m_context;
    IWorkerHost& m_host;
    Window m_window;
    std::filesystem::path m_settingsFile;
    int m_languageIndex;
    std::filesystem::path m_lastFailed; // the last movie whose open failed
};

} // namespace kivora::exporting
