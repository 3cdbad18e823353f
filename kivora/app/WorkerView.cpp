// The main window's side of the background worker.
#include "kivora/app/WorkerView.h"

#include "kivora/app/AppMessages.h"
#include "kivora/app/CkivoraDlg.h"
#include "kivora/app/CommandState.h"
#include "kivora/ui/CMsgBox.h"
#include "kivora/ui/CSkinProgressBarCtrl.h"
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
    m_dlg.m_progress->setPos(0);
    m_dlg.m_progress->show();
    m_dlg.m_progress->raise();
    m_dlg.applyEnabled(workerDisabled());
    m_dlg.refreshMapChoice();
}

void WorkerView::progress(WParam done, LParam count)
{
    const int progress = count <= 0 ? 100 : static_cast<int>(static_cast<long long>(done) * 100 / count);
    m_dlg.m_progress->setPos(progress);
    m_dlg.m_progress->show();
    m_dlg.m_progress->raise();
    m_dlg.m_progress->repaint();
}

void WorkerView::finished(platform::LParam result)
{
    const bool box = m_dlg.m_worker.finish(static_cast<int>(result));
    m_dlg.m_progress->hide();
    m_dlg.applyEnabled(EnabledSet { {}, true, true, true });
    if (box)
        ui::CMsgBox(&m_dlg).show(ui::uiQText(kSlotFinished, m_dlg.m_languageIndex),
            ui::uiQText(kSlotFinishedCaption, m_dlg.m_languageIndex));
    if (m_dlg.m_open.errorBoxShown())
        m_dlg.m_open.clearErrorBox();
    else
        m_dlg.refreshToolbar();
    m_dlg.refreshMapChoice();
    std::lock_guard cache(m_dlg.m_hMutexCache);
    if (m_dlg.m_open.selectionValid())
        m_dlg.m_open.select(m_dlg.m_open.selectedIndex(), { false, true, true }, 0);
    else
        m_dlg.refreshToolbar();
}

void WorkerView::deleteFinished(LParam result)
{
    const std::optional<recording::SourceKind> kind = m_dlg.m_browser->sourceKind();
    if (kind && *kind != recording::SourceKind::SingleFiles) {
        const std::filesystem::path root = m_dlg.m_browser->sourcePath();
        m_dlg.loadSource(root, *kind);
    }
    m_dlg.m_worker.setPendingMessage(true);
    platform::postMessage(&m_dlg, kMsgFileOpFinished, 0, result);
}

} // namespace kivora::app
