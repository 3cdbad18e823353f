#pragma once

#include "kivora/recording/SystemTime.h"
#include "kivora/ui/COffScreenDC.h"
#include "kivora/ui/SkinFontSet.h"

#include <QFont>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <map>

namespace kivora::ui {
class CSkinCheckButton;
}

namespace kivora::views {

// The information panel: date and time of the shown frame, speed (or supply voltage), the three
// accelerations with their axis names, the playback rate and the recording's badges, plus three
// check buttons that switch the graph's axes (each click posts the axis message to the parent).
// It keeps no telemetry: the main window copies the frame's values in and asks for a paint.
// UI thread only.
class CInfoDlg : public QWidget {
public:
    static constexpr int kAxisButtonId = 38600; // X; Y and Z follow
    static constexpr double kNoAcceleration = -5.0;

    explicit CInfoDlg(QWidget* parent = nullptr);
    ~CInfoDlg() override;

    void setAcceleration(double x, double y, double z) { m_accel = { x, y, z }; }
    void setSpeed(double kmh) { m_speed = kmh; }
    void setGpsValid(bool valid) { m_gpsValid = valid; }
    void setStatusLetter(int letter) { m_statusLetter = letter; }
    void setVoltageTenths(std::int32_t tenths) { m_voltageTenths = tenths; }
    void setPosition(std::int32_t frame) { m_position = frame; }
    void setMsPerFrame(float ms) { m_msPerFrame = ms; }
    // The recording's start time; from then on the panel shows dates.
    void setStartTime(const recording::SystemTime& start);
    void setTimeLapse(bool on) { m_timeLapse = on; }
    void setHeaderCode(int code) { m_headerCode = code; }
    void setQualityCode(int code) { m_qualityCode = code; }
    void setRateCode(int code); // rate text of the code; any other code (or none) clears it
    void setVoltageMode(bool on) { m_voltageMode = on; }
    void setPanelScale(float k);
    void setUiScale(double uiScale);
    // Kept for the recorders whose header code carries them; not drawn.
    void setVehicleExtras(
        std::uint16_t extra1, std::int16_t extra2, std::uint16_t extra3, std::uint8_t raw4First);
    void setAxisButton(int axis, bool on);
    // Clears the recording's start as well (closing or changing the source).
    void clearRecording() { m_haveRecording = false; }

    // Every per-frame value back to "no value", then a repaint.
    void Reset();

    bool axisButton(int axis) const;
    ui::CSkinCheckButton* axisButtonWidget(int axis) const;
    const QString& rateText() const { return m_rateText; }
    bool voltageMode() const { return m_voltageMode; }

    // The texts a paint draws now; empty when the value's placeholder is drawn instead.
    QString dateText() const;
    QString speedOrVoltageText() const;
    QString accelerationText(int axis) const;

    // The panel's picture (without the check buttons, which are child widgets) at its size.
    bool Paint(QImage& target) const;
    // The mode badge in the main window's bottom right corner.
    void PaintModeBadge(QPainter& parent, QSize parentClient) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Skin pictures, decoded once: the panel repaints at every position update.
    const QImage& skin(int id) const;
    int sx(double design) const; // (int)((int)(design × s) × k)
    int s(double design) const { return static_cast<int>(design * m_uiScale); }
    void placeButtons();
    void onAxisClicked(int axis);

    std::array<double, 3> m_accel { kNoAcceleration, kNoAcceleration, kNoAcceleration };
    double m_speed = -1.0;
    bool m_gpsValid = false;
    int m_statusLetter = 'M';
    std::int32_t m_voltageTenths = -1;
    std::int32_t m_position = -1;
    float m_msPerFrame = 0.0f;
    recording::SystemTime m_startTime;
    bool m_haveRecording = false;
    bool m_timeLapse = false;
    int m_headerCode = 0;
    int m_qualityCode = 0;
    QString m_rateText;
    bool m_voltageMode = false;
    float m_panelScale = 1.0f;
    double m_uiScale = 1.0;
    std::uint16_t m_extra1 = 0;
    std::int16_t m_extra2 = 0;
    std::uint16_t m_extra3 = 0;
    std::uint8_t m_raw4First = 0;
    std::array<ui::CSkinCheckButton*, 3> m_buttons {}; // children, owned by Qt
    mutable std::map<int, QImage> m_images;
    ui::SkinFontSet m_fonts;
    ui::COffScreenDC m_surface;
};

} // namespace kivora::views
