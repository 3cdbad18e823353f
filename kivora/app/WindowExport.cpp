#include "kivora/app/WindowExport.h"

#include "kivora/app/AppMessages.h"
#include "kivora/app/CkivoraDlg.h"
#include "kivora/app/CommandIds.h"
#include "kivora/browse/CFileSelectDlg.h"
#include "kivora/export/BundleCommand.h"
#include "kivora/export/EngineStills.h"
#include "kivora/export/ExportCommands.h"
#include "kivora/export/MenuCommandSupport.h"
#include "kivora/export/QtExportDialogs.h"
#include "kivora/export/RepairCommand.h"
#include "kivora/playback/MovieEngine.h"
#include "kivora/ui/CMsgBox.h"
#include "kivora/ui/UiTextQt.h"

#include <QDialog>
#include <QFileDialog>
#include <QTimer>

namespace kivora::app {

namespace fs = std::filesystem;
using recording::RecordingEntry;

namespace {

constexpr int kSlotOpenFailed = 96;

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
    fs::path chooseMovie(const fs::path& start, const QString& prompt) override
    {
        const QString chosen
            = QFileDialog::getOpenFileName(m_parent, prompt, QString::fromStdString(start.string()),
                QStringLiteral("Movies (*.MOV *.mov *.MP4 *.mp4);;* (*)"));
        return chosen.isEmpty() ? fs::path() : fs::path(chosen.toStdString());
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

    void rescanSource() override { platform::postMessage(&m_window, kMsgDeleteFinished, 0, 1); }

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
        , m_bundle(
              m_context, window.workerHost(), *m_chooser, window.settings().path(), window.languageIndex())
        , m_repair(m_context, window.workerHost(), repairWindow(window), window.settings().path(),
              window.languageIndex())
        , m_host(window.workerHost())
        , m_languageIndex(window.languageIndex())
    {
    }

    void TakeSnapshot() override { m_commands->TakeSnapshot(); }
    void SaveConcatenated() override { m_commands->SaveConcatenated(); }
    void DeleteRecordings() override { m_commands->DeleteRecordings(); }
    void ExportCsv() override { m_commands->ExportCsv(); }
    void ExportTrack(bool chooseRecordings) override { m_commands->ExportTrack(chooseRecordings); }
    void BundleRecordings() override { m_bundle.run(); }
    void RepairRecording() override { m_repair.chooseAndRepair(); }

    bool offerRepair(const fs::path& movie, int slot) override
    {
        // Only a movie that lost its index to a power cut, and only with a template beside it.
        if (slot != kSlotOpenFailed || !exporting::RepairCommand::looksCut(movie)
            || !exporting::RepairCommand::templateExists(movie))
            return false;
        // The repair starts once the failed open has finished its own steps.
        if (m_repair.offer(movie, ui::uiQText(slot, m_languageIndex)))
            QTimer::singleShot(0, &m_guard, [this, movie] { m_repair.repair(movie); });
        return true;
    }

    bool enabled(int commandId) const override
    {
        if (!isMenuFileCommand(commandId))
            return m_commands->enabled(commandId);
        if (m_context.browser().sourceKind() && m_context.browser().sourceRemoved())
            return false;
        switch (commandId) {
        case kCmdTrack:
            return !m_host.workerRunning() && m_context.openRecording().has_value();
        case kCmdTracks:
        case kCmdBundle:
            return m_bundle.enabled();
        default:
            return !m_host.workerRunning();
        }
    }

private:
    exporting::RepairCommand::Window repairWindow(CkivoraDlg& window)
    {
        exporting::RepairCommand::Window w;
        w.chooseMovie = [this](const fs::path& start, const QString& prompt) {
            return m_dialogs->chooseMovie(start, prompt);
        };
        // After the worker has ended: the window opens no source while one runs.
        w.openRepaired = [this, &window](const fs::path& movie) {
            QTimer::singleShot(0, &m_guard, [&window, movie] { window.openSourcePath(movie); });
        };
        return w;
    }

    std::unique_ptr<ExportDialogs> m_dialogs;
    std::unique_ptr<exporting::IRecordingChooser> m_chooser;
    mutable WindowExportContext m_context; // its queries are not const
    std::unique_ptr<exporting::ExportCommands> m_commands;
    exporting::BundleCommand m_bundle;
    exporting::RepairCommand m_repair;
    exporting::IWorkerHost& m_host;
    int m_languageIndex;
    QObject m_guard; // context of the deferred calls: they die with the commands
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
    using Use = browse::FileSelection::Use;
    const bool deleting = mode == exporting::SelectMode::Delete;
    const Use use = mode == exporting::SelectMode::Bundle ? Use::Bundle
        : mode == exporting::SelectMode::Tracks           ? Use::Tracks
                                                          : Use::Save;
    browse::CFileSelectDlg dialog(
        deleting ? browse::FileSelection::Delete : browse::FileSelection::Concatenate, use, m_parent);
    if (use == Use::Bundle)
        dialog.setWindowTitle(exporting::ownText(m_textColumn, "証拠保全", "Evidence bundle"));
    else if (use == Use::Tracks)
        dialog.setWindowTitle(exporting::ownText(m_textColumn, "軌跡選択", "Tracks"));
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
