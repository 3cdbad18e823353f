#pragma once

#include "kivora/ui/CSkinDialog.h"

#include <QUrl>

#include <functional>
#include <string>

class QLabel;
class QPushButton;

namespace kivora::settings {

// The update notice: the notice text on white with its download links, and a close button. Not
// resizable; Enter leaves it open. A link opens in the default browser only when it is one of the
// download pages on the update server. Deletes itself when closed. UI thread only.
class CUpdateDialog final : public ui::CSkinDialog {
public:
    static constexpr int kLinkId = 1007;
    static constexpr int kCloseId = 2;
    static constexpr QSize kDesignSize { 640, 480 };

    using LinkOpener = std::function<void(const QUrl&)>;

    // markup: the notice from the update check (already escaped); baseUrl: the server it came from.
    CUpdateDialog(const std::string& markup, const std::string& baseUrl,
        const ui::SkinStyle& style = ui::SkinStyle::current());

    // Replaces the browser (tests).
    void setLinkOpener(LinkOpener opener) { m_open = std::move(opener); }
    QLabel* linkLabel() const { return m_link; }
    QPushButton* closeButtonOfNotice() const { return m_close; }

    // Centres the dialog on the monitor that holds `point` and shows it.
    void showOn(const QPoint& point);

    // Activates a link as a click on it would.
    void activateLink(const QString& link);

protected:
    void paintBackground(QPainter& painter) override;
    void onCloseButton() override;

private:
    std::string m_baseUrl;
    QLabel* m_link = nullptr; // children, owned by Qt
    QPushButton* m_close = nullptr;
    LinkOpener m_open;
};

} // namespace kivora::settings
