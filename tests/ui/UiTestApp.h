#pragma once

#include <QApplication>

namespace kivora::uitest {

// The test binary's one QApplication, made by tests/support/QtWidgetTestMain.cpp.
inline QApplication& app() { return static_cast<QApplication&>(*QCoreApplication::instance()); }

} // namespace kivora::uitest
