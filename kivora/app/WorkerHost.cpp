#include "kivora/app/WorkerHost.h"

#include "kivora/app/AppMessages.h"

namespace kivora::app {

using namespace kivora::platform;

class WorkerHost::Context final : public exporting::WorkerContext {
public:
    Context(const std::atomic<bool>& cancel, std::stop_token stop, MessageTarget window)
        : m_cancel(cancel)
        , m_stop(std::move(stop))
        , m_window(window)
    {
    }
    bool cancelled() const override { return m_cancel.load() || m_stop.stop_requested(); }
    void progress(std::int64_t done, std::int64_t count) override
    {
        postMessage(m_window, kMsgFileOpProgress, WParam(done), LParam(count));
    }

private:
    const std::atomic<bool>& m_cancel;
    std::stop_token m_stop;
    MessageTarget m_window;
};

WorkerHost::WorkerHost(MessageTarget window, std::function<void()> onStart)
    : m_window(window)
    , m_onStart(std::move(onStart))
{
}

WorkerHost::~WorkerHost()
{
    cancelWorker();
    // jthread joins; a job polls its context and ends soon after the request.
}

bool WorkerHost::startWorker(
    std::function<int(exporting::WorkerContext&)> job, std::function<void(int result)> epilogue)
{
    if (m_running || !job)
        return false;
    if (m_thread.joinable())
        m_thread.join();
    m_running = true;
    m_pendingMessage = false;
    m_cancel = false;
    m_epilogue = std::move(epilogue);
    if (m_onStart)
        m_onStart();
    m_thread = std::jthread([this, job = std::move(job), window = m_window](std::stop_token stop) {
        Context context(m_cancel, std::move(stop), window);
        const int result = job(context);
        postMessage(window, kMsgFileOpFinished, 0, LParam(result));
    });
    return true;
}

void WorkerHost::cancelWorker()
{
    m_cancel = true;
    if (m_thread.joinable())
        m_thread.request_stop();
}

bool WorkerHost::finish(int result)
{
    if (!m_running)
        return false;
    // The job has posted its end as its last act: this join does not wait for work.
    if (m_thread.joinable())
        m_thread.join();
    m_running = false;
    if (auto epilogue = std::move(m_epilogue))
        epilogue(result);
    m_epilogue = nullptr;
    return m_pendingMessage;
}

} // namespace kivora::app
