#pragma once

#include <QApplication>

#include <memory>

namespace kivora::uitest {

// One QApplication for the whole test binary (fonts and widgets need it); created on first use.
inline QApplication& app()
{
    static int argc = 1;
    static char name[] = "tests_ui";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QApplication> instance = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<QApplication>(argc, argv);
    }();
    return *instance;
}

} // namespace kivora::uitest
