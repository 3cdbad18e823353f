#pragma once

#include "kivora/export/IExportHost.h"
#include "kivora/platform/PostMessage.h"

#include <atomic>
#include <functional>
#include <thread>

namespace kivora::app {

// The main window's one background worker. The job runs on a std::jthread owned here; it reports
// progress (0x8008) and its end (0x8516) by posting to the window, which then calls finish() on
// the UI thread. Nothing here waits for the worker on the UI thread except finish() and the
// destructor, both after the job has returned or been asked to stop.
class WorkerHost final : public exporting::IWorkerHost {
public:
    // start: the window shows the progress bar and disables everything; it runs before the thread.
    explicit WorkerHost(platform::MessageTarget window, std::function<void()> onStart);
    ~WorkerHost() override;

    bool startWorker(
        std::function<int(exporting::WorkerContext&)> job, std::function<void(int result)> epilogue) override;
    bool workerRunning() const override { return m_running; }
    void cancelWorker() override;
    void setPendingMessage(bool on) override { m_pendingMessage = on; }

    // 0x8516 arrived: joins the thread and runs the epilogue. True when the completion box
    // should show (the pending-message mark was set).
    bool finish(int result);

private:
    class Context;

    platform::MessageTarget m_window;
    std::function<void()> m_onStart;
    std::function<void(int)> m_epilogue; // UI thread
    bool m_running = false; // UI thread: from start until finish() ran
    bool m_pendingMessage = false; // UI thread
    std::atomic<bool> m_cancel { false }; // set by the UI thread, read by the job
    std::jthread m_thread; // started and joined by the UI thread only
};

} // namespace kivora::app
