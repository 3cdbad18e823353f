#include "kivora/app/WindowExport.h"

#include "kivora/app/CkivoraDlg.h"
#include "kivora/browse/CFileSelectDlg.h"
#include "kivora/export/EngineStills.h"
#include "kivora/export/ExportCommands.h"
#include "kivora/export/QtExportDialogs.h"
#include "kivora/platform/MessageIds.h"
#include "kivora/playback/MovieEngine.h"
#include "kivora/ui/CMsgBox.h"
#include "kivora/ui/UiTextQt.h"

#include <QDialog>

namespace kivora::app {

namespace fs = std::filesystem;
using recording::RecordingEntry;

namespace {

class QtExportDialogs final : public ExportDialogs {
public:
    QtExportDialogs(QWidget* parent, int textColumn)
        : m_parent(parent)
        , m_textColumn(textColumn)
    {
    }
    fs::path chooseFolder(const fs::path& start, const QString& prompt) override
    {
        return exporting::ChooseFolderDialog(m_parent, start, prompt, m_textColumn);
    }
    int messageBox(const QString& text, const QString& caption, int kind) override
    {
        return exporting::ShowExportMessage(m_parent, text, caption, kind);
    }

private:
    QWidget* m_parent;
    int m_textColumn;
};

// The window as the commands see it: each call is one of the window's named queries or steps.
class WindowExportContext final : public exporting::IExportContext {
public:
    WindowExportContext(CkivoraDlg& window, ExportDialogs& dialogs)
        : m_window(window)
        , m_dialogs(dialogs)
    {
    }

    browse::IBrowserPanel& browser() override { return m_window.browser(); }

    void listChanged() override
    {
        if (QWidget* panel = m_window.browser().widget()) {
            panel->update();
            for (QWidget* child : panel->findChildren<QWidget*>())
                child->update();
        }
    }

    void rescanSource() override { platform::postMessage(&m_window, platform::kMsgDeleteFinished, 0, 1); }

    std::optional<exporting::OpenRecording> openRecording() const override
    {
        const fs::path movie = m_window.openMoviePath();
        if (movie.empty())
            return std::nullopt;
        playback::MovieEngine& main = m_window.mainEngine();
        exporting::OpenRecording open;
        open.movie = movie;
        open.frame = std::max<std::int64_t>(m_window.shownFrameIndex(), 0);
        open.framePeriodMs = main.GetFramePeriod();
        open.subOpen = m_window.subEngine().hasSession();
        open.telemetryLoaded = main.hasTelemetry();
        if (open.telemetryLoaded)
            open.gps = exporting::EngineFix(main, open.frame);
        return open;
    }

    bool enginesReady() const override { return m_window.mainEngine().isInitialised(); }

    QImage cameraImage(bool sub) override
    {
        playback::MovieEngine& engine = sub ? m_window.subEngine() : m_window.mainEngine();
        if (!engine.hasSession())
            return {};
        return exporting::EnginePicture(engine);
    }

    // The window draws no text over the pictures itself; clearing the engines' is all there is.
    bool hideOverlay() override
    {
        bool accepted = false;
        for (playback::MovieEngine* engine : { &m_window.mainEngine(), &m_window.subEngine() })
            if (engine->isInitialised() && engine->hasSession())
                accepted = engine->ClearOverlayText() != 0 || accepted;
        return accepted;
    }
    void restoreOverlay() override { }

    void closeForFileWork() override { m_window.closeForFileWork(); }
    void reopenAfterFileWork() override { m_window.reopenAfterFileWork(); }

    fs::path chooseFolder(const fs::path& start, const QString& prompt) override
    {
        return m_dialogs.chooseFolder(start, prompt);
    }
    int messageBox(const QString& text, const QString& caption, int kind) override
    {
        return m_dialogs.messageBox(text, caption, kind);
    }
    fs::path startupFolder() const override { return m_window.startFolder(); }

private:
    CkivoraDlg& m_window;
    ExportDialogs& m_dialogs;
};

// Owns the commands and everything they refer to; members go in reverse, commands first.
class WindowExportCommands final : public exporting::IExportCommands {
public:
    WindowExportCommands(CkivoraDlg& window, std::unique_ptr<ExportDialogs> dialogs,
        std::unique_ptr<exporting::IRecordingChooser> chooser)
        : m_dialogs(std::move(dialogs))
        , m_chooser(std::move(chooser))
        , m_context(window, *m_dialogs)
        , m_commands(exporting::createExportCommands(
              m_context, window.workerHost(), *m_chooser, window.settings().path(), window.languageIndex()))
    {
    }

    void TakeSnapshot() override { m_commands->TakeSnapshot(); }
    void SaveConcatenated() override { m_commands->SaveConcatenated(); }
    void DeleteRecordings() override { m_commands->DeleteRecordings(); }
    void ExportCsv() override { m_commands->ExportCsv(); }
    void ExportTrack(bool chooseRecordings) override { m_commands->ExportTrack(chooseRecordings); }
    bool enabled(int commandId) const override { return m_commands->enabled(commandId); }

private:
    std::unique_ptr<ExportDialogs> m_dialogs;
    std::unique_ptr<exporting::IRecordingChooser> m_chooser;
    WindowExportContext m_context;
    std::unique_ptr<exporting::ExportCommands> m_commands;
};

} // namespace

std::unique_ptr<ExportDialogs> makeQtExportDialogs(QWidget* parent, int textColumn)
{
    return std::make_unique<QtExportDialogs>(parent, textColumn);
}

FileSelectChooser::FileSelectChooser(QWidget* parent, int textColumn)
    : m_parent(parent)
    , m_textColumn(textColumn)
{
}

std::optional<std::vector<RecordingEntry>> FileSelectChooser::choose(exporting::SelectMode mode,
    const std::vector<RecordingEntry>& offered, const std::vector<RecordingEntry>& all)
{
    const bool deleting = mode == exporting::SelectMode::Delete;
    browse::CFileSelectDlg dialog(
        deleting ? browse::FileSelection::Delete : browse::FileSelection::Concatenate, m_parent);
    if (deleting && !dialog.setSourceEntries(all))
        ui::CMsgBox(m_parent).show(
            ui::uiQText(browse::FileSelection::kSlotTooManyEntries, m_textColumn), QStringLiteral("ERROR"));
    dialog.setGivenEntries(offered);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.result();
}

std::unique_ptr<exporting::IExportCommands> makeWindowExportCommands(CkivoraDlg& window,
    std::unique_ptr<ExportDialogs> dialogs, std::unique_ptr<exporting::IRecordingChooser> chooser)
{
    if (!dialogs)
        dialogs = makeQtExportDialogs(&window, window.languageIndex());
    if (!chooser)
        chooser = std::make_unique<FileSelectChooser>(&window, window.languageIndex());
    return std::make_unique<WindowExportCommands>(window, std::move(dialogs), std::move(chooser));
}

} // namespace kivora::app
