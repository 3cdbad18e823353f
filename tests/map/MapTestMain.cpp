#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// The web engine needs its settings before the application exists: no sandbox (tests may run as
// root), no GPU (CI has none), and contexts shared between the widgets and the engine.
int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --disable-gpu-compositing --no-sandbox", 0);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
