#pragma once

#include "kivora/map/CGoogleMapDlg2.h"
#include "kivora/map/CrashPointBatch.h"
#include "kivora/map/HostWebViewObject.h"
#include "kivora/map/IMapView.h"
#include "kivora/platform/PostMessage.h"

#include <QObject>
#include <QPointer>

#include <filesystem>
#include <optional>

namespace kivora::map {

class IMapTrackSource;

// The map as the main window drives it: the map window, the answers to the page's host calls,
// and the messages to the main window (WM_MAP_READY, WM_MAP_SEEK). UI thread only.
class CGoogleMapDlgWrap final : public QObject, public IMapView, public IHostWebViewFuncs {
    Q_OBJECT
public:
    struct Parts {
        platform::MessageTarget mainWindow; // receives kMsgMapReady and kMsgMapCrashPointClicked
        IMapTrackSource* tracks = nullptr; // must outlive the wrapper
        std::filesystem::path settingsFile; // Default_Folder.ini: section MAP
        QString cacheFolder; // empty: the user's cache folder
    };

    explicit CGoogleMapDlgWrap(Parts parts);
    ~CGoogleMapDlgWrap() override;

    // IMapView
    void SetMapStatus(int status) override;
    int SendCrashPoints(
        const std::vector<views::EventEntry>& events, int recordingIndex, bool withGroupTrack) override;
    void ShowMap(bool show) override;
    void SetMapParent(QWidget* parent) override;
    void setMapGeometry(const QRect& rect) override;
    void setCurrentFrame(std::int64_t frame) override;
    void setMapSwitch(bool on) override;
    bool mapSwitch() const override { return m_mapSwitch; }
    bool pageReady() const override { return m_pageReady; }
    bool htmlReady() const override { return m_htmlReady != 0; }
    bool runtimePresent() const override { return m_runtimePresent; }

    // Runs text in the page (nothing without a map window).
    void ExecScript(const QString& text);
    CGoogleMapDlg2* mapWindow() const { return m_view; }

    // IHostWebViewFuncs (the page's calls)
    int connectTest() override;
    QVariantMap mapUrl() override;
    QVariantList gpsData() override;
    QVariant gridData() override;
    QString relJpgNum() override;
    void onClickCrashPoint(int ifile, int igrid, int ipos, int valid, double lat, double lng, double speed,
        double direction) override;
    void onInitHtml() override;
    void setSend() override;

private:
    void onPageLoaded(bool ok);
    void onRenderProcessDied();
    void watchNetwork();

    Parts m_parts;
    QPointer<CGoogleMapDlg2> m_view; // owned here; its Qt parent is the separate window
    int m_htmlReady = 0;
    bool m_shown = false;
    std::int64_t m_position = 0;
    bool m_mapSwitch = true;
    bool m_pageReady = false;
    bool m_runtimePresent = true;
    bool m_groupTrackAwaited = false; // the page was answered before the group track was read
    int m_reloads = 0; // page reloads after the render process died, since the last good load
    // The last sending that stopped at an event without a position: the main window retries
    // every clock step, and the page needs it only once.
    std::optional<CrashPointBatch> m_lastStoppedBatch;
};

} // namespace kivora::map
