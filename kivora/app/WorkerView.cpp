// The main window's side of the background worker.
#include "kivora/app/WorkerView.h"

#include "kivora/app/AppMessages.h"
#include "kivora/app/CommandState.h"
#include "kivora/app/OpenSequence.h"
#include "kivora/app/WorkerHost.h"
#include "kivora/browse/IBrowserPanel.h"
#include "kivora/ui/UiTextQt.h"

namespace kivora::app {

using platform::LParam;
using platform::WParam;

namespace {

constexpr int kSlotFinished = 44;
constexpr int kSlotFinishedCaption = 45;

} // namespace

void WorkerView::started()
{
    m_host.showProgress(0, false);
    m_host.applyEnabled(workerDisabled());
    m_host.refreshMapChoice();
}

void WorkerView::progress(WParam done, LParam count)
{
    const int progress = count <= 0 ? 100 : static_cast<int>(static_cast<long long>(done) * 100 / count);
    m_host.showProgress(progress, true);
}

void WorkerView::finished(platform::LParam result)
{
    const bool box = m_worker.finish(static_cast<int>(result));
    m_host.hideProgress();
    m_host.applyEnabled(EnabledSet { {}, true, true, true });
    if (box)
        m_host.showMessageBox(ui::uiQText(kSlotFinished, m_host.languageIndex()),
            ui::uiQText(kSlotFinishedCaption, m_host.languageIndex()));
    if (m_open.errorBoxShown())
        m_open.clearErrorBox();
    else
        m_host.refreshToolbar();
    m_host.refreshMapChoice();
    std::lock_guard cache(m_cache);
    if (m_open.selectionValid())
        m_open.select(m_open.selectedIndex(), { false, true, true }, 0);
    else
        m_host.refreshToolbar();
}

void WorkerView::deleteFinished(LParam result)
{
    const std::optional<recording::SourceKind> kind = m_host.browser().sourceKind();
    if (kind && *kind != recording::SourceKind::SingleFiles) {
        const std::filesystem::path root = m_host.browser().sourcePath();
        m_host.loadSource(root, *kind);
    }
    m_worker.setPendingMessage(true);
    m_host.postToWindow(kMsgFileOpFinished, 0, result);
}

} // namespace kivora::app
