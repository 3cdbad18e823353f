#pragma once

#include "kivora/app/AppSettings.h"
#include "kivora/platform/MessageTable.h"
#include "kivora/platform/TimerTable.h"

#include <QRect>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>

namespace kivora::app {

// The main window. Everything the program does happens while it is open; closing it runs the
// shutdown and ends the program. Construction runs the start-up steps; the post-show steps run
// from a message the window posts to itself, once the event loop shows it.
// User-interface thread only, except messageTarget() and the two named locks.
class CkivoraDlg final : public QWidget {
public:
    static constexpr int kDesignWidth = 1120;
    static constexpr int kDesignHeight = 697;
    static constexpr double kMaxWindowScale = 3.4285715;

    // source: the folder or movie given on the command line, opened instead of the remembered one.
    explicit CkivoraDlg(
        std::optional<std::filesystem::path> source = std::nullopt, QWidget* parent = nullptr);
    ~CkivoraDlg() override;

    const std::filesystem::path& startFolder() const { return m_startFolder; }
    int languageIndex() const { return m_languageIndex; }
    const AppSettings& settings() const { return m_settings; }
    const std::optional<std::filesystem::path>& initialSource() const { return m_initialSource; }

    // The two named locks, used by this window and the worker threads it starts.
    // hMutexCache guards the recording list and the selected index; the thread holding it may take
    // it again. hMutexCpSet guards the event list sent to the map. Lock order: either of them
    // before any engine lock, never an engine lock before either. Never held across a wait for
    // another thread.
    std::recursive_mutex& hMutexCache() { return m_hMutexCache; }
    std::mutex& hMutexCpSet() { return m_hMutexCpSet; }

    // For worker threads and other windows to post messages to this window. Any thread.
    platform::MessageTarget messageTarget() const { return m_messages.target(); }

    bool keepAspect() const { return m_keepAspect; }
    int volume() const { return m_volume; }
    double scaleX() const { return m_scaleX; }
    double scaleY() const { return m_scaleY; }
    bool isInitialised() const { return m_initialised; }

    // Stores the volume and writes it to the settings.
    void setVolume(int volume);

    // Called once, after the post-show initialisation.
    void setInitialisedCallback(std::function<void()> callback) { m_onInitialised = std::move(callback); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void initialise();
    void onPostShowInit();
    void onTimer(int id);
    void shutdown();

    std::optional<std::filesystem::path> m_initialSource;
    std::filesystem::path m_startFolder; // the working folder as read at start-up; empty if unreadable
    AppSettings m_settings;
    int m_languageIndex = 0;
    bool m_keepAspect = false;
    int m_volume = AppSettings::kMaxVolume;
    double m_scaleX = 1.0;
    double m_scaleY = 1.0;
    QRect m_windowRect;
    bool m_initialised = false;
    bool m_shutDown = false;
    std::function<void()> m_onInitialised;

    std::recursive_mutex m_hMutexCache;
    std::mutex m_hMutexCpSet;
    platform::MessageTable m_messages { this };
    platform::TimerTable m_timers { [this](int id) { onTimer(id); } };
};

} // namespace kivora::app
