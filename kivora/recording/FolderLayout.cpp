#include "kivora/recording/FolderLayout.h"

#include <atomic>

namespace kivora::recording {

namespace {
// Relaxed is enough: the value is a lone hint about the opened card, not a guard for other data.
std::atomic<int> g_currentLayout { 0 };
} // namespace

int currentLayout()
{
    return g_currentLayout.load(std::memory_order_relaxed);
}

void setCurrentLayout(int layout)
{
    g_currentLayout.store(layout == 1 ? 1 : 0, std::memory_order_relaxed);
}

const FolderLayout& folderLayout(int layout)
{
    return kFolderLayouts[layout == 1 ? 1 : 0];
}

} // namespace kivora::recording
