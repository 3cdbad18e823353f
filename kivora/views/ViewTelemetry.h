#pragma once

#include "kivora/recording/TelemetryReader.h"

#include <functional>

namespace kivora::views {

// How a view reaches the telemetry of the current recording: the reader all views share (the main
// camera engine's) and the calls that take and release the engines' api locks (LockBoth) around a
// read. The main window hands the views a read-only track without calls once the clock runs.
// Null reader: no initialised engine or nothing loaded. Empty calls: the caller needs no locking.
struct ViewTelemetry {
    const recording::TelemetryReader* reader = nullptr;
    std::function<void()> lock;
    std::function<void()> unlock;
};

// Holds the locks of a ViewTelemetry for a scope.
class ViewTelemetryLock {
public:
    explicit ViewTelemetryLock(const ViewTelemetry& t)
        : m_t(t)
    {
        if (m_t.lock)
            m_t.lock();
    }
    ~ViewTelemetryLock()
    {
        if (m_t.unlock)
            m_t.unlock();
    }
    ViewTelemetryLock(const ViewTelemetryLock&) = delete;
    ViewTelemetryLock& operator=(const ViewTelemetryLock&) = delete;

private:
    const ViewTelemetry& m_t;
};

} // namespace kivora::views
