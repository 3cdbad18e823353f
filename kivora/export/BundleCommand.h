#pragma once

// The evidence bundle from the window: recordings ticked in the selection dialog, an output
// folder, the bundle built on the host's worker with progress and cancel, and a closing message
// that names the bundle folder. UI thread only; must outlive the host's worker.

#include "kivora/export/IExportContext.h"
#include "kivora/export/IExportHost.h"

#include <filesystem>

namespace kivora::exporting {

class BundleCommand {
public:
    BundleCommand(IExportContext& context, IWorkerHost& host, IRecordingChooser& chooser,
        std::filesystem::path settingsFile, int languageIndex = 0);

    // Enabled while the list shows recordings and no worker runs.
    bool enabled() const;
    void run();

private:
    IExportContext& m_context;
    IWorkerHost& m_host;
    IRecordingChooser& m_chooser;
    std::filesystem::path m_settingsFile;
    int m_languageIndex;
};

} // namespace kivora::exporting
