#pragma once

#include "kivora/export/IExportHost.h"
#include "kivora/map/IMapView.h"

#include <QRect>

#include <string>

namespace kivora::app {

// What stands in for the map and the export commands until their layers
// provide them: the window runs every command path against these, and nothing happens.

class MapViewStandIn final : public map::IMapView {
public:
    void SetMapStatus(int status) override { m_status = status; }
    int SendCrashPoints(const std::vector<views::EventEntry>&, int, bool) override
    {
        ++m_sends;
        return 1;
    }
    void ShowMap(bool show) override { m_shown = show; }
    void SetMapParent(QWidget*) override { }
    void setMapGeometry(const QRect&) override { }
    void setCurrentFrame(std::int64_t frame) override { m_frame = frame; }
    void setMapSwitch(bool on) override { m_switch = on; }
    bool mapSwitch() const override { return m_switch; }
    bool pageReady() const override { return false; }
    bool htmlReady() const override { return false; }
    bool runtimePresent() const override { return true; }

    int status() const { return m_status; }
    std::int64_t currentFrame() const { return m_frame; }
    int sends() const { return m_sends; }

private:
    int m_status = 2;
    std::int64_t m_frame = -1;
    int m_sends = 0;
    bool m_shown = false;
    bool m_switch = false;
};

class ExportCommandsStandIn final : public exporting::IExportCommands {
public:
    void TakeSnapshot() override { }
    void SaveConcatenated() override { }
    void DeleteRecordings() override { }
    void ExportCsv() override { }
};

} // namespace kivora::app
