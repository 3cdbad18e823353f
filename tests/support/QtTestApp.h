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

// Runs the event loop until done() holds or timeoutMs pass; returns done().
inline bool processEventsUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    qtTestApp();
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return done();
}
