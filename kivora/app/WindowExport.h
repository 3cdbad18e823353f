#pragma once

// The real file commands over the main window: the window's side of what they need
// (IExportContext), the selection dialog (IRecordingChooser) and the commands themselves (the
// toolbar's, and the popup menu's track, evidence bundle and repair), held together so that they
// live and die as one. UI thread only.

#include "kivora/export/IExportContext.h"
#include "kivora/export/IExportHost.h"

#include <QString>

#include <filesystem>
#include <memory>

class QWidget;

namespace kivora::app {

class CkivoraDlg;

// The two modal questions the commands ask; tests answer them in the user's place.
class ExportDialogs {
public:
    virtual ~ExportDialogs() = default;
    // Empty when cancelled.
    virtual std::filesystem::path chooseFolder(const std::filesystem::path& start, const QString& prompt) = 0;
    // kind 0 OK, 1 OK/Cancel; 1 for OK, 2 for Cancel.
    virtual int messageBox(const QString& text, const QString& caption, int kind) = 0;
    // A movie file for the repair; empty when cancelled.
    virtual std::filesystem::path chooseMovie(const std::filesystem::path& start, const QString& prompt)
    {
        (void)start;
        (void)prompt;
        return {};
    }
};

// The folder chooser and the skinned message box over parent.
std::unique_ptr<ExportDialogs> makeQtExportDialogs(QWidget* parent, int textColumn);

// The selection dialog of the browser layer.
class FileSelectChooser final : public exporting::IRecordingChooser {
public:
    FileSelectChooser(QWidget* parent, int textColumn);
    std::optional<std::vector<recording::RecordingEntry>> choose(exporting::SelectMode mode,
        const std::vector<recording::RecordingEntry>& offered,
        const std::vector<recording::RecordingEntry>& all) override;

private:
    QWidget* m_parent;
    int m_textColumn;
};

// The window's file commands. dialogs and chooser default to the real ones.
std::unique_ptr<exporting::IExportCommands> makeWindowExportCommands(CkivoraDlg& window,
    std::unique_ptr<ExportDialogs> dialogs = {}, std::unique_ptr<exporting::IRecordingChooser> chooser = {});

} // namespace kivora::app
