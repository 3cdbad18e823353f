#pragma once

#include "kivora/platform/PostMessage.h"
#include "kivora/ui/CSkinDialog.h"

#include <array>

class QLabel;

namespace kivora::ui {
class CSkinCheckButton;
}

namespace kivora::settings {

// The settings window: four switches for the event marks of the graph and the map, and the
// program's version. Created once and kept; modeless; its close button only hides it. The switches
// start on at every start and are not stored. A click posts WM_MARK_SETTING (0x81f5) to the main
// window with wParam = the switch (0..3) and lParam = its new state. UI thread only.
class CSettingDlg final : public ui::CSkinDialog {
public:
    static constexpr int kSwitchCount = 4;
    static constexpr std::array<int, kSwitchCount> kSwitchIds { 32968, 32969, 32970, 32971 };
    static constexpr int kVersionTextId = 32981;
    static constexpr QSize kDesignSize { 460, 315 };

    CSettingDlg(QWidget* parent, platform::MessageTarget mainWindow,
        const ui::SkinStyle& style = ui::SkinStyle::current());

    ui::CSkinCheckButton* switchButton(int n) const { return m_switches.at(std::size_t(n)); }
    bool switchOn(int n) const;
    QLabel* versionLabel() const { return m_version; }

    // Sizes the window and centres it on the monitor that holds the centre of `mainWindow`
    // (global coordinates); the primary monitor when none does.
    void showCentred(const QRect& mainWindow);

    void setSkinStyle(const ui::SkinStyle& style) override;

protected:
    void onCloseButton() override;
    void paintBackground(QPainter& painter) override;

private:
    void onSwitchClicked(int n);
    void layOut();
    QRect designRect(int x, int y, int w, int h) const;

    platform::MessageTarget m_mainWindow;
    std::array<ui::CSkinCheckButton*, kSwitchCount> m_switches {}; // children, owned by Qt
    QLabel* m_version = nullptr; // child, owned by Qt
};

} // namespace kivora::settings
