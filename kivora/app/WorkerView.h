#pragma once

#include "kivora/platform/PostMessage.h"

namespace kivora::app {

class CkivoraDlg;

// The main window while a background worker runs: the progress bar over the video, every control
// disabled, and at the end the completion box and the recording selected again. UI thread only.
class WorkerView {
public:
    explicit WorkerView(CkivoraDlg& dlg)
        : m_dlg(dlg)
    {
    }

    // Runs before the worker's thread starts.
    void started();
    void progress(platform::WParam done, platform::LParam count);
    void finished(platform::LParam result);
    // A delete ended: the source is read again, then it ends like any other file operation.
    void deleteFinished(platform::LParam result);

private:
    CkivoraDlg& m_dlg;
};

} // namespace kivora::app
