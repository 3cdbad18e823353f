#pragma once

// Commands that draw need a Qt application. One is made only when none exists (tests run the
// commands inside their own), on the offscreen platform unless another is chosen.

#include <QCoreApplication>

#include <memory>

namespace kivora::cli {

// App: QGuiApplication for pictures, QApplication for widgets. Null when one exists already.
template <class App>
std::unique_ptr<App> ensureQtApplication()
{
    static int argc = 1;
    static char name[] = "kivora-cli";
    static char* argv[] = { name, nullptr };
    if (QCoreApplication::instance())
        return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<App>(argc, argv);
}

} // namespace kivora::cli
