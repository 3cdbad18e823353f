#include "kivora/ui/ErrorBoxes.h"

#include "kivora/ui/CMsgBox.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <cstdio>
#include <mutex>
#include <set>
#include <utility>

namespace kivora::ui {

namespace {

std::mutex g_mutex;
std::set<std::pair<std::string, std::string>> g_waiting; // guarded by g_mutex
ErrorBoxPresenter g_presenter; // UI thread only

void present(const QString& text, const QString& caption)
{
    if (g_presenter)
        g_presenter(text, caption);
    else
        CMsgBox().show(text, caption, 0);
}

} // namespace

void postErrorBox(const std::string& text, const char* caption)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        std::fprintf(stderr, "%s: %s\n", caption, text.c_str());
        return;
    }
    auto key = std::make_pair(text, std::string(caption));
    {
        std::lock_guard lock(g_mutex);
        if (!g_waiting.insert(key).second)
            return;
    }
    QMetaObject::invokeMethod(
        app,
        [key = std::move(key)] {
            present(QString::fromStdString(key.first), QString::fromStdString(key.second));
            std::lock_guard lock(g_mutex);
            g_waiting.erase(key);
        },
        Qt::QueuedConnection);
}

void postMediaErrorBox(const std::string& text)
{
    postErrorBox(text, kErrorCaption);
}

void postMappingErrorBox(const std::string& systemText)
{
    postErrorBox(systemText, kMappingErrorCaption);
}

void setErrorBoxPresenter(ErrorBoxPresenter presenter)
{
    g_presenter = std::move(presenter);
}

} // namespace kivora::ui
