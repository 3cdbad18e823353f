#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

// The one QCoreApplication of the test process, created on first use on the main thread.
inline QCoreApplication& qtTestApp()
{
    // A test binary whose main() made a QApplication uses that one.
    if (QCoreApplication* existing = QCoreApplication::instance())
        return *existing;
    static int argc = 1;
    static char name[] = "tests";
    static char* argv[] = { name, nullptr };
    static QCoreApplication app(argc, argv);
    return app;
}

// Runs the event loop until done() holds or timeoutMs pass; returns whether it held.
inline bool processEventsUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    qtTestApp();
    QElapsedTimer timer;
    timer.start();
    // The condition is asked once per round and its last answer returned: a condition that asks a
    // page or a thread may answer differently a moment later, and a second asking would turn a met
    // wait into a failure.
    bool met = false;
    while (!(met = done()) && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return met;
}
