#pragma once

// Stand-ins for what the main window gives the file commands: the browser panel, the worker
// host (a real thread for the job, the epilogue on the test's thread), the selection dialog and
// the window's own services (folder chooser and message box answered by the test).

#include "kivora/browse/IBrowserPanel.h"
#include "kivora/export/IExportContext.h"
#include "kivora/export/IExportHost.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kivora::exporting::test {

namespace fs = std::filesystem;
using recording::RecordingEntry;

class FakeBrowser final : public browse::IBrowserPanel {
public:
    std::vector<RecordingEntry> shown; // the list's rows
    std::vector<RecordingEntry> all; // every recording of the source
    std::optional<recording::SourceKind> kind = recording::SourceKind::Card;
    fs::path root;
    bool removed = false;
    int marksCleared = 0;

    QWidget* widget() override { return nullptr; }
    void PlaceChildren(const QRect&, int) override { }
    void ShowChildren(bool) override { }
    void setZoomHint(bool) override { }
    void setControlsEnabled(bool) override { }
    void LoadSource(const fs::path&, recording::SourceKind) override { }
    bool RestoreSource() override { return false; }
    bool SelectInitialFolder() override { return false; }
    int FolderSelected(browse::FolderNode*, bool) override { return 0; }
    std::vector<RecordingEntry> AllRecordings() override { return all; }
    void ResetSource() override { }
    std::optional<browse::SourceChoice> runSourceDialog(QWidget*) override { return std::nullopt; }
    browse::FolderNode* selectedFolder() const override { return nullptr; }
    browse::FolderNode* folderAfter(browse::FolderNode*) const override { return nullptr; }
    void selectFolder(browse::FolderNode*) override { }
    void SelectRow(int, int) override { }
    void SetFilter(int, bool) override { }
    bool filter(int) const override { return false; }
    int Count() const override { return int(shown.size()); }
    RecordingEntry* Entry(int i) override { return i >= 0 && i < Count() ? &shown[std::size_t(i)] : nullptr; }
    void Clear() override { shown.clear(); }
    void clearMarks() override
    {
        ++marksCleared;
        for (auto& e : shown)
            e.marked = 0;
    }
    int advanceMode() const override { return 0; }
    std::optional<recording::SourceKind> sourceKind() const override { return kind; }
    fs::path sourcePath() const override { return root; }
    bool sourceRemoved() const override { return removed; }
    bool resetting() const override { return false; }
    bool loading() const override { return false; }
    browse::RecorderIdentity recorderIdentity() const override { return {}; }
};

// Progress as the worker posted it, with the time it came.
struct ProgressPost {
    std::int64_t done = 0;
    std::int64_t count = 0;
    std::chrono::steady_clock::time_point at;
};

// A worker's context as the host gives it: a cancel flag and the progress it was sent.
class FakeWorker final : public WorkerContext {
public:
    // Called on the worker thread after each progress post (a test may cancel from there).
    std::function<void(const ProgressPost&)> onProgress;
    std::atomic<bool> cancel { false };

    bool cancelled() const override { return cancel; }
    void progress(std::int64_t done, std::int64_t count) override
    {
        ProgressPost post { done, count, std::chrono::steady_clock::now() };
        {
            std::lock_guard lock(m_mutex);
            m_posts.push_back(post);
        }
        if (onProgress)
            onProgress(post);
    }
    std::vector<ProgressPost> posts()
    {
        std::lock_guard lock(m_mutex);
        return m_posts;
    }

private:
    std::mutex m_mutex;
    std::vector<ProgressPost> m_posts; // guarded by m_mutex
};

class FakeHost final : public IWorkerHost {
public:
    FakeWorker worker;
    int started = 0;

    ~FakeHost() override
    {
        if (m_thread.joinable())
            m_thread.join();
    }

    bool startWorker(std::function<int(WorkerContext&)> job, std::function<void(int)> epilogue) override
    {
        if (m_running)
            return false;
        m_running = true;
        worker.cancel = false;
        m_epilogue = std::move(epilogue);
        m_thread = std::thread([this, job = std::move(job)] { m_result = job(worker); });
        ++started;
        return true;
    }
    bool workerRunning() const override { return m_running; }
    void cancelWorker() override { worker.cancel = true; }

    // Joins the job and runs its epilogue here, as the window does on its thread. False when no
    // job ran.
    bool finish()
    {
        if (!m_thread.joinable())
            return false;
        m_thread.join();
        m_running = false;
        if (m_epilogue)
            m_epilogue(m_result);
        return true;
    }

private:
    std::thread m_thread;
    bool m_running = false;
    int m_result = 0;
    std::function<void(int)> m_epilogue;
};

class FakeChooser final : public IRecordingChooser {
public:
    // Paths to tick (in offered order); nothing: the user cancels.
    std::optional<std::vector<fs::path>> tick;
    std::optional<SelectMode> mode;
    std::vector<RecordingEntry> offered;
    std::vector<RecordingEntry> all;

    std::optional<std::vector<RecordingEntry>> choose(
        SelectMode m, const std::vector<RecordingEntry>& o, const std::vector<RecordingEntry>& a) override
    {
        mode = m;
        offered = o;
        all = a;
        if (!tick)
            return std::nullopt;
        std::vector<RecordingEntry> ticked;
        for (const fs::path& p : *tick)
            for (const auto& e : a)
                if (e.path == p)
                    ticked.push_back(e);
        return ticked;
    }
};

struct Message {
    std::string text;
    std::string caption;
    int kind = 0;
};

class FakeContext final : public IExportContext {
public:
    FakeBrowser list;
    fs::path folder; // what the folder chooser answers (empty: cancel)
    std::deque<int> answers; // message box answers in turn; OK when none is left
    std::vector<Message> messages;
    std::vector<fs::path> chooserStarts;
    std::optional<OpenRecording> open;
    QImage mainImage;
    QImage subImage;
    bool overlayAccepted = true;
    int overlayHidden = 0, overlayRestored = 0, closed = 0, reopened = 0, rescans = 0, listRedraws = 0;
    fs::path startup = "/";

    browse::IBrowserPanel& browser() override { return list; }
    void listChanged() override { ++listRedraws; }
    void rescanSource() override { ++rescans; }
    std::optional<OpenRecording> openRecording() const override { return open; }
    bool enginesReady() const override { return true; }
    QImage cameraImage(bool sub) override { return sub ? subImage : mainImage; }
    bool hideOverlay() override
    {
        ++overlayHidden;
        return overlayAccepted;
    }
    void restoreOverlay() override { ++overlayRestored; }
    void closeForFileWork() override { ++closed; }
    void reopenAfterFileWork() override { ++reopened; }
    fs::path chooseFolder(const fs::path& start, const QString&) override
    {
        chooserStarts.push_back(start);
        return folder;
    }
    int messageBox(const QString& text, const QString& caption, int kind) override
    {
        messages.push_back({ text.toStdString(), caption.toStdString(), kind });
        if (answers.empty())
            return 1;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    fs::path startupFolder() const override { return startup; }

    // The texts shown, in turn.
    std::vector<std::string> texts() const
    {
        std::vector<std::string> t;
        for (const auto& m : messages)
            t.push_back(m.text);
        return t;
    }
};

} // namespace kivora::exporting::test
