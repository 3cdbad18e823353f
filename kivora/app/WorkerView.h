#pragma once

#include "kivora/platform/PostMessage.h"
#include "kivora/recording/RecordingSource.h"

#include <QString>

#include <filesystem>
#include <mutex>

namespace kivora::browse {
class IBrowserPanel;
}

namespace kivora::app {

class OpenSequence;
class WorkerHost;
struct EnabledSet;

// The main window while a background worker runs: the progress bar over the video, every control
// disabled, and at the end the completion box and the recording selected again. UI thread only.
class WorkerView {
public:
    // What the view does to its window.
    class Host {
    public:
        // Shows the progress bar over the video at percent; repaintNow draws it before returning.
        virtual void showProgress(int percent, bool repaintNow) = 0;
        virtual void hideProgress() = 0;
        virtual void applyEnabled(const EnabledSet& enabled) = 0;
        virtual void refreshToolbar() = 0;
        virtual void refreshMapChoice() = 0;
        virtual void showMessageBox(const QString& text, const QString& caption) = 0;
        virtual int languageIndex() const = 0;
        virtual browse::IBrowserPanel& browser() const = 0;
        virtual bool loadSource(const std::filesystem::path& path, recording::SourceKind kind) = 0;
        virtual void postToWindow(unsigned message, platform::WParam wParam, platform::LParam lParam) = 0;

    protected:
        ~Host() = default;
    };

    // cache is hMutexCache, which guards the selection.
    WorkerView(Host& host, WorkerHost& worker, OpenSequence& open, std::recursive_mutex& cache)
        : m_host(host)
        , m_worker(worker)
        , m_open(open)
        , m_cache(cache)
    {
    }

    // Runs before the worker's thread starts.
    void started();
    void progress(platform::WParam done, platform::LParam count);
    void finished(platform::LParam result);
    // A delete ended: the source is read again, then it ends like any other file operation.
    void deleteFinished(platform::LParam result);

private:
    Host& m_host;
    WorkerHost& m_worker;
    OpenSequence& m_open;
    std::recursive_mutex& m_cache;
};

} // namespace kivora::app
