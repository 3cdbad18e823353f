#include "kivora/recording/FolderLayout.h"

#include <atomic>

namespace kivora::recording {

namespace {
// Relaxed is enough: the value is a lone hint about the opened card, not a guard for other data.
std::atomic<int> g_currentLayout { 0 };
// The layout of this thread's innermost ThreadLayoutScope; -1 outside any.
thread_local int t_scopeLayout = -1;
} // namespace

int currentLayout()
{
    if (t_scopeLayout >= 0)
        return t_scopeLayout;
    return g_currentLayout.load(std::memory_order_relaxed);
}

void setCurrentLayout(int layout)
{
    if (t_scopeLayout >= 0)
        t_scopeLayout = layout == 1 ? 1 : 0;
    else
        g_currentLayout.store(layout == 1 ? 1 : 0, std::memory_order_relaxed);
}

ThreadLayoutScope::ThreadLayoutScope(int layout)
    : m_outer(t_scopeLayout)
{
    t_scopeLayout = layout == 1 ? 1 : 0;
}

ThreadLayoutScope::~ThreadLayoutScope()
{
    t_scopeLayout = m_outer;
}

const FolderLayout& folderLayout(int layout)
{
    return kFolderLayouts[layout == 1 ? 1 : 0];
}

} // namespace kivora::recording
