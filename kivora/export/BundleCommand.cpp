#include "kivora/export/BundleCommand.h"

#include "kivora/browse/IBrowserPanel.h"
#include "kivora/export/EvidenceBundle.h"
#include "kivora/export/MenuCommandSupport.h"
#include "kivora/export/SaveRules.h"
#include "kivora/recording/CardLayout.h"
#include "kivora/ui/UiTextQt.h"

#include <atomic>
#include <memory>

namespace kivora::exporting {

namespace fs = std::filesystem;
using recording::RecordingEntry;

namespace {

constexpr int kSlotChooseOutput = 101;
constexpr int kSlotNoMovies = 99;
constexpr int kSlotFinished = 44;
constexpr int kSlotFinishedCaption = 45;

std::vector<RecordingEntry> listedRecordings(browse::IBrowserPanel& browser)
{
    std::vector<RecordingEntry> entries;
    for (int i = 0; i < browser.Count(); ++i)
        if (const RecordingEntry* e = browser.Entry(i); e && !(e->attributes & recording::kAttrDirectory))
            entries.push_back(*e);
    return entries;
}

} // namespace

BundleCommand::BundleCommand(IExportContext& context, IWorkerHost& host, IRecordingChooser& chooser,
    fs::path settingsFile, int languageIndex)
    : m_context(context)
    , m_host(host)
    , m_chooser(chooser)
    , m_settingsFile(std::move(settingsFile))
    , m_languageIndex(languageIndex)
{
}

bool BundleCommand::enabled() const
{
    auto& browser = m_context.browser();
    return !m_host.workerRunning() && browser.Count() > 0 && !browser.sourceRemoved();
}

void BundleCommand::run()
{
    if (m_host.workerRunning())
        return;
    auto& browser = m_context.browser();
    const std::vector<RecordingEntry> offered = listedRecordings(browser);
    if (offered.empty()) {
        m_context.messageBox(ui::uiQText(kSlotNoMovies, m_languageIndex), QStringLiteral("ERROR"), 0);
        return;
    }
    const auto ticked = m_chooser.choose(SelectMode::Bundle, offered, offered);
    if (!ticked || ticked->empty())
        return;
    const fs::path folder
        = chooseOutputFolder(m_context, rememberedFolder(m_settingsFile, "CONNECT_FOLDER", m_context),
            ui::uiQText(kSlotChooseOutput, m_languageIndex), m_languageIndex);
    if (folder.empty())
        return;
    // The copies and the joined movies each take about the recordings' size.
    if (!HasRoom(2 * NeededBytes(*ticked), FreeSpace(folder))) {
        m_context.messageBox(ownText(m_languageIndex, "保存先の空き容量が足りません。",
                                 "There is not enough free space in the chosen folder."),
            QStringLiteral("ERROR"), 0);
        return;
    }
    auto request = std::make_shared<BundleRequest>();
    request->outDir = folder;
    for (const RecordingEntry& e : *ticked)
        request->recordings.push_back(e.path);

    // Decided here: the build must not follow whatever layout the window switches to meanwhile.
    request->layout = recording::MovieLayout(request->recordings.front());
    auto result = std::make_shared<BundleResult>();
    m_host.startWorker(
        [request, result](WorkerContext& worker) {
            std::atomic<bool> cancel { false };
            *result = BuildEvidenceBundle(
                *request,
                [&](std::uint64_t done, std::uint64_t total) {
                    worker.progress(std::int64_t(done), std::int64_t(total));
                    cancel = worker.cancelled();
                },
                &cancel);
            return result->ok ? 1 : 0;
        },
        [this, result](int) {
            if (result->ok) {
                QString text = ui::uiQText(kSlotFinished, m_languageIndex) + QLatin1Char('\n')
                    + QString::fromStdString(result->path.string());
                for (const std::string& note : result->notes)
                    text += QLatin1Char('\n') + QString::fromStdString(note);
                m_context.messageBox(text, ui::uiQText(kSlotFinishedCaption, m_languageIndex), 0);
            } else if (!result->cancelled) {
                m_context.messageBox(ownText(m_languageIndex, "証拠パッケージを作成できませんでした。",
                                         "The evidence bundle was not made.")
                        + QLatin1Char('\n') + QString::fromStdString(result->error),
                    QStringLiteral("ERROR"), 0);
            }
        });
}

} // namespace kivora::exporting
