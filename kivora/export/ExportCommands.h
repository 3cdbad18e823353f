#pragma once

#include "kivora/export/IExportContext.h"
#include "kivora/export/IExportHost.h"

#include <filesystem>
#include <memory>
#include <string_view>

namespace kivora::exporting {

// The four file commands. Each splits into a prologue here on the UI thread (choose, ask, check,
// close what must be closed), a job on the host's worker that only works on files and posts
// progress, and an epilogue back on the UI thread (messages, marks, list, playback position).
// The epilogues show their own completion and error boxes. UI thread only. The commands must
// outlive the host's worker: its epilogue calls back into them.
class ExportCommands final : public IExportCommands {
public:
    // settingsFile: the FOLDERPATH keys live there. textColumn: the UiText language column.
    ExportCommands(IExportContext& context, IWorkerHost& host, IRecordingChooser& chooser,
        std::filesystem::path settingsFile, int textColumn = 0);

    void TakeSnapshot() override;
    void SaveConcatenated() override;
    void DeleteRecordings() override;
    void ExportCsv() override;

    // The popup menu's track export: the open recording's track, or the tracks of recordings
    // chosen in the selection dialog, as "<first name>.gpx" and ".kml" in a chosen folder.
    void ExportTrack(bool chooseRecordings) override;

    // The enabling rule of the four commands (38006, 38007, 38010, 38012); false for other ids.
    bool enabled(int commandId) const override;

private:
    std::filesystem::path chooseFolder(std::string_view key, int promptSlot);
    void rememberFolder(std::string_view key, const std::filesystem::path& folder);
    // True when nothing is at any of the paths or the user agreed to replace it.
    bool mayOverwrite(std::initializer_list<std::filesystem::path> paths);
    void error(int slot);
    void completed(const QString& note = {});
    QString text(int slot) const;

    IExportContext& m_context;
    IWorkerHost& m_host;
    IRecordingChooser& m_chooser;
    std::filesystem::path m_settingsFile;
    int m_textColumn;
};

// The commands as the main window holds them.
std::unique_ptr<ExportCommands> createExportCommands(IExportContext& context, IWorkerHost& host,
    IRecordingChooser& chooser, const std::filesystem::path& settingsFile, int textColumn = 0);

} // namespace kivora::exporting
